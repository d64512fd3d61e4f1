#include "MapProjection.h"

#include "waypoints/WaypointKeys.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantrel::instruments {

namespace keys = waypoints::keys;
using positioning::Geodesy;

void normalizeLongitude(double longitude, double* wpLongitude) {
    const double d = longitude - *wpLongitude;
    if (std::abs(d) > 180.0) *wpLongitude += d > 0 ? 360.0 : -360.0;
}

QRectF getRectForPoint(QPointF point, float radius) {
    const float half = 1.5f * radius;
    return QRectF(float(point.x()) - half, float(point.y()) - half, 3.0f * radius, 3.0f * radius);
}

MapProjection::MapProjection(double latitude, double longitude, QPointF centre, float scale)
    : latitude_(latitude),
      longitude_(longitude),
      sinLatitude_(std::sin(latitude * Geodesy::kDegreesToRadians)),
      cosLatitude_(std::cos(latitude * Geodesy::kDegreesToRadians)),
      centre_(centre),
      scale_(scale) {}

std::optional<QPointF> MapProjection::offsetNM(double latitude, double longitude) const {
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::abs(latitude) > 90.0) return std::nullopt;
    const double k = Geodesy::kDegreesToRadians;
    double lon = longitude;
    normalizeLongitude(longitude_, &lon);
    const double phi = latitude * k;
    const double dLambda = (lon - longitude_) * k;
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    // The distance exactly as Geodesy::calcDistanceInMeters has it (haversine), so that the map
    // and the distance texts agree.
    const double s1 = std::sin((latitude_ - latitude) * k * 0.5);
    const double s2 = std::sin(dLambda * 0.5);
    const double h = s1 * s1 + s2 * s2 * (cosLatitude_ * cosPhi);
    const double arc = 2.0 * std::asin(std::sqrt(std::min(h, 1.0)));
    const double miles = arc * Geodesy::kEarthRadiusMetres / kMetresPerNauticalMile;
    // The initial bearing's east and north components (their length is the sine of the arc).
    const double east = cosPhi * std::sin(dLambda);
    const double north = cosLatitude_ * sinPhi - sinLatitude_ * cosPhi * std::cos(dLambda);
    const double length = std::hypot(east, north);
    if (length < 1e-12) {
        if (arc < 1e-6) return QPointF(0.0, 0.0);
        return std::nullopt;  // the antipode: every bearing leads there
    }
    return QPointF(miles * east / length, -miles * north / length);
}

std::optional<QPointF> MapProjection::project(double latitude, double longitude) const {
    const std::optional<QPointF> offset = offsetNM(latitude, longitude);
    if (!offset) return std::nullopt;
    return QPointF(centre_.x() + offset->x() * double(scale_), centre_.y() + offset->y() * double(scale_));
}

// ---- the refresh test

namespace {
// 130 points about the aircraft, widened by getRectForPoint's 1.5, as the map has always asked.
constexpr double kDisplayRadiusPoints = 130.0;
}  // namespace

QRectF displayedRect(QSizeF bounds, float scale) {
    const double viewRadius = (std::max(bounds.width(), bounds.height()) * 0.5 + kVisibilityMargin) / 1.5;
    const double radiusPoints = std::max(kDisplayRadiusPoints, viewRadius);
    return getRectForPoint(QPointF(0, 0), float(radiusPoints / double(clampedMapScale(scale))));
}

QRectF cacheRect(const MapProjection& aircraft, const waypoints::NearbyArea& query) {
    if (!(query.distanceFactor > 0.0) || !(query.radius > 0.0)) return {};
    const std::optional<QPointF> centre = aircraft.offsetNM(query.latitude, query.longitude);
    if (!centre) return {};
    const double radiusNM = query.radius * query.distanceFactor / kMetresPerNauticalMile;
    const double halfSide = radiusNM / std::sqrt(2.0);
    return getRectForPoint(*centre, float(halfSide / 1.5));
}

RefreshTest refreshTest(const MapProjection& aircraft, QSizeF bounds, const std::optional<waypoints::NearbyArea>& query) {
    RefreshTest test;
    test.displayed = displayedRect(bounds, aircraft.scale());
    if (!query) return test;
    test.cached = cacheRect(aircraft, *query);
    if (test.cached.isEmpty()) return test;
    QRectF needed = test.displayed;
    const double mostHalfSide = 0.75 * test.cached.width() * 0.5;
    if (needed.width() * 0.5 > mostHalfSide)
        needed = QRectF(-mostHalfSide, -mostHalfSide, 2.0 * mostHalfSide, 2.0 * mostHalfSide);
    test.refresh = !test.cached.contains(needed);
    return test;
}

// ---- zoom

float clampedMapScale(float scale) {
    if (std::isnan(scale)) return kInitialMapScale;
    return std::clamp(scale, kMinimumMapScale, kMaximumMapScale);
}

