#pragma once
// Runways of an airport as the database lists them: a designator per runway as pilots read it
// ("09/27", "04L/22R", "N/S", "H1") and the choice of the main runway, the one the moving map
// aligns the airport symbol with.
//
// Pure functions; any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::dbbuilder {

struct Runway {
    std::string designator;
    double lengthFt = 0.0;  // 0 when the source gives no length
};

// The designator made of the two ends' idents: "le/he", or the one end that is given. An end of
// one digit gets its leading zero ("9" -> "09", "4L" -> "04L"); an end made only of punctuation
// ("-", ".") counts as absent. Nothing when neither end has an ident.
std::optional<std::string> runwayDesignator(std::string_view lowEnd, std::string_view highEnd);

// Index of the longest runway, the first one in list order on a tie; nothing for an empty list.
std::optional<size_t> mainRunwayIndex(const std::vector<Runway>& runways);

}  // namespace vantrel::dbbuilder
