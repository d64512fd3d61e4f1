#pragma once
// The coordinates of a plan's waypoints as numbers, and numbers (and other record values) as texts.
//
// A user waypoint holds its coordinates as texts: degrees with decimals as the pilot typed them
// ("46.2381"); the waypoint form turns degrees and minutes into such a text and refuses anything
// else, but files from elsewhere may hold any text ("abc"), of which the app's record readers
// take the leading decimal number, or 0. Whatever needs a
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

// A coordinate as the pilot types it, within -90..90 for latitudes and -180..180 for longitudes:
// degrees with decimals as strictDecimal reads them ("46.2381", "-6.5"), or whole degrees and
// decimal minutes below 60, apart by a degree sign or a blank, with an optional minute mark and a
// hemisphere letter of the axis before or after ("46°14.3'N", "46 14.3 N", "N46 14.3",
// "-6 07.5", "006°07'W"; S and W are negative), or degrees with decimals and a hemisphere
// ("46.2381N"). Nothing for any other text.
std::optional<double> parseCoordinate(const QString& text, Axis axis);

// The words that tell the pilot what a coordinate field takes ("from -90 to 90 ...").
QString coordinateRule(Axis axis);

// The value as a usable coordinate: a finite number, or a text that strictDecimal reads, within
// -90..90 for latitudes and -180..180 for longitudes (the waypoint form stores degrees and minutes
// as such a text; another text is no position).
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
