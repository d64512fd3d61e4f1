#pragma once
// The shared waypoint database object of the process. It loads the database on its own thread
// (loadDatabase) and, once the selector pane lands, is also the screen on which the pilot picks a
// waypoint. The data and its rules live in WaypointDatabase.
//
// Threads: sharedPOIDatabase() is first called on the main thread at launch. loadDatabase() runs
// on the load thread and posts its notifications on the main thread, waiting for each; after
// UPDATE_LOAD_DONE the database is read-only (see WaypointDatabase).

#include "WaypointDatabase.h"

#include "platform/core/Value.h"

namespace vantrel::waypoints {

class POISelectorPaneController {
public:
    static POISelectorPaneController& sharedPOIDatabase();

    // The whole load; notifications carry this object as their poster.
    void loadDatabase();
    void sortByCountries() { database_.sortByCountries(); }

    WaypointDatabase& database() { return database_; }
    platform::ArrayPtr waypointsDB() const { return database_.waypointsDB(); }
    platform::ArrayPtr countries() const { return database_.countries(); }
    platform::ArrayPtr states() const { return database_.states(); }
    platform::ArrayPtr byCountryDB() const { return database_.byCountryDB(); }
    platform::ArrayPtr pathStack() const { return pathStack_; }
    platform::ArrayPtr titlesStack() const { return titlesStack_; }

    static int sortWaypointsByName(const platform::Value& a, const platform::Value& b) {
        return WaypointDatabase::sortWaypointsByName(a, b);
    }

    QString title() const { return QStringLiteral("Waypoints Database"); }

private:
    POISelectorPaneController() = default;
    WaypointDatabase database_;
    platform::ArrayPtr pathStack_;
    platform::ArrayPtr titlesStack_;
};

}  // namespace vantrel::waypoints
