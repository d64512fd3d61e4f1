#pragma once
// SeeYou CUP waypoint files (the comma-separated waypoint and task files glider and light-aircraft
// pilots exchange) as navigation plans.
//
// The waypoint section (its first line names the columns: name, code, country, lat, lon, elev,
// ..., desc; a file without that line is read in that order) becomes one plan of user waypoints,
// named after the file; each task after the "-----Related Tasks-----" line becomes one more plan,
// named after its first field, its points looked up by name in the waypoint section ("Point=N,"
// lines that define a task's point N in place are read too). Options, ObsZone and other task
// settings lines are passed over.
//
// Fields are comma separated; a field in double quotes may hold commas, and "" inside it is one
// quote. Coordinates are degrees and decimal minutes with the hemisphere last (4612.345N,
// 00612.345E); elevations are metres ("504.0m", or a bare number) or feet ("1653ft"). A point
// becomes a user waypoint as the waypoint editor stores it: name, latitude and longitude as
// decimal texts, the note (the code and the description), and the elevation in metres under
// "waypoint_elevation" when the file gives one. A line that cannot be read (unclosed quote, too few
// fields, a coordinate out of range, an elevation that is no number) is left out and named in the
// refused lines by its line number; a task point that names no waypoint is left out the same way.
//
// Threads: pure functions, any thread.

#include "PlanGpx.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace vantrel::navplans::cup {

// Reads the document; fallbackName names the waypoint section's plan (the file's base name).
// error is set only for a document that holds no CUP at all (binary bytes, no line to read).
gpx::Import readDocument(const QByteArray& bytes, const QString& fallbackName);

// "4612.345N" as degrees (46.205750), "00612.345W" as -6.20575; nothing unless the text is exactly
// that form with minutes below 60 and the result within range.
std::optional<double> coordinateOf(const QString& text, bool longitude);
// "504.0m" or "504" as 504 metres, "1653ft" as 503.8 metres; nothing for an empty or bad text.
std::optional<double> elevationMetres(const QString& text);
// The fields of one line; nothing when a quote is left open.
std::optional<QStringList> splitFields(const QString& line);

}  // namespace vantrel::navplans::cup
