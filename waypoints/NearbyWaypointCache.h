#pragma once
// The moving map's cache of nearby waypoints, without the map's window: the records within 180
// distance units of the aircraft, refilled by the distance query on a worker thread, and the lock
// that guards them. The moving map owns it (its dbLock and cachedNearbyWaypoints are this object's);
// until the map exists the selector pane makes it, and the map takes the pane's over
// (POISelectorPaneController::nearbyCache), so that both always read the same cache.
//
// The refreshes run on one worker at a time: while a worker is queued or running, a further
// request only marks that one more refresh is wanted (the latest request replacing an earlier
// wanted one), and the worker runs it when it is done. A slow machine therefore never piles up
// threads that queue for dbLock, and the last request is always served.
//
// After each refresh started by findNearbyWaypoints the main thread posts
// "cachedWaypointsDBDidChange", with the notification sender (the map, once it has set itself) as
// its object. The map's own refreshes hand over to the map instead, which posts the same.
//
// Ownership: held by std::shared_ptr by the pane and the map; each worker shares it while it runs.
// The cache shares its records with the database.
// Threads: findNearbyWaypoints and runOnWorker on any thread (the app calls them on the main
// thread); refresh on any thread. cachedNearbyWaypoints and waypointsCacheArea may be read or
// changed only while holding dbLock; lastArea, refreshCount, isWorking and waitUntilIdle need no
// lock. Any other change of a database record (the waypoint editor's) is made while holding dbLock
// too, since the worker reads every record.

#include "NearbyQuery.h"
#include "WaypointSet.h"

#include "platform/core/Value.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace vantrel::waypoints {

class NearbyWaypointCache : public std::enable_shared_from_this<NearbyWaypointCache> {
public:
    // The radius of the cache, in the pilot's distance unit.
    static constexpr double kRadius = 180.0;
    // The room the set is made with.
    static constexpr size_t kInitialRoom = 500;

    // Made only shared, since each worker shares it.
    static std::shared_ptr<NearbyWaypointCache> create();

    std::mutex& dbLock() { return dbLock_; }
    // The records of the last refresh, in waypointsDB order; hold dbLock while using it.
    WaypointSet& cachedNearbyWaypoints() { return cached_; }
    // Where the last refresh looked (longitude, latitude, kRadius, the factor it had); nothing before
    // the first one. Hold dbLock while reading it.
    const std::optional<NearbyArea>& waypointsCacheArea() const { return area_; }
    // The same, as a copy that the refresh publishes whole: for a reader that must not wait for a
    // running query (the map's refresh test on every fix).
    std::optional<NearbyArea> lastArea() const;
    // How many refreshes have completed.
    uint64_t refreshCount() const { return refreshes_.load(std::memory_order_acquire); }

    // The worker's whole update: takes dbLock, empties the cache and refills it with the records of
    // waypointsDB within kRadius units of the point, refreshing every record's current_distance.
    void refresh(const platform::Array& waypointsDB, double longitude, double latitude, double distanceFactor);

    // Logs "Will cache nearby waypoints" and has the worker run refresh; when it is done, the
    // main thread posts "cachedWaypointsDBDidChange" (the caller does not wait for either). The
    // factor is the unit settings' distanceFactor, read by the caller on the main thread.
    void findNearbyWaypoints(platform::ArrayPtr waypointsDB, double longitude, double latitude, double distanceFactor);

    // Runs job on the cache's worker (a new thread when none is queued or running). While one is,
    // the job only becomes the one more run that is wanted. True when a worker was started.
    bool runOnWorker(std::function<void()> job);
    // Whether a worker is queued or running.
    bool isWorking() const;
    // Waits until no worker is queued or running; false when the time ran out first.
    bool waitUntilIdle(int timeoutMs) const;

    // The object the notification names as its sender (this cache until the map sets itself).
    void setNotificationSender(const void* sender) { sender_ = sender; }
    const void* notificationSender() const { return sender_; }

private:
    struct Token {};

public:
    explicit NearbyWaypointCache(Token);

private:
    // The worker thread's loop: the job, then each wanted one, until none is wanted.
    void work(std::function<void()> job);

    std::mutex dbLock_;
    WaypointSet cached_;
    std::optional<NearbyArea> area_;
    std::atomic<const void*> sender_;
    std::atomic<uint64_t> refreshes_{0};

    mutable std::mutex publishedMutex_;  // guards published_ only, held for a copy
    std::optional<NearbyArea> published_;

    mutable std::mutex workerMutex_;  // guards working_ and wanted_
    mutable std::condition_variable idle_;
    bool working_ = false;
    std::function<void()> wanted_;
};

}  // namespace vantrel::waypoints
