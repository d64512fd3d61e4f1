#include "LabelPlacer.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vantrel::basemap {

namespace {

int64_t cellKey(int64_t cx, int64_t cy) { return (cy << 32) ^ (cx & 0xffffffff); }

}  // namespace

void LabelPlacer::reserve(const QRectF& area) {
    if (area.isValid()) reserved_.push_back(area);
}

int LabelPlacer::add(const QRectF& box, int priority) {
    labels_.push_back({box, priority, false, 0, 0, box});
    return int(labels_.size() - 1);
}

int LabelPlacer::add(std::span<const QRectF> boxes, int priority) {
    if (boxes.empty()) return -1;
    const int handle = add(*boxes.begin(), priority);
    labels_.back().firstOther = uint32_t(others_.size());
    labels_.back().otherCount = uint32_t(boxes.size() - 1);
    others_.insert(others_.end(), boxes.begin() + 1, boxes.end());
    return handle;
}

void LabelPlacer::clear() {
    reserved_.clear();
    labels_.clear();
    others_.clear();
    cells_.clear();
    kept_.clear();
}

size_t LabelPlacer::placedCount() const {
    return size_t(std::count_if(labels_.begin(), labels_.end(), [](const Label& l) { return l.kept; }));
}

bool LabelPlacer::overlapsKept(const QRectF& box) const {
    for (const QRectF& area : reserved_)
        if (area.intersects(box)) return true;
    const int64_t x0 = int64_t(std::floor(box.left() / kCell)), x1 = int64_t(std::floor(box.right() / kCell));
    const int64_t y0 = int64_t(std::floor(box.top() / kCell)), y1 = int64_t(std::floor(box.bottom() / kCell));
    for (int64_t cy = y0; cy <= y1; ++cy)
        for (int64_t cx = x0; cx <= x1; ++cx) {
            const int64_t key = cellKey(cx, cy);
            auto it = std::lower_bound(cells_.begin(), cells_.end(), key, [](const Cell& c, int64_t k) { return c.key < k; });
            for (; it != cells_.end() && it->key == key; ++it)
                if (kept_[it->box].intersects(box)) return true;
        }
    return false;
}

void LabelPlacer::keep(const QRectF& box) {
    const uint32_t index = uint32_t(kept_.size());
    kept_.push_back(box);
    const int64_t x0 = int64_t(std::floor(box.left() / kCell)), x1 = int64_t(std::floor(box.right() / kCell));
    const int64_t y0 = int64_t(std::floor(box.top() / kCell)), y1 = int64_t(std::floor(box.bottom() / kCell));
    for (int64_t cy = y0; cy <= y1; ++cy)
        for (int64_t cx = x0; cx <= x1; ++cx) {
            const Cell cell{cellKey(cx, cy), index};
            cells_.insert(std::upper_bound(cells_.begin(), cells_.end(), cell.key,
                                           [](int64_t k, const Cell& c) { return k < c.key; }),
                          cell);
        }
}

void LabelPlacer::place() {
    std::vector<size_t> order(labels_.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [this](size_t a, size_t b) { return labels_[a].priority < labels_[b].priority; });
    cells_.clear();
    kept_.clear();
    // A box too large to be one (no number) is never kept.
    const auto fits = [this](const QRectF& box) {
        return std::isfinite(box.left()) && std::isfinite(box.right()) && std::abs(box.width()) < 1e6 &&
               std::abs(box.height()) < 1e6 && !overlapsKept(box);
    };
    for (size_t i : order) {
        Label& label = labels_[i];
        label.box = label.firstBox;
        label.kept = fits(label.box);
        for (uint32_t k = 0; !label.kept && k < label.otherCount; ++k) {
            label.box = others_[label.firstOther + k];
            label.kept = fits(label.box);
        }
        if (label.kept)
            keep(label.box);
        else
            label.box = label.firstBox;
    }
}

}  // namespace vantrel::basemap
