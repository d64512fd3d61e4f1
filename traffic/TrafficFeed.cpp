#include "TrafficFeed.h"

#include "FlarmReader.h"
#include "Gdl90Source.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "positioning/PositionSource.h"
#include "units/UnitSettings.h"

#include <cmath>
#include <mutex>

namespace vantrel::traffic {

namespace {
constexpr double kMetresPerDegree = 6371000.0 * M_PI / 180.0;
constexpr int kTickMs = 1000;

// Reads one message, a FLARM line or GDL90 frames (any split of the stream), into `out`.
void read(QByteArrayView message, TrafficFeed::Gdl90Stream& gdl90, TrafficFeed::Readings& out) {
    if (message.isEmpty()) return;
    if (message[0] == '$') {
        // A good target, nearly every sentence, is read straight into the Target the list takes;
        // the rest (a status each second, another device's sentences, bad ones) are read again
        // with care.
        Target& target = out.targets.emplace_back();
        if (readFlarmTarget(message, target)) return;
        out.targets.pop_back();
        FlarmReading reading = readFlarmSentenceCarefully(message);
        switch (reading.kind) {
        case FlarmReading::Kind::NotFlarm: return;  // another device's sentence
        case FlarmReading::Kind::Bad: out.problems.push_back(reading.reason); return;
        case FlarmReading::Kind::Status: out.status = reading.status; return;
        case FlarmReading::Kind::Target: out.targets.push_back(std::move(reading.target)); return;
        }
    } else if (message[0] == char(0x7E)) {
        gdl90.reader.addData(message);
        for (; gdl90.badSeen < gdl90.reader.badFrames(); ++gdl90.badSeen) out.problems.push_back(gdl90.reader.lastProblem());
        std::vector<Gdl90Message> messages = gdl90.reader.takeMessages();
        out.gdl90.insert(out.gdl90.end(), std::make_move_iterator(messages.begin()), std::make_move_iterator(messages.end()));
    }
}
}  // namespace

// Reads a live source's messages on its reading thread and keeps what they said until the main
// thread takes it.
class TrafficFeed::SourceReader final : public positioning::MessageReader {
public:
    void read(QByteArrayView message) override {
        std::lock_guard lock(mutex_);
        traffic::read(message, gdl90_, readings_);
    }
    // Swaps what was read for `empty` (whose vectors' room the reader keeps using).
    void take(Readings& empty) {
        std::lock_guard lock(mutex_);
        std::swap(readings_, empty);
    }

private:
    std::mutex mutex_;
    Gdl90Stream gdl90_;
    Readings readings_;
};

QString TargetId::text() const {
    return QStringLiteral("%1 %2")
        .arg(origin == TrafficOrigin::Flarm ? QStringLiteral("FLARM") : QStringLiteral("GDL90"))
        .arg(address, 6, 16, QLatin1Char('0'))
        .toUpper();
}

TrafficFeed& TrafficFeed::shared() {
    static TrafficFeed* feed = new TrafficFeed(Clock::Wall);  // lives until the process ends
    return *feed;
}

TrafficFeed::TrafficFeed(Clock clock, QObject* parent) : QObject(parent), clock_(clock) {
    wall_.start();
    if (clock_ == Clock::Wall) {
        tick_.setInterval(kTickMs);
        connect(&tick_, &QTimer::timeout, this, &TrafficFeed::tick);
        tick_.start();
    }
}

TrafficFeed::~TrafficFeed() = default;

void TrafficFeed::listenTo(positioning::PositionSource* source) {
    stopListening();
    reset();
    if (!source) return;
    source_ = source;
    auto reader = std::make_shared<SourceReader>();
    if (source->setMessageReader(reader)) {
        sourceReader_ = std::move(reader);
        sourceConnection_ = connect(source, &positioning::PositionSource::unusedMessagesRead, this, [this] {
            sourceReader_->take(readings_);
            takeIn(readings_);
        });
    } else {
        sourceConnection_ = connect(source, &positioning::PositionSource::unusedMessage, this,
                                    [this](const QByteArray& message) { handleMessage(message); });
    }
    // A GDL90 receiver has read its frames already: its messages come decoded.
    if (auto* gdl90 = qobject_cast<Gdl90Source*>(source))
        gdl90Connection_ = connect(gdl90, &Gdl90Source::messagesRead, this, &TrafficFeed::handleGdl90Messages);
}

void TrafficFeed::stopListening() {
    if (source_ && sourceReader_) source_->setMessageReader(nullptr);
    source_ = nullptr;
    sourceReader_.reset();
    disconnect(sourceConnection_);
    disconnect(gdl90Connection_);
}

double TrafficFeed::now() const { return clock_ == Clock::Wall ? double(wall_.elapsed()) / 1000.0 : fixTime_; }

void TrafficFeed::reset() {
    list_.clear();
    gdl90_ = Gdl90Stream();
    if (sourceReader_) {
        // What the source's thread read before now is not taken in.
        Readings dropped;
        sourceReader_->take(dropped);
    }
    ownship_ = Ownship();
    flarmStatus_.reset();
    fixTime_ = 0.0;
    lastFixTimestamp_ = kNoValue;
    batchTime_ = kNoValue;
    if (!alerts_.empty()) {
        alerts_.clear();
        platform::NotificationCenter::defaultCenter().postNotificationName("trafficAlertsDidChange", this);
    }
    changed();
}

void TrafficFeed::handleMessage(QByteArrayView message) {
    read(message, gdl90_, readings_);
    takeIn(readings_);
}

void TrafficFeed::takeIn(Readings& readings) {
    const double heard = updateTime();
    for (Target& target : readings.targets) take(std::move(target), heard);
    readings.targets.clear();
    if (readings.status) {
        flarmStatus_ = std::exchange(readings.status, std::nullopt);
        changed();
    }
    for (const char* problem : readings.problems) bad(problem);
    readings.problems.clear();
    if (!readings.gdl90.empty()) {
        handleGdl90Messages(readings.gdl90);
        readings.gdl90.clear();
    }
}

void TrafficFeed::handleGdl90Messages(const std::vector<Gdl90Message>& messages) {
    for (const Gdl90Message& m : messages) {
        switch (m.kind) {
        case Gdl90Message::Kind::Heartbeat: break;
        case Gdl90Message::Kind::OwnshipGeometricAltitude:
            ownship_.geometricAltitude = m.geometricAltitude;
            break;
        case Gdl90Message::Kind::Ownship: {
            const Gdl90Report& r = m.report;
            ownship_.latitude = r.latitude.value_or(kNoValue);
            ownship_.longitude = r.longitude.value_or(kNoValue);
            ownship_.pressureAltitude = r.pressureAltitude;
            ownship_.track = r.track;
            ownship_.groundSpeed = r.groundSpeed;
            ownshipCosLatitude_ = std::cos(ownship_.latitude * M_PI / 180.0);
            // The targets' places are relative to the ownship: move them all with it.
            for (Target& t : list_.mutableTargets())
                if (t.id.origin == TrafficOrigin::Gdl90) placeGdl90Target(t);
            changed();
            break;
        }
        case Gdl90Message::Kind::Traffic: {
            const Gdl90Report& r = m.report;
            Target t;
            t.id = {TrafficOrigin::Gdl90, r.address};
            t.addressType = r.addressType;
            t.latitude = r.latitude.value_or(kNoValue);
            t.longitude = r.longitude.value_or(kNoValue);
            t.altitude = r.pressureAltitude;
            t.track = r.track;
            t.groundSpeed = r.groundSpeed;
            t.climbRate = r.climbRate;
            // The list keeps the callsign it has when the report brings none: a text is made
            // only for a callsign that differs from the one kept.
            if (!r.callsign.isEmpty()) {
                t.callsignKey = r.callsign.key();
                const Target* known = list_.find(t.id);
                if (!known || known->callsignKey != t.callsignKey) t.callsign = r.callsign.toString();
            }
            t.aircraftType = r.emitterCategory;
            placeGdl90Target(t);
            take(std::move(t), updateTime());
            break;
        }
        }
    }
}

void TrafficFeed::placeGdl90Target(Target& t) const {
    t.north = t.east = t.distance = t.vertical = kNoValue;
    if (ownship_.hasPosition() && std::isfinite(t.latitude)) {
        // A plane about the aircraft: good to a few metres over the 100 km a receiver hears.
        t.north = (t.latitude - ownship_.latitude) * kMetresPerDegree;
        double dlon = t.longitude - ownship_.longitude;
        if (dlon > 180.0) dlon -= 360.0;  // across the date line
        if (dlon < -180.0) dlon += 360.0;
        t.east = dlon * kMetresPerDegree * ownshipCosLatitude_;
        t.distance = std::sqrt(t.north * t.north + t.east * t.east);
    }
    // Both heights are pressure altitudes: their difference holds whatever the day's pressure.
    t.vertical = t.altitude - ownship_.pressureAltitude;
    t.alarm = proximityAlarm(t);
}

double TrafficFeed::updateTime() {
    // While an update is posted, the messages of this event-loop turn keep the time the first of
    // them read: one clock read per batch, not per sentence.
    if (clock_ != Clock::Wall) return now();
    if (!updatePending_ || !std::isfinite(batchTime_)) batchTime_ = now();
    return batchTime_;
}

void TrafficFeed::take(Target&& target, double heard) {
    switch (list_.update(std::move(target), heard)) {
    case TrafficList::Update::AddressTypeChanged: return bad("an address that changed its type");
    case TrafficList::Update::ListFull: return bad("more targets than the list holds");
    default: return changed();
    }
}

void TrafficFeed::noteFix(const positioning::Fix& fix) {
    if (clock_ == Clock::Fixes && std::isfinite(fix.timestamp)) {
        // The clock only goes forward: a recording whose time goes back holds its targets' ages.
        if (std::isfinite(lastFixTimestamp_) && fix.timestamp > lastFixTimestamp_)
            fixTime_ += fix.timestamp - lastFixTimestamp_;
        lastFixTimestamp_ = fix.timestamp;
    }
    tick();
}

void TrafficFeed::tick() {
    if (list_.expire(now()) > 0) changed();
    if (badInputs_ > badInputsLogged_ && now() - badInputLogTime_ >= kBadInputLogInterval) bad(nullptr);
    updateAlerts();
}

void TrafficFeed::bad(const char* reason) {
    if (reason) {
        ++badInputs_;
        lastBadReason_ = reason;
    }
    double t = now();
    if (t - badInputLogTime_ < kBadInputLogInterval) return;  // told again at the next tick after a minute
    platform::logLine(QStringLiteral("Traffic: dropped %1 bad input%2 (%3 in all; the last: %4)")
                          .arg(badInputs_ - badInputsLogged_)
                          .arg(badInputs_ - badInputsLogged_ == 1 ? "" : "s")
                          .arg(badInputs_)
                          .arg(QString::fromLatin1(lastBadReason_ ? lastBadReason_ : "unknown")));
    badInputsLogged_ = badInputs_;
    badInputLogTime_ = t;
}

void TrafficFeed::changed() {
    if (updatePending_) return;
    updatePending_ = true;
    QTimer::singleShot(0, this, [this] {
        updatePending_ = false;
        batchTime_ = kNoValue;
        updateAlerts();
        platform::NotificationCenter::defaultCenter().postNotificationName("trafficDidUpdate", this);
    });
}

void TrafficFeed::updateAlerts() {
    AlertUnits units = units_ ? *units_ : AlertUnits::from(units::UnitSettings::shared());
    // The texts of the alerts before are kept where they would read the same, in the same units.
    const bool sameUnits = alertUnits_ && *alertUnits_ == units;
    std::vector<TrafficAlert> alerts =
        trafficAlerts(list_.targets(), ownTrack_ ? ownTrack_() : kNoValue, units, sameUnits ? &alerts_ : nullptr);
    if (!sameUnits) alertUnits_ = std::move(units);
    bool same = alerts.size() == alerts_.size();
    for (size_t i = 0; same && i < alerts.size(); ++i)
        same = alerts[i].id == alerts_[i].id && alerts[i].level == alerts_[i].level;
    for (const TrafficAlert& a : alerts) {
        bool known = false;
        for (const TrafficAlert& old : alerts_)
            if (old.id == a.id && old.level >= a.level) known = true;
        if (!known)
            platform::logLine(QStringLiteral("Traffic alert (level %1, %2): %3").arg(int(a.level)).arg(a.id.text(), a.text));
    }
    alerts_ = std::move(alerts);
    if (!same) platform::NotificationCenter::defaultCenter().postNotificationName("trafficAlertsDidChange", this);
}

}  // namespace vantrel::traffic
