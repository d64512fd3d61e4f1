#pragma once
// What the selector pane shows and remembers, without its window: the list in its table
// (`content`) and its title, the levels of the tree above it (`pathStack`, `titlesStack`), the
// record the pilot last tapped (`selectedWaypoint`), the title of the right bar button, the search
// results and key, and the nearby list. The pane forwards each action here and then shows the
// outcome; the rules are these:
//
// - Countries: title = last of titlesStack or "Countries", content = the top level of the tree;
//   the stacks stay as they are.
// - A node's row goes one level down (the stacks grow by the current title and content); a
//   record's row becomes the selection (compared by identity) and the button reads "Select".
// - Back: clears the search, shows the countries, goes up one level when there is one, drops the
//   selection and makes the button read "Cancel". At the top it only clears.
// - Each appearance makes the button read "Done" and keeps everything else, the selection too.
// - Search: the upper-cased text as key, "Search results", the identifier matches in identifier
//   order then the name matches (searchWaypoints), nearest first among equals with a position.
// - The search tab: "Search results" over the last search's results, or "Search" and no rows.
// - Nearby: "Nearby waypoints" and the records of the map's cache within the range, measured from
//   the aircraft when its position is given.
// - A list pushed or switched to (a level of the tree, countries, nearby, search results) is
//   shown from its top: takeListSwitched tells the pane once; a new range or a refilled cache
//   keeps the place in the list.
// - The hint of an empty list: "No waypoint begins with “X”." for a search, "Type an identifier
//   or a name." on the search tab before any search, "No waypoints are loaded." for the countries
//   of an empty database.
//
// Ownership: shares the database's records and tree; owns its lists and stacks. Threads: main
// thread only.

#include "NearbyList.h"
#include "WaypointDatabase.h"

#include "platform/core/Value.h"

#include <QString>
#include <utility>

namespace vantrel::waypoints {

class WaypointSelector {
public:
    enum class Tapped { Nothing, Node, Waypoint };

    explicit WaypointSelector(const WaypointDatabase& database);

    // Each time the pane comes on screen: the button reads "Done". Answers true the first time,
    // when nothing has been shown yet and the pane should show the countries.
    bool appear();
    void showCountries();
    // `aircraft`: the position distances are measured from, when there is a usable fix.
    void showNearby(int rangeUnits, double distanceFactor, NearbyWaypointCache& cache,
                    const std::optional<GeoPoint>& aircraft = std::nullopt);
    void setRange(int rangeUnits, double distanceFactor, NearbyWaypointCache& cache,
                  const std::optional<GeoPoint>& aircraft = std::nullopt);
    // The map's cache was refilled: the nearby list is rebuilt at the current range.
    void cacheChanged(int rangeUnits, double distanceFactor, NearbyWaypointCache& cache,
                      const std::optional<GeoPoint>& aircraft = std::nullopt);
    // The search tab: the results of the last search, or none yet.
    void showSearch();
    Tapped tapRow(size_t row);
    void back();
    void search(const QString& text, const std::optional<GeoPoint>& aircraft = std::nullopt);
    bool showsNearby() const { return content_ && content_ == nearby_.nearbyDB(); }
    void clearSearch();

    platform::ArrayPtr content() const { return content_; }  // empty before the first appearance
    void setContent(platform::ArrayPtr content) { show(std::move(content)); }
    // The row's entry, or a null value past the end.
    const platform::Value& rowAt(size_t row) const;
    size_t rowCount() const { return content_ ? content_->size() : 0; }
    bool isSelected(const platform::Value& record) const;
    // True once after another list took the place of the one shown: the table goes to its top.
    bool takeListSwitched() { return std::exchange(listSwitched_, false); }
    // What the table says while the list shown has no row; empty when it says nothing.
    QString emptyText() const;

    QString title() const { return title_; }
    QString rightButtonTitle() const { return rightButtonTitle_; }
    platform::Value selectedWaypoint() const { return selectedWaypoint_; }
    platform::ArrayPtr pathStack() const { return pathStack_; }
    platform::ArrayPtr titlesStack() const { return titlesStack_; }
    QString searchID() const { return searchID_; }  // empty when no search is set
    platform::ArrayPtr searchDB() const { return searchDB_; }
    const NearbyList& nearby() const { return nearby_; }

private:
    void show(platform::ArrayPtr content);

    const WaypointDatabase& database_;
    platform::ArrayPtr content_;
    QString title_;
    QString rightButtonTitle_;
    platform::ArrayPtr pathStack_;
    platform::ArrayPtr titlesStack_;
    platform::Value selectedWaypoint_;
    QString searchID_;
    platform::ArrayPtr searchDB_;
    NearbyList nearby_;
    bool listSwitched_ = false;
};

}  // namespace vantrel::waypoints
