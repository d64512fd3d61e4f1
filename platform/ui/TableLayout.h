#pragma once
// Where the sections, headers and rows of a table lie, top to bottom in points, so that the table
// can find the rows of any stretch of its content quickly (binary search) without making a cell.
//
// Threads: any; an instance belongs to one table.

#include "IndexPath.h"

#include <functional>
#include <optional>
#include <vector>

namespace vantrel::platform::ui {

class TableLayout {
public:
    // Starts again with an empty content that begins after `topInset` points.
    void reset(double topInset);
    // Appends a section: its header height (0 for none), its rows and the space after it.
    void addSection(double headerHeight, int rows, const std::function<double(int)>& rowHeight, double footerHeight);

    double contentHeight() const { return height_; }
    int sectionCount() const { return int(sections_.size()); }
    int rowCount(int section) const;
    bool contains(const IndexPath& path) const;

    double headerTop(int section) const;
    double headerHeight(int section) const;
    double rowTop(const IndexPath& path) const;
    double rowHeight(const IndexPath& path) const;

    // The row under a content position, if any.
    std::optional<IndexPath> rowAt(double y) const;
    // The rows that reach into [top, bottom), in order.
    std::vector<IndexPath> rowsBetween(double top, double bottom) const;

private:
    struct Section {
        double top = 0;
        double header = 0;
        std::vector<double> offsets;  // row tops from the end of the header, one more than rows
    };
    std::vector<Section> sections_;
    double height_ = 0;
};

}  // namespace vantrel::platform::ui
