#include "WaypointTree.h"

#include "WaypointKeys.h"

namespace vantrel::waypoints {

platform::ArrayPtr childrenOf(const platform::Value& item) {
    platform::DictionaryPtr d = item.dictionary();
    const platform::Value* children = d ? d->find(keys::children) : nullptr;
    return children ? children->array() : platform::ArrayPtr();
}

bool isNode(const platform::Value& item) {
    platform::DictionaryPtr d = item.dictionary();
    return d && d->find(keys::children) != nullptr;
}

size_t countWaypoints(const platform::Value& item) {
    platform::ArrayPtr children = childrenOf(item);
    if (!children) return item.isDictionary() ? 1 : 0;
    size_t count = 0;
    for (const platform::Value& child : *children) count += countWaypoints(child);
    return count;
}

}  // namespace vantrel::waypoints
