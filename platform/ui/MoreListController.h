#pragma once
// The root of a tab bar controller's More navigation controller: a plain table with one row per
// screen that has no tab of its own (the tab's image and title, a disclosure indicator), and an
// "Edit" button that opens the tab customisation. Its view is the table.
//
// Ownership: owned by its tab bar controller (std::shared_ptr, shared with the More navigation
// controller's stack). Threads: construction on any thread; the rest on the main thread.

#include "TableViewDataSource.h"
#include "ViewController.h"

namespace vantrel::platform::ui {

class TabBarController;
class TableView;

class MoreListController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    explicit MoreListController(TabBarController* owner);

    // The table (loads the view).
    TableView* tableView();
    // Shows the current list again (after the tabs changed).
    void reload();

    void viewWillAppear(bool animated) override;

    int numberOfRowsInSection(TableView* tableView, int section) override;
    TableViewCell* cellForRowAtIndexPath(TableView* tableView, const IndexPath& path) override;
    void didSelectRowAtIndexPath(TableView* tableView, const IndexPath& path) override;

protected:
    void loadView() override;

private:
    TabBarController* owner_;
};

}  // namespace vantrel::platform::ui
