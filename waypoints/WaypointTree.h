#pragma once
// Walking the country/state tree: a dictionary with `children` is a node (a country or a state),
// one without is a waypoint record.
//
// Threads: any thread, once the database is loaded.

#include "platform/core/Value.h"

#include <cstddef>

namespace vantrel::waypoints {

bool isNode(const platform::Value& item);
// The node's children, or an empty array pointer for a record.
platform::ArrayPtr childrenOf(const platform::Value& item);
// The number of records under a node, states included (1 for a record).
size_t countWaypoints(const platform::Value& item);

}  // namespace vantrel::waypoints
