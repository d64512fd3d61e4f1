#pragma once
// A screen of the loaded waypoint database: the loaded countries in the tree's order with their
// waypoint counts ("France  (1234)"), and the totals. It stands in the tabs until the waypoint
// selector takes over.
//
// Ownership: made by the application delegate at load done and shared with the tab bar; its view
// and widgets belong to its view. Threads: main thread only; made after the load is done.

#include "waypoints/WaypointOwner.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/ViewController.h"

#include <QStringList>

class QLabel;

namespace vantrel::platform::ui {
class TableView;
}

namespace vantrel::waypoints {
class POISelectorPaneController;
}

namespace vantrel::app {

// Until the instruments land, "Select" on this screen opens the waypoint selector pane with this
// screen as its owner, and the chosen waypoint is shown under the totals.
class DatabaseOverviewView : public platform::ui::ViewController,
                             public platform::ui::TableViewDataSource,
                             public waypoints::WaypointOwner {
public:
    // Titled "Database" with the tab image "database.png"; `database` must outlive the screen.
    explicit DatabaseOverviewView(waypoints::POISelectorPaneController& database);

    // The list and the totals (load the view).
    platform::ui::TableView* countryList();
    QLabel* summaryLabel();

    // The waypoint chosen in the selector pane (null before).
    const platform::Value& selectedWaypoint() const { return selectedWaypoint_; }
    void setWaypoint(const platform::Value& waypoint) override;

    int numberOfRowsInSection(platform::ui::TableView* tableView, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* tableView,
                                                       const platform::ui::IndexPath& indexPath) override;

protected:
    void loadView() override;

private:
    waypoints::POISelectorPaneController& database_;
    QStringList rows_;
    platform::ui::TableView* list_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* chosen_ = nullptr;
    platform::Value selectedWaypoint_;
};

}  // namespace vantrel::app
