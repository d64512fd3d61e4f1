#pragma once
// Dates as property lists write them: ISO 8601 UTC text ("2021-06-30T12:34:56Z" in XML plists)
// over the whole proleptic Gregorian calendar, years 0001 to 9999 and beyond, in 64-bit
// arithmetic (no two-digit years, no 32-bit time).
//
// Threads: pure functions; any thread.

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::platform::plist {

// "YYYY-MM-DDTHH:MM:SS.ffffffZ" for the instant, rounded to the microsecond; nothing for an
// instant that is not finite or lies more than a million years away.
std::optional<std::string> isoDate(double secondsSince1970);

// The instant of an XML plist date: "YYYY[-MM[-DD[THH[:MM[:SS[.fraction]]]]]]Z", blanks around it
// allowed; nothing when the text is no such date or names no real day or time.
std::optional<double> parseIsoDate(std::string_view text);

}  // namespace vantrel::platform::plist
