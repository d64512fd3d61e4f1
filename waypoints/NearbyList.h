#pragma once
// The selector pane's "Nearby waypoints" list: the records of the moving map's nearby cache that
// lie within the range the pilot set, ordered nearest first, so that the aircraft's own airfield
// is on top. With the aircraft's position, every setRange measures each record of the cache from
// it (the cache's stored distances are from where the map last refreshed it, which may be many
// miles behind). Without a position, the stored current_distance is used and a range change
// computes no distance: shrinking the range filters the list itself, keeping its order; growing
// it takes the records of the map's cache again (under the cache's dbLock) and sorts them by the
// distance each had when taken; an unchanged range leaves the list alone. The list can never hold
// more than the cache.
//
// Ownership: owns nearbyDB, which shares the database's records. Threads: main thread only (the
// records' current_distance may change meanwhile on the map's worker; reading it is safe).

#include "NearbyWaypointCache.h"
#include "WaypointDistance.h"

#include "platform/core/Value.h"

namespace vantrel::waypoints {

class NearbyList {
public:
    NearbyList();

    // The range is units x distanceFactor metres; distances from `aircraft` when given.
    void setRange(int units, double distanceFactor, NearbyWaypointCache& cache,
                  const std::optional<GeoPoint>& aircraft = std::nullopt);
    // The map's cache was refilled: the next setRange takes the list from it again.
    void invalidate() { cachedRange_ = 0; }

    platform::ArrayPtr nearbyDB() const { return nearbyDB_; }
    double cachedRange() const { return cachedRange_; }  // metres

private:
    platform::ArrayPtr nearbyDB_;
    double cachedRange_ = 0;
};

}  // namespace vantrel::waypoints
