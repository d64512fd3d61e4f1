#include "WaypointOwner.h"

#include "POISelectorPaneController.h"

namespace vantrel::waypoints {

WaypointOwner::~WaypointOwner() { POISelectorPaneController::ownerWillGo(this); }

}  // namespace vantrel::waypoints
