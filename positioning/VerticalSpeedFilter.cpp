#include "VerticalSpeedFilter.h"

#include <cmath>

namespace vantrel::positioning {

namespace {

// The least-squares slope of the heights chosen by which over time; nothing below two of them or
// when they do not span a second.
template <typename Height>
std::optional<double> slope(const std::deque<Fix>& fixes, Height which) {
    double n = 0, st = 0, sh = 0;
    double t0 = fixes.back().timestamp;
    for (const Fix& f : fixes) {
        std::optional<double> h = which(f);
        if (!h) return std::nullopt;
        n += 1;
        st += f.timestamp - t0;
        sh += *h;
    }
    if (n < 2) return std::nullopt;
    double mt = st / n, mh = sh / n, stt = 0, sth = 0;
    for (const Fix& f : fixes) {
        double dt = f.timestamp - t0 - mt;
        stt += dt * dt;
        sth += dt * (*which(f) - mh);
    }
    if (fixes.back().timestamp - fixes.front().timestamp < 1.0 || !(stt > 0.0)) return std::nullopt;
    return plausibleVerticalSpeed(sth / stt);
}

}  // namespace

void VerticalSpeedFilter::add(const Fix& fix) {
    if (!std::isfinite(fix.timestamp)) return;
    // Time running backwards (a spliced log, a receiver reset) starts the window afresh.
    if (!fixes_.empty() && fix.timestamp <= fixes_.back().timestamp) fixes_.clear();
    fixes_.push_back(fix);
    while (fix.timestamp - fixes_.front().timestamp > kWindowSeconds) fixes_.pop_front();
}

std::optional<double> VerticalSpeedFilter::verticalSpeed() const {
    if (fixes_.empty()) return std::nullopt;
    const Fix& newest = fixes_.back();
    if (!newest.altitude && !newest.pressureAltitude && !newest.verticalSpeed) return std::nullopt;
    if (std::optional<double> v = slope(fixes_, [](const Fix& f) { return f.pressureAltitude; })) return v;
    if (std::optional<double> v = slope(fixes_, [](const Fix& f) { return f.altitude; })) return v;
    double sum = 0;
    int count = 0;
    for (const Fix& f : fixes_)
        if (f.verticalSpeed) sum += *f.verticalSpeed, ++count;
    if (count == 0) return std::nullopt;
    return sum / count;
}

}  // namespace vantrel::positioning
