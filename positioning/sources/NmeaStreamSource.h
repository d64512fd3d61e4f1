#pragma once
// Live NMEA 0183 from a serial receiver, a TCP server or UDP datagrams (flight simulators and
// traffic receivers send it; port 49002 is common), parsed by NmeaParser. The transport is read
// and parsed on a thread of its own (StreamLink); the fixes, failures and the sentences it does
// not use are delivered on the main thread, once per event-loop turn for all that came. The
// sentences it does not use go to a MessageReader on that thread when one is set.
//
// Failures: a device that cannot be opened, a connection refused or closed, ten seconds without
// data, a stream of garbage (twenty bad lines in a row: the wrong baud rate, not NMEA) or a
// receiver that reports no fix. Each is reported once per outage; the source closes what it had
// and tries again every three seconds, for as long as it exists.
//
// Ownership: owns its link (with the transport, replaced at each reconnection) and parser.
// Threads: main thread; the parser and the message reader work on the link's thread.

#include "NmeaParser.h"
#include "StreamLink.h"

#include "positioning/PositionSource.h"

#include <QTimer>

#include <memory>
#include <mutex>

namespace vantrel::positioning {

class NmeaStreamSource : public PositionSource {
    Q_OBJECT
public:
    using Transport = StreamLink::Transport;

    static constexpr int kReconnectMs = 3000;
    static constexpr int kSilenceMs = 10000;
    static constexpr int kGarbageLines = 20;

    // Serial: address is the device, number the baud rate. Tcp: host and port. Udp: number is the
    // port listened on (all interfaces), address unused.
    NmeaStreamSource(Transport transport, QString address, int number, QObject* parent = nullptr);
    ~NmeaStreamSource() override;

    void startUpdatingLocation() override;
    QString description() const override;
    QString name() const override;  // "nmea:/dev/ttyACM0@9600", "tcp:HOST:PORT", "udp:PORT"
    bool setMessageReader(std::shared_ptr<MessageReader> reader) override;

private:
    // What the link's thread has read and the main thread not yet delivered.
    struct Pending {
        NmeaParser::Output output;  // the sentences not used only while no reader is set
        bool garbage = false;       // the parser has seen a run of bad lines
        bool messagesRead = false;  // the reader has read sentences
    };

    void open();
    void digest(QByteArrayView bytes);  // the link's thread
    void deliver();
    void fail(const QString& error);

    const Transport transport_;
    const QString address_;
    const int number_;
    bool started_ = false;
    std::unique_ptr<NmeaParser> parser_;  // the link's thread's
    std::mutex mutex_;
    Pending pending_;                        // under mutex_
    std::shared_ptr<MessageReader> reader_;  // under mutex_
    QTimer reconnectTimer_;
    QTimer silenceTimer_;
    std::unique_ptr<StreamLink> link_;  // last: its thread ends before the rest goes
};

}  // namespace vantrel::positioning
