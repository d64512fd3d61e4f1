#pragma once
// A record's current_distance: metres from the point of the last distance query that computed it.
//
// It lives in the record's attached number rather than among its entries, because the query
// rewrites it on the moving map's worker thread while the main thread reads the same record (rows,
// search, the range filter); the attached number may be read and written from any thread at any
// time. Being no entry, it is never written to a file and does not show in a record's entries.

#include "WaypointKeys.h"

#include "platform/core/Value.h"
#include "positioning/Geodesy.h"

#include <optional>

namespace vantrel::waypoints {

// Where distances are measured from: the aircraft's fix (latitude, longitude in degrees).
struct GeoPoint {
    double latitude = 0.0;
    double longitude = 0.0;
};

// Metres from the point to the record, computed now; nothing for a record without coordinates.
inline std::optional<double> distanceFrom(const GeoPoint& from, const platform::Dictionary& record) {
    const platform::Value* lat = record.find(keys::waypointLatitude);
    const platform::Value* lon = record.find(keys::waypointLongitude);
    if (!lat || !lon || !lat->isNumber() || !lon->isNumber()) return std::nullopt;
    return positioning::Geodesy::calcDistanceInMeters(from.longitude, from.latitude, lon->doubleValue(), lat->doubleValue());
}

// Nothing until a query has computed it.
inline std::optional<double> currentDistance(const platform::Dictionary& record) { return record.attachedNumber(); }
inline void setCurrentDistance(platform::Dictionary& record, double metres) { record.setAttachedNumber(metres); }

}  // namespace vantrel::waypoints
