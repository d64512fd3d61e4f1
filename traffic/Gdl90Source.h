#pragma once
// A GDL90 traffic receiver on UDP (port 4000 by default) as a position source: its ownship reports
// become fixes (accuracy from their NACp), and the messages of every good frame (heartbeat,
// ownship, geometric altitude, traffic) are passed on decoded through messagesRead() for the
// traffic feed, those of a datagram together, after the datagram's fixes: the frames are checked
// and decoded once, here. Frames with a wrong CRC or cut short are dropped; their count goes to
// the log at most once a minute.
//
// Failures: a port that cannot be bound (tried again every three seconds), ten seconds without
// data, and a receiver that reports no position. Each is reported once per outage.
//
// The ownship's pressure and geometric altitudes are not in the fix (fixes carry none yet); the
// traffic feed keeps them (TrafficFeed::ownship()).
//
// Ownership: owns its socket (a Qt child) and reader. Threads: main thread only.

#include "Gdl90Reader.h"

#include "positioning/PositionSource.h"

#include <QElapsedTimer>
#include <QTimer>

class QUdpSocket;

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

    // Reads bytes as if they had come in a datagram (the socket's path; tests feed it directly).
    void consume(QByteArrayView bytes);

    // The fix for an ownship report at `timestamp`, or nothing when it has no position.
    static std::optional<positioning::Fix> fixFromOwnship(const Gdl90Report& report, double timestamp);

signals:
    // The good messages of one datagram, in order, emitted after its fixes. Main thread.
    void messagesRead(const std::vector<vantrel::traffic::Gdl90Message>& messages);

private:
    void open();
    void fail(const QString& error);

    int port_;
    bool started_ = false;
    QUdpSocket* socket_ = nullptr;
    Gdl90Reader reader_;
    int64_t badLogged_ = 0;
    QElapsedTimer sinceBadLog_;
    QTimer reconnectTimer_;
    QTimer silenceTimer_;
};

// "gdl90" or "gdl90:PORT" to the port, or nothing with the error.
std::optional<int> gdl90Port(const QString& gpsOption, QString* error);

}  // namespace vantrel::traffic
