#pragma once
// The process-wide source of the device's acceleration, in g along the device's axes (x across
// the screen, y along it, z out of it; upright in portrait reads y = -1). Each raw sample is
// smoothed per axis (new 0.1, held 0.9) and announced with "AccelerationUpdate".
//
// Samples come from a real accelerometer through QtSensors when the machine has one (sampled every
// 1/15 s); otherwise from the position source (a replay or the simulator feeds sourceDidAccelerate).
//
// Ownership: the shared manager lives until the process ends and owns its sensor reader.
// Threads: main thread only.

#include <memory>

namespace vantrel::positioning {

class SensorAccelerometer;

class AccelerationManager {
public:
    static constexpr double kUpdateInterval = 1.0 / 15.0;  // seconds between samples

    // The one manager, made on first use; it starts a real accelerometer if there is one.
    static AccelerationManager& sharedManager();

    // A manager of its own (tests): with useSensor false it takes only the samples it is given.
    explicit AccelerationManager(bool useSensor);
    ~AccelerationManager();
    AccelerationManager(const AccelerationManager&) = delete;
    AccelerationManager& operator=(const AccelerationManager&) = delete;

    // The sample handler: smooths the three axes and posts "AccelerationUpdate". A sample that is
    // not a number is logged and dropped, as it would otherwise stay in the smoothed values forever.
    void accelerometerDidAccelerate(double x, double y, double z);

    // A sample from the position source; ignored while a real accelerometer delivers.
    void sourceDidAccelerate(double x, double y, double z);

    bool hasSensor() const { return sensor_ != nullptr; }

    double accelerationX() const { return accelerationX_; }
    double accelerationY() const { return accelerationY_; }
    double accelerationZ() const { return accelerationZ_; }

private:
    std::unique_ptr<SensorAccelerometer> sensor_;
    double accelerationX_ = 0.0;
    double accelerationY_ = 0.0;
    double accelerationZ_ = 0.0;
    bool loggedBadSample_ = false;
};

}  // namespace vantrel::positioning
