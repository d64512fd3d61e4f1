#pragma once
// The reader of OpenAir airspace files: whole real-world files, as bytes.
//
// Read: AC (class), AN (name), AH/AL (limits: FL95, FL 95, 4500ft AMSL, 4500 FT MSL, 1000 ft AGL,
// 1000ft SFC, 1500 m, 3000 (feet MSL), GND, SFC, MSL, UNL, UNLIM), DP points (DD:MM:SS, DD:MM.mmm or
// DD.ddd, each with N/S and E/W), V X= centre and V D=+/- direction (both reset at each AC), DA arcs
// (radius NM, start and end bearing), DB arcs between two points, DC circles (radius NM); AY, AF, AG,
// AI are kept; AT, SP, SB and V W=/V Z= are drawing hints, skipped quietly; `*` starts a comment.
// Text that is not UTF-8 is read as Latin-1 (the whole file, which the result tells).
//
// Bad input: a line that is not understood is skipped; a broken line inside an airspace (a coordinate
// or limit that does not read, an arc with no centre) makes that airspace skipped as well, since its
// outline or limits would be wrong; an airspace left with fewer than three points or without both
// limits, or whose outline grows past 100,000 points (a damaged file of huge circles), is skipped.
// Each skip is one log line naming the file and line number (the first
// kLoggedInFull of a file; past that, only the final count), and the end of the file gives one log
// line with the counts. Arcs and circles become points within 0.1 NM of the true arc (ArcGeometry.h).
//
// Threads: pure function, any thread.

#include "Airspace.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

namespace vantrel::airspace {

struct ReadResult {
    std::vector<Airspace> airspaces;
    int skippedAirspaces = 0;
    int skippedLines = 0;     // lines skipped, those that made an airspace skipped included
    bool latin1 = false;      // the text was not UTF-8 and was read as Latin-1
};

constexpr int kLoggedInFull = 50;

// `origin` names the input in log lines and in each record (the file name).
ReadResult readOpenAir(QByteArrayView bytes, const QString& origin);

// One limit as written after AH/AL; nothing when it does not read.
std::optional<Limit> parseLimit(QByteArrayView text);
// One coordinate pair as written after DP or V X= ("46:14:00 N 006:06:30 E"); the position just
// past it goes to *end. Nothing when it does not read.
std::optional<LatLon> parseCoordinate(QByteArrayView text, qsizetype* end = nullptr);

}  // namespace vantrel::airspace
