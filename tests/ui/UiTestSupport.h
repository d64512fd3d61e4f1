#pragma once
// Shared pieces of the toolkit's tests: a screen that records its life cycle, a shown window,
// and a table data source of numbered rows.

#include "platform/ui/TableViewCell.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <QStringList>
#include <memory>

namespace vantrel::test {

// Every life-cycle call of every recording screen, in order ("VOR 1 willAppear").
class CallLog {
public:
    void add(const QString& line) { lines_.append(line); }
    QStringList take() {
        QStringList l = lines_;
        lines_.clear();
        return l;
    }

private:
    QStringList lines_;
};

class RecordingController : public platform::ui::ViewController {
public:
    RecordingController(const QString& title, CallLog& log) : log_(log) { setTitle(title); }

    void viewDidLoad() override { log_.add(title() + " didLoad"); }
    void viewWillAppear(bool) override { log_.add(title() + " willAppear"); }
    void viewDidAppear(bool) override { log_.add(title() + " didAppear"); }
    void viewWillDisappear(bool) override { log_.add(title() + " willDisappear"); }
    void viewDidDisappear(bool) override { log_.add(title() + " didDisappear"); }

private:
    CallLog& log_;
};

std::shared_ptr<RecordingController> recording(const QString& title, CallLog& log);

// A window shown offscreen, with animations off unless a test turns them on.
class ShownWindow {
public:
    ShownWindow();
    ~ShownWindow();
    platform::ui::Window& operator*() { return *window_; }
    platform::ui::Window* operator->() { return window_.get(); }
    platform::ui::Window* get() { return window_.get(); }

private:
    std::unique_ptr<platform::ui::Window> window_;
};

// Rows numbered "Row s.r" in reused plain cells, counting the cells it makes.
class NumberedRows : public platform::ui::TableViewDataSource {
public:
    explicit NumberedRows(std::vector<int> rowsPerSection) : rows_(std::move(rowsPerSection)) {}

    int numberOfSectionsInTableView(platform::ui::TableView*) override { return int(rows_.size()); }
    int numberOfRowsInSection(platform::ui::TableView*, int section) override { return rows_[size_t(section)]; }
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* table,
                                                       const platform::ui::IndexPath& path) override;
    QString titleForHeaderInSection(platform::ui::TableView*, int section) override {
        return titles_ ? QStringLiteral("Section %1").arg(section) : QString();
    }
    bool canEditRowAtIndexPath(platform::ui::TableView*, const platform::ui::IndexPath&) override { return editable_; }
    void commitEditingStyle(platform::ui::TableView*, platform::ui::TableViewCellEditingStyle style,
                            const platform::ui::IndexPath& path) override;

    static QString textOf(const platform::ui::IndexPath& path) {
        return QStringLiteral("Row %1.%2").arg(path.section).arg(path.row);
    }

    std::vector<int> rows_;
    bool titles_ = false;
    bool editable_ = false;
    int cellsMade = 0;
    int cellsAsked = 0;
    std::vector<platform::ui::IndexPath> deleted;
};

}  // namespace vantrel::test
