#pragma once
// Keys of navigation plan records and of the waypoint records they hold, interned once for the
// whole process. The waypoint keys are the database's own (waypoints/WaypointKeys.h): a plan holds
// database records as they are and user waypoints under the same keys, plus the pilot's note.

#include "waypoints/WaypointKeys.h"

namespace vantrel::navplans::keys {

using platform::Key;

// The plan's name as listed and typed; the file is named after it.
using waypoints::keys::waypointName;
// Set to "untitled" when a plan is made from the list; kept and written, never read.
inline const Key name{"name"};
// The ordered waypoint records.
inline const Key wp{"wp"};

using waypoints::keys::waypointId;
using waypoints::keys::waypointLatitude;
using waypoints::keys::waypointLongitude;
// The pilot's free note on a waypoint of a plan.
inline const Key misc{"misc"};

}  // namespace vantrel::navplans::keys
