#pragma once
// Whoever asks the selector pane for a waypoint (an instrument, the plan editor): the pane hands
// it the chosen record, the database's own record object, never nothing.
//
// The pane does not own its owner. An owner that goes away while the pane still names it is
// forgotten by the pane at that moment, so the pane never calls a dead owner (a plan editor, made
// anew for each plan, may well be gone by the time the pilot presses Select).
//
// Threads: main thread only.

#include "platform/core/Value.h"

namespace vantrel::waypoints {

class WaypointOwner {
public:
    WaypointOwner() = default;
    WaypointOwner(const WaypointOwner&) = delete;
    WaypointOwner& operator=(const WaypointOwner&) = delete;
    virtual ~WaypointOwner();

    virtual void setWaypoint(const platform::Value& waypoint) = 0;
};

}  // namespace vantrel::waypoints
