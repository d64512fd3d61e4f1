#pragma once
// JSON text of property-list values for the command line: dictionaries as objects, arrays as
// arrays, integers and reals as numbers (reals with enough digits to read back the same double),
// integers above INT64_MAX with their exact unsigned value, booleans, dates as ISO 8601 UTC text
// with microseconds ("2021-06-30T12:34:56.250000Z", any year), data as base64 text, null as null.

#include "platform/core/Value.h"

#include <string>

namespace vantrel::tool {

std::string toJson(const platform::Value& value, bool pretty = true);
std::string jsonString(std::string_view text);
std::string jsonNumber(double value);

}  // namespace vantrel::tool
