#include "UiTestSupport.h"

#include "platform/ui/TableView.h"
#include "platform/ui/Transition.h"

#include <QTest>

namespace vantrel::test {

using namespace platform::ui;

std::shared_ptr<RecordingController> recording(const QString& title, CallLog& log) {
    return std::make_shared<RecordingController>(title, log);
}

ShownWindow::ShownWindow() : window_(std::make_unique<Window>()) {
    Transition::setAnimationsEnabled(false);
    window_->show();
    window_->activateWindow();
    (void)QTest::qWaitForWindowActive(window_.get());
}

ShownWindow::~ShownWindow() {
    window_.reset();
    Transition::setAnimationsEnabled(true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TableViewCell* NumberedRows::cellForRowAtIndexPath(TableView* table, const IndexPath& path) {
    ++cellsAsked;
    TableViewCell* cell = table->dequeueReusableCellWithIdentifier(QStringLiteral("plainCell"));
    if (!cell) {
        cell = new TableViewCell(QStringLiteral("plainCell"), table);
        ++cellsMade;
    }
    cell->setText(textOf(path));
    return cell;
}

void NumberedRows::commitEditingStyle(TableView* table, TableViewCellEditingStyle style, const IndexPath& path) {
    if (style != TableViewCellEditingStyle::Delete) return;
    deleted.push_back(path);
    --rows_[size_t(path.section)];
    table->reloadData();
}

}  // namespace vantrel::test
