#pragma once
// The moving map's cache of nearby waypoints, without the map's window: the records within 180
// distance units of the aircraft, refilled by the distance query on a worker thread, and the lock
// that guards them. The moving map owns it (its dbLock and cachedNearbyWaypoints are this object's);
// until the map exists the selector pane makes it, and the map takes the pane's over
// (POISelectorPaneController::nearbyCache), so that both always read the same cache.
//
// After each refresh the main thread posts "cachedWaypointsDBDidChange", with the notification
// sender (the map, once it has set itself) as its object.
//
// Ownership: held by std::shared_ptr by the pane and the map; each worker shares it while it runs.
// The cache shares its records with the database.
// Threads: findNearbyWaypoints on the main thread; refresh on any thread. cachedNearbyWaypoints and
// the area may be read or changed only while holding dbLock. Any other change of a database record
// (the waypoint editor's) is made while holding dbLock too, since the worker reads every record.

#include "NearbyQuery.h"
#include "WaypointSet.h"

#include "platform/core/Value.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace vantrel::waypoints {

class NearbyWaypointCache : public std::enable_shared_from_this<NearbyWaypointCache> {
public:
    // The radius of the cache, in the pilot's distance unit.
    static constexpr double kRadius = 180.0;

    // Made only shared, since each worker shares it.
    static std::shared_ptr<NearbyWaypointCache> create();

    std::mutex& dbLock() { return dbLock_; }
    // The records of the last refresh, in waypointsDB order; hold dbLock while using it.
    WaypointSet& cachedNearbyWaypoints() { return cached_; }
    // Where the last refresh looked (longitude, latitude, kRadius, the factor it had); nothing before
    // the first one. Hold dbLock while reading it.
    const std::optional<NearbyArea>& waypointsCacheArea() const { return area_; }

    // The worker's whole update: takes dbLock, empties the cache and refills it with the records of
    // waypointsDB within kRadius units of the point, refreshing every record's current_distance.
    void refresh(const platform::Array& waypointsDB, double longitude, double latitude, double distanceFactor);

    // Logs "Will cache nearby waypoints" and runs refresh on a new thread; when it is done, the
    // main thread posts "cachedWaypointsDBDidChange" (the caller does not wait for either). The
    // factor is the unit settings' distanceFactor, read by the caller on the main thread.
    void findNearbyWaypoints(platform::ArrayPtr waypointsDB, double longitude, double latitude, double distanceFactor);

    // The object the notification names as its sender (this cache until the map sets itself).
    void setNotificationSender(const void* sender) { sender_ = sender; }
    const void* notificationSender() const { return sender_; }

private:
    struct Token {};

public:
    explicit NearbyWaypointCache(Token);

private:

    std::mutex dbLock_;
    WaypointSet cached_;
    std::optional<NearbyArea> area_;
    std::atomic<const void*> sender_;
};

}  // namespace vantrel::waypoints