float pinchedScale(float originalScale, double originalDistance, double distance) {
    if (!(originalDistance > 0.0) || !std::isfinite(distance) || !std::isfinite(originalDistance))
        return clampedMapScale(originalScale);
    return clampedMapScale(float(distance / originalDistance) * originalScale);
}

float wheelZoomedScale(float scale, double notches) {
    if (!std::isfinite(notches)) return clampedMapScale(scale);
    return clampedMapScale(float(double(scale) * std::pow(kWheelZoomFactor, notches)));
}

// ---- the distance scale

ScaleBar scaleBar(double distanceFactor, float scale) {
    ScaleBar bar;
    if (!(distanceFactor > 0.0) || !std::isfinite(distanceFactor)) return bar;
    const float b = float(distanceFactor) * clampedMapScale(scale) / 1852.0f;
    if (!(b >= 1e-3f)) return bar;
    bar.pointsPerUnit = b;
    bar.units = int(160.0f / b);
    bar.step = bar.units / 6;
    if (bar.step <= 0) bar.step = 1;
    for (int i = 0; i < bar.units; i += bar.step) bar.ticks.push_back({i, kScaleBarStart + double(b * float(i))});
    return bar;
}

// ---- airports

uint16_t airportSymbolAngle(const platform::Dictionary& record, QString* problem) {
    const platform::Value* runways = record.find(keys::waypointRunways);
    const platform::Value* index = record.find(keys::waypointMainRunwayIndex);
    if (!runways) return 0;  // no runway known: the symbol stays upright
    const platform::Array* list = runways->asArray();
    if (!list) {
        *problem = QStringLiteral("waypoint_runways is no list");
        return 0;
    }
    double at = 0.0;  // an absent index reads as 0, the first runway
    if (index) {
        if (!index->isNumber()) {
            *problem = QStringLiteral("waypoint_main_runway_index is no number");
            return 0;
        }
        at = index->doubleValue();
    }
    if (list->empty() && !index) return 0;
    if (!(at >= 0.0) || at != std::floor(at) || at >= double(list->size())) {
        *problem = QStringLiteral("waypoint_main_runway_index %1 is not one of its %2 runways").arg(at).arg(list->size());
        return 0;
    }
    const platform::Dictionary* runway = list->at(size_t(at)).asDictionary();
    const platform::Value* id = runway ? runway->find(keys::runwayId) : nullptr;
    if (!id || !(id->isString() || id->isNumber())) {
        *problem = QStringLiteral("the main runway has no id");
        return 0;
    }
    const int designator = id->intValue();
    if (designator < 0 || designator > 36) {
        *problem = QStringLiteral("the main runway's id %1 is no runway designator").arg(id->toQString());
        return 0;
    }
    return uint16_t(designator * 10);
}

// ---- direct-to

std::array<positioning::FloatPoint, 10> routePoints(double originLatitude, double originLongitude,
                                                    double referenceLatitude, double referenceLongitude,
                                                    double aircraftLongitude) {
    std::array<positioning::FloatPoint, 10> points;
    const positioning::FloatPoint from{float(originLongitude), float(originLatitude)};
    const positioning::FloatPoint to{float(referenceLongitude), float(referenceLatitude)};
    for (int i = 1; i <= 10; ++i) {
        positioning::FloatPoint q = Geodesy::calcGreatCircle(from, to, double(float(i) * 0.1f));
        double lon = q.x;
        normalizeLongitude(aircraftLongitude, &lon);
        q.x = float(lon);
        points[size_t(i - 1)] = q;
    }
    return points;
}

QString directToText(const QString& identifier, const QString& name) {
    return QStringLiteral("Direct to %1, %2").arg(identifier, name);
}

namespace {
// Truncated to a whole unsigned number; 0 for what is no non-negative number.
unsigned truncatedUnsigned(double value) {
    if (!(value >= 0.0)) return 0;
    if (value >= double(std::numeric_limits<unsigned>::max())) return std::numeric_limits<unsigned>::max();
    return unsigned(value);
}
}  // namespace

QString timeToGoText(double metres, float metresPerSecond) {
    const unsigned v = truncatedUnsigned(double(metresPerSecond));
    if (v == 0) return QStringLiteral("-:-");
    const unsigned t = truncatedUnsigned(metres) / v;
    return QString::asprintf("%u:%02u", t / 60, t % 60);
}

QString summaryText(double metres, double distanceFactor, const QString& distanceUnit, float bearing,
                    float metresPerSecond, QChar north) {
    const QString distance = distanceFactor > 0.0 && std::isfinite(metres)
                                 ? QString::asprintf("%.01f", metres / distanceFactor)
                                 : QStringLiteral("--");
    return QStringLiteral("DIS %1 %2 - BRG %3 - EET %4")
        .arg(distance, distanceUnit,
             QString::asprintf("%03u", truncatedUnsigned(double(bearing))) + (north.isNull() ? QString() : QString(u'°') + north),
             timeToGoText(metres, metresPerSecond));
}

}  // namespace vantrel::instruments
