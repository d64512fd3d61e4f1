#include "RegionLocator.h"

#include <algorithm>
#include <cmath>

namespace vantrel::dbbuilder {

namespace {

constexpr double kEarthRadiusKm = 6371.0;
constexpr double kKmPerDegree = kEarthRadiusKm * M_PI / 180.0;

int cellLatitude(double latitude) { return std::clamp(static_cast<int>(std::floor(latitude)), -90, 89); }

// Longitude cells wrap around the date line.
int wrapLongitudeCell(int cell) { return ((cell + 180) % 360 + 360) % 360 - 180; }

int cellKey(int latCell, int lonCell) { return (latCell + 90) * 360 + (lonCell + 180); }

double distanceKm(double lat1, double lon1, double lat2, double lon2) {
    const double p1 = lat1 * M_PI / 180.0;
    const double p2 = lat2 * M_PI / 180.0;
    const double dp = p2 - p1;
    const double dl = (lon2 - lon1) * M_PI / 180.0;
    const double h = std::sin(dp / 2) * std::sin(dp / 2) + std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2.0 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
}

}  // namespace

void RegionLocator::add(std::string_view country, std::string_view region, double latitude, double longitude) {
    const int lonCell = wrapLongitudeCell(static_cast<int>(std::floor(longitude)));
    grids_[std::string(country)][cellKey(cellLatitude(latitude), lonCell)].push_back(places_.size());
    places_.push_back({std::string(region), latitude, longitude});
}

std::optional<std::string> RegionLocator::nearestRegion(std::string_view country, double latitude, double longitude,
                                                        double radiusKm) const {
    const auto grid = grids_.find(std::string(country));
    if (grid == grids_.end()) return std::nullopt;

    const double dLat = radiusKm / kKmPerDegree;
    const double poleward = std::min(89.0, std::abs(latitude) + dLat);
    const double dLon = dLat / std::cos(poleward * M_PI / 180.0);
    const int latLow = cellLatitude(latitude - dLat);
    const int latHigh = cellLatitude(latitude + dLat);
    int lonLow = static_cast<int>(std::floor(longitude - dLon));
    int lonHigh = static_cast<int>(std::floor(longitude + dLon));
    if (lonHigh - lonLow >= 359) {
        lonLow = -180;
        lonHigh = 179;
    }

    const Place* best = nullptr;
    size_t bestIndex = 0;
    double bestKm = radiusKm;
    for (int la = latLow; la <= latHigh; ++la) {
        for (int lo = lonLow; lo <= lonHigh; ++lo) {
            const auto cell = grid->second.find(cellKey(la, wrapLongitudeCell(lo)));
            if (cell == grid->second.end()) continue;
            for (size_t i : cell->second) {
                const Place& p = places_[i];
                const double km = distanceKm(latitude, longitude, p.latitude, p.longitude);
                if (km < bestKm || (km == bestKm && (!best || i < bestIndex))) {
                    best = &p;
                    bestIndex = i;
                    bestKm = km;
                }
            }
        }
    }
    if (!best) return std::nullopt;
    return best->region;
}

}  // namespace vantrel::dbbuilder
