#pragma once
// A flight record of the logbook: a shared, mutable dictionary of texts (keys in FlightKeys.h),
// and how its values are read and made.
//   timestamp   the creation moment, seconds since 1970 written with "%f"; gives the flight its
//               date, its month and its place in the month
//   departure, arrival   the places typed by the pilot
//   block_off, take_off, landing, block_on   stamped times: whole seconds since 1970 in decimal,
//               always a multiple of 60; an absent key is a time not yet stamped
// Every time is read as a double ("abc" reads 0). Whole seconds are 64-bit, so stamps and the
// order of flights keep working after January 2038; a stamp before then is the same text as ever.
//
// Threads: plain functions; the caller makes sure nobody changes the record meanwhile.

#include "platform/core/Value.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace vantrel::logbook {

// A new record whose only entry is its creation moment `now`.
platform::DictionaryPtr makeFlight(double now);

// The seconds of a key's text; 0 when absent or not a number.
double secondsOf(const platform::Dictionary& record, platform::Key key);

// The creation moment; 0 when absent or when no calendar can show it (see FlightTimeText.h).
double flightDate(const platform::Dictionary& record);
// The whole-second part of the creation moment: the later flight has the larger value.
int64_t flightOrderSeconds(const platform::Dictionary& record);

// block_on - block_off when both are stamped; take_off to landing when both are stamped.
std::optional<double> blockTime(const platform::Dictionary& record);
std::optional<double> flightTime(const platform::Dictionary& record);

// The text stamped at `now`: the start of that minute in whole seconds since 1970.
QString stampText(double now);

}  // namespace vantrel::logbook
