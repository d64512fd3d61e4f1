#pragma once
// The plan being flown: at most one at a time, kept in the user defaults under "activePlan" as
// {"name": plan name, "leg": plan index of the active waypoint}, so that a restart (or a script
// that writes it there) resumes the flight. Fly, Stop, Next and Previous change it; each fix goes
// through the navigator (PlanNavigator.h), and a waypoint passed starts the next leg with a log
// line; the last one passed ends the flight with "Arrived" (the stored state is removed, the
// navigator stays readable until the next Fly or Stop).
//
// The plan is read once, when the flight starts, from the plan store; flying never writes a plan
// file. A plan file deleted while flown leaves the route as it was loaded (checkPlanFile says so,
// once); at the next start a stored plan that is gone, or cannot be flown, is reported, and the
// stored state removed.
//
// What it offers to the screens: the route and the active leg (navigator()), the pane text
// (paneText), the Fly/Stop/Next/Previous actions, the banner texts (the answers of onFix), and
// the value the app's dump writes under "activePlan" (dumpValue).
//
// Ownership: owns its navigator; the defaults store is the caller's and must outlive it.
// Threads: main thread only.

#include "PlanNavigator.h"

#include "platform/core/UserDefaults.h"

#include <QString>
#include <memory>
#include <optional>

namespace vantrel::navplans {
class NavPlanStore;
}
namespace vantrel::units {
class UnitSettings;
}

namespace vantrel::navigation {

inline constexpr std::string_view kActivePlanKey = "activePlan";

class ActivePlan {
public:
    explicit ActivePlan(platform::UserDefaults& defaults = platform::UserDefaults::standardUserDefaults());

    // Starts flying the plan of that name (the first one listed with it) toward the waypoint at
    // planLeg (default: the second waypoint, the first leg). Answers what went wrong, or an empty
    // text once flying; what the route left out is logged and kept in routeProblems().
    QString fly(const navplans::NavPlanStore& store, const QString& planName, std::optional<size_t> planLeg = std::nullopt);
    // Resumes the flight stored in the defaults. Empty when there was none or it resumed;
    // otherwise why it could not (and the stored state is removed).
    QString restore(const navplans::NavPlanStore& store);
    void stop();

    struct Event {
        PlanNavigator::Passing passing;
        bool arrived = false;
        QString banner;  // "Passed LSGL - to LSMP", or "Arrived"
    };
    std::optional<Event> onFix(const positioning::Fix& fix);
    // The pilot's choice; false at the ends (nothing changes).
    bool next();
    bool previous();

    // The ground speed (metres per second) used for times to go; none below 2 m/s or unknown.
    void setGroundSpeed(std::optional<double> metresPerSecond);

    bool isFlying() const { return navigator_ && !navigator_->arrived(); }
    const PlanNavigator* navigator() const { return navigator_.get(); }
    const QStringList& routeProblems() const { return problems_; }
    // The plan's file name in the store when the flight started ("" without one).
    const QString& planFile() const { return planFile_; }

    // Whether the plan file is still there; logs once and answers the message when it is not.
    QString checkPlanFile();

    // "To LSGL (2/5) DIS 12.3 nm BRG 048°T ETE 0:07 - ETA dest 14:52": distance in the pilot's
    // unit, bearing to the active waypoint (magnetic: minus the variation, east positive), times
    // to go at the ground speed, the arrival time of day in UTC. Dashes for what is not known;
    // empty when no plan is flown or read.
    QString paneText(const units::UnitSettings& units, bool magnetic = false, double variationDegrees = 0.0) const;

    // {"name", "leg" (plan index), "waypoint_id", "legCourse" (degrees true or null),
    //  "distanceToGo" (metres to the active waypoint or null), "distanceToDestination",
    //  "arrived", "passed": [{"id", "time"}]}; null when no plan was flown.
    platform::Value dumpValue() const;

private:
    void persist() const;
    void logLegStart() const;

    platform::UserDefaults& defaults_;
    std::unique_ptr<PlanNavigator> navigator_;
    QStringList problems_;
    QString planFile_;
    bool reportedMissing_ = false;
    std::optional<double> groundSpeed_;
};

}  // namespace vantrel::navigation
