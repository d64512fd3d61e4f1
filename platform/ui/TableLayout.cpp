#include "TableLayout.h"

#include <algorithm>

namespace vantrel::platform::ui {

void TableLayout::reset(double topInset) {
    sections_.clear();
    height_ = topInset;
}

void TableLayout::addSection(double headerHeight, int rows, const std::function<double(int)>& rowHeight,
                             double footerHeight) {
    Section s;
    s.top = height_;
    s.header = headerHeight;
    s.offsets.reserve(size_t(std::max(rows, 0)) + 1);
    double y = 0;
    s.offsets.push_back(0);
    for (int r = 0; r < rows; ++r) {
        y += std::max(0.0, rowHeight(r));
        s.offsets.push_back(y);
    }
    height_ = s.top + headerHeight + y + footerHeight;
    sections_.push_back(std::move(s));
}

int TableLayout::rowCount(int section) const {
    if (section < 0 || section >= int(sections_.size())) return 0;
    return int(sections_[size_t(section)].offsets.size()) - 1;
}

bool TableLayout::contains(const IndexPath& path) const { return path.row >= 0 && path.row < rowCount(path.section); }

double TableLayout::headerTop(int section) const {
    return section >= 0 && section < sectionCount() ? sections_[size_t(section)].top : 0;
}

double TableLayout::headerHeight(int section) const {
    return section >= 0 && section < sectionCount() ? sections_[size_t(section)].header : 0;
}

double TableLayout::rowTop(const IndexPath& path) const {
    if (!contains(path)) return 0;
    const Section& s = sections_[size_t(path.section)];
    return s.top + s.header + s.offsets[size_t(path.row)];
}

double TableLayout::rowHeight(const IndexPath& path) const {
    if (!contains(path)) return 0;
    const Section& s = sections_[size_t(path.section)];
    return s.offsets[size_t(path.row) + 1] - s.offsets[size_t(path.row)];
}

std::optional<IndexPath> TableLayout::rowAt(double y) const {
    for (int i = 0; i < sectionCount(); ++i) {
        const Section& s = sections_[size_t(i)];
        const double local = y - s.top - s.header;
        if (local < 0 || local >= s.offsets.back()) continue;
        auto it = std::upper_bound(s.offsets.begin(), s.offsets.end(), local);
        return IndexPath{i, int(it - s.offsets.begin()) - 1};
    }
    return std::nullopt;
}

std::vector<IndexPath> TableLayout::rowsBetween(double top, double bottom) const {
    std::vector<IndexPath> rows;
    for (int i = 0; i < sectionCount(); ++i) {
        const Section& s = sections_[size_t(i)];
        const double start = s.top + s.header;
        if (start >= bottom) break;
        if (start + s.offsets.back() <= top) continue;
        auto first = std::upper_bound(s.offsets.begin(), s.offsets.end(), top - start);
        int r = std::max(0, int(first - s.offsets.begin()) - 1);
        for (; r < int(s.offsets.size()) - 1 && start + s.offsets[size_t(r)] < bottom; ++r) {
            if (s.offsets[size_t(r) + 1] > s.offsets[size_t(r)]) rows.push_back({i, r});
        }
    }
    return rows;
}

}  // namespace vantrel::platform::ui
