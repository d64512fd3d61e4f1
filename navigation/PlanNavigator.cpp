#include "PlanNavigator.h"

#include "navplans/NavPlanKeys.h"
#include "navplans/PlanCoordinates.h"
#include "positioning/Geodesy.h"

#include <algorithm>
#include <cmath>

namespace vantrel::navigation {

using positioning::Geodesy;

namespace {

constexpr double kRad = Geodesy::kDegreesToRadians;
// Two waypoints closer than this are the same place.
constexpr double kSamePlaceMetres = 1.0;
// Legs in and out closer than this (degrees between them, seen from the waypoint) turn back.
constexpr double kTurnBackDegrees = 10.0;

QString textOf(const platform::Value& value) { return value.isString() ? value.toQString().trimmed() : QString(); }

// Longitude difference folded into -180..180.
double foldedLongitude(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d < -180.0) d += 360.0;
    return d;
}

}  // namespace

double distanceMetres(double lat1, double lon1, double lat2, double lon2) {
    return Geodesy::calcDistanceInMeters(lon1, lat1, lon2, lat2);
}

double initialCourse(double lat1, double lon1, double lat2, double lon2) {
    const double phi1 = lat1 * kRad, phi2 = lat2 * kRad;
    const double dl = foldedLongitude(lon2 - lon1) * kRad;
    const double y = std::sin(dl) * std::cos(phi2);
    const double x = std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dl);
    if (x == 0.0 && y == 0.0) return 0.0;
    double course = std::atan2(y, x) / kRad;
    if (course < 0) course += 360.0;
    return course >= 360.0 ? 0.0 : course;
}

std::optional<size_t> Route::routeIndexOfPlanIndex(size_t planIndex) const {
    for (size_t i = 0; i < points.size(); ++i)
        if (points[i].planIndex >= planIndex) return i;
    return std::nullopt;
}

Route Route::fromPlan(const platform::Dictionary& plan) {
    Route route;
    route.planName = textOf(plan.get(navplans::keys::waypointName));
    const platform::ArrayPtr waypoints = plan.get(navplans::keys::wp).array();
    if (!waypoints) {
        route.problems << QStringLiteral("the plan holds no waypoint list");
        return route;
    }
    route.planWaypointCount = waypoints->size();
    for (size_t i = 0; i < waypoints->size(); ++i) {
        const platform::Value& element = waypoints->at(i);
        const platform::Dictionary* record = element.asDictionary();
        if (!record) {
            route.problems << QStringLiteral("waypoint %1 is not a waypoint record; left out").arg(i + 1);
            continue;
        }
        RoutePoint point;
        point.name = textOf(record->get(navplans::keys::waypointName));
        point.id = textOf(record->get(navplans::keys::waypointId));
        if (point.id.isEmpty()) point.id = point.name;
        if (point.id.isEmpty()) point.id = QStringLiteral("#%1").arg(i + 1);
        const std::optional<navplans::LatLon> position = navplans::positionOf(element);
        if (!position) {
            route.problems << QStringLiteral("waypoint %1 (%2) has no usable position (latitude \"%3\", longitude \"%4\"); left out")
                                  .arg(i + 1)
                                  .arg(point.id, navplans::recordText(record->get(navplans::keys::waypointLatitude)),
                                       navplans::recordText(record->get(navplans::keys::waypointLongitude)));
            continue;
        }
        point.latitude = position->latitude;
        point.longitude = position->longitude;
        point.planIndex = i;
        point.record = element.dictionary();
        if (!route.points.empty()) {
            const RoutePoint& before = route.points.back();
            if (distanceMetres(before.latitude, before.longitude, point.latitude, point.longitude) < kSamePlaceMetres) {
                route.problems << QStringLiteral("waypoint %1 (%2) is at the same place as waypoint %3 (%4); left out")
                                      .arg(i + 1)
                                      .arg(point.id)
                                      .arg(before.planIndex + 1)
                                      .arg(before.id);
                continue;
            }
        }
        route.points.push_back(std::move(point));
    }
    route.toDestination.assign(route.points.size(), 0.0);
    for (size_t i = route.points.size(); i-- > 1;) {
        const RoutePoint& a = route.points[i - 1];
        const RoutePoint& b = route.points[i];
        route.toDestination[i - 1] = route.toDestination[i] + distanceMetres(a.latitude, a.longitude, b.latitude, b.longitude);
    }
    return route;
}

PlanNavigator::PlanNavigator(Route route, size_t active) : route_(std::move(route)) {
    active_ = route_.points.empty() ? 0 : std::min(active, route_.points.size() - 1);
    startLeg();
}

void PlanNavigator::startLeg() {
    lastSide_.reset();
    if (route_.points.size() >= 2) line_ = passingLineOf(active_);
}

