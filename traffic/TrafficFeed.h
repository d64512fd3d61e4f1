#pragma once
// The traffic around the aircraft, fed by whatever position source runs: it reads the FLARM
// sentences and GDL90 frames the source passes on (PositionSource::unusedMessage), or the GDL90
// messages a Gdl90Source has already decoded (Gdl90Source::messagesRead), keeps the target
// list with its ages, the GDL90 ownship, and the alerts. This is what the map draws from and what
// the app raises its banner from.
//
// Clocks: in the app the feed ages targets by the wall clock (a monotonic timer, read once for the
// messages of one event-loop turn; a one-second tick expires the quiet ones). A tool replaying a
// recording as fast as it can ages them by the fixes' times instead (Clock::Fixes, fed by
// noteFix), so a replay gives the same list at any speed.
//
// Reading: from a live stream (a source that reads on a thread of its own), the FLARM sentences
// and GDL90 frames are read on that thread (a MessageReader of the feed's); the main thread only
// takes the targets in, once per event-loop turn for all that came. From the other sources, each
// message is read as it is passed on. Within one turn's input from a stream, FLARM's targets are
// taken in before the GDL90 messages.
//
// Bad input is dropped and counted; the count goes to the log at most once a minute (by the
// feed's clock), with the last reason.
//
// Posts "trafficDidUpdate" (object: the feed) once per event-loop turn in which the targets
// changed, and "trafficAlertsDidChange" when the set of alerts or their levels changed; the first
// alert of a target is logged.
//
// Ownership: the shared feed lives until the process ends; a feed of its own is owned by its
// maker. It does not own the sources it listens to (a source that goes disconnects itself).
// Threads: main thread only (but its reader, on the source's reading thread).

#include "FlarmReader.h"
#include "Gdl90Reader.h"
#include "TrafficAlerts.h"
#include "TrafficList.h"

#include "positioning/Fix.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

namespace vantrel::positioning {
class PositionSource;
}

namespace vantrel::traffic {

// The aircraft as a GDL90 receiver reports it. Its heights stay here until position fixes carry
// altitudes of their own.
struct Ownship {
    double latitude = kNoValue;
    double longitude = kNoValue;
    double pressureAltitude = kNoValue;   // metres
    double geometricAltitude = kNoValue;  // metres
    double track = kNoValue;
    double groundSpeed = kNoValue;
    bool hasPosition() const { return std::isfinite(latitude) && std::isfinite(longitude); }
};

class TrafficFeed : public QObject {
    Q_OBJECT
public:
    enum class Clock { Wall, Fixes };
    static constexpr double kBadInputLogInterval = 60.0;  // seconds

    static TrafficFeed& shared();

    explicit TrafficFeed(Clock clock = Clock::Wall, QObject* parent = nullptr);
    ~TrafficFeed() override;

    // Listens to this source's unused messages from now on (and to no other source's), starting
    // from an empty list.
    void listenTo(positioning::PositionSource* source);
    // Stops listening; the list stays as it is.
    void stopListening();
    // The aircraft's track in degrees (NaN when unknown), asked when alerts are made.
    void setOwnTrackProvider(std::function<double()> provider) { ownTrack_ = std::move(provider); }
    // The alert texts' units; without them, the pilot's (UnitSettings::shared()) at each update.
    void setUnits(AlertUnits units) { units_ = std::move(units); }

    // A message as a source passes it on: a NMEA line or GDL90 frames.
    void handleMessage(QByteArrayView message);
    // GDL90 messages decoded by their source, in order.
    void handleGdl90Messages(const std::vector<Gdl90Message>& messages);
    // A position fix: advances the Fixes clock and expires quiet targets.
    void noteFix(const positioning::Fix& fix);
    // Expires the quiet targets and brings the alerts up to date (the wall clock's tick).
    void tick();

    double now() const;
    const std::vector<Target>& targets() const { return list_.targets(); }
    // Loudest first.
    const std::vector<TrafficAlert>& alerts() const { return alerts_; }
    const std::optional<FlarmStatus>& flarmStatus() const { return flarmStatus_; }
    const Ownship& ownship() const { return ownship_; }
    int64_t badInputs() const { return badInputs_; }

    // Forgets every target, the status and the ownship (a new source).
    void reset();

    // What a run of messages said, in order within each kind: FLARM's targets, its last status,
    // the reasons bad ones were dropped, and the good GDL90 messages.
    struct Readings {
        std::vector<Target> targets;
        std::optional<FlarmStatus> status;
        std::vector<const char*> problems;
        std::vector<Gdl90Message> gdl90;
    };
    // A GDL90 byte stream read in order, with the count of its bad frames already told.
    struct Gdl90Stream {
        Gdl90Reader reader;
        int64_t badSeen = 0;
    };

private:
    class SourceReader;
    // Takes in what the readings say (and leaves them empty, their room kept).
    void takeIn(Readings& readings);
    // The time a target taken now was heard: the wall clock read once per event-loop turn.
    double updateTime();
    void take(Target&& target, double heard);
    void placeGdl90Target(Target& target) const;
    void bad(const char* reason);
    void changed();
    void updateAlerts();

    Clock clock_;
    QElapsedTimer wall_;
    double fixTime_ = 0.0;  // Fixes clock: seconds since its first fix
    double lastFixTimestamp_ = kNoValue;
    double ownshipCosLatitude_ = 1.0;  // of the ownship's latitude, for placing GDL90 targets
    QTimer tick_;
    TrafficList list_;
    Gdl90Stream gdl90_;  // of the messages read on the main thread
    Readings readings_;  // those taken in last, kept for their vectors' room
    std::shared_ptr<SourceReader> sourceReader_;  // while listening to a source that reads on its own thread
    QPointer<positioning::PositionSource> source_;
    Ownship ownship_;
    std::optional<FlarmStatus> flarmStatus_;
    std::vector<TrafficAlert> alerts_;
    std::function<double()> ownTrack_;
    std::optional<AlertUnits> units_;
    std::optional<AlertUnits> alertUnits_;  // those of alerts_
    int64_t badInputs_ = 0;
    int64_t badInputsLogged_ = 0;
    double badInputLogTime_ = -kBadInputLogInterval;
    const char* lastBadReason_ = nullptr;
    bool updatePending_ = false;
    double batchTime_ = kNoValue;  // Wall clock: the time of this turn's messages, while an update is posted
    QMetaObject::Connection sourceConnection_;
    QMetaObject::Connection gdl90Connection_;
};

}  // namespace vantrel::traffic
