#pragma once
// A real accelerometer read through QtSensors, sampled at a fixed interval and converted to the
// units and signs the acceleration manager works in: g rather than m/s^2, and gravity reading
// negative (QtSensors reports the reaction to gravity, +9.8 upwards).
//
// The "dummy" backend that QtSensors offers on machines without a sensor (a constant reading) is
// not an accelerometer and is never used.
//
// Ownership: owns its QAccelerometer and timer (Qt children). Threads: main thread only.

#include <QObject>

#include <functional>
#include <memory>

class QAccelerometer;
class QTimer;

namespace vantrel::positioning {

class SensorAccelerometer : public QObject {
    Q_OBJECT
public:
    using SampleHandler = std::function<void(double x, double y, double z)>;

    // A started reader of the first real accelerometer, or nullptr when there is none.
    static std::unique_ptr<SensorAccelerometer> createIfPresent(double intervalSeconds, SampleHandler handler);

    // Reads a connected, started sensor (createIfPresent makes one).
    SensorAccelerometer(std::unique_ptr<QAccelerometer> sensor, double intervalSeconds, SampleHandler handler);
    ~SensorAccelerometer() override;

private:
    void deliver();

    QAccelerometer* sensor_;  // child
    QTimer* timer_;           // child
    SampleHandler handler_;
};

}  // namespace vantrel::positioning
