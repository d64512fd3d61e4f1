#pragma once
// The name of a country as the pilot sees it and as its database file is named
// ("<name>.ewpts"): the source name with runs of white space made one space and trimmed,
// '/' (which no file name may hold) replaced by '-', leading dots dropped (they would hide the
// file), cut at a character boundary so that the file name stays within 255 bytes; the country
// code, rewritten the same way, when nothing is left. Empty only when both are.
//
// Pure function; any thread.

#include <string>
#include <string_view>

namespace vantrel::dbbuilder {

std::string countryFileName(std::string_view name, std::string_view code);

}  // namespace vantrel::dbbuilder
