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
    for (size_t id = 0; id < airspaces_.size(); ++id)
        if (!airspaces_[id].box.empty())
            forCells(airspaces_[id].box, [&](int cell) { entries_.push_back(uint64_t(cell) << 32 | uint64_t(id)); });
    std::sort(entries_.begin(), entries_.end());
}

template <typename Fn> void AirspaceIndex::forEntries(int cell, Fn&& fn) const {
    const uint64_t first = uint64_t(cell) << 32;
    for (auto it = std::lower_bound(entries_.begin(), entries_.end(), first);
         it != entries_.end() && (*it >> 32) == uint64_t(cell); ++it)
        fn(size_t(*it & 0xffffffffu));
}

std::vector<size_t> AirspaceIndex::inBox(const GeoBox& query) const {
    std::vector<size_t> out;
    if (entries_.empty()) return out;
    if (query.empty() && !(query.minLat <= query.maxLat && query.minLon > query.maxLon)) return out;
    GeoBox box = query;
    if (box.minLon > box.maxLon) box.maxLon += 360.0;  // across the 180th meridian
    forCells(box, [&](int cell) { forEntries(cell, [&](size_t id) { out.push_back(id); }); });
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
    if (entries_.empty() || !std::isfinite(lat) || !std::isfinite(lon) || std::abs(lat) > 90.0) return out;
    lon = std::remainder(lon, 360.0);
    forEntries(latCell(lat) * kLonCells + lonCell(lon), [&](size_t id) {
        const Airspace& a = airspaces_[id];
        if (altitudeFeet && !a.containsAltitude(*altitudeFeet)) return;
        if (a.containsPoint(lat, lon)) out.push_back(id);
    });  // the run is sorted by position already
    return out;
}

}  // namespace vantrel::airspace
