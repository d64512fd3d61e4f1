#include "SimulatorSource.h"

#include "SlipModel.h"

#include "positioning/Geodesy.h"

#include "platform/core/Log.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel::positioning {

namespace {

constexpr double kRadians = std::numbers::pi / 180.0;
// Distance at which the aircraft turns to the next waypoint: its turn radius at standard rate.
constexpr double kTurnRadius = SimulatorSource::kCruiseSpeed / (SimulatorSource::kStandardRate * kRadians);
// A circuit that never closes (waypoints closer than the turn radius) still ends a fast flight.
constexpr int64_t kLongestFastFlightTicks = int64_t(24 * 3600 * 15);
constexpr double kSensorNoise = 0.003;  // g

bool hasTwoDistinctPoints(const std::vector<RoutePoint>& route) {
    for (const RoutePoint& p : route) {
        if (!std::isfinite(p.latitude) || !std::isfinite(p.longitude) || std::abs(p.latitude) > 90.0 ||
            std::abs(p.longitude) > 180.0)
            return false;
    }
    for (const RoutePoint& p : route)
        if (Geodesy::calcDistanceInMeters(route[0].longitude, route[0].latitude, p.longitude, p.latitude) > kTurnRadius)
            return true;
    return false;
}

}  // namespace

std::vector<RoutePoint> SimulatorSource::fallbackRoute() {
    return {
        {46.238098, 6.10895, QStringLiteral("LSGG")},   // Geneva
        {46.5453, 6.61667, QStringLiteral("LSGL")},     // Lausanne-Blécherette
        {46.8432, 6.91506, QStringLiteral("LSMP")},     // Payerne
        {46.755279, 7.075746, QStringLiteral("LSGE")},  // Ecuvillens
        {46.219166, 7.326944, QStringLiteral("LSGS")},  // Sion
        {45.928947, 6.0987, QStringLiteral("LFLP")},    // Annecy
    };
}

