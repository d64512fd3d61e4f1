#pragma once
// Points on the sphere for the reader's arcs and circles: the point at a distance and bearing from
// a centre, the bearing and distance between two points, and an arc as points close enough to the
// true curve (each chord within kArcTolerance of it).
//
// Angles are degrees clockwise from true north, distances metres, on the positioning geodesy's
// sphere (Geodesy::kEarthRadiusMetres).
// Threads: pure functions, any thread.

#include "Airspace.h"

#include <vector>

namespace vantrel::airspace {

// How far an outline's chord may stray from the true arc: half of the 0.1 NM allowed, leaving the
// rest for the sphere-versus-ellipsoid difference of the source's own arcs.
constexpr double kArcToleranceMetres = 0.05 * kMetresPerNauticalMile;

LatLon destination(const LatLon& from, double bearingDegrees, double distanceMetres);
double initialBearing(const LatLon& from, const LatLon& to);
double distanceMetres(const LatLon& from, const LatLon& to);

// Appends the arc about `centre` of `radiusMetres` from `startBearing` to `endBearing`, clockwise or
// counter-clockwise, both ends included. Equal start and end bearings give a full circle when
// `fullWhenEqual` is set (DA 10,0,360 and DC), else the single point.
void appendArc(std::vector<LatLon>& out, const LatLon& centre, double radiusMetres, double startBearing,
               double endBearing, bool clockwise, bool fullWhenEqual = false);

}  // namespace vantrel::airspace
