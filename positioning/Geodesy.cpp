#include "Geodesy.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel::positioning {

namespace {

// degrees = radians / pi' * 180 with the bearings' pi, then the quadrant rule shared by the
// bearing and the plane angle.
float angleFromLegs(float east, float north, float dx, float dy) {
    float u = east != 0.0f ? std::atan(east / north) : 0.0f;
    float deg = u / Geodesy::kBearingPi * 180.0f;
    if (!(dy >= 0.0f)) return deg + 180.0f;
    if (dx < 0.0f) return deg + 360.0f;
    return deg;
}

}  // namespace

double Geodesy::calcDistanceInMeters(double lon1, double lat1, double lon2, double lat2) {
    const double k = kDegreesToRadians;
    double s1 = std::sin((lat1 - lat2) * k * 0.5);
    double s2 = std::sin((lon1 - lon2) * k * 0.5);
    double h = s1 * s1 + (s2 * s2) * (std::cos(lat1 * k) * std::cos(lat2 * k));
    // Rounding can push h a hair above 1 for antipodal points, where asin would give NaN.
    double theta = std::asin(std::sqrt(std::min(h, 1.0)));
    return (theta + theta) * kEarthRadiusMetres;
}

double Geodesy::lateralDistance(double lon1, double lat1, double lon2, double /*lat2*/) {
    return calcDistanceInMeters(lon1, lat1, lon2, lat1);
}

double Geodesy::verticalDistance(double lon1, double lat1, double /*lon2*/, double lat2) {
    return calcDistanceInMeters(lon1, lat1, lon1, lat2);
}

float Geodesy::calcAngle(FloatPoint from, FloatPoint to) {
    float dx = to.x - from.x;
    // Across the 180th meridian the shorter way is the other sign: from 179.5 to -179.5 is one
    // degree east, not 359 west. (The legs' lengths are the same either way.)
    if (dx > 180.0f) dx -= 360.0f;
    else if (dx < -180.0f) dx += 360.0f;
    float dy = to.y - from.y;
    float east = float(lateralDistance(double(from.x), double(from.y), double(to.x), double(to.y)));
    float north = float(verticalDistance(double(from.x), double(from.y), double(to.x), double(to.y)));
    if (dx < 0.0f) east = -east;
    if (dy < 0.0f) north = -north;
    return angleFromLegs(east, north, dx, dy);
}

float Geodesy::calcGeometricAngle(FloatPoint from, FloatPoint to) {
    float dx = to.x - from.x;
    float dy = to.y - from.y;
    return angleFromLegs(dx, dy, dx, dy);
}

FloatPoint Geodesy::calcGreatCircle(FloatPoint from, FloatPoint to, double f) {
    const double k = kDegreesToRadians;
    double phi1 = double(from.y) * k, lambda1 = double(from.x) * k;
    double phi2 = double(to.y) * k, lambda2 = double(to.x) * k;
    double cosD = std::sin(phi1) * std::sin(phi2) + std::cos(phi1) * std::cos(phi2) * std::cos(lambda1 - lambda2);
    double d = std::acos(std::clamp(cosD, -1.0, 1.0));
    double sinD = std::sin(d);

    double x, y, z;
    if (sinD < 1e-9) {
        if (d < 1.0) return from;  // the same point: the path has no length
        // Antipodes: every great circle joins them. Take the one through the start point's meridian,
        // heading north, so the route drawn is a real path and never NaN.
        double px = std::cos(phi1) * std::cos(lambda1), py = std::cos(phi1) * std::sin(lambda1), pz = std::sin(phi1);
        double nx = -std::sin(phi1) * std::cos(lambda1), ny = -std::sin(phi1) * std::sin(lambda1), nz = std::cos(phi1);
        double a = f * std::numbers::pi;
        x = std::cos(a) * px + std::sin(a) * nx;
        y = std::cos(a) * py + std::sin(a) * ny;
        z = std::cos(a) * pz + std::sin(a) * nz;
    } else {
        double A = std::sin((1.0 - f) * d) / sinD;
        double B = std::sin(f * d) / sinD;
        x = A * std::cos(phi1) * std::cos(lambda1) + B * std::cos(phi2) * std::cos(lambda2);
        y = A * std::cos(phi1) * std::sin(lambda1) + B * std::cos(phi2) * std::sin(lambda2);
        z = A * std::sin(phi1) + B * std::sin(phi2);
    }
    double lon = std::atan2(y, x) / k;
    double lat = std::atan2(z, std::sqrt(x * x + y * y)) / k;
    return FloatPoint{float(lon), float(lat)};
}

QString Geodesy::formattedCoordinates(double value, bool isLongitude) {
    if (!std::isfinite(value) || std::abs(value) > 180.0) return QStringLiteral("--");
    bool positive = value >= 0;
    double a = std::abs(value);
    int degrees = int(a);
    double r = (a - degrees) * 60.0;
    int minutes = int(r);
    int seconds = int((r - minutes) * 60.0);
    const char* letter = isLongitude ? (positive ? "E" : "W") : (positive ? "N" : "S");
    return QString::asprintf("%s %03i\u00B0%02i'%02i''", letter, degrees, minutes, seconds);
}

}  // namespace vantrel::positioning
