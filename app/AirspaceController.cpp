#include "AirspaceController.h"

#include "AirspaceLoading.h"
#include "FilePathPrompt.h"

#include "platform/core/DocumentsLock.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Threads.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Style.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace vantrel::app {

using airspace::AirspaceFile;
using airspace::AirspaceLibrary;
using airspace::AirspaceStore;
using platform::ui::IndexPath;
using platform::ui::Switch;
using platform::ui::TableView;
using platform::ui::TableViewCell;
namespace style = platform::ui::style;

namespace {
constexpr int kWarningsSection = 0;
constexpr int kFilesSection = 1;
constexpr double kFileRowHeight = 58;
constexpr double kSwitchMargin = 10;
const QString kFileCell = QStringLiteral("airspaceFile");
const QString kNoteCell = QStringLiteral("airspaceNote");
const QColor kNoteGrey(0xb0, 0xb0, 0xb0);

const QString kEmptyHint = QStringLiteral(
    "No airspace files yet. Tap Import and give the path of an OpenAir file (.txt): its airspaces are drawn on the "
    "map and warned of.");
const QString kReadOnlyNote = QStringLiteral(
    "Read-only: another copy of Vantrel holds these documents. Files cannot be imported, switched or deleted here.");

// A row with a switch at its right end; the switch tells the row's owner through onChange.
class SwitchCell : public TableViewCell {
public:
    SwitchCell(const QString& identifier, QWidget* parent)
        : TableViewCell(identifier, parent), switch_(new Switch(contentView())) {
        setSelectionStyle(platform::ui::TableViewCellSelectionStyle::None);
        setBackgroundColor(style::background());
        setTextColor(style::orange());
        QObject::connect(switch_, &Switch::valueChanged, switch_, [this](bool on) {
            if (onChange) onChange(on);
        });
    }
    Switch* toggle() const { return switch_; }
    std::function<void(bool)> onChange;

protected:
    void layoutContent(const QRectF& free) override {
        const QSize size = switch_->sizeHint();
        switch_->setGeometry(int(free.right() - kSwitchMargin) - size.width(), int((free.height() - size.height()) / 2),
                             size.width(), size.height());
    }
    // The text stops short of the switch.
    double textRight(const QRectF& rect) const { return rect.right() - switch_->sizeHint().width() - 2 * kSwitchMargin; }

private:
    Switch* switch_;
};

class WarningsCell : public SwitchCell {
public:
    using SwitchCell::SwitchCell;

protected:
    void drawContent(QPainter& painter, const QRectF& rect) override {
        painter.setPen(textColor());
        painter.setFont(font());
        const QRectF area(rect.left() + 10, rect.top(), textRight(rect) - rect.left() - 10, rect.height());
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(text(), Qt::ElideRight, int(area.width())));
    }
};

// A file: its name beside the switch, and under both what was read from it.
class FileCell : public SwitchCell {
public:
    using SwitchCell::SwitchCell;
    QString counts;

protected:
    void layoutContent(const QRectF& free) override {
        const QSize size = toggle()->sizeHint();
        toggle()->setGeometry(int(free.right() - kSwitchMargin) - size.width(), 5, size.width(), size.height());
    }
    void drawContent(QPainter& painter, const QRectF& rect) override {
        const double left = rect.left() + 10;
        const double nameWidth = textRight(rect) - left;
        painter.setPen(textColor());
        painter.setFont(style::font(17, true));
        painter.drawText(QRectF(left, rect.top() + 6, nameWidth, 26), Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(text(), Qt::ElideMiddle, int(nameWidth)));
        const double countsWidth = rect.right() - kSwitchMargin - left;
        painter.setPen(kNoteGrey);
        painter.setFont(style::font(13));
        painter.drawText(QRectF(left, rect.top() + 35, countsWidth, 18), Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(counts, Qt::ElideRight, int(countsWidth)));
    }
};

// A few lines of explanation in grey.
class NoteCell : public TableViewCell {
public:
    NoteCell(const QString& identifier, QWidget* parent) : TableViewCell(identifier, parent) {
        setSelectionStyle(platform::ui::TableViewCellSelectionStyle::None);
        setBackgroundColor(style::background());
        setFont(style::font(14));
    }
    static QRectF textArea(const QRectF& row) { return row.adjusted(10, 8, -10, -8); }
    static double heightFor(const QString& text, double rowWidth) {
        const QFontMetricsF metrics(style::font(14));
        const QRectF area = textArea(QRectF(0, 0, rowWidth, 1000));
        return std::ceil(metrics.boundingRect(area, Qt::TextWordWrap, text).height()) + 16 + 2;
    }

protected:
    void drawContent(QPainter& painter, const QRectF& rect) override {
        painter.setPen(kNoteGrey);
        painter.setFont(font());
        painter.drawText(textArea(rect), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());
    }
};

