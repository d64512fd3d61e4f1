#pragma once
// The loaded airspaces and a grid over their boxes, for the questions the map and the warnings ask:
// the airspaces in a latitude/longitude box, and those containing a point (and a height).
//
// The grid has cells of kCellDegrees; each cell in use lists the airspaces whose box touches it. A box
// across the 180th meridian is entered in the cells on both sides.
//
// Ownership: the index owns its records; answers are positions in airspaces(), valid as long as the
// index. Built once, never changed: share it as std::shared_ptr<const AirspaceIndex>.
// Threads: built on any thread; once built, any number of threads may query it at once.

#include "Airspace.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vantrel::airspace {

class AirspaceIndex {
public:
    static constexpr double kCellDegrees = 0.5;

    AirspaceIndex() : AirspaceIndex(std::vector<Airspace>{}) {}
    explicit AirspaceIndex(std::vector<Airspace> airspaces);

    const std::vector<Airspace>& airspaces() const { return airspaces_; }
    size_t size() const { return airspaces_.size(); }
    const Airspace& at(size_t i) const { return airspaces_[i]; }

    // The airspaces whose box meets the box (the map's "what to draw here"), in index order.
    // A box with minLon > maxLon runs across the 180th meridian.
    std::vector<size_t> inBox(const GeoBox& box) const;
    // The airspaces whose outline contains the point and, when an altitude in feet MSL is given,
    // whose vertical limits contain it (AGL limits above ground at 0 ft), in index order.
    std::vector<size_t> containing(double lat, double lon, std::optional<double> altitudeFeet = std::nullopt) const;

private:
    static int latCell(double lat);
    static int lonCell(double lon);  // wraps round the world
    template <typename Fn> void forCells(const GeoBox& box, Fn&& fn) const;

    std::vector<Airspace> airspaces_;
    // Each airspace once per cell its box touches, as (cell << 32 | position), sorted: a cell's
    // list is one run, found by binary search. Only the cells in use take memory.
    std::vector<uint64_t> entries_;
    // The positions listed for one cell.
    template <typename Fn> void forEntries(int cell, Fn&& fn) const;
};

}  // namespace vantrel::airspace
