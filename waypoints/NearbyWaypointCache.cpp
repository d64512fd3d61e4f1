#include "NearbyWaypointCache.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Threads.h"

namespace vantrel::waypoints {

NearbyWaypointCache::NearbyWaypointCache(Token) : cached_(500), sender_(this) {}

std::shared_ptr<NearbyWaypointCache> NearbyWaypointCache::create() {
    return std::make_shared<NearbyWaypointCache>(Token{});
}

void NearbyWaypointCache::refresh(const platform::Array& waypointsDB, double longitude, double latitude,
                                  double distanceFactor) {
    NearbyArea area{longitude, latitude, kRadius, distanceFactor};
    std::lock_guard lock(dbLock_);
    cached_.clear();
    addNearbyWaypoints(cached_, waypointsDB, area, true);
    area_ = area;
}

void NearbyWaypointCache::findNearbyWaypoints(platform::ArrayPtr waypointsDB, double longitude, double latitude,
                                              double distanceFactor) {
    platform::logLine("Will cache nearby waypoints");
    if (!waypointsDB) return;
    platform::detachNewThread([self = shared_from_this(), waypointsDB, longitude, latitude, distanceFactor] {
        self->refresh(*waypointsDB, longitude, latitude, distanceFactor);
        platform::performOnMainThread(
            [self] {
                platform::NotificationCenter::defaultCenter().postNotificationName("cachedWaypointsDBDidChange",
                                                                                 self->notificationSender());
            },
            false);
    });
}

}  // namespace vantrel::waypoints
