#pragma once
// The map's declutter pass: one placer for every label drawn on the map (waypoints, towns, lakes, and
// later airspace and traffic). Each label is a box with a priority; the placer keeps, in order of
// priority (lower first, then in the order added), each label that overlaps no label kept before
// it and no reserved area, and drops the rest. A dropped label's symbol is still drawn: only the
// text goes. Zooming in spreads the boxes apart, so more of them are kept.
//
// Ownership: a value. Threads: any, one at a time.

#include <QRectF>
#include <cstdint>
#include <span>
#include <vector>

namespace vantrel::basemap {

// Priorities of the map's labels, most important first.
namespace labelPriority {
inline constexpr int kPointedTo = 0;      // the waypoints the instruments point to
inline constexpr int kTraffic = 10;       // + 0..7: traffic symbols and heights, the loudest first
inline constexpr int kAirport = 100;      // + a size rank, 0 (largest) to 99
inline constexpr int kNavaid = 200;
inline constexpr int kTrafficName = 250;  // a quiet target's callsign
inline constexpr int kOtherWaypoint = 300;
inline constexpr int kTown = 400;         // + the town's rank
inline constexpr int kLake = 500;         // + the lake's rank
}  // namespace labelPriority

class LabelPlacer {
public:
    // An area no label may cover (the aircraft, a direct-to text).
    void reserve(const QRectF& area);
    // A label's box in view points; returns its handle for placed().
    int add(const QRectF& box, int priority);
    // A label that may stand in any of these boxes, tried in order: the first that fits is kept
    // (box() tells which).
    // None: no label (-1).
    int add(std::span<const QRectF> boxes, int priority);
    // Where a label stands: the box it was kept in, else its first.
    const QRectF& box(int handle) const { return labels_[size_t(handle)].box; }
    // Decides every label added so far.
    void place();
    bool placed(int handle) const { return handle >= 0 && size_t(handle) < labels_.size() && labels_[size_t(handle)].kept; }
    size_t size() const { return labels_.size(); }
    size_t placedCount() const;
    void clear();

private:
    struct Label {
        QRectF box;
        int priority;
        bool kept = false;
        uint32_t firstOther = 0;  // its other boxes in others_
        uint32_t otherCount = 0;
        QRectF firstBox;          // the box it was added with (box moves to the one kept)
    };
    bool overlapsKept(const QRectF& box) const;
    void keep(const QRectF& box);

    std::vector<QRectF> reserved_;
    std::vector<Label> labels_;
    std::vector<QRectF> others_;
    // The kept boxes in a grid of cells, so that each test looks only at its neighbours.
    static constexpr double kCell = 48.0;
    struct Cell {
        int64_t key;
        uint32_t box;
    };
    std::vector<Cell> cells_;  // kept up sorted by key
    std::vector<QRectF> kept_;
};

}  // namespace vantrel::basemap
