#include "PositionSource.h"

#include "platform/core/Log.h"

namespace vantrel::positioning {

PositionSource::PositionSource(QObject* parent) : QObject(parent) {}

PositionSource::~PositionSource() = default;

bool PositionSource::setPacing(Pacing pacing) { return pacing == Pacing::RealTime; }

bool PositionSource::setMessageReader(std::shared_ptr<MessageReader>) { return false; }

void PositionSource::deliverFix(const Fix& fix) {
    hasDeliveredFix_ = true;
    outage_.clear();
    if (!stateReceiving_) setStateText(QStringLiteral("receiving from %1").arg(description()));
    if (handlers_.fix) handlers_.fix(fix);
}

void PositionSource::deliverFailure(const QString& error) {
    if (error == outage_) return;
    outage_ = error;
    platform::logLine(QStringLiteral("Position source %1 failed: %2").arg(description(), error));
    setStateText(QStringLiteral("%1 from %2").arg(error, name()));
    if (handlers_.failure) handlers_.failure(error);
}

void PositionSource::setStateText(const QString& text) {
    stateReceiving_ = text.startsWith(QLatin1String("receiving from "));
    if (text == stateText_) return;
    stateText_ = text;
    emit stateChanged(stateText_);
}

void PositionSource::deliverAcceleration(double x, double y, double z) {
    if (handlers_.acceleration) handlers_.acceleration(x, y, z);
}

void PositionSource::deliverFinished() {
    if (handlers_.finished) handlers_.finished();
}

}  // namespace vantrel::positioning
