#pragma once
// Finds the region of the nearest known place of a country: navaids carry no region of their own,
// so one without an associated airport takes the region of the nearest airport of its country.
// Places are kept in a grid of one-degree cells per country, so a look-up visits only the cells
// within the search radius.
//
// Ownership: the locator holds copies of the places. Threads: build on one thread, then const
// look-ups from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantrel::dbbuilder {

class RegionLocator {
public:
    void add(std::string_view country, std::string_view region, double latitude, double longitude);

    // The region of the place of that country nearest to the point and at most radiusKm away
    // (great-circle distance); the first place added wins a tie. Nothing when there is none.
    std::optional<std::string> nearestRegion(std::string_view country, double latitude, double longitude,
                                             double radiusKm) const;

private:
    struct Place {
        std::string region;
        double latitude;
        double longitude;
    };
    // Cell index -> indices into places_, per country.
    using Grid = std::unordered_map<int, std::vector<size_t>>;

    std::vector<Place> places_;
    std::unordered_map<std::string, Grid> grids_;
};

}  // namespace vantrel::dbbuilder
