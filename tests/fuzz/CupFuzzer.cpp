// libFuzzer target for the SeeYou CUP reader of the navigation plans: any bytes as a file. Every
// waypoint of every plan it gives must have a name and coordinates that the plans' own coordinate
// reader takes, and a route the navigation can build from it; the plans must write out as GPX.

#include "FuzzSupport.h"

#include "navigation/PlanNavigator.h"
#include "navplans/NavPlanKeys.h"
#include "navplans/PlanCoordinates.h"
#include "navplans/PlanCup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vantrel;
    fuzz::quietLog();
    auto import = navplans::cup::readDocument(fuzz::bytesOf(data, size), QStringLiteral("fuzz"));
    if (!import.error.isEmpty() && !import.plans.empty()) fuzz::broken("refused file with plans");
    for (const auto& plan : import.plans) {
        if (!plan) fuzz::broken("empty plan");
        const platform::ArrayPtr waypoints = plan->get(navplans::keys::wp).array();
        if (!waypoints) fuzz::broken("plan without waypoint list");
        for (const platform::Value& waypoint : *waypoints) {
            if (!navplans::positionOf(waypoint)) fuzz::broken("waypoint without a usable position");
            if (waypoint.asDictionary()->get(navplans::keys::waypointName).toQString().isEmpty()) fuzz::broken("waypoint without a name");
        }
        const navigation::Route route = navigation::Route::fromPlan(*plan);
        if (route.points.size() + size_t(route.problems.size()) != waypoints->size()) fuzz::broken("route lost a waypoint silently");
        navplans::gpx::routeDocument(*plan);
    }
    return 0;
}
