#pragma once
// The smoothed vertical speed of the recent fixes: the least-squares slope of their heights over
// the last kWindowSeconds (pressure altitude when every fix in the window has one, it is the
// smoother; else the GNSS altitude), or, where the fixes carry no heights, the mean of the vertical
// speeds the source reported. Nothing while fewer than two heights span at least a second, and
// nothing once the newest fix has no height and no vertical speed.
//
// A plain value owned by the location manager. Threads: its owner's.

#include "Fix.h"

#include <deque>
#include <optional>

namespace vantrel::positioning {

class VerticalSpeedFilter {
public:
    static constexpr double kWindowSeconds = 6.0;

    void add(const Fix& fix);
    void reset() { fixes_.clear(); }
    std::optional<double> verticalSpeed() const;  // metres per second, up positive

private:
    std::deque<Fix> fixes_;  // oldest first, within the window of the newest
};

}  // namespace vantrel::positioning