SimulatorSource::SimulatorSource(std::vector<RoutePoint> route, uint32_t seed, QObject* parent)
    : PositionSource(parent), route_(std::move(route)), random_(seed) {
    if (!hasTwoDistinctPoints(route_)) {
        if (!route_.empty())
            platform::logLine(QStringLiteral("Simulator: the route given has no two usable waypoints; flying the built-in circuit"));
        route_ = fallbackRoute();
    }
    latitude_ = route_[0].latitude;
    longitude_ = route_[0].longitude;
    heading_ = Geodesy::calcAngle({float(longitude_), float(latitude_)}, {float(route_[1].longitude), float(route_[1].latitude)});
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(int(std::lround(kTickSeconds * 1000.0)));
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

QString SimulatorSource::description() const {
    QStringList names;
    for (const RoutePoint& p : route_) names.append(p.name);
    return QStringLiteral("simulator flying %1").arg(names.join(QStringLiteral(", ")));
}

bool SimulatorSource::setPacing(Pacing pacing) {
    pacing_ = pacing;
    return true;
}

void SimulatorSource::startUpdatingLocation() {
    if (started_) return;
    started_ = true;
    setWaiting();
    startTime_ = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    platform::logLine(QStringLiteral("Starting the %1").arg(description()));
    deliverNoisyFix();
    if (pacing_ == Pacing::RealTime) {
        timer_.start();
        return;
    }
    while (!tick() && ticks_ < kLongestFastFlightTicks) {}
    finish();
}

void SimulatorSource::enter(Phase phase) {
    phase_ = phase;
    phaseTicks_ = 0;
}

bool SimulatorSource::advancePhase() {
    ++phaseTicks_;
    const double elapsed = double(phaseTicks_) * kTickSeconds;
    switch (phase_) {
    case Phase::Standing:
        speed_ = 0.0;
        if (elapsed >= kStandSeconds) enter(Phase::TaxiOut);
        break;
    case Phase::TaxiOut:
        speed_ = kTaxiSpeed;
        if (elapsed >= kTaxiSeconds) enter(Phase::TakeOffRun);
        break;
    case Phase::TakeOffRun:
        speed_ = std::min(kCruiseSpeed, speed_ + kAcceleration * kTickSeconds);
        if (speed_ >= kCruiseSpeed) enter(Phase::Circuit);
        break;
    case Phase::Circuit:
        speed_ = kCruiseSpeed;
        break;
    case Phase::Landing:
        speed_ = std::max(kTaxiSpeed, speed_ - kDeceleration * kTickSeconds);
        if (speed_ <= kTaxiSpeed) enter(Phase::TaxiIn);
        break;
    case Phase::TaxiIn:
        speed_ = kTaxiSpeed;
        if (elapsed >= kTaxiSeconds) enter(Phase::Parked);
        break;
    case Phase::Parked:
        speed_ = 0.0;
        if (elapsed >= kParkSeconds) {
            enter(Phase::Standing);
            return true;
        }
        break;
    }
    return false;
}

bool SimulatorSource::tick() {
    ++ticks_;
    const bool stood = advancePhase();
    const RoutePoint& target = route_[target_];
    // Steer toward the waypoint, no faster than the standard rate; standing still, not at all.
    double wanted = Geodesy::calcAngle({float(longitude_), float(latitude_)}, {float(target.longitude), float(target.latitude)});
    double change = std::remainder(wanted - heading_, 360.0);
    double limit = kStandardRate * kTickSeconds;
    double turn = speed_ > 0.0 ? std::clamp(change, -limit, limit) : 0.0;
    heading_ = std::fmod(heading_ + turn + 360.0, 360.0);
    turnRate_ = turn / kTickSeconds;

    // Fly the tick's distance along the heading on the sphere.
    double delta = speed_ * kTickSeconds / Geodesy::kEarthRadiusMetres;
    double phi1 = latitude_ * kRadians, lambda1 = longitude_ * kRadians, theta = heading_ * kRadians;
    double phi2 = std::asin(std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(theta));
    double lambda2 = lambda1 + std::atan2(std::sin(theta) * std::sin(delta) * std::cos(phi1),
                                          std::cos(delta) - std::sin(phi1) * std::sin(phi2));
    latitude_ = phi2 / kRadians;
    longitude_ = std::remainder(lambda2 / kRadians, 360.0);
    updateAltitude();

    std::normal_distribution<double> sensor(0.0, kSensorNoise);
    deliverAcceleration(SlipModel::lateral(turnRate_) + sensor(random_), SlipModel::kGravityY + sensor(random_),
                        SlipModel::kGravityZ + sensor(random_));
    if (ticks_ % kTicksPerFix == 0) deliverNoisyFix();

    if (Geodesy::calcDistanceInMeters(longitude_, latitude_, target.longitude, target.latitude) < kTurnRadius) {
        // Back over the first waypoint: the circuit is flown, time to land.
        if (target_ == 0 && phase_ == Phase::Circuit) enter(Phase::Landing);
        target_ = (target_ + 1) % route_.size();
    }
    return stood;
}

void SimulatorSource::updateAltitude() {
    if (phase_ != Phase::Circuit) {
        altitude_ = kFieldElevation;
        verticalSpeed_ = 0.0;
        return;
    }
    double wanted = kFieldElevation + kCruiseHeight;
    if (target_ == 0 && speed_ > 0.0) {
        // Homeward: no higher than a steady descent to the field by the turn radius from it, where
        // the landing begins.
        const RoutePoint& home = route_[0];
        double distance = Geodesy::calcDistanceInMeters(longitude_, latitude_, home.longitude, home.latitude);
        wanted = std::min(wanted, kFieldElevation + std::max(0.0, distance - kTurnRadius) / speed_ * kDescentRate);
    }
    // Approach the wanted height within five seconds, at no more than the climb or descent rate.
    verticalSpeed_ = std::clamp((wanted - altitude_) / 5.0, -kDescentRate, kClimbRate);
    altitude_ += verticalSpeed_ * kTickSeconds;
}

void SimulatorSource::deliverNoisyFix() {
    std::normal_distribution<double> noise(0.0, kPositionNoise);
    std::uniform_real_distribution<double> accuracy(4.0, 9.0);
    double north = noise(random_), east = noise(random_);
    Fix fix;
    fix.latitude = latitude_ + north / Geodesy::kEarthRadiusMetres / kRadians;
    fix.longitude = longitude_ + east / (Geodesy::kEarthRadiusMetres * std::cos(latitude_ * kRadians)) / kRadians;
    fix.horizontalAccuracy = accuracy(random_);
    fix.timestamp = startTime_ + double(ticks_) * kTickSeconds;
    fix.altitude = altitude_;
    fix.pressureAltitude = altitude_ + kPressureAltitudeOffset;
    fix.verticalSpeed = verticalSpeed_;
    deliverFix(fix);
}

void SimulatorSource::finish() {
    platform::logLine(QStringLiteral("Simulator: circuit flown in %1 s").arg(double(ticks_) * kTickSeconds, 0, 'f', 0));
    deliverFinished();
}

}  // namespace vantrel::positioning
