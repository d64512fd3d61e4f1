#include "PositionSource.h"

#include "platform/core/Log.h"

namespace vantrel::positioning {

PositionSource::PositionSource(QObject* parent) : QObject(parent) {}

PositionSource::~PositionSource() = default;

bool PositionSource::setPacing(Pacing pacing) { return pacing == Pacing::RealTime; }

void PositionSource::deliverFix(const Fix& fix) {
    hasDeliveredFix_ = true;
    outage_.clear();
    if (handlers_.fix) handlers_.fix(fix);
}

void PositionSource::deliverFailure(const QString& error) {
    if (error == outage_) return;
    outage_ = error;
    platform::logLine(QStringLiteral("Position source %1 failed: %2").arg(description(), error));
    if (handlers_.failure) handlers_.failure(error);
}

void PositionSource::deliverAcceleration(double x, double y, double z) {
    if (handlers_.acceleration) handlers_.acceleration(x, y, z);
}

void PositionSource::deliverFinished() {
    if (handlers_.finished) handlers_.finished();
}

}  // namespace vantrel::positioning
