#include "NearbyWaypointCache.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Threads.h"

#include <chrono>

namespace vantrel::waypoints {

NearbyWaypointCache::NearbyWaypointCache(Token) : cached_(kInitialRoom), sender_(this) {}

std::shared_ptr<NearbyWaypointCache> NearbyWaypointCache::create() {
    return std::make_shared<NearbyWaypointCache>(Token{});
}

std::optional<NearbyArea> NearbyWaypointCache::lastArea() const {
    std::lock_guard lock(publishedMutex_);
    return published_;
}

void NearbyWaypointCache::refresh(const platform::Array& waypointsDB, double longitude, double latitude,
                                  double distanceFactor) {
    NearbyArea area{longitude, latitude, kRadius, distanceFactor};
    std::lock_guard lock(dbLock_);
    cached_.clear();
    addNearbyWaypoints(cached_, waypointsDB, area, true);
    area_ = area;
    {
        std::lock_guard published(publishedMutex_);
        published_ = area;
    }
    refreshes_.fetch_add(1, std::memory_order_release);
}

void NearbyWaypointCache::findNearbyWaypoints(platform::ArrayPtr waypointsDB, double longitude, double latitude,
                                              double distanceFactor) {
    platform::logLine("Will cache nearby waypoints");
    if (!waypointsDB) return;
    // The job holds the cache only weakly: the worker itself keeps it alive while it runs.
    runOnWorker([weak = weak_from_this(), waypointsDB, longitude, latitude, distanceFactor] {
        std::shared_ptr<NearbyWaypointCache> self = weak.lock();
        if (!self) return;
        self->refresh(*waypointsDB, longitude, latitude, distanceFactor);
        platform::performOnMainThread(
            [self] {
                platform::NotificationCenter::defaultCenter().postNotificationName("cachedWaypointsDBDidChange",
                                                                                 self->notificationSender());
            },
            false);
    });
}

bool NearbyWaypointCache::runOnWorker(std::function<void()> job) {
    {
        std::lock_guard lock(workerMutex_);
        if (working_) {
            wanted_ = std::move(job);
            return false;
        }
        working_ = true;
    }
    platform::detachNewThread([self = shared_from_this(), job = std::move(job)]() mutable { self->work(std::move(job)); });
    return true;
}

void NearbyWaypointCache::work(std::function<void()> job) {
    for (;;) {
        job();
        std::lock_guard lock(workerMutex_);
        // At the end of the application a wanted refresh is dropped: nobody will look at it.
        if (!wanted_ || platform::isShuttingDown()) {
            wanted_ = nullptr;
            working_ = false;
            idle_.notify_all();
            return;
        }
        job = std::move(wanted_);
        wanted_ = nullptr;
    }
}

bool NearbyWaypointCache::isWorking() const {
    std::lock_guard lock(workerMutex_);
    return working_;
}

bool NearbyWaypointCache::waitUntilIdle(int timeoutMs) const {
    std::unique_lock lock(workerMutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !working_; });
}

}  // namespace vantrel::waypoints
