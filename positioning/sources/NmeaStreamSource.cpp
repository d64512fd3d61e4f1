#include "NmeaStreamSource.h"

#include "SerialPort.h"

#include <QDateTime>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>

namespace vantrel::positioning {

NmeaStreamSource::NmeaStreamSource(Transport transport, QString address, int number, QObject* parent)
    : PositionSource(parent), transport_(transport), address_(std::move(address)), number_(number) {
    reconnectTimer_.setSingleShot(true);
    reconnectTimer_.setInterval(kReconnectMs);
    connect(&reconnectTimer_, &QTimer::timeout, this, &NmeaStreamSource::open);
    silenceTimer_.setSingleShot(true);
    silenceTimer_.setInterval(kSilenceMs);
    connect(&silenceTimer_, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no data for %1 s").arg(kSilenceMs / 1000)); });
}

NmeaStreamSource::~NmeaStreamSource() { closeTransport(); }

QString NmeaStreamSource::description() const {
    switch (transport_) {
    case Transport::Serial: return QStringLiteral("NMEA on %1 at %2 baud").arg(address_).arg(number_);
    case Transport::Tcp: return QStringLiteral("NMEA from %1:%2 (TCP)").arg(address_).arg(number_);
    case Transport::Udp: return QStringLiteral("NMEA on UDP port %1").arg(number_);
    }
    return {};
}

QString NmeaStreamSource::name() const {
    switch (transport_) {
    case Transport::Serial: return QStringLiteral("nmea:%1@%2").arg(address_).arg(number_);
    case Transport::Tcp: return QStringLiteral("tcp:%1:%2").arg(address_).arg(number_);
    case Transport::Udp: return QStringLiteral("udp:%1").arg(number_);
    }
    return {};
}

void NmeaStreamSource::startUpdatingLocation() {
    if (started_) return;
    started_ = true;
    setWaiting();
    open();
}

void NmeaStreamSource::open() {
    closeTransport();
    parser_ = std::make_unique<NmeaParser>(description(), QDateTime::currentDateTimeUtc().date());
    silenceTimer_.start();
    switch (transport_) {
    case Transport::Serial: {
        serial_ = new SerialPort(address_, number_, this);
        connect(serial_, &SerialPort::dataReceived, this, &NmeaStreamSource::consume);
        connect(serial_, &SerialPort::failed, this, &NmeaStreamSource::fail);
        QString error;
        if (!serial_->open(&error)) fail(error);
        break;
    }
    case Transport::Tcp:
        tcp_ = new QTcpSocket(this);
        connect(tcp_, &QTcpSocket::readyRead, this, [this] { consume(tcp_->readAll()); });
        connect(tcp_, &QTcpSocket::errorOccurred, this, [this] { fail(tcp_->errorString()); });
        connect(tcp_, &QTcpSocket::disconnected, this, [this] { fail(QStringLiteral("the connection was closed")); });
        tcp_->connectToHost(address_, quint16(number_));
        break;
    case Transport::Udp:
        udp_ = new QUdpSocket(this);
        connect(udp_, &QUdpSocket::readyRead, this, [this] {
            while (udp_ && udp_->hasPendingDatagrams()) consume(udp_->receiveDatagram().data());
        });
        if (!udp_->bind(QHostAddress::Any, quint16(number_), QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint))
            fail(udp_->errorString());
        break;
    }
}

void NmeaStreamSource::closeTransport() {
    // Transports may be closed from inside their own signals: detach them and delete them later.
    for (QObject* transport : {static_cast<QObject*>(serial_), static_cast<QObject*>(tcp_), static_cast<QObject*>(udp_)}) {
        if (!transport) continue;
        transport->disconnect(this);
        transport->deleteLater();
    }
    if (serial_) serial_->close();
    if (tcp_) tcp_->abort();
    if (udp_) udp_->close();
    serial_ = nullptr;
    tcp_ = nullptr;
    udp_ = nullptr;
}

void NmeaStreamSource::consume(const QByteArray& bytes) {
    silenceTimer_.start();
    parser_->addData(bytes);
    NmeaParser::Output output = parser_->takeOutput();
    size_t other = 0;
    for (size_t i = 0; i <= output.epochs.size(); ++i) {
        // The proprietary sentences that came before this epoch go first.
        for (; other < output.otherSentences.size() && output.otherSentences[other].epochsBefore <= i; ++other)
            deliverUnusedMessage(output.otherSentences[other].line);
        if (i == output.epochs.size()) break;
        const NmeaEpoch& epoch = output.epochs[i];
        if (epoch.fix)
            deliverFix(*epoch.fix);
        else if (hasDeliveredFix())
            deliverFailure(QStringLiteral("the receiver has no fix"));
    }
    if (parser_->consecutiveBadLines() >= kGarbageLines)
        deliverFailure(QStringLiteral("no valid NMEA sentences (wrong baud rate, or not an NMEA stream?)"));
}

void NmeaStreamSource::fail(const QString& error) {
    closeTransport();
    silenceTimer_.stop();
    deliverFailure(error);
    reconnectTimer_.start();
}

}  // namespace vantrel::positioning
