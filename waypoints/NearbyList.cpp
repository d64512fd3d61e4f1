#include "NearbyList.h"

#include "WaypointDistance.h"

#include <mutex>

namespace vantrel::waypoints {

namespace {
bool within(const platform::Value& item, double range) {
    const platform::Dictionary* record = item.asDictionary();
    std::optional<double> d = record ? currentDistance(*record) : std::nullopt;
    return d && *d < range;
}
}  // namespace

NearbyList::NearbyList() : nearbyDB_(platform::Array::create(500)) {}

void NearbyList::setRange(int units, double distanceFactor, NearbyWaypointCache& cache) {
    const double range = distanceFactor * units;
    auto& items = nearbyDB_->items();
    if (range < cachedRange_) {
        std::erase_if(items, [range](const platform::Value& item) { return !within(item, range); });
    } else if (range > cachedRange_) {
        items.clear();
        std::lock_guard lock(cache.dbLock());
        for (const platform::Value& record : cache.cachedNearbyWaypoints())
            if (within(record, range)) items.push_back(record);
    }
    cachedRange_ = range;
}

}  // namespace vantrel::waypoints
