#include "AirspaceIndex.h"

#include <algorithm>
#include <cmath>

namespace vantrel::airspace {

namespace {
constexpr int kLatCells = int(180.0 / AirspaceIndex::kCellDegrees);
constexpr int kLonCells = int(360.0 / AirspaceIndex::kCellDegrees);
}  // namespace

int AirspaceIndex::latCell(double lat) {
    return std::clamp(int(std::floor((lat + 90.0) / kCellDegrees)), 0, kLatCells - 1);
}

int AirspaceIndex::lonCell(double lon) {
    const int cell = int(std::floor((lon + 180.0) / kCellDegrees)) % kLonCells;
    return cell < 0 ? cell + kLonCells : cell;
}

template <typename Fn> void AirspaceIndex::forCells(const GeoBox& box, Fn&& fn) const {
    const int lat0 = latCell(box.minLat), lat1 = latCell(box.maxLat);
    const double lonSpan = box.maxLon - box.minLon;
    const int lonCount = lonSpan >= 360.0 ? kLonCells
                                          : int(std::floor((box.maxLon + 180.0) / kCellDegrees)) -
                                                int(std::floor((box.minLon + 180.0) / kCellDegrees)) + 1;
    const int lonFirst = lonCell(box.minLon);
    for (int la = lat0; la <= lat1; ++la)
        for (int k = 0; k < std::min(lonCount, kLonCells); ++k) fn(la * kLonCells + (lonFirst + k) % kLonCells);
}

AirspaceIndex::AirspaceIndex(std::vector<Airspace> airspaces) : airspaces_(std::move(airspaces)) {
    if (airspaces_.empty()) return;  // no grid: an empty index costs nothing
    // Two passes: count each cell's entries, then fill them in (compact, one allocation each).
    cellStart_.assign(size_t(kLatCells) * kLonCells + 1, 0);
    for (const Airspace& a : airspaces_)
        if (!a.box.empty()) forCells(a.box, [&](int cell) { ++cellStart_[size_t(cell) + 1]; });
    for (size_t i = 1; i < cellStart_.size(); ++i) cellStart_[i] += cellStart_[i - 1];
    ids_.resize(cellStart_.back());
    std::vector<uint32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
    for (size_t id = 0; id < airspaces_.size(); ++id)
        if (!airspaces_[id].box.empty()) forCells(airspaces_[id].box, [&](int cell) { ids_[fill[size_t(cell)]++] = uint32_t(id); });
}

std::vector<size_t> AirspaceIndex::inBox(const GeoBox& query) const {
    std::vector<size_t> out;
    if (cellStart_.empty()) return out;
    if (query.empty() && !(query.minLat <= query.maxLat && query.minLon > query.maxLon)) return out;
    GeoBox box = query;
    if (box.minLon > box.maxLon) box.maxLon += 360.0;  // across the 180th meridian
    forCells(box, [&](int cell) {
        for (uint32_t i = cellStart_[size_t(cell)]; i < cellStart_[size_t(cell) + 1]; ++i) out.push_back(ids_[i]);
    });
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    // The exact box test, with the query and the record each tried a turn of the world apart.
    std::erase_if(out, [&](size_t id) {
        const GeoBox& a = airspaces_[id].box;
        for (double shift : {0.0, 360.0, -360.0}) {
            GeoBox moved = box;
            moved.minLon += shift;
            moved.maxLon += shift;
            if (a.intersects(moved)) return false;
        }
        return true;
    });
    return out;
}

std::vector<size_t> AirspaceIndex::containing(double lat, double lon, std::optional<double> altitudeFeet) const {
    std::vector<size_t> out;
    if (cellStart_.empty() || !std::isfinite(lat) || !std::isfinite(lon) || std::abs(lat) > 90.0) return out;
    lon = std::remainder(lon, 360.0);
    const size_t cell = size_t(latCell(lat)) * kLonCells + size_t(lonCell(lon));
    for (uint32_t i = cellStart_[cell]; i < cellStart_[cell + 1]; ++i) {
        const Airspace& a = airspaces_[ids_[i]];
        if (altitudeFeet && !a.containsAltitude(*altitudeFeet)) continue;
        if (a.containsPoint(lat, lon)) out.push_back(ids_[i]);
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace vantrel::airspace
