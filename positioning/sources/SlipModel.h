#pragma once
// What the phone's accelerometer feels in a panel mount when the flight is replayed or simulated:
// gravity along -y (upright, portrait) and, in turns, a little slip across the screen (+x toward
// the inside of a right turn), growing with the rate of turn. Pure functions, any thread.

#include <algorithm>

namespace vantrel::positioning {

struct SlipModel {
    static constexpr double kStandardRateDegreesPerSecond = 3.0;
    static constexpr double kSlipAtStandardRate = 0.04;  // g
    static constexpr double kLargestSlip = 0.12;         // g

    // Lateral acceleration in g for a rate of turn (degrees per second, positive to the right).
    static double lateral(double turnRateDegreesPerSecond) {
        double slip = turnRateDegreesPerSecond / kStandardRateDegreesPerSecond * kSlipAtStandardRate;
        return std::clamp(slip, -kLargestSlip, kLargestSlip);
    }

    static constexpr double kGravityY = -1.0;
    static constexpr double kGravityZ = 0.0;
};

}  // namespace vantrel::positioning
