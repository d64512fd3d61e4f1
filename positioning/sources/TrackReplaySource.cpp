#include "TrackReplaySource.h"

#include "SlipModel.h"

#include "positioning/AccelerationManager.h"
#include "positioning/Geodesy.h"

#include "platform/core/Log.h"

#include <algorithm>

namespace vantrel::positioning {

namespace {
constexpr double kSmallestMove = 5.0;  // metres between fixes before a track is measured
constexpr double kLongestLagMs = 5000.0;  // how far behind its clock a replay catches up
}

TrackReplaySource::TrackReplaySource(QString description, std::vector<Fix> track, QObject* parent)
    : PositionSource(parent), description_(std::move(description)), track_(std::move(track)) {
    fixTimer_.setSingleShot(true);
    fixTimer_.setTimerType(Qt::PreciseTimer);
    connect(&fixTimer_, &QTimer::timeout, this, &TrackReplaySource::deliverNext);
    accelerationTimer_.setTimerType(Qt::PreciseTimer);
    accelerationTimer_.setInterval(int(std::lround(AccelerationManager::kUpdateInterval * 1000.0)));
    connect(&accelerationTimer_, &QTimer::timeout, this,
            [this] { deliverAcceleration(SlipModel::lateral(turnRate_), SlipModel::kGravityY, SlipModel::kGravityZ); });
}

bool TrackReplaySource::setPacing(Pacing pacing) {
    pacing_ = pacing;
    return true;
}

void TrackReplaySource::startUpdatingLocation() {
    if (started_) return;
    started_ = true;
    setWaiting();
    if (track_.empty()) {
        deliverFailure(QStringLiteral("the recording holds no fixes"));
        return;
    }
    deliverMessages();
    if (pacing_ == Pacing::AsFastAsPossible) {
        while (next_ < track_.size()) {
            deliverFix(track_[next_++]);
            deliverMessages();
        }
        finish();
        return;
    }
    accelerationTimer_.start();
    clock_.start();
    dueMs_ = 0.0;
    deliverNext();
}

void TrackReplaySource::deliverNext() {
    const Fix& fix = track_[next_++];
    followTurn(fix);
    deliverFix(fix);
    deliverMessages();
    if (next_ >= track_.size()) {
        finish();
        return;
    }
    double wait = track_[next_].timestamp - fix.timestamp;
    if (!(wait >= 0.0)) wait = 0.0;
    if (wait > kLongestPause) {
        platform::logLine(QStringLiteral("%1: a pause of %2 s in the recording is shortened to %3 s")
                              .arg(description_).arg(wait, 0, 'f', 0).arg(kLongestPause));
        wait = kLongestPause;
    }
    // A replay that fell far behind (the machine was held up) starts again from now rather than
    // rushing a burst of fixes through to catch up.
    const double now = double(clock_.elapsed());
    dueMs_ = std::max(dueMs_, now - kLongestLagMs) + wait / replaySpeed_ * 1000.0;
    fixTimer_.start(int(std::lround(std::max(0.0, dueMs_ - now))));
}

void TrackReplaySource::deliverMessages() {
    while (nextMessage_ < messages_.size() && messages_[nextMessage_].fixesBefore <= next_)
        deliverUnusedMessage(messages_[nextMessage_++].message);
}

void TrackReplaySource::followTurn(const Fix& fix) {
    if (!lastMoved_) {
        lastMoved_ = &fix;
        return;
    }
    const Fix& from = *lastMoved_;
    if (Geodesy::calcDistanceInMeters(from.longitude, from.latitude, fix.longitude, fix.latitude) < kSmallestMove) {
        turnRate_ = 0.0;
        return;
    }
    // Track over the short leg in double precision: single-precision coordinates are only good to
    // half a metre, which would turn into degrees of false turn.
    double east = (fix.longitude - from.longitude) * std::cos(from.latitude * Geodesy::kDegreesToRadians);
    double north = fix.latitude - from.latitude;
    double track = std::atan2(east, north) / Geodesy::kDegreesToRadians;
    double dt = fix.timestamp - from.timestamp;
    if (std::isfinite(lastTrack_) && dt > 0.0) turnRate_ = std::remainder(track - lastTrack_, 360.0) / dt;
    lastTrack_ = track;
    lastMoved_ = &fix;
}

void TrackReplaySource::finish() {
    accelerationTimer_.stop();
    turnRate_ = 0.0;
    platform::logLine(QStringLiteral("Replay of %1 finished after %2 fixes").arg(description_).arg(track_.size()));
    // In real time the last fix would otherwise stay on the instruments as if it were still live.
    if (pacing_ == Pacing::RealTime) deliverFailure(QStringLiteral("the recording has ended"));
    deliverFinished();
}

}  // namespace vantrel::positioning
