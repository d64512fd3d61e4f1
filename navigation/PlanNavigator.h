#pragma once
// Flying a navigation plan, window-free: the route made from a plan record, and the navigator that
// follows the aircraft along it, leg by leg.
//
// The route holds the plan's waypoints that have a usable position (navplans/PlanCoordinates.h),
// in plan order; a waypoint without one, or one at the same place as the waypoint kept before it,
// is left out and named in the route's problems (the route keeps what it can). Each route point
// remembers its index in the plan, so numbers shown to the pilot are the plan's own.
//
// The navigator's active waypoint is the end of the active leg (route index; 0 means the aircraft
// is going to the first waypoint, with no leg in). It is passed when a fix comes within 0.5 NM of
// it, or when the aircraft crosses, within 2 NM of it, its passing line: the line through it that
// bisects the angle between the leg in and the leg out, so that cutting a corner still counts. The
// first waypoint's line is square to its leg out, the last's square to its leg in, and so is the
// line of a waypoint where the route turns back on itself (legs in and out within 10 degrees of
// each other, where the bisector would run along the track). A crossing is from the side the leg
// in comes from to the other side, between two consecutive fixes. Passing the last waypoint is the
// arrival. Fixes without a usable coordinate or with an untrusted accuracy (negative or NaN) are
// ignored. Legs are great circles; everything works across the 180th meridian.
//
// Ownership: a navigator owns its route (the waypoint records are shared with the plan they came
// from and never changed). Threads: one thread at a time (the app's main thread).

#include "platform/core/Value.h"
#include "positioning/Fix.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vantrel::navigation {

inline constexpr double kMetresPerNauticalMile = 1852.0;
inline constexpr double kPassingDistance = 0.5 * kMetresPerNauticalMile;
inline constexpr double kPassingLineReach = 2.0 * kMetresPerNauticalMile;

struct RoutePoint {
    QString id;    // the record's waypoint_id, else its name
    QString name;  // the record's waypoint_name (may equal id)
    double latitude = 0;
    double longitude = 0;
    size_t planIndex = 0;              // index in the plan's waypoint array
    platform::DictionaryPtr record;    // the plan's record, shared, read only
};

struct Route {
    QString planName;
    size_t planWaypointCount = 0;   // every element of the plan's array, usable or not
    std::vector<RoutePoint> points;
    std::vector<double> toDestination;  // metres along the route from each point to the last
    QStringList problems;            // one line per waypoint left out, for the log and the pilot

    // True with two points or more.
    bool flyable() const { return points.size() >= 2; }
    // The route index of the point made from that plan index, or else of the first point after it.
    std::optional<size_t> routeIndexOfPlanIndex(size_t planIndex) const;

    static Route fromPlan(const platform::Dictionary& plan);
};

// Great-circle helpers in double precision, degrees.
double distanceMetres(double lat1, double lon1, double lat2, double lon2);
// Initial course from the first point to the second, 0 <= course < 360; 0 for the same point.
double initialCourse(double lat1, double lon1, double lat2, double lon2);

class PlanNavigator {
public:
    struct Passing {
        size_t routeIndex = 0;
        QString id;
        double time = 0;  // the fix's time, seconds since 1970
        bool byDistance = false;  // else by crossing the passing line
    };

    // The route must be flyable; active is clamped to the route.
    PlanNavigator(Route route, size_t active);

    // Takes a fix; answers the waypoint passed at it, if one was.
    std::optional<Passing> update(const positioning::Fix& fix);

    // The pilot's own choice. False (nothing changes) at the ends of the route or after arrival.
    bool next();
    bool previous();

    const Route& route() const { return route_; }
    size_t active() const { return active_; }
    const RoutePoint& activePoint() const { return route_.points[active_]; }
    bool arrived() const { return arrived_; }
    const std::vector<Passing>& passed() const { return passed_; }

    // The course of the active leg at its start (true north); none for the first waypoint.
    std::optional<double> legCourse() const;
    // From the last usable fix; none before one.
    std::optional<double> distanceToActive() const;
    std::optional<double> bearingToActive() const;
    std::optional<double> distanceToDestination() const;
    std::optional<positioning::Fix> lastFix() const { return last_; }

private:
    struct PassingLine {
        double normalEast = 0, normalNorth = 0;  // points to the side the leg in comes from
    };
    void startLeg();
    PassingLine passingLineOf(size_t index) const;
    // Plane metres east and north of the active waypoint (fine within the line's reach).
    void localOffset(double lat, double lon, double* east, double* north) const;

    Route route_;
    size_t active_ = 0;
    bool arrived_ = false;
    std::vector<Passing> passed_;
    PassingLine line_;
    std::optional<double> lastSide_;  // signed distance of the last fix from the line, this leg
    double lastEast_ = 0, lastNorth_ = 0;
    std::optional<positioning::Fix> last_;
};

}  // namespace vantrel::navigation
