#include "GpsdSource.h"

#include "platform/core/Log.h"

#include <QMetaObject>

#include <gps.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <optional>

namespace vantrel::positioning {

namespace {

constexpr int kQuietMicroseconds = 200000;  // no report for this long: the epoch is complete

// The fix of a TPV report, if it holds one.
std::optional<Fix> fixOf(const gps_data_t& gd) {
    if (!(gd.set & LATLON_SET) || !(gd.set & TIME_SET) || gd.fix.mode < MODE_2D) return std::nullopt;
    Fix fix;
    fix.latitude = gd.fix.latitude;
    fix.longitude = gd.fix.longitude;
    fix.timestamp = double(gd.fix.time.tv_sec) + double(gd.fix.time.tv_nsec) / 1e9;
    if (std::isfinite(gd.fix.eph))
        fix.horizontalAccuracy = gd.fix.eph;
    else if (std::isfinite(gd.fix.epx) && std::isfinite(gd.fix.epy))
        fix.horizontalAccuracy = std::hypot(gd.fix.epx, gd.fix.epy);
    else
        fix.horizontalAccuracy = kUnknownAccuracyMetres;
    // Height only from a 3-D fix: above mean sea level as gpsd gives it, else the height above the
    // ellipsoid less the geoid separation.
    if (gd.fix.mode >= MODE_3D && (gd.set & ALTITUDE_SET)) {
        if (std::isfinite(gd.fix.altMSL))
            fix.altitude = plausibleAltitude(gd.fix.altMSL);
        else if (std::isfinite(gd.fix.altHAE) && std::isfinite(gd.fix.geoid_sep) && std::abs(gd.fix.geoid_sep) < 150.0)
            fix.altitude = plausibleAltitude(gd.fix.altHAE - gd.fix.geoid_sep);
    }
    if (gd.fix.mode >= MODE_3D && (gd.set & CLIMB_SET)) fix.verticalSpeed = plausibleVerticalSpeed(gd.fix.climb);
    if (!fix.hasValidCoordinate()) return std::nullopt;
    return fix;
}

}  // namespace

GpsdSource::GpsdSource(QString host, QString port, QObject* parent)
    : PositionSource(parent), host_(std::move(host)), port_(std::move(port)) {}

GpsdSource::~GpsdSource() {
    stopping_ = true;
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

QString GpsdSource::description() const { return QStringLiteral("gpsd at %1:%2").arg(host_, port_); }

void GpsdSource::startUpdatingLocation() {
    if (worker_.joinable()) return;
    setWaiting();
    worker_ = std::thread([this] { run(); });
}

// Queued to the main thread; dropped by Qt if the source is gone by then.
void GpsdSource::post(std::function<void()> fn) { QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection); }

bool GpsdSource::waitBeforeReconnect() {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::seconds(kReconnectSeconds), [this] { return stopping_.load(); });
}

void GpsdSource::run() {
    QByteArray host = host_.toUtf8(), port = port_.toUtf8();
    while (!stopping_) {
        gps_data_t gd{};
        if (gps_open(host.constData(), port.constData(), &gd) != 0) {
            QString why = QString::fromUtf8(gps_errstr(errno));
            post([this, why] {
                deliverFailure(QStringLiteral("cannot connect: %1").arg(why));
                setWaiting();  // no daemon (yet): the pilot sees what the source waits for
            });
            if (!waitBeforeReconnect()) break;
            continue;
        }
        gps_stream(&gd, WATCH_ENABLE | WATCH_JSON, nullptr);
        platform::logLine(QStringLiteral("Watching %1").arg(description()));

        Fix pending;  // the epoch being completed, when hasPending
        bool hasPending = false;
        double lastDelivered = NAN;
        bool hadFix = false;
        // A receiver gone quiet leaves gpsd connected and silent: the last fix must not stay
        // current, so a silence is a failure, said once until reports come again.
        auto lastReport = std::chrono::steady_clock::now();
        bool silent = false;
        while (!stopping_) {
            if (!silent && std::chrono::steady_clock::now() - lastReport >= std::chrono::milliseconds(silenceMs_)) {
                silent = true;
                QString why = silenceMs_ % 1000 == 0 ? QStringLiteral("no data for %1 s").arg(silenceMs_ / 1000)
                                                     : QStringLiteral("no data for %1 ms").arg(silenceMs_);
                post([this, why] { deliverFailure(why); });
            }
            if (!gps_waiting(&gd, kQuietMicroseconds)) {
                if (hasPending) {
                    post([this, fix = pending] { deliverFix(fix); });
                    lastDelivered = pending.timestamp;
                    hasPending = false;
                }
                continue;
            }
            errno = 0;
            if (gps_read(&gd, nullptr, 0) == -1) {
                post([this] { deliverFailure(QStringLiteral("connection lost")); });
                break;
            }
            if (gd.set & ERROR_SET)
                platform::logLine(QStringLiteral("%1 says: %2").arg(description(), QString::fromUtf8(gd.error)));
            if (!(gd.set & MODE_SET)) continue;  // not a TPV report
            lastReport = std::chrono::steady_clock::now();
            silent = false;
            std::optional<Fix> fix = fixOf(gd);
            if (!fix) {
                if (gd.fix.mode == MODE_NO_FIX && hadFix)
                    post([this] { deliverFailure(QStringLiteral("the receiver has no fix")); });
                continue;
            }
            hadFix = true;
            if (fix->timestamp == lastDelivered) continue;  // a late report of an epoch already delivered
            if (hasPending && pending.timestamp != fix->timestamp) {
                post([this, done = pending] { deliverFix(done); });
                lastDelivered = pending.timestamp;
            }
            pending = *fix;  // a later report of the same time knows more (GST, DOP)
            hasPending = true;
        }
        gps_stream(&gd, WATCH_DISABLE, nullptr);
        gps_close(&gd);
        if (!stopping_ && !waitBeforeReconnect()) break;
    }
}

}  // namespace vantrel::positioning
