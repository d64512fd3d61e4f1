#pragma once
// The moving map's arithmetic, without a window: where a position lands on the north-up map
// centred on the aircraft, when the nearby cache must be refreshed, the zoom by pinch and wheel,
// the distance scale's ticks, how an airport symbol is turned, the great-circle route's points and
// the direct-to texts. GPSView draws with these; tests drive them directly.
//
// The map's frame: nautical miles from the aircraft, x east and y south (down on the screen), so
// that a point of the frame times the scale (points per nautical mile) plus the view's centre is
// its place in the view. The frame is the azimuthal equidistant projection about the aircraft:
// every position lies at its true great-circle distance from the centre, in its true bearing. For
// the few tens of miles the map shows, that is the east-west and north-south distance from the
// aircraft to well under a point, and unlike signs taken from comparing coordinates it stays
// right across the 180th meridian and over the poles.
//
// Threads: pure functions and values, any thread.

#include "positioning/Geodesy.h"
#include "waypoints/NearbyQuery.h"

#include "platform/core/Value.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantrel::instruments {

inline constexpr double kMetresPerNauticalMile = 1852.0;

// The zoom, in points per nautical mile.
inline constexpr float kInitialMapScale = 4.5f;
inline constexpr float kMinimumMapScale = 1.0f;
inline constexpr float kMaximumMapScale = 53.0f;
// Above this scale the waypoints are drawn as symbols, at or below it as small squares.
inline constexpr float kSymbolsAboveScale = 6.0f;
// A waypoint is drawn when it lands within the view's bounds enlarged by this many points.
inline constexpr double kVisibilityMargin = 15.0;
// One notch of the mouse wheel zooms by this factor, as a small pinch does.
inline constexpr double kWheelZoomFactor = 1.1;

// Brings a waypoint's longitude within 180 degrees of a longitude, by one turn at most.
void normalizeLongitude(double longitude, double* wpLongitude);

// The square centred on a point with the half-side 1.5 x radius.
QRectF getRectForPoint(QPointF point, float radius);

// A line drawn through projected points into a path: a point with no place (the aircraft's
// antipode) breaks the line rather than bending it. The path is the caller's.
class ProjectedLine {
public:
    explicit ProjectedLine(QPainterPath& path) : path_(path) {}
    void add(const std::optional<QPointF>& p) {
        if (!p) {
            open_ = false;
        } else if (open_) {
            path_.lineTo(*p);
        } else {
            path_.moveTo(*p);
            open_ = true;
        }
    }
    // The next point starts a new piece.
    void breakLine() { open_ = false; }

private:
    QPainterPath& path_;
    bool open_ = false;
};

class MapProjection {
public:
    // The aircraft's position, the view's centre (points) and the scale (points per nautical mile).
    MapProjection(double latitude, double longitude, QPointF centre, float scale);

    // The position in the map's frame; nothing for a position that is no coordinate, or lies so
    // near the aircraft's antipode that it has no bearing.
    std::optional<QPointF> offsetNM(double latitude, double longitude) const;
    // The position in the view, in points.
    std::optional<QPointF> project(double latitude, double longitude) const;

    double latitude() const { return latitude_; }
    double longitude() const { return longitude_; }
    QPointF centre() const { return centre_; }
    float scale() const { return scale_; }

private:
    double latitude_;
    double longitude_;
    double sinLatitude_;
    double cosLatitude_;
    QPointF centre_;
    float scale_;
};

// ---- projecting many points through a grid

// The point at grid place (u, v), 0 <= u, v <= cells, interpolated bilinearly between the nodes of
// a grid of (cells + 1) x (cells + 1) projected points, row by row: the base map's tiles and the
// airspaces project their thousands of points this way, exactly at the nodes only.
inline QPointF interpolateGrid(const QPointF* nodes, int cells, double u, double v) {
    const int i = std::min(int(u), cells - 1), j = std::min(int(v), cells - 1);
    const double fu = u - i, fv = v - j;
    const QPointF& a = nodes[j * (cells + 1) + i];
    const QPointF& b = nodes[j * (cells + 1) + i + 1];
    const QPointF& c = nodes[(j + 1) * (cells + 1) + i];
    const QPointF& d = nodes[(j + 1) * (cells + 1) + i + 1];
    return (a * (1 - fu) + b * fu) * (1 - fv) + (c * (1 - fu) + d * fu) * fv;
}

// ---- the refresh test, in the map's frame (nautical miles about the aircraft)

// The area the map needs: the square of the half-side 1.5 x 130 points about the aircraft (which
// covers a 320-point view and the visibility margin), or more for a larger view.
QRectF displayedRect(QSizeF bounds, float scale);
// The area the cache holds for sure: the square inscribed in the circle of the query's radius
// about the query's position. (A square of the half-side 1.5 x radius would reach past the
// circle, where the cache holds nothing.)
QRectF cacheRect(const MapProjection& aircraft, const waypoints::NearbyArea& query);
struct RefreshTest {
    QRectF displayed;
    QRectF cached;  // empty before the first query
    bool refresh = true;
};
// Whether the displayed area is no longer inside the cached one. A map zoomed out so far that no
// cache can hold its whole area needs only three quarters of the cache's half-side about the
// aircraft, so that it refreshes after a quarter of that way, never at every fix.
RefreshTest refreshTest(const MapProjection& aircraft, QSizeF bounds, const std::optional<waypoints::NearbyArea>& query);

// ---- zoom

float clampedMapScale(float scale);
// The scale when two fingers that began originalDistance apart are now distance apart; the
// original scale while the distances make no ratio.
float pinchedScale(float originalScale, double originalDistance, double distance);
float wheelZoomedScale(float scale, double notches);

// ---- the distance scale, drawn from x = 160 at the top of the map

struct ScaleTick {
    int value;  // distance units
    double x;   // points
};
struct ScaleBar {
    float pointsPerUnit = 0;
    int units = 0;  // how many units fit in 160 points
    int step = 1;
    std::vector<ScaleTick> ticks;
};
inline constexpr double kScaleBarStart = 160.0;
// No ticks for a factor that is no positive number.
ScaleBar scaleBar(double distanceFactor, float scale);

// ---- airports

// The angle (degrees clockwise) an airport's symbol is turned: its main runway's designator x 10,
// or 0 when the record has no runways. Runway fields of the wrong type or out of range also give
// 0, with the reason in *problem.
uint16_t airportSymbolAngle(const platform::Dictionary& record, QString* problem);

// ---- direct-to

// The ten points of the great circle from the origin to the waypoint at 0.1, 0.2 ... 1.0 of the
// way, each longitude brought within 180 degrees of the aircraft's.
std::array<positioning::FloatPoint, 10> routePoints(double originLatitude, double originLongitude,
                                                    double referenceLatitude, double referenceLongitude,
                                                    double aircraftLongitude);
// "Direct to %@, %@" with the waypoint's identifier and name.
QString directToText(const QString& identifier, const QString& name);
// "%i:%02i" of the whole seconds to go at the speed truncated to whole metres per second; "-:-"
// below 1 m/s.
QString timeToGoText(double metres, float metresPerSecond);
// "DIS %.01f %@ - BRG %03i - EET %@"; with a north mark ('M' or 'T') the bearing reads "045°M".
QString summaryText(double metres, double distanceFactor, const QString& distanceUnit, float bearing,
                    float metresPerSecond, QChar north = QChar());

}  // namespace vantrel::instruments