QString counted(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}
}  // namespace

std::shared_ptr<AirspaceController> AirspaceController::sharedController() {
    // Never destroyed: its widgets may not be touched after the application object is gone.
    static const auto* const controller =
        new std::shared_ptr<AirspaceController>(std::make_shared<AirspaceController>(AirspaceStore(AirspaceStore::defaultFolder())));
    return *controller;
}

AirspaceController::AirspaceController(AirspaceStore store) : store_(std::move(store)) {
    setTitle(QStringLiteral("Airspace"));
    navigationItem().setRightBarButtonItem(std::make_shared<platform::ui::BarButtonItem>(
        QStringLiteral("Import"), platform::ui::BarButtonItemStyle::Bordered, [this] { showImportPrompt(); }));
    platform::NotificationCenter::defaultCenter().addObserver(this, kAirspaceDidChange, nullptr,
                                                              [this](const platform::Notification&) { refresh(); });
}

AirspaceController::~AirspaceController() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // The view goes later (from the event loop); its table must not call back into this screen.
    if (table_) {
        table_->setDataSource(nullptr);
        table_->setDelegate(nullptr);
    }
    if (existsAlert_) existsAlert_->deleteLater();
}

void AirspaceController::loadView() {
    QWidget* root = makeBlackView();
    table_ = new TableView(platform::ui::TableViewStyle::Grouped, root);
    table_->setObjectName(QStringLiteral("airspaceTable"));
    auto* layout = new QVBoxLayout(root);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    setView(root);
}

void AirspaceController::viewDidLoad() {
    auto* warnings = new WarningsCell(QString(), view());
    warnings->hide();  // lent to the table while its row shows
    warnings->setText(QStringLiteral("Warnings"));
    warnings->toggle()->setText(QStringLiteral("Warnings"));
    warnings->onChange = [this](bool on) {
        if (!setWarningsEnabled(on)) warningsSwitch_->setOn(!on);
    };
    warningsCell_ = warnings;
    warningsSwitch_ = warnings->toggle();
    table_->setDataSource(this);
    table_->setDelegate(this);
}

TableView* AirspaceController::tableView() {
    view();
    return table_;
}

Switch* AirspaceController::warningsSwitch() {
    view();
    return warningsSwitch_;
}

void AirspaceController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    refresh();
}

QString AirspaceController::refusal() const { return platform::pilotFilesWriteRefusal(); }

void AirspaceController::refresh() {
    files_ = AirspaceLibrary::shared().current().files;
    if (!isViewLoaded()) return;
    const bool writable = refusal().isEmpty();
    warningsSwitch_->setOn(store_.warningsEnabled());
    warningsSwitch_->setEnabled(writable);
    if (platform::ui::BarButtonItem* import = navigationItem().rightBarButtonItem())
        import->setEnabled(writable && !importing_);
    table_->reloadData();
}

QString AirspaceController::countsText(const AirspaceFile& file) {
    QString text = counted(file.airspaces, "airspace", "airspaces");
    if (file.skippedAirspaces > 0) text += QStringLiteral(", %1 skipped").arg(file.skippedAirspaces);
    if (file.skippedLines > 0) text += QStringLiteral(", %1").arg(counted(file.skippedLines, "line", "lines")) +
                                       QStringLiteral(" not read");
    return text;
}

AirspaceController::Row AirspaceController::fileSectionRow(int row, int* fileIndex) const {
    if (!refusal().isEmpty()) {
        if (row == 0) return Row::Note;
        --row;
    }
    if (files_.empty()) return Row::Empty;
    *fileIndex = row;
    return Row::File;
}

int AirspaceController::numberOfRowsInSection(TableView*, int section) {
    if (section == kWarningsSection) return 1;
    const int notes = refusal().isEmpty() ? 0 : 1;
    return notes + std::max(1, int(files_.size()));
}

QString AirspaceController::titleForHeaderInSection(TableView*, int section) {
    return section == kFilesSection ? QStringLiteral("Files") : QString();
}

