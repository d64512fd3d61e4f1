#pragma once
// The airspace records: a name, a class, the vertical limits as a value with its reference, and the
// outline as a closed polygon of latitude/longitude points (arcs and circles already turned into
// points no more than 0.1 NM off the true curve).
//
// Ownership: plain values; an AirspaceIndex owns the records it was built from and hands out const
// references that live as long as the index.
// Threads: values; any thread, no shared state.

#include <QString>

#include <cmath>
#include <optional>
#include <vector>

namespace vantrel::airspace {

constexpr double kMetresPerNauticalMile = 1852.0;
constexpr double kMetresPerFoot = 0.3048;

// What a vertical limit is measured from.
enum class Reference {
    Msl,          // feet above mean sea level
    Agl,          // feet above the ground
    FlightLevel,  // hundreds of feet on the standard pressure setting
    Ground,       // the ground itself (GND, SFC); value is 0
    Unlimited,    // no upper limit (UNL); value is not used
};

struct Limit {
    double value = 0.0;  // feet (MSL, AGL), or the flight level number (FlightLevel)
    Reference reference = Reference::Ground;

    // The limit as feet above mean sea level for comparing with an altitude. The app has no
    // height of the ground, so the ground counts as 0 ft: AGL limits are their value above 0, and a
    // flight level is its hundreds of feet. Unlimited is +infinity.
    double feetAboveSeaLevel() const;
    // True when the limit is measured from the ground (AGL or GND), which the app takes as 0 ft.
    bool dependsOnGround() const { return reference == Reference::Agl || reference == Reference::Ground; }
    // "FL95", "4500 ft MSL", "1000 ft AGL", "GND", "UNL".
    QString text() const;

    bool operator==(const Limit&) const = default;
};

struct LatLon {
    double lat = 0.0;
    double lon = 0.0;
};

// A latitude/longitude box. A box that crosses the 180th meridian has maxLon above 180 (the outline's
// longitudes are made continuous there, so a point east of the meridian is tested at lon + 360).
struct GeoBox {
    double minLat = INFINITY, minLon = INFINITY, maxLat = -INFINITY, maxLon = -INFINITY;
    bool empty() const { return !(minLat <= maxLat && minLon <= maxLon); }
    void add(const LatLon& p);
    bool intersects(const GeoBox& other) const;
    bool contains(double lat, double lon) const {
        return lat >= minLat && lat <= maxLat && lon >= minLon && lon <= maxLon;
    }
};

struct Airspace {
    QString name;        // AN
    QString airspaceClass;  // AC, as written: "A".."G", "CTR", "R", "Q" (danger), "P", "TMZ", "RMZ", ...
    Limit lower;         // AL
    Limit upper;         // AH
    std::vector<LatLon> outline;  // closed implicitly (the last point joins the first); >= 3 points
    GeoBox box;          // of the outline
    // Extra lines of newer files, empty when absent.
    QString type;        // AY
    QString frequency;   // AF
    QString callSign;    // AG
    QString identifier;  // AI
    // Where it came from: the file's name and the line of its AC (or first) line, for log lines and
    // for a key that survives a reload of the same file.
    QString origin;
    int line = 0;

    // Horizontal test: the point lies inside the outline (even-odd rule on latitude/longitude;
    // outlines are small enough that this is the great-circle answer to well under 0.1 NM).
    bool containsPoint(double lat, double lon) const;
    // The vertical test for an altitude in feet MSL (limits taken as feetAboveSeaLevel()); the lower
    // limit counts as inside, the upper limit too.
    bool containsAltitude(double altitudeFeet) const;
    bool dependsOnGround() const { return lower.dependsOnGround() || upper.dependsOnGround(); }
};

// The outline point test on a polygon of plain points (x, y); shared by the records and the tests.
bool polygonContains(const std::vector<LatLon>& outline, double lat, double lon);

}  // namespace vantrel::airspace
