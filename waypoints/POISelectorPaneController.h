#pragma once
// The waypoint database of the process and the selector pane in which the pilot picks a waypoint:
// one object, as the rest of the app knows it. It loads the database on its own thread
// (loadDatabase), answers the distance query, and as a screen shows the country/state tree, the
// nearby list and the search results in one table under its own three tabs, marks the chosen
// record and hands it to its owner. The data and the rules live in window-free classes:
// WaypointDatabase (records, tree, index), NearbyQuery (the distance query), WaypointSelector
// (what the pane shows and remembers) and NearbyWaypointCache (the moving map's cache, which the
// nearby list filters).
//
// The pane is shown in its own navigation controller (POINavigator), presented over the window's
// root screen (the tab bar controller). Nothing is reset when it goes away: the next presentation
// shows the same list, level, title, search results and selection.
//
// Ownership: the shared instance lives until the process ends, held by std::shared_ptr (the
// navigator shares it). It owns its view, its lists and the nearby cache (shared with the map).
// The owner is not owned; see WaypointOwner.
// Threads: sharedPOIDatabase() is first called on the main thread at launch. loadDatabase() runs on
// the load thread and posts its notifications on the main thread, waiting for each. Everything
// else runs on the main thread.

#include "NearbyWaypointCache.h"
#include "WaypointDatabase.h"
#include "WaypointOwner.h"
#include "WaypointSelector.h"

#include "platform/core/Value.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TabBar.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/ViewController.h"

#include <QElapsedTimer>

#include <memory>

namespace Ui {
class POISelector;
}

namespace vantrel::platform::ui {
class Label;
class Slider;
class TableView;
}  // namespace vantrel::platform::ui