TableViewCell* AirspaceController::cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    if (indexPath.section == kWarningsSection) return warningsCell_;
    int index = -1;
    const Row kind = fileSectionRow(indexPath.row, &index);
    if (kind != Row::File) {
        auto* cell = static_cast<NoteCell*>(tableView->dequeueReusableCellWithIdentifier(kNoteCell));
        if (!cell) cell = new NoteCell(kNoteCell, tableView);
        cell->setText(kind == Row::Note ? kReadOnlyNote : kEmptyHint);
        return cell;
    }
    auto* cell = static_cast<FileCell*>(tableView->dequeueReusableCellWithIdentifier(kFileCell));
    if (!cell) cell = new FileCell(kFileCell, tableView);
    const AirspaceFile& file = files_[size_t(index)];
    cell->setText(file.fileName);
    cell->counts = countsText(file);
    cell->toggle()->setText(file.fileName);
    cell->toggle()->setOn(store_.isEnabled(file.fileName));
    cell->toggle()->setEnabled(refusal().isEmpty());
    const QString name = file.fileName;
    cell->onChange = [this, cell, name](bool on) {
        if (!setFileEnabled(name, on)) cell->toggle()->setOn(!on);
    };
    cell->update();
    return cell;
}

std::optional<double> AirspaceController::heightForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    if (indexPath.section == kWarningsSection) return std::nullopt;
    int index = -1;
    const Row kind = fileSectionRow(indexPath.row, &index);
    if (kind == Row::File) return kFileRowHeight;
    // The grouped rows are 20 points narrower than the table.
    const double width = std::max(100, tableView->width() - 20);
    return std::max(44.0, NoteCell::heightFor(kind == Row::Note ? kReadOnlyNote : kEmptyHint, width));
}

bool AirspaceController::canEditRowAtIndexPath(TableView*, const IndexPath& indexPath) {
    int index = -1;
    return indexPath.section == kFilesSection && refusal().isEmpty() &&
           fileSectionRow(indexPath.row, &index) == Row::File;
}

void AirspaceController::commitEditingStyle(TableView*, platform::ui::TableViewCellEditingStyle style,
                                            const IndexPath& indexPath) {
    int index = -1;
    if (style != platform::ui::TableViewCellEditingStyle::Delete || indexPath.section != kFilesSection ||
        fileSectionRow(indexPath.row, &index) != Row::File)
        return;
    removeFile(files_[size_t(index)].fileName);
}

void AirspaceController::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    tableView->deselectRowAtIndexPath(indexPath, false);
}

bool AirspaceController::setWarningsEnabled(bool enabled) {
    if (!refusal().isEmpty()) return false;
    store_.setWarningsEnabled(enabled);
    platform::logLine(enabled ? "Airspace warnings switched on" : "Airspace warnings switched off");
    platform::NotificationCenter::defaultCenter().postNotificationName(kAirspaceDidChange, this);
    return true;
}

bool AirspaceController::setFileEnabled(const QString& fileName, bool enabled) {
    if (!refusal().isEmpty()) return false;
    store_.setEnabled(fileName, enabled);
    platform::logLine(QStringLiteral("Airspace file %1 switched %2").arg(fileName, enabled ? "on" : "off"));
    reloadAirspaceFilesInBackground(store_);
    return true;
}

bool AirspaceController::removeFile(const QString& fileName) {
    if (!refusal().isEmpty()) return false;
    if (!store_.removeFile(fileName)) {
        showMessage(QStringLiteral("Not deleted"), QStringLiteral("The airspace file \u201c%1\u201d could not be deleted.").arg(fileName));
        return false;
    }
    platform::logLine(QStringLiteral("Airspace file %1 deleted").arg(fileName));
    // Gone from the list at once; the index follows from the worker.
    std::erase_if(files_, [&](const AirspaceFile& f) { return f.fileName == fileName; });
    if (table_) table_->reloadData();
    reloadAirspaceFilesInBackground(store_);
    return true;
}

FilePathPrompt* AirspaceController::showImportPrompt() {
    if (const QString why = refusal(); !why.isEmpty()) {
        showMessage(QStringLiteral("Read-only"), QStringLiteral("Nothing can be imported here: %1.").arg(why));
        return nullptr;
    }
    auto* prompt = new FilePathPrompt(  // owned by the window it covers; deletes itself when closed
        QStringLiteral("Import airspace"), QStringLiteral("The path of an OpenAir file (.txt):"),
        [this](const QString& path) { return importPath(path); });
    prompt->show();
    return prompt;
}

