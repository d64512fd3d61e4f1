#include "AirspaceWarnings.h"

#include "ArcGeometry.h"

#include "positioning/Geodesy.h"

#include <algorithm>

namespace vantrel::airspace {

namespace {

constexpr double kRad = positioning::Geodesy::kDegreesToRadians;
constexpr double kMetresPerSecondPerKnot = kMetresPerNauticalMile / 3600.0;

// A plane about the aircraft: x east, y north, metres. Good to a few metres over the few nautical
// miles a 2-minute look-ahead covers.
struct LocalPlane {
    double lat0, lon0, metresPerDegreeLat, metresPerDegreeLon;
    LocalPlane(double lat, double lon)
        : lat0(lat), lon0(lon), metresPerDegreeLat(positioning::Geodesy::kEarthRadiusMetres * kRad),
          metresPerDegreeLon(metresPerDegreeLat * std::cos(lat * kRad)) {}
    void project(const LatLon& p, double* x, double* y) const {
        *x = std::remainder(p.lon - lon0, 360.0) * metresPerDegreeLon;
        *y = (p.lat - lat0) * metresPerDegreeLat;
    }
};

// The times in [0, T] at which the path v t (from the origin) crosses the outline's edges, sorted.
std::vector<double> crossingTimes(const Airspace& a, const LocalPlane& plane, double vx, double vy, double T) {
    std::vector<double> times;
    const size_t n = a.outline.size();
    double ax, ay;
    plane.project(a.outline[n - 1], &ax, &ay);
    for (size_t i = 0; i < n; ++i) {
        double bx, by;
        plane.project(a.outline[i], &bx, &by);
        // Solve v t = A + s (B - A): t and s from the two cross products.
        const double ex = bx - ax, ey = by - ay;
        const double denom = vx * ey - vy * ex;
        if (denom != 0.0) {
            const double t = (ax * ey - ay * ex) / denom;
            const double s = (ax * vy - ay * vx) / denom;
            if (t >= 0.0 && t <= T && s >= 0.0 && s < 1.0) times.push_back(t);
        }
        ax = bx;
        ay = by;
    }
    std::sort(times.begin(), times.end());
    return times;
}

}  // namespace

QString AirspaceWarning::key() const {
    return airspace ? QStringLiteral("%1:%2").arg(airspace->origin).arg(airspace->line) : QString();
}

QString AirspaceWarning::text() const {
    if (!airspace) return {};
    QString line = QStringLiteral("%1 (%2, %3 - %4): ")
                       .arg(airspace->name, airspace->airspaceClass, airspace->lower.text(), airspace->upper.text());
    if (kind == Kind::Inside) {
        line += QStringLiteral("inside");
    } else {
        const int seconds = int(std::lround(secondsToEntry.value_or(0.0)));
        line += seconds >= 60 ? QStringLiteral("entering in %1 min %2 s").arg(seconds / 60).arg(seconds % 60)
                              : QStringLiteral("entering in %1 s").arg(seconds);
        if (metresToEntry && *metresToEntry > 0.0)
            line += QStringLiteral(", %1 NM").arg(*metresToEntry / kMetresPerNauticalMile, 0, 'f', 1);
    }
    if (groundTakenAsSeaLevel) line += QStringLiteral("; ground taken as 0 ft MSL");
    if (altitudeUnknown) line += QStringLiteral("; altitude unknown");
    return line;
}

namespace {
// Whether taking the ground as 0 ft MSL can change the answer: a limit some height above the
// ground, or a ceiling at the ground. A floor at the ground holds whatever its height (the aircraft
// is never below it), so it needs no word in the warning.
bool groundHeightMatters(const Airspace& a) {
    const auto aboveGround = [](const Limit& l) { return l.reference == Reference::Agl && l.value > 0.0; };
    return aboveGround(a.lower) || aboveGround(a.upper) || a.upper.dependsOnGround();
}
}  // namespace

std::vector<AirspaceWarning> checkAirspaceWarnings(const AirspaceIndex& index, const AircraftState& aircraft,
                                                   double lookAhead) {
    std::vector<AirspaceWarning> out;
    if (!std::isfinite(aircraft.lat) || !std::isfinite(aircraft.lon) || std::abs(aircraft.lat) > 90.0) return out;
    const LatLon here{aircraft.lat, std::remainder(aircraft.lon, 360.0)};
    const bool moving = std::isfinite(aircraft.trackDegrees) && std::isfinite(aircraft.groundSpeedKnots) &&
                        aircraft.groundSpeedKnots > 0.0;
    const double speed = moving ? aircraft.groundSpeedKnots * kMetresPerSecondPerKnot : 0.0;
    const double vx = speed * std::sin(aircraft.trackDegrees * kRad);
    const double vy = speed * std::cos(aircraft.trackDegrees * kRad);
    const bool altitudeKnown = std::isfinite(aircraft.altitudeFeet);
    const double climb = std::isfinite(aircraft.verticalSpeedFpm) ? aircraft.verticalSpeedFpm / 60.0 : 0.0;  // ft/s

    // The candidates: the airspaces whose box meets the box of the path.
    GeoBox pathBox;
    pathBox.add(here);
    if (moving) {
        const LatLon end = destination(here, aircraft.trackDegrees, speed * lookAhead);
        pathBox.add(end);
        if (pathBox.maxLon - pathBox.minLon > 180.0) std::swap(pathBox.minLon, pathBox.maxLon);  // across 180
    }
    const LocalPlane plane(here.lat, here.lon);
    for (size_t id : index.inBox(pathBox)) {
        const Airspace& a = index.at(id);
        if (a.outline.size() < 3) continue;
        // The times at which the altitude is within the limits: [vLow, vHigh].
        double vLow = 0.0, vHigh = lookAhead;
        if (altitudeKnown) {
            const double lo = a.lower.feetAboveSeaLevel(), hi = a.upper.feetAboveSeaLevel();
            const double alt = aircraft.altitudeFeet;
            if (climb == 0.0) {
                if (alt < lo || alt > hi) continue;
            } else {
                double t1 = (lo - alt) / climb, t2 = (hi - alt) / climb;
                if (std::isnan(t2)) t2 = climb > 0 ? INFINITY : -INFINITY;
                if (t1 > t2) std::swap(t1, t2);
                vLow = std::max(vLow, t1);
                vHigh = std::min(vHigh, t2);
                if (vLow > vHigh) continue;
            }
        }
        // The times at which the path is inside the outline: it starts inside or not, and each
        // crossing of an edge turns that over.
        bool inside = a.containsPoint(here.lat, here.lon);
        std::optional<double> entry;
        if (inside && vLow <= 0.0) {
            entry = 0.0;
        } else {
            std::vector<double> crossings = moving ? crossingTimes(a, plane, vx, vy, lookAhead) : std::vector<double>{};
            double from = 0.0;
            crossings.push_back(lookAhead);
            for (double t : crossings) {
                // [from, t] is one stretch, inside or not.
                if (inside && std::max(from, vLow) <= std::min(t, vHigh)) {
                    entry = std::max(from, vLow);
                    break;
                }
                inside = !inside;
                from = t;
            }
        }
        if (!entry) continue;
        AirspaceWarning w;
        w.index = id;
        w.airspace = &a;
        w.kind = *entry <= 0.0 ? AirspaceWarning::Kind::Inside : AirspaceWarning::Kind::Entering;
        if (w.kind == AirspaceWarning::Kind::Entering) {
            w.secondsToEntry = *entry;
            w.metresToEntry = speed * *entry;
        }
        w.groundTakenAsSeaLevel = groundHeightMatters(a);
        w.altitudeUnknown = !altitudeKnown;
        out.push_back(w);
    }
    std::sort(out.begin(), out.end(), [](const AirspaceWarning& x, const AirspaceWarning& y) {
        const double tx = x.secondsToEntry.value_or(0.0), ty = y.secondsToEntry.value_or(0.0);
        return tx != ty ? tx < ty : x.index < y.index;
    });
    return out;
}

std::vector<AirspaceWarning> AirspaceWarner::update(const AirspaceIndex& index, const AircraftState& aircraft) {
    current_ = checkAirspaceWarnings(index, aircraft);
    QSet<QString> still;
    for (AirspaceWarning& w : current_) {
        const QString key = w.key();
        if (acknowledged_.contains(key)) {
            w.acknowledged = true;
            still.insert(key);
        }
    }
    acknowledged_ = std::move(still);  // those that stopped warning will warn again
    return current_;
}

bool AirspaceWarner::acknowledge(const QString& key) {
    bool found = false;
    for (AirspaceWarning& w : current_) {
        if (w.key() == key) {
            w.acknowledged = true;
            found = true;
        }
    }
    if (found) acknowledged_.insert(key);
    return found;
}

std::vector<AirspaceWarning> AirspaceWarner::unacknowledged() const {
    std::vector<AirspaceWarning> out;
    for (const AirspaceWarning& w : current_)
        if (!w.acknowledged) out.push_back(w);
    return out;
}

}  // namespace vantrel::airspace
