#include "KineticScroller.h"

#include <algorithm>
#include <cmath>

namespace vantrel::platform::ui {

namespace {
constexpr int kFrameMs = 16;
constexpr double kDeceleration = 0.998;   // velocity kept per millisecond of a flick
constexpr double kMinFlickVelocity = 0.15; // points per millisecond
constexpr double kStopVelocity = 0.02;
constexpr qint64 kSampleWindowMs = 100;
constexpr double kMaxVelocity = 8.0;
constexpr double kScrollAnimationMs = 300;
}  // namespace

KineticScroller::KineticScroller(Target target, QObject* parent) : QObject(parent), target_(std::move(target)) {
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, &KineticScroller::frame);
}

void KineticScroller::beginDrag(double position, qint64 timeMs) {
    stop();
    dragging_ = true;
    dragStartOffset_ = target_.offset();
    dragStartPosition_ = position;
    samples_.clear();
    samples_.push_back({position, timeMs});
}

void KineticScroller::dragTo(double position, qint64 timeMs) {
    if (!dragging_) return;
    target_.setOffset(dragStartOffset_ - (position - dragStartPosition_));
    samples_.push_back({position, timeMs});
    while (samples_.size() > 2 && timeMs - samples_.front().time > kSampleWindowMs) samples_.erase(samples_.begin());
}

void KineticScroller::endDrag(double position, qint64 timeMs) {
    if (!dragging_) return;
    dragTo(position, timeMs);
    dragging_ = false;
    const Sample& first = samples_.front();
    const Sample& last = samples_.back();
    const qint64 span = last.time - first.time;
    // A finger that rested before lifting does not flick.
    if (span <= 0 || timeMs - last.time > kSampleWindowMs) return;
    velocity_ = std::clamp(-(last.position - first.position) / double(span), -kMaxVelocity, kMaxVelocity);
    if (std::abs(velocity_) < kMinFlickVelocity) return;
    animating_ = false;
    clock_.start();
    timer_.start();
}

bool KineticScroller::stop() {
    const bool wasMoving = timer_.isActive();
    timer_.stop();
    velocity_ = 0;
    animating_ = false;
    return wasMoving;
}

void KineticScroller::scrollTo(double offset, bool animated) {
    stop();
    offset = std::clamp(offset, 0.0, std::max(0.0, target_.maxOffset()));
    if (!animated) {
        target_.setOffset(offset);
        return;
    }
    animating_ = true;
    animationFrom_ = target_.offset();
    animationTo_ = offset;
    clock_.start();
    timer_.start();
}

void KineticScroller::frame() {
    if (animating_) {
        const double t = std::min(1.0, double(clock_.elapsed()) / kScrollAnimationMs);
        const double eased = 1 - (1 - t) * (1 - t);
        target_.setOffset(animationFrom_ + (animationTo_ - animationFrom_) * eased);
        if (t >= 1) stop();
        return;
    }
    const double dt = double(clock_.restart());
    const double before = target_.offset();
    target_.setOffset(before + velocity_ * dt);
    velocity_ *= std::pow(kDeceleration, dt);
    const bool atEdge = target_.offset() == before && dt > 0;
    if (std::abs(velocity_) < kStopVelocity || atEdge) stop();
}

}  // namespace vantrel::platform::ui
