#include "TakeOffLandingDetector.h"

#include <cmath>

namespace vantrel::logbook {

void TakeOffLandingDetector::reset(Phase phase) {
    phase_ = phase;
    done_ = false;
    lastTime_.reset();
    restart();
}

void TakeOffLandingDetector::restart() {
    recent_.clear();
    runStart_.reset();
    runMoment_.reset();
}

bool TakeOffLandingDetector::beyond(double speed) const {
    return phase_ == Phase::TakeOff ? speed > kTakeOffSpeed : speed < kLandingSpeed;
}

std::optional<double> TakeOffLandingDetector::addFix(double time, bool valid, double speed) {
    if (phase_ == Phase::None || done_ || !std::isfinite(time)) return std::nullopt;
    const bool continues = lastTime_ && time > *lastTime_ && time - *lastTime_ <= kLongestGap;
    lastTime_ = time;
    if (!continues || !valid || !std::isfinite(speed)) restart();
    if (!valid || !std::isfinite(speed)) return std::nullopt;

    recent_.push_back(time);
    if (recent_.size() > kSpeedLagFixes + 1) recent_.pop_front();

    if (!beyond(speed)) {
        runStart_.reset();
        runMoment_.reset();
        return std::nullopt;
    }
    if (!runStart_) {
        runStart_ = time;
        runMoment_ = recent_.front();  // kSpeedLagFixes back, or the stretch's first fix
    }
    const double needed = phase_ == Phase::TakeOff ? kTakeOffDuration : kLandingDuration;
    if (time - *runStart_ < needed) return std::nullopt;
    done_ = true;
    return runMoment_;
}

}  // namespace vantrel::logbook
