#pragma once
// The identifier search: the records whose waypoint_id begins with the pilot's text upper-cased
// (case-sensitive, character by character, on the identifier as stored), in waypointsDB order and
// then sorted by identifier. Names are never searched. An empty text finds nothing.
//
// Threads: any thread that may read the records (see WaypointDatabase).

#include "platform/core/Value.h"

#include <QString>

namespace vantrel::waypoints {

// The search key for a text: the text upper-cased, or empty for an empty text.
QString searchKeyFor(const QString& text);

// Fills results (emptied first) with the matching records of waypointsDB, sorted by identifier.
void searchByIdentifier(const platform::Array& waypointsDB, const QString& searchKey, platform::Array& results);

}  // namespace vantrel::waypoints
