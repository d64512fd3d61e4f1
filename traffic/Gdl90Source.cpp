#include "Gdl90Source.h"

#include "platform/core/Log.h"

#include <QDateTime>

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
    link_ = std::make_unique<positioning::StreamLink>(positioning::StreamLink::Transport::Udp, QString(), port_,
                                                      [this](QByteArrayView bytes) { digest(bytes); });
    connect(link_.get(), &positioning::StreamLink::digested, this, &Gdl90Source::deliver);
    connect(link_.get(), &positioning::StreamLink::failed, this, &Gdl90Source::fail);
}

Gdl90Source::~Gdl90Source() = default;

QString Gdl90Source::description() const { return QStringLiteral("GDL90 on UDP port %1").arg(port_); }

void Gdl90Source::startUpdatingLocation() {
    if (started_) return;
    started_ = true;
    open();
}

void Gdl90Source::open() {
    silenceTimer_.start();
    const QString error = link_->open();
    if (!error.isEmpty()) fail(error);
}

void Gdl90Source::fail(const QString& error) {
    link_->close();
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
    digest(bytes);
    deliver();
}

void Gdl90Source::digest(QByteArrayView bytes) {
    const double now = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    std::lock_guard lock(mutex_);
    reader_.addData(bytes);
    badFrames_ = reader_.badFrames();
    lastProblem_ = reader_.lastProblem();
    std::vector<Gdl90Message> messages = reader_.takeMessages();
    for (const Gdl90Message& m : messages)
        if (m.kind == Gdl90Message::Kind::Ownship) pending_.ownship.push_back(fixFromOwnship(m.report, now));
    if (pending_.messages.empty())
        pending_.messages = std::move(messages);
    else
        pending_.messages.insert(pending_.messages.end(), std::make_move_iterator(messages.begin()),
                                 std::make_move_iterator(messages.end()));
}

void Gdl90Source::deliver() {
    Pending p;
    int64_t badFrames = 0;
    const char* lastProblem = nullptr;
    {
        std::lock_guard lock(mutex_);
        p = std::exchange(pending_, {});
        badFrames = badFrames_;
        lastProblem = lastProblem_;
    }
    if (!reconnectTimer_.isActive()) silenceTimer_.start();
    if (badFrames > badLogged_ && (!sinceBadLog_.isValid() || sinceBadLog_.elapsed() >= kBadLogIntervalMs)) {
        platform::logLine(QStringLiteral("%1: dropped %2 bad frames (%3 in all; the last: %4)")
                              .arg(description())
                              .arg(badFrames - badLogged_)
                              .arg(badFrames)
                              .arg(QString::fromLatin1(lastProblem)));
        badLogged_ = badFrames;
        sinceBadLog_.start();
    }
    for (const std::optional<positioning::Fix>& fix : p.ownship) {
        if (fix)
            deliverFix(*fix);
        else
            deliverFailure(QStringLiteral("the receiver has no position"));
    }
    // The messages go on together (one call for the feed, not one per frame), after the fixes
    // of their ownship reports.
    if (!p.messages.empty()) emit messagesRead(p.messages);
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
