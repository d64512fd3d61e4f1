#include "ArcGeometry.h"

#include "positioning/Geodesy.h"

#include <algorithm>
#include <cmath>

namespace vantrel::airspace {

using positioning::Geodesy;

namespace {
constexpr double kRad = Geodesy::kDegreesToRadians;
}  // namespace

LatLon destination(const LatLon& from, double bearingDegrees, double distanceMetres) {
    const double d = distanceMetres / Geodesy::kEarthRadiusMetres;
    const double lat1 = from.lat * kRad;
    const double lon1 = from.lon * kRad;
    const double brg = bearingDegrees * kRad;
    const double sinLat2 = std::sin(lat1) * std::cos(d) + std::cos(lat1) * std::sin(d) * std::cos(brg);
    const double lat2 = std::asin(std::clamp(sinLat2, -1.0, 1.0));
    const double lon2 = lon1 + std::atan2(std::sin(brg) * std::sin(d) * std::cos(lat1), std::cos(d) - std::sin(lat1) * sinLat2);
    double lon = lon2 / kRad;
    // Keep the longitude next to the centre's, so that an arc across the 180th meridian stays continuous.
    while (lon - from.lon > 180.0) lon -= 360.0;
    while (lon - from.lon < -180.0) lon += 360.0;
    return {lat2 / kRad, lon};
}

double initialBearing(const LatLon& from, const LatLon& to) {
    const double lat1 = from.lat * kRad, lat2 = to.lat * kRad;
    const double dLon = (to.lon - from.lon) * kRad;
    const double y = std::sin(dLon) * std::cos(lat2);
    const double x = std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dLon);
    const double b = std::atan2(y, x) / kRad;
    return b < 0 ? b + 360.0 : b;
}

double distanceMetres(const LatLon& from, const LatLon& to) {
    return Geodesy::calcDistanceInMeters(from.lon, from.lat, to.lon, to.lat);
}

void appendArc(std::vector<LatLon>& out, const LatLon& centre, double radiusMetres, double startBearing,
               double endBearing, bool clockwise, bool fullWhenEqual) {
    // The sweep in degrees, positive, in the arc's direction.
    double sweep = clockwise ? endBearing - startBearing : startBearing - endBearing;
    sweep = std::fmod(sweep, 360.0);
    if (sweep < 0) sweep += 360.0;
    if (sweep < 1e-9 && fullWhenEqual) sweep = 360.0;
    // A chord of angle a on a circle of radius r strays r (1 - cos(a / 2)) from it.
    const double r = std::max(radiusMetres, 1.0);
    const double ratio = std::clamp(1.0 - kArcToleranceMetres / r, -1.0, 1.0);
    const double maxStep = std::max(2.0 * std::acos(ratio) / kRad, 0.5);
    const int steps = std::max(1, int(std::ceil(sweep / std::min(maxStep, 30.0))));
    const double step = sweep / steps * (clockwise ? 1.0 : -1.0);
    for (int i = 0; i <= steps; ++i) out.push_back(destination(centre, startBearing + step * i, radiusMetres));
}

}  // namespace vantrel::airspace