QString AirspaceController::importPath(const QString& path) {
    if (const QString why = refusal(); !why.isEmpty()) return QStringLiteral("Nothing can be imported here: %1.").arg(why);
    if (importing_) return QStringLiteral("An import is still running.");
    const QFileInfo info(path);
    if (!info.exists()) return QStringLiteral("There is no file %1.").arg(path);
    if (info.isDir()) return QStringLiteral("%1 is a folder; give the path of a file.").arg(path);
    startImport(path, false, QString());
    return {};
}

void AirspaceController::startImport(const QString& path, bool replace, const QString& asName) {
    importing_ = true;
    refresh();
    std::weak_ptr<AirspaceController> self = weak_from_this();
    AirspaceStore store = store_;
    platform::detachNewThread([self, store, path, replace, asName]() mutable {
        const AirspaceStore::ImportResult result = store.importFile(path, replace, asName);
        platform::performOnMainThread(
            [self, path, result] {
                if (std::shared_ptr<AirspaceController> controller = self.lock()) controller->importFinished(path, result);
            },
            false);
    });
}

void AirspaceController::importFinished(const QString& path, const AirspaceStore::ImportResult& result) {
    importing_ = false;
    const QString name = result.fileName;
    switch (result.outcome) {
    case AirspaceStore::Outcome::Imported:
    case AirspaceStore::Outcome::Replaced: {
        QString message = QStringLiteral("%1 read from \u201c%2\u201d.").arg(counted(result.airspaces, "airspace", "airspaces"), name);
        if (result.skippedAirspaces > 0 || result.skippedLines > 0)
            message += QStringLiteral(" Skipped: %1 and %2 that could not be read; the log names each.")
                           .arg(counted(result.skippedAirspaces, "airspace", "airspaces"),
                                counted(result.skippedLines, "line", "lines"));
        reloadAirspaceFilesInBackground(store_);
        showMessage(result.outcome == AirspaceStore::Outcome::Replaced ? QStringLiteral("Airspace replaced")
                                                                        : QStringLiteral("Airspace imported"),
                    message);
        break;
    }
    case AirspaceStore::Outcome::Exists:
        pendingPath_ = path;
        pendingName_ = name;
        existsAlert_ = new platform::ui::AlertView(  // owned by the window it covers; deletes itself when answered
            QStringLiteral("File already loaded"),
            QStringLiteral("An airspace file named \u201c%1\u201d is loaded already. Replace it with the new one, or keep "
                           "both and name the new one \u201c%2\u201d?")
                .arg(name, store_.freeFileName(name)),
            this, QStringLiteral("Cancel"), {QStringLiteral("Replace"), QStringLiteral("Keep both")});
        existsAlert_->show();
        break;
    case AirspaceStore::Outcome::NothingRead:
        platform::logLine(QStringLiteral("Airspace import of %1: no airspace read; nothing imported").arg(path));
        showMessage(QStringLiteral("Nothing imported"),
                    QStringLiteral("No airspace could be read from \u201c%1\u201d (%2 skipped): it is not an OpenAir "
                                   "file, or every airspace in it is damaged. The log names the lines.")
                        .arg(name, counted(result.skippedLines, "line", "lines")));
        break;
    case AirspaceStore::Outcome::Failed:
        platform::logLine(QStringLiteral("Airspace import of %1 failed: %2").arg(path, result.error));
        showMessage(QStringLiteral("Import failed"),
                    QStringLiteral("\u201c%1\u201d was not imported: %2.").arg(name.isEmpty() ? path : name, result.error));
        break;
    }
    refresh();
}

void AirspaceController::alertViewClickedButtonAtIndex(platform::ui::AlertView* alertView, int buttonIndex) {
    if (alertView != existsAlert_) return;
    const QString path = std::exchange(pendingPath_, QString());
    const QString name = std::exchange(pendingName_, QString());
    if (path.isEmpty() || !refusal().isEmpty()) return;
    if (buttonIndex == 1) {
        startImport(path, true, name);
    } else if (buttonIndex == 2) {
        startImport(path, false, store_.freeFileName(name));
    } else {
        platform::logLine(QStringLiteral("Airspace import of %1 cancelled: %2 is loaded already").arg(path, name));
    }
}

void AirspaceController::showMessage(const QString& title, const QString& message) {
    (new platform::ui::AlertView(title, message, nullptr, QStringLiteral("OK"), {}))->show();  // deletes itself
}

}  // namespace vantrel::app
