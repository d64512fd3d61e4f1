#include "SensorAccelerometer.h"

#include "platform/core/Log.h"

#include <QAccelerometer>
#include <QTimer>

#include <cmath>

namespace vantrel::positioning {

namespace {
constexpr double kStandardGravity = 9.80665;  // m/s^2 per g
}

std::unique_ptr<SensorAccelerometer> SensorAccelerometer::createIfPresent(double intervalSeconds,
                                                                         SampleHandler handler) {
    for (const QByteArray& identifier : QSensor::sensorsForType(QAccelerometer::sensorType)) {
        if (identifier.startsWith("dummy.")) continue;
        auto sensor = std::make_unique<QAccelerometer>();
        sensor->setIdentifier(identifier);
        if (!sensor->connectToBackend()) continue;
        sensor->setDataRate(int(std::lround(1.0 / intervalSeconds)));
        if (!sensor->start()) continue;
        platform::logLine(QStringLiteral("Accelerometer: %1").arg(QString::fromLatin1(identifier)));
        return std::make_unique<SensorAccelerometer>(std::move(sensor), intervalSeconds, std::move(handler));
    }
    return nullptr;
}

SensorAccelerometer::SensorAccelerometer(std::unique_ptr<QAccelerometer> sensor, double intervalSeconds,
                                         SampleHandler handler)
    : sensor_(sensor.release()), timer_(new QTimer(this)), handler_(std::move(handler)) {
    sensor_->setParent(this);
    // The backend may run faster than asked (many deliver 100 Hz); the timer keeps the cadence.
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(int(std::lround(intervalSeconds * 1000.0)));
    connect(timer_, &QTimer::timeout, this, &SensorAccelerometer::deliver);
    timer_->start();
}

SensorAccelerometer::~SensorAccelerometer() = default;

void SensorAccelerometer::deliver() {
    const QAccelerometerReading* reading = sensor_->reading();
    if (!reading || reading->timestamp() == 0) return;  // nothing measured yet
    handler_(-reading->x() / kStandardGravity, -reading->y() / kStandardGravity, -reading->z() / kStandardGravity);
}

}  // namespace vantrel::positioning
