#pragma once
// The position calculations: distances, bearings, great-circle points and the text form of a
// coordinate. Stateless; LocationManager exposes them as its class operations.
//
// Four-coordinate operations take longitude before latitude. Points are single-precision with
// x = longitude and y = latitude. Distances are metres (double), angles degrees clockwise from
// true north (float).
//
// Threads: pure functions, any thread.

#include <QString>

namespace vantrel::positioning {

struct FloatPoint {
    float x = 0.0f;  // longitude, or plane x
    float y = 0.0f;  // latitude, or plane y
};

class Geodesy {
public:
    static constexpr double kEarthRadiusMetres = 6372797.560856;
    static constexpr double kDegreesToRadians = 0.017453292519943295;
    // The bearings have always turned radians into degrees with this single-precision value, which
    // is not the float nearest to pi; instruments and saved figures depend on it (east = 90.0000076).
    static constexpr float kBearingPi = 3.1415925f;

    // Haversine great-circle distance, never negative.
    static double calcDistanceInMeters(double lon1, double lat1, double lon2, double lat2);
    // East-west distance along the first point's parallel (lat2 unused).
    static double lateralDistance(double lon1, double lat1, double lon2, double lat2);
    // North-south distance along the first point's meridian (lon2 unused).
    static double verticalDistance(double lon1, double lat1, double lon2, double lat2);

    // Bearing from one point to another from the signed east and north legs; 0 for the same point.
    static float calcAngle(FloatPoint from, FloatPoint to);
    // The point at progressionFactor (0 = from, 1 = to) along the great circle. Equal end points give
    // the start point; antipodal ones follow the start point's meridian northward.
    static FloatPoint calcGreatCircle(FloatPoint from, FloatPoint to, double progressionFactor);
    // Angle of a plane vector, with the same quadrant rule as the bearing.
    static float calcGeometricAngle(FloatPoint from, FloatPoint to);

    // "N 046°30'00''": degrees, minutes and seconds truncated, never rounded. "--" for a value that
    // is no coordinate (not finite, or beyond 180 degrees).
    static QString formattedCoordinates(double value, bool isLongitude);
};

}  // namespace vantrel::positioning
