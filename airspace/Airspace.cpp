#include "Airspace.h"

namespace vantrel::airspace {

double Limit::feetAboveSeaLevel() const {
    switch (reference) {
    case Reference::Msl:
    case Reference::Agl:  // the ground is taken as 0 ft
        return value;
    case Reference::FlightLevel:
        return value * 100.0;
    case Reference::Ground:
        return 0.0;
    case Reference::Unlimited:
        return INFINITY;
    }
    return value;
}

QString Limit::text() const {
    const QString number = QString::number(value, 'f', value == std::floor(value) ? 0 : 1);
    switch (reference) {
    case Reference::Msl:
        return number + QStringLiteral(" ft MSL");
    case Reference::Agl:
        return number + QStringLiteral(" ft AGL");
    case Reference::FlightLevel:
        return QStringLiteral("FL") + number;
    case Reference::Ground:
        return QStringLiteral("GND");
    case Reference::Unlimited:
        return QStringLiteral("UNL");
    }
    return number;
}

void GeoBox::add(const LatLon& p) {
    minLat = std::min(minLat, p.lat);
    maxLat = std::max(maxLat, p.lat);
    minLon = std::min(minLon, p.lon);
    maxLon = std::max(maxLon, p.lon);
}

bool GeoBox::intersects(const GeoBox& o) const {
    return !empty() && !o.empty() && minLat <= o.maxLat && o.minLat <= maxLat && minLon <= o.maxLon && o.minLon <= maxLon;
}

bool polygonContains(const std::vector<LatLon>& outline, double lat, double lon) {
    bool inside = false;
    const size_t n = outline.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const LatLon& a = outline[i];
        const LatLon& b = outline[j];
        if ((a.lat > lat) != (b.lat > lat)) {
            const double crossLon = a.lon + (lat - a.lat) / (b.lat - a.lat) * (b.lon - a.lon);
            if (lon < crossLon) inside = !inside;
        }
    }
    return inside;
}

bool Airspace::containsPoint(double lat, double lon) const {
    if (outline.size() < 3) return false;
    // An outline across the 180th meridian runs on past 180: test the point there too.
    for (double shifted : {lon, lon + 360.0}) {
        if (box.contains(lat, shifted) && polygonContains(outline, lat, shifted)) return true;
    }
    return false;
}

bool Airspace::containsAltitude(double altitudeFeet) const {
    return altitudeFeet >= lower.feetAboveSeaLevel() && altitudeFeet <= upper.feetAboveSeaLevel();
}

}  // namespace vantrel::airspace