void PlanNavigator::localOffset(double lat, double lon, double* east, double* north) const {
    const RoutePoint& w = route_.points[active_];
    const double metresPerDegree = Geodesy::kEarthRadiusMetres * kRad;
    *east = foldedLongitude(lon - w.longitude) * metresPerDegree * std::cos(w.latitude * kRad);
    *north = (lat - w.latitude) * metresPerDegree;
}

PlanNavigator::PassingLine PlanNavigator::passingLineOf(size_t index) const {
    const RoutePoint& w = route_.points[index];
    // Unit vectors (east, north) from the waypoint toward the waypoints before and after it.
    auto toward = [&](const RoutePoint& p) {
        const double c = initialCourse(w.latitude, w.longitude, p.latitude, p.longitude) * kRad;
        return std::pair{std::sin(c), std::cos(c)};
    };
    PassingLine line;
    if (index == 0) {
        const auto [e, n] = toward(route_.points[1]);
        line.normalEast = -e;
        line.normalNorth = -n;
        return line;
    }
    const auto [ae, an] = toward(route_.points[index - 1]);
    line.normalEast = ae;
    line.normalNorth = an;
    if (index + 1 == route_.points.size()) return line;
    const auto [ce, cn] = toward(route_.points[index + 1]);
    // The bisector of the angle between a and c runs along a + c; its normal a - c points to a's side.
    const double de = ae - ce, dn = an - cn;
    const double length = std::hypot(de, dn);
    if (length < 2.0 * std::sin(kTurnBackDegrees / 2.0 * kRad)) return line;  // turning back: square to the leg in
    line.normalEast = de / length;
    line.normalNorth = dn / length;
    return line;
}

std::optional<PlanNavigator::Passing> PlanNavigator::update(const positioning::Fix& fix) {
    if (!fix.hasValidCoordinate() || !(fix.horizontalAccuracy >= 0.0)) return std::nullopt;
    last_ = fix;
    if (arrived_ || route_.points.size() < 2) return std::nullopt;
    const RoutePoint& w = route_.points[active_];
    double east = 0, north = 0;
    localOffset(fix.latitude, fix.longitude, &east, &north);
    const double side = east * line_.normalEast + north * line_.normalNorth;
    bool byDistance = distanceMetres(fix.latitude, fix.longitude, w.latitude, w.longitude) <= kPassingDistance;
    bool crossed = false;
    if (!byDistance && lastSide_ && *lastSide_ > 0.0 && side <= 0.0) {
        // Where the straight line between the two fixes meets the passing line.
        const double t = *lastSide_ / (*lastSide_ - side);
        const double ce = lastEast_ + t * (east - lastEast_), cn = lastNorth_ + t * (north - lastNorth_);
        crossed = std::hypot(ce, cn) <= kPassingLineReach;
    }
    lastSide_ = side;
    lastEast_ = east;
    lastNorth_ = north;
    if (!byDistance && !crossed) return std::nullopt;
    Passing passing{active_, w.id, fix.timestamp, byDistance};
    passed_.push_back(passing);
    if (active_ + 1 == route_.points.size()) {
        arrived_ = true;
    } else {
        ++active_;
        startLeg();
    }
    return passing;
}

bool PlanNavigator::next() {
    if (arrived_ || active_ + 1 >= route_.points.size()) return false;
    ++active_;
    startLeg();
    return true;
}

bool PlanNavigator::previous() {
    if (arrived_ || active_ == 0) return false;
    --active_;
    if (!passed_.empty() && passed_.back().routeIndex == active_) passed_.pop_back();
    startLeg();
    return true;
}

std::optional<double> PlanNavigator::legCourse() const {
    if (active_ == 0 || route_.points.size() < 2) return std::nullopt;
    const RoutePoint& a = route_.points[active_ - 1];
    const RoutePoint& b = route_.points[active_];
    return initialCourse(a.latitude, a.longitude, b.latitude, b.longitude);
}

std::optional<double> PlanNavigator::distanceToActive() const {
    if (!last_ || route_.points.empty()) return std::nullopt;
    const RoutePoint& w = activePoint();
    return distanceMetres(last_->latitude, last_->longitude, w.latitude, w.longitude);
}

std::optional<double> PlanNavigator::bearingToActive() const {
    if (!last_ || route_.points.empty()) return std::nullopt;
    const RoutePoint& w = activePoint();
    return initialCourse(last_->latitude, last_->longitude, w.latitude, w.longitude);
}

std::optional<double> PlanNavigator::distanceToDestination() const {
    std::optional<double> toActive = distanceToActive();
    if (!toActive) return std::nullopt;
    return *toActive + route_.toDestination[active_];
}

}  // namespace vantrel::navigation
