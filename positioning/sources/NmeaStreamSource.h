#pragma once
// Live NMEA 0183 from a serial receiver, a TCP server or UDP datagrams (flight simulators and
// traffic receivers send it; port 49002 is common), parsed by NmeaParser.
//
// Failures: a device that cannot be opened, a connection refused or closed, ten seconds without
// data, a stream of garbage (twenty bad lines in a row: the wrong baud rate, not NMEA) or a
// receiver that reports no fix. Each is reported once per outage; the source closes what it had
// and tries again every three seconds, for as long as it exists.
//
// Ownership: owns its transport (a Qt child, replaced at each reconnection) and parser.
// Threads: main thread only.

#include "NmeaParser.h"

#include "positioning/PositionSource.h"

#include <QTimer>

#include <memory>

class QTcpSocket;
class QUdpSocket;

namespace vantrel::positioning {

class SerialPort;

class NmeaStreamSource : public PositionSource {
    Q_OBJECT
public:
    enum class Transport { Serial, Tcp, Udp };

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

private:
    void open();
    void closeTransport();
    void consume(const QByteArray& bytes);
    void fail(const QString& error);

    Transport transport_;
    QString address_;
    int number_;
    bool started_ = false;
    std::unique_ptr<NmeaParser> parser_;
    SerialPort* serial_ = nullptr;  // the open transport, a child
    QTcpSocket* tcp_ = nullptr;
    QUdpSocket* udp_ = nullptr;
    QTimer reconnectTimer_;
    QTimer silenceTimer_;
};

}  // namespace vantrel::positioning
