#pragma once
// A set of waypoint records by object identity, as the moving map keeps its nearby cache: adding a
// record that is already in the set changes nothing. It lists its records in the order they were
// first added (for the distance query, waypointsDB order).
//
// Ownership: the set shares its records (they stay the database's objects). Threads: not
// synchronised; the nearby cache guards its set with its dbLock.

#include "platform/core/Value.h"

#include <cstddef>
#include <unordered_set>
#include <vector>

namespace vantrel::waypoints {

class WaypointSet {
public:
    explicit WaypointSet(size_t capacity = 0);

    // False when the record is already in the set, or is no dictionary.
    bool add(const platform::Value& record);
    bool contains(const platform::Value& record) const;
    // Empties the set and keeps its room.
    void clear();

    size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    const std::vector<platform::Value>& records() const { return records_; }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

private:
    std::vector<platform::Value> records_;
    std::unordered_set<const void*> identities_;
};

}  // namespace vantrel::waypoints
