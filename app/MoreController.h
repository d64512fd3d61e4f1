#pragma once
// A small menu with two entries, "Help" and "Active countries", each opening its screen inside the
// menu's own navigation controller (black bar). The tab bar's own More list does this job in the
// app's tab layout; this menu is for layouts that want a fixed entry to those two screens.
//
// Ownership: the shared menu and its shared navigation controller live for the whole process;
// the menu's view and outlet belong to its view. Threads: main thread only.

#include "platform/ui/NavigationController.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/ViewController.h"

#include <QStringList>
#include <memory>

namespace Ui {
class MoreController;
}

namespace vantrel::platform::ui {
class TableView;
}

namespace vantrel::app {

class MoreController : public platform::ui::ViewController,
                       public platform::ui::TableViewDataSource,
                       public platform::ui::TableViewDelegate,
                       public std::enable_shared_from_this<MoreController> {
public:
    // The one menu, titled "More".
    static MoreController& sharedController();
    // The navigation controller whose root is the shared menu, with the black bar (shared, so that
    // a tab bar or a window can show it).
    static const std::shared_ptr<platform::ui::NavigationController>& sharedNavigationController();

    MoreController();
    ~MoreController() override;

    // The entries, in row order.
    static const QStringList& values();

    // Outlet (loads the view).
    platform::ui::TableView* moreView();

    void viewDidLoad() override;

    int numberOfRowsInSection(platform::ui::TableView* tableView, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* tableView,
                                                       const platform::ui::IndexPath& indexPath) override;
    std::optional<platform::ui::TableViewCellAccessoryType> accessoryTypeForRowWithIndexPath(
        platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;

protected:
    void loadView() override;

private:
    std::unique_ptr<Ui::MoreController> ui_;
};

}  // namespace vantrel::app
