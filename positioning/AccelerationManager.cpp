#include "AccelerationManager.h"

#include "sources/SensorAccelerometer.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"

#include <cmath>

namespace vantrel::positioning {

namespace {
constexpr double kNewWeight = 0.1;
constexpr double kHeldWeight = 0.9;
}  // namespace

AccelerationManager& AccelerationManager::sharedManager() {
    static AccelerationManager manager(true);
    return manager;
}

AccelerationManager::AccelerationManager(bool useSensor) {
    if (useSensor)
        sensor_ = SensorAccelerometer::createIfPresent(
            kUpdateInterval, [this](double x, double y, double z) { accelerometerDidAccelerate(x, y, z); });
}

AccelerationManager::~AccelerationManager() = default;

void AccelerationManager::accelerometerDidAccelerate(double x, double y, double z) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        if (!loggedBadSample_)
            platform::logLine(QStringLiteral("Ignored an accelerometer sample that is not a number (%1, %2, %3)")
                                  .arg(x).arg(y).arg(z));
        loggedBadSample_ = true;
        return;
    }
    accelerationX_ = x * kNewWeight + accelerationX_ * kHeldWeight;
    accelerationY_ = y * kNewWeight + accelerationY_ * kHeldWeight;
    accelerationZ_ = z * kNewWeight + accelerationZ_ * kHeldWeight;
    platform::NotificationCenter::defaultCenter().postNotificationName("AccelerationUpdate", this);
}

void AccelerationManager::sourceDidAccelerate(double x, double y, double z) {
    if (!sensor_) accelerometerDidAccelerate(x, y, z);
}

}  // namespace vantrel::positioning
