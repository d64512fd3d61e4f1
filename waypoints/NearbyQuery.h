#pragma once
// The distance query: the records of the database within a radius of a point.
//
// addNearbyWaypoints adds to a target, and never empties it, every record of waypointsDB whose
// great-circle distance from (longitude, latitude) is strictly less than radius x distanceFactor
// metres, in waypointsDB order. With forceUpdate every record, matching or not, gets its
// current_distance set to its distance from the point. Without it, a record that already has a
// current_distance is judged by that value, whatever point it was computed for; only the others
// get theirs computed and stored. An array target lists a record once per call that matches it;
// a set target holds it once.
//
// The radius is in the pilot's distance unit and distanceFactor is that unit in metres. The caller
// reads the factor from the unit settings on the main thread and hands it in, so that the query
// never reads the settings from another thread.
//
// Threads: any thread; no lock of its own and no notification. The records are only read, except
// for their current_distance, which may be written while other threads read the records (see
// WaypointDistance.h). The target is the caller's to guard (the map's cache: its dbLock).

#include "WaypointSet.h"

#include "platform/core/Value.h"

namespace vantrel::waypoints {

struct NearbyArea {
    double longitude = 0;  // degrees, east positive
    double latitude = 0;   // degrees, north positive
    double radius = 0;     // in the pilot's distance unit
    double distanceFactor = 0;  // metres per distance unit
};

void addNearbyWaypoints(platform::Array& target, const platform::Array& waypointsDB, const NearbyArea& area,
                        bool forceUpdate);
void addNearbyWaypoints(WaypointSet& target, const platform::Array& waypointsDB, const NearbyArea& area,
                        bool forceUpdate);

}  // namespace vantrel::waypoints
