#pragma once
// The selector pane's "Nearby waypoints" list: the records of the moving map's nearby cache that
// lie within the range the pilot set, judged by their stored current_distance, so that changing
// the range never computes a distance. The list is ordered by that distance, nearest first, so
// that the aircraft's own airfield is on top. Shrinking the range filters the list itself, keeping
// its order; growing it takes the records of the map's cache again (under the cache's dbLock) and
// sorts them by the distance each had when taken; an unchanged range leaves the list alone. The
// list can therefore never hold more than the cache.
//
// Ownership: owns nearbyDB, which shares the database's records. Threads: main thread only (the
// records' current_distance may change meanwhile on the map's worker; reading it is safe).

#include "NearbyWaypointCache.h"

#include "platform/core/Value.h"

namespace vantrel::waypoints {

class NearbyList {
public:
    NearbyList();

    // The range is units x distanceFactor metres.
    void setRange(int units, double distanceFactor, NearbyWaypointCache& cache);
    // The map's cache was refilled: the next setRange takes the list from it again.
    void invalidate() { cachedRange_ = 0; }

    platform::ArrayPtr nearbyDB() const { return nearbyDB_; }
    double cachedRange() const { return cachedRange_; }  // metres

private:
    platform::ArrayPtr nearbyDB_;
    double cachedRange_ = 0;
};

}  // namespace vantrel::waypoints
