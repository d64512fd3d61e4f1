#pragma once
// The logbook as CSV text for a spreadsheet or another logbook (RFC 4180: UTF-8, CRLF line ends,
// a header line). One line per flight, oldest first (flights of the same second in file order):
//   date                  the flight's date, YYYY-MM-DD, in the device's time zone (as the list)
//   departure, arrival    the typed places; empty when not typed
//   block_off_utc, take_off_utc, landing_utc, block_on_utc
//                         the stamped times as "YYYY-MM-DD HH:MM" in UTC; empty when not stamped
//   block_time, flight_time
//                         block on - block off and landing - take off as "H:MM" (hours do not
//                         wrap at 24); empty unless both times are stamped and the difference is
//                         more than zero
// A field with a comma, a quote or a line break is quoted. A typed place that a spreadsheet would
// take for a formula (it begins with =, +, -, @, a tab or a carriage return) gets a leading
// apostrophe, so that opening the file never runs what was typed.
//
// Threads: any thread; the records must not change meanwhile.

#include "platform/core/Value.h"

#include <QByteArray>

namespace vantrel::logbook {

QByteArray flightsCsv(const platform::Array& flights);

}  // namespace vantrel::logbook