namespace vantrel::waypoints {

class POISelectorPaneController : public platform::ui::ViewController,
                                  public platform::ui::TableViewDataSource,
                                  public platform::ui::TableViewDelegate,
                                  public platform::ui::TabBarDelegate,
                                  public platform::ui::SearchBarDelegate {
public:
    // The search runs as the pilot types once the text has this many letters (Return: from one).
    static constexpr int kLettersBeforeSearching = 2;

    static POISelectorPaneController& sharedPOIDatabase();
    static std::shared_ptr<POISelectorPaneController> sharedPane();
    // The pane's navigation controller (black bar), made on the first call.
    static std::shared_ptr<platform::ui::NavigationController> POINavigator();
    // Presents the navigator over the key window's root screen, animated, and answers the pane;
    // the caller then makes itself the owner. Logs and presents nothing without a window.
    static POISelectorPaneController& presentPOISelectorPane();

    // ---- the database
    // The whole load; notifications carry this object as their poster.
    void loadDatabase();
    void sortByCountries() { database_.sortByCountries(); }
    WaypointDatabase& database() { return database_; }
    platform::ArrayPtr waypointsDB() const { return database_.waypointsDB(); }
    platform::ArrayPtr countries() const { return database_.countries(); }
    platform::ArrayPtr states() const { return database_.states(); }
    platform::ArrayPtr byCountryDB() const { return database_.byCountryDB(); }
    static int sortWaypointsByName(const platform::Value& a, const platform::Value& b) {
        return WaypointDatabase::sortWaypointsByName(a, b);
    }

    // The distance query (NearbyQuery) with the radius in the pilot's current distance unit.
    // Main thread only, since it reads the unit settings; the map's worker runs the query through
    // NearbyWaypointCache with the factor taken on the main thread.
    void addNearbyWaypoints(platform::Array& target, double longitude, double latitude, double radiusNM,
                            bool forceUpdate);
    void addNearbyWaypoints(WaypointSet& target, double longitude, double latitude, double radiusNM, bool forceUpdate);

    // The moving map's nearby cache, which the nearby list reads. The map takes this one over
    // (and sets itself as its notification sender) when it is made.
    std::shared_ptr<NearbyWaypointCache> nearbyCache() const { return nearbyCache_; }

    // ---- the pane
    WaypointOwner* owner() const { return owner_; }
    void setOwner(WaypointOwner* owner) { owner_ = owner; }
    // An owner that is going away (see WaypointOwner): every pane that names it forgets it.
    static void ownerWillGo(WaypointOwner* owner);

    platform::ArrayPtr content() const { return selector_.content(); }
    void setContent(platform::ArrayPtr content);
    const WaypointSelector& selector() const { return selector_; }
    platform::Value selectedWaypoint() const { return selector_.selectedWaypoint(); }
    platform::ArrayPtr pathStack() const { return selector_.pathStack(); }
    platform::ArrayPtr titlesStack() const { return selector_.titlesStack(); }

    // The right bar button ("Done", "Select" or "Cancel"): hands the selection, if any, to the
    // owner and closes the pane.
    void select();
    // Closes the pane.
    void cancel();
    // The left bar button.
    void back();
    // The range slider's action: the nearby list at the slider's range.
    void setRange();
    // The map's cache was refilled ("cachedWaypointsDBDidChange").
    void updateNearbyList();
    // A new fix ("locationDidUpdate"): while the pane is on screen, at most every kRemeasureMs,
    // the nearby list is measured again from the aircraft, or the rows' distances are redrawn.
    void aircraftMoved();
    static constexpr qint64 kRemeasureMs = 2000;

    // The tabs: byCountry, search and nearby.
    platform::ui::TabBarItem* byCountryItem() const { return byCountry_.get(); }
    platform::ui::TabBarItem* searchItem() const { return search_.get(); }
    platform::ui::TabBarItem* nearbyItem() const { return nearby_.get(); }

    // The outlets of the interface file "POISelector" (the view is loaded on first use).
    platform::ui::TableView* waypointsTableView();
    platform::ui::SearchBar* theSearchBar();
    QWidget* rangeView();
    platform::ui::Slider* rangeSlider();
    platform::ui::Label* rangeField();
    platform::ui::TabBar* tabBar();

    // ---- screen, table, tab bar and search bar
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    int numberOfRowsInSection(platform::ui::TableView* tableView, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* tableView,
                                                       const platform::ui::IndexPath& indexPath) override;
    std::optional<platform::ui::TableViewCellAccessoryType> accessoryTypeForRowWithIndexPath(
        platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    // Waypoint rows have a third line (WaypointCell::kRowHeight); the tree's rows keep the table's.
    std::optional<double> heightForRowAtIndexPath(platform::ui::TableView* tableView,
                                                  const platform::ui::IndexPath& indexPath) override;

    void tabBarDidSelectItem(platform::ui::TabBar* tabBar, platform::ui::TabBarItem* item) override;
    void searchBarTextDidChange(platform::ui::SearchBar* searchBar, const QString& text) override;
    void searchBarSearchButtonClicked(platform::ui::SearchBar* searchBar) override;

    // The app uses the shared instance; a pane of its own (tests, tools) works the same way.
    POISelectorPaneController();
    ~POISelectorPaneController() override;

protected:
    void loadView() override;

private:
    // The countries view of the tree with its search bar (the tab bar's highlight stays).
    void showCountriesView();
    void showBars(bool searchBar, bool rangeView);
    // The slider's range in whole units, the unit factor, and the label "25 nm".
    int rangeUnits();
    void showRangeLabel(int units);
    // Shows the selector's title and button title, and reloads the table.
    void refresh();

    WaypointDatabase database_;
    WaypointSelector selector_;
    std::shared_ptr<NearbyWaypointCache> nearbyCache_;
    WaypointOwner* owner_ = nullptr;
    std::unique_ptr<Ui::POISelector> ui_;
    std::shared_ptr<platform::ui::TabBarItem> byCountry_;
    std::shared_ptr<platform::ui::TabBarItem> search_;
    std::shared_ptr<platform::ui::TabBarItem> nearby_;
    QElapsedTimer remeasured_;  // since aircraftMoved last measured
};

}  // namespace vantrel::waypoints
