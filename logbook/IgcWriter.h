#pragma once
// The records of the IGC flight files the flight recorder writes: the A record, the H records and
// one B record per fix, each in the format's fixed layout and ending in CR LF.
//
//   B HHMMSS DDMMmmmN DDDMMmmmE V PPPPP GGGGG      35 characters, no extensions
//     time of day in UTC (seconds dropped), latitude and longitude in degrees and thousandths of
//     minutes (rounded to the nearest), validity A (a fix good for navigation) or V, pressure
//     altitude and GPS altitude in metres, each 00000 when the fix has none (a value that rounds
//     to 0 m is written as 00001, so it is not read back as none)
//
// The H records say what the altitudes are: GPS altitude above the geoid (mean sea level),
// pressure altitude in the standard atmosphere, and whether the position source has a barometer.
//
// Texts in H records keep to printable ASCII: other characters, and the ones the format reserves,
// become '?'.
//
// Threads: pure functions, any thread.

#include "positioning/Fix.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>

namespace vantrel::logbook {

class IgcWriter {
public:
    static constexpr int kBRecordLength = 35;  // without the line end

    // The A record and the H records of a flight flown on `date` (UTC) with that GPS receiver,
    // which gives pressure altitudes or not.
    static QByteArray header(QDate date, const QString& gpsReceiver, bool pressureAltitudes = false);
    // One B record; `valid` gives A, else V. The altitudes are the fix's; gpsAltitudeMetres, when
    // given, replaces its GPS altitude.
    static QByteArray bRecord(const positioning::Fix& fix, bool valid, std::optional<double> gpsAltitudeMetres = {});
    // The text as an H record may carry it.
    static QByteArray headerText(const QString& text);
};

}  // namespace vantrel::logbook
