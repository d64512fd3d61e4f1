#include "NearbyList.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace vantrel::waypoints {

namespace {
bool within(const platform::Value& item, double range) {
    const platform::Dictionary* record = item.asDictionary();
    std::optional<double> d = record ? currentDistance(*record) : std::nullopt;
    return d && *d < range;
}

// The records of the cache within the range by distanceOf, nearest first (ties in the cache's
// order). Each record's distance is read once: the map's worker may rewrite a stored distance
// meanwhile, and a sort whose keys change under it has no defined outcome.
template <typename DistanceOf>
void takeFromCache(NearbyWaypointCache& cache, double range, DistanceOf distanceOf, std::vector<platform::Value>& items) {
    std::vector<std::pair<double, platform::Value>> found;
    {
        std::lock_guard lock(cache.dbLock());
        for (const platform::Value& record : cache.cachedNearbyWaypoints()) {
            const platform::Dictionary* d = record.asDictionary();
            std::optional<double> distance = d ? distanceOf(*d) : std::nullopt;
            if (distance && *distance < range) found.emplace_back(*distance, record);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    items.clear();
    items.reserve(found.size());
    for (auto& entry : found) items.push_back(std::move(entry.second));
}
}  // namespace

NearbyList::NearbyList() : nearbyDB_(platform::Array::create(500)) {}

void NearbyList::setRange(int units, double distanceFactor, NearbyWaypointCache& cache,
                          const std::optional<GeoPoint>& aircraft) {
    const double range = distanceFactor * units;
    auto& items = nearbyDB_->items();
    if (aircraft) {
        takeFromCache(cache, range, [&](const platform::Dictionary& d) { return distanceFrom(*aircraft, d); }, items);
        cachedRange_ = 0;  // the next range change without a position takes the cache again
        return;
    }
    if (range < cachedRange_) {
        std::erase_if(items, [range](const platform::Value& item) { return !within(item, range); });
    } else if (range > cachedRange_) {
        takeFromCache(cache, range, [](const platform::Dictionary& d) { return currentDistance(d); }, items);
    }
    cachedRange_ = range;
}

}  // namespace vantrel::waypoints
