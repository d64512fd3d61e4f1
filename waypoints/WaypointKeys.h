#pragma once
// Keys of waypoint records and database nodes, interned once for the whole process. A record's
// current_distance is no entry: see WaypointDistance.h.

#include "platform/core/Value.h"

namespace vantrel::waypoints::keys {

using platform::Key;

inline const Key waypointId{"waypoint_id"};
inline const Key waypointName{"waypoint_name"};
inline const Key waypointLatitude{"waypoint_latitude"};
inline const Key waypointLongitude{"waypoint_longitude"};
inline const Key waypointType{"waypoint_type"};
inline const Key waypointState{"waypoint_state"};
inline const Key waypointChannel{"waypoint_channel"};
inline const Key waypointFrequency{"waypoint_frequency"};
// Navaids only: degrees east, the variation a VOR's radials are aligned to.
inline const Key waypointMagneticVariation{"waypoint_magnetic_variation"};
inline const Key waypointMainRunwayIndex{"waypoint_main_runway_index"};
inline const Key waypointRunways{"waypoint_runways"};
inline const Key runwayId{"id"};
inline const Key ct{"ct"};
inline const Key children{"children"};

}  // namespace vantrel::waypoints::keys
