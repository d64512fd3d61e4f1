#pragma once
// Finds the take-off run and the landing in the stream of fixes, from the ground speed the location
// manager derives, for the automatic take-off and landing stamps.
//
// Take off: the ground speed stays above kTakeOffSpeed for kTakeOffDuration of consecutive valid
// fixes. Landing: it stays below kLandingSpeed for kLandingDuration. A fix that is not valid for
// speed, a fix more than kLongestGap after the one before, or time running backwards restarts the
// count. The moment answered is that of the first fix of the run, not that of the detection.
//
// The location manager's speed at a fix is the mean over the four legs between its five previous
// samples: it describes the fix kSpeedLagFixes back. The first fix of the run is therefore taken
// that many valid fixes (of the same gap-free stretch) before the first fix whose speed crossed.
//
// Window-free; fed fixes and speeds directly (FlightRecorder feeds it the location manager's).
// Threads: one owner thread.

#include <cstddef>
#include <deque>
#include <optional>

namespace vantrel::logbook {

class TakeOffLandingDetector {
public:
    static constexpr double kKnot = 1852.0 / 3600.0;  // metres per second
    // Faster than any taxi, slower than the rotation speed of the slowest aeroplanes.
    static constexpr double kTakeOffSpeed = 40.0 * kKnot;
    // Long enough that a short burst on the ground is no take-off run.
    static constexpr double kTakeOffDuration = 10.0;  // seconds
    // Below any approach speed, above a fast taxi.
    static constexpr double kLandingSpeed = 30.0 * kKnot;
    // Longer than a slow pass or a touch-and-go's roll.
    static constexpr double kLandingDuration = 20.0;  // seconds
    // A longer silence is lost signal: what the aircraft did meanwhile is unknown.
    static constexpr double kLongestGap = 5.0;  // seconds
    static constexpr size_t kSpeedLagFixes = 3;

    enum class Phase { None, TakeOff, Landing };

    Phase phase() const { return phase_; }
    // Starts looking for this event, forgetting every fix seen.
    void reset(Phase phase);

    // One fix at `time` (seconds), valid or not for speed, with the ground speed in metres per
    // second. Answers the moment of the event once, at the fix that completes it; then the
    // detector waits for the next reset.
    std::optional<double> addFix(double time, bool valid, double speed);

private:
    bool beyond(double speed) const;
    void restart();

    Phase phase_ = Phase::None;
    bool done_ = false;
    std::optional<double> lastTime_;
    std::deque<double> recent_;         // times of the last valid fixes of the stretch, oldest first
    std::optional<double> runStart_;    // time of the first fix whose speed crossed
    std::optional<double> runMoment_;   // the moment the run is dated to
};

}  // namespace vantrel::logbook
