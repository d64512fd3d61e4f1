#include "Runways.h"

#include <algorithm>

namespace vantrel::dbbuilder {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlnum(char c) { return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string runwayEnd(std::string_view ident) {
    while (!ident.empty() && ident.front() == ' ') ident.remove_prefix(1);
    while (!ident.empty() && ident.back() == ' ') ident.remove_suffix(1);
    if (std::none_of(ident.begin(), ident.end(), isAlnum)) return {};
    std::string end(ident);
    if (isDigit(end[0]) && (end.size() == 1 || !isDigit(end[1]))) end.insert(end.begin(), '0');
    return end;
}

}  // namespace

std::optional<std::string> runwayDesignator(std::string_view lowEnd, std::string_view highEnd) {
    const std::string low = runwayEnd(lowEnd);
    const std::string high = runwayEnd(highEnd);
    if (low.empty() && high.empty()) return std::nullopt;
    if (low.empty()) return high;
    if (high.empty()) return low;
    return low + "/" + high;
}

std::optional<size_t> mainRunwayIndex(const std::vector<Runway>& runways) {
    if (runways.empty()) return std::nullopt;
    size_t best = 0;
    for (size_t i = 1; i < runways.size(); ++i) {
        if (runways[i].lengthFt > runways[best].lengthFt) best = i;
    }
    return best;
}

}  // namespace vantrel::dbbuilder
