#pragma once
// The texts the logbook makes of its times, all in seconds since 1970-01-01 00:00 UTC held as
// doubles:
//   timeText     the time formatter: "-" for no time (zero, less, not a number); otherwise the
//                hour and minute "HH:MM" of that moment in the device's current time zone, or in
//                UTC when forceUTC is set, which is how a duration shows (it wraps every 24 hours).
//                Seconds are dropped, not rounded.
//   dateText     a flight's date "2024/05/01" (year, month, day in the device's time zone)
//   monthTitle   the title of a month section, "May 2024" (English month names, any locale)
// Moments no calendar shows (not finite, or outside the years 1 to 9999) have no clock time: the
// formatter shows "-" and the date and month are those of the moment 0.
//
// Threads: any thread; the device's time zone is read at each call.

#include <QDate>
#include <QString>
#include <cstdint>
#include <optional>

namespace vantrel::logbook {

// The whole seconds (rounded down) of a moment that lies in the years 1 to 9999; none otherwise.
std::optional<int64_t> calendarSeconds(double seconds);

// The calendar day of a moment in the device's current time zone.
QDate localDate(double seconds);

QString timeText(double seconds, bool forceUTC);
QString dateText(double seconds);
QString monthTitle(double seconds);

}  // namespace vantrel::logbook
