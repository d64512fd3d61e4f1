#include "WaypointSet.h"

namespace vantrel::waypoints {

WaypointSet::WaypointSet(size_t capacity) {
    records_.reserve(capacity);
    identities_.reserve(capacity);
}

bool WaypointSet::add(const platform::Value& record) {
    if (!record.isDictionary() || !identities_.insert(record.identity()).second) return false;
    records_.push_back(record);
    return true;
}

bool WaypointSet::contains(const platform::Value& record) const {
    return record.isDictionary() && identities_.count(record.identity()) != 0;
}

void WaypointSet::clear() {
    records_.clear();
    identities_.clear();
}

}  // namespace vantrel::waypoints
