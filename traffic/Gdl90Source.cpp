#include "Gdl90Source.h"

#include "platform/core/Log.h"

#include <QDateTime>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace vantrel::traffic {

namespace {
constexpr qint64 kBadLogIntervalMs = 60000;

// NACp's bound on the position error (95 %), metres; 0 means unknown.
double accuracyOfNacp(int nacp) {
    static constexpr double bounds[] = {0.0, 18520.0, 7408.0, 3704.0, 1852.0, 926.0, 555.6, 185.2, 92.6, 30.0, 10.0, 3.0};
    if (nacp <= 0 || nacp > 11) return positioning::kUnknownAccuracyMetres;
    return bounds[nacp];
}
}  // namespace

Gdl90Source::Gdl90Source(int port, QObject* parent) : PositionSource(parent), port_(port) {
    reconnectTimer_.setSingleShot(true);
    reconnectTimer_.setInterval(kReconnectMs);
    connect(&reconnectTimer_, &QTimer::timeout, this, &Gdl90Source::open);
    silenceTimer_.setSingleShot(true);
    silenceTimer_.setInterval(kSilenceMs);
    connect(&silenceTimer_, &QTimer::timeout, this,
            [this] { deliverFailure(QStringLiteral("no data for %1 s").arg(kSilenceMs / 1000)); });
}

Gdl90Source::~Gdl90Source() = default;

QString Gdl90Source::description() const { return QStringLiteral("GDL90 on UDP port %1").arg(port_); }

void Gdl90Source::startUpdatingLocation() {
    if (started_) return;
    started_ = true;
    open();
}

void Gdl90Source::open() {
    if (socket_) {
        socket_->disconnect(this);
        socket_->deleteLater();
    }
    socket_ = new QUdpSocket(this);
    connect(socket_, &QUdpSocket::readyRead, this, [this] {
        while (socket_ && socket_->hasPendingDatagrams()) consume(socket_->receiveDatagram().data());
    });
    silenceTimer_.start();
    if (!socket_->bind(QHostAddress::Any, quint16(port_), QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint))
        fail(socket_->errorString());
}

void Gdl90Source::fail(const QString& error) {
    silenceTimer_.stop();
    deliverFailure(error);
    reconnectTimer_.start();
}

std::optional<positioning::Fix> Gdl90Source::fixFromOwnship(const Gdl90Report& report, double timestamp) {
    if (!report.latitude || !report.longitude) return std::nullopt;
    positioning::Fix fix;
    fix.latitude = *report.latitude;
    fix.longitude = *report.longitude;
    fix.horizontalAccuracy = accuracyOfNacp(report.nacp);
    fix.timestamp = timestamp;
    // The report's altitude is the pressure altitude; its geometric altitude (message 11) is a
    // height above the ellipsoid, not above sea level, so it stays with the traffic feed.
    fix.pressureAltitude = positioning::plausibleAltitude(report.pressureAltitude);
    fix.verticalSpeed = positioning::plausibleVerticalSpeed(report.climbRate);
    return fix;
}

void Gdl90Source::consume(QByteArrayView bytes) {
    silenceTimer_.start();
    reader_.addData(bytes);
    if (reader_.badFrames() > badLogged_ && (!sinceBadLog_.isValid() || sinceBadLog_.elapsed() >= kBadLogIntervalMs)) {
        platform::logLine(QStringLiteral("%1: dropped %2 bad frames (%3 in all; the last: %4)")
                              .arg(description())
                              .arg(reader_.badFrames() - badLogged_)
                              .arg(reader_.badFrames())
                              .arg(QString::fromLatin1(reader_.lastProblem())));
        badLogged_ = reader_.badFrames();
        sinceBadLog_.start();
    }
    const std::vector<Gdl90Message> messages = reader_.takeMessages();
    if (messages.empty()) return;
    double now = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    for (const Gdl90Message& m : messages) {
        if (m.kind != Gdl90Message::Kind::Ownship) continue;
        if (std::optional<positioning::Fix> fix = fixFromOwnship(m.report, now))
            deliverFix(*fix);
        else
            deliverFailure(QStringLiteral("the receiver has no position"));
    }
    // The datagram's messages go on together (one call for the feed, not one per frame), after
    // the fixes of its ownship reports.
    emit messagesRead(messages);
}

std::optional<int> gdl90Port(const QString& gpsOption, QString* error) {
    if (gpsOption == QLatin1String("gdl90")) return Gdl90Source::kDefaultPort;
    if (!gpsOption.startsWith(QLatin1String("gdl90:"))) return std::nullopt;
    bool ok = false;
    int port = gpsOption.mid(6).toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        if (error) *error = QStringLiteral("gdl90 wants a UDP port from 1 to 65535, e.g. gdl90:4000");
        return std::nullopt;
    }
    return port;
}

}  // namespace vantrel::traffic
