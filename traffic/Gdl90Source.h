#pragma once
// A GDL90 traffic receiver on UDP (port 4000 by default) as a position source: its ownship reports
// become fixes (accuracy from their NACp), and the messages of every good frame (heartbeat,
// ownship, geometric altitude, traffic) are passed on decoded through messagesRead() for the
// traffic feed: the frames are checked and decoded once, here. The datagrams are read and decoded
// on a thread of their own (StreamLink); the main thread gets the fixes and then the messages of
// all the datagrams that came since the last event-loop turn. Frames with a wrong CRC or cut
// short are dropped; their count goes to the log at most once a minute.
//
// Failures: a port that cannot be bound (tried again every three seconds), ten seconds without
// data, and a receiver that reports no position. Each is reported once per outage.
//
// The ownship report's pressure altitude and climb rate go in the fix. Its geometric altitude
// (message 11) is a height above the ellipsoid, not above sea level, so it stays with the traffic
// feed (TrafficFeed::ownship()).
//
// Ownership: owns its link (with the socket) and reader. Threads: main thread; the reader works
// on the link's thread.

#include "Gdl90Reader.h"

#include "positioning/PositionSource.h"
#include "positioning/sources/StreamLink.h"

#include <QElapsedTimer>
#include <QTimer>

#include <mutex>

namespace vantrel::traffic {

class Gdl90Source : public positioning::PositionSource {
    Q_OBJECT
public:
    static constexpr int kDefaultPort = 4000;
    static constexpr int kReconnectMs = 3000;
    static constexpr int kSilenceMs = 10000;

    explicit Gdl90Source(int port, QObject* parent = nullptr);
    ~Gdl90Source() override;

    void startUpdatingLocation() override;
    QString description() const override;
    int port() const { return port_; }

    // Reads bytes as if they had come in a datagram and delivers what they said at once (tests
    // and benchmarks feed it directly).
    void consume(QByteArrayView bytes);

    // The fix for an ownship report at `timestamp`, or nothing when it has no position.
    static std::optional<positioning::Fix> fixFromOwnship(const Gdl90Report& report, double timestamp);

signals:
    // The good messages read since the last time, in order, emitted after their fixes. Main thread.
    void messagesRead(const std::vector<vantrel::traffic::Gdl90Message>& messages);

private:
    // What the datagrams said, not yet delivered.
    struct Pending {
        std::vector<std::optional<positioning::Fix>> ownship;  // a fix for each ownship report, or none without position
        std::vector<Gdl90Message> messages;
    };

    void open();
    void digest(QByteArrayView bytes);  // the link's thread (or the main thread, through consume)
    void deliver();
    void fail(const QString& error);

    int port_;
    bool started_ = false;
    std::mutex mutex_;
    Gdl90Reader reader_;  // under mutex_, as the rest below
    Pending pending_;
    int64_t badFrames_ = 0;
    const char* lastProblem_ = nullptr;
    int64_t badLogged_ = 0;  // main thread
    QElapsedTimer sinceBadLog_;
    QTimer reconnectTimer_;
    QTimer silenceTimer_;
    std::unique_ptr<positioning::StreamLink> link_;  // last: its thread ends before the rest goes
};

// "gdl90" or "gdl90:PORT" to the port, or nothing with the error.
std::optional<int> gdl90Port(const QString& gpsOption, QString* error);

}  // namespace vantrel::traffic
