#pragma once
// The coordinates of a plan's waypoints as numbers, and numbers (and other record values) as texts.
//
// A user waypoint holds its coordinates as the pilot typed them ("46.2381", "46°14'N", "abc");
// the app's record readers take the leading decimal number of such a text, or 0. Whatever needs a
// real position (the route export, a plan's length) asks coordinateOf instead, which answers
// nothing unless the whole text is one finite decimal number within the axis' range, so that no
// guessed 0 and no NaN or infinity ever reaches the geodesy.
//
// Threads: pure functions, any thread.

#include "platform/core/Value.h"

#include <QString>
#include <optional>
#include <string_view>

namespace vantrel::navplans {

enum class Axis { Latitude, Longitude };

// A record's value as the pilot reads it: a text as itself, numbers in decimal (decimalText for
// reals), nothing for nothing, any other kind in its description.
QString recordText(const platform::Value& value);

// The shortest decimal text, without exponent, that reads back as exactly this double (through
// the records' reader as through any strtod); integral values have no fraction ("7", "-0").
QString decimalText(double value);

// The whole text, blanks around it aside, as one finite decimal number (exponent allowed).
std::optional<double> strictDecimal(std::string_view text);

// The value as a usable coordinate: a finite number, or a text that strictDecimal reads, within
// -90..90 for latitudes and -180..180 for longitudes.
std::optional<double> coordinateOf(const platform::Value& value, Axis axis);

// A waypoint record's latitude and longitude, both usable, or nothing.
struct LatLon {
    double latitude = 0;
    double longitude = 0;
};
std::optional<LatLon> positionOf(const platform::Value& waypoint);

// The great-circle length in metres of the legs from waypoint to waypoint; nothing when any
// element of the list has no usable position. 0 for fewer than two waypoints.
std::optional<double> planLengthMetres(const platform::Array& waypoints);

}  // namespace vantrel::navplans
