#include "NearbyList.h"

#include "WaypointDistance.h"

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
}  // namespace

NearbyList::NearbyList() : nearbyDB_(platform::Array::create(500)) {}

void NearbyList::setRange(int units, double distanceFactor, NearbyWaypointCache& cache) {
    const double range = distanceFactor * units;
    auto& items = nearbyDB_->items();
    if (range < cachedRange_) {
        std::erase_if(items, [range](const platform::Value& item) { return !within(item, range); });
    } else if (range > cachedRange_) {
        // Each record's distance is read once: the map's worker may rewrite it meanwhile, and a
        // sort whose keys change under it has no defined outcome.
        std::vector<std::pair<double, platform::Value>> found;
        {
            std::lock_guard lock(cache.dbLock());
            for (const platform::Value& record : cache.cachedNearbyWaypoints()) {
                const platform::Dictionary* d = record.asDictionary();
                std::optional<double> distance = d ? currentDistance(*d) : std::nullopt;
                if (distance && *distance < range) found.emplace_back(*distance, record);
            }
        }
        std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        items.clear();
        items.reserve(found.size());
        for (auto& entry : found) items.push_back(std::move(entry.second));
    }
    cachedRange_ = range;
}

}  // namespace vantrel::waypoints
