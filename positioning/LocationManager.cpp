#include "LocationManager.h"

#include "AccelerationManager.h"
#include "units/UnitSettings.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cmath>

namespace vantrel::positioning {

namespace {
constexpr size_t kSamplesBeforeComputation = 6;
// Five seconds of fixes at 100 Hz: a bound on the look-back whatever the timestamps say.
constexpr size_t kMostOlderSamples = 500;
constexpr float kHeldWeight = 0.05f;
// 0.95 as a float, applied in double: the blends have always used this value.
constexpr double kNewWeight = double(0.95f);
constexpr const char* kLocationDidUpdate = "locationDidUpdate";
constexpr const char* kSourceStateDidChange = "positionSourceStateDidChange";

// The bearing from one fix to another in double precision: a few metres between fixes at a high
// rate are below a float degree's resolution (0.4 m at 46 N).
double trackAngle(const Fix& from, const Fix& to) {
    double dx = to.longitude - from.longitude;
    if (dx > 180.0) dx -= 360.0;
    else if (dx < -180.0) dx += 360.0;
    double east = Geodesy::lateralDistance(from.longitude, from.latitude, to.longitude, to.latitude);
    double north = Geodesy::verticalDistance(from.longitude, from.latitude, to.longitude, to.latitude);
    if (dx < 0.0) east = -east;
    if (to.latitude < from.latitude) north = -north;
    double degrees = std::atan2(east, north) / Geodesy::kDegreesToRadians;
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}
}  // namespace

LocationManager& LocationManager::sharedManager() {
    static LocationManager manager;
    // Sources hold sockets, timers and threads: stop them while the event loop still exists.
    static const bool stopsAtQuit = [] {
        QCoreApplication* app = QCoreApplication::instance();
        if (app) QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { manager.setPositionSource(nullptr); });
        return app != nullptr;
    }();
    (void)stopsAtQuit;
    return manager;
}

LocationManager::LocationManager() {
    updateUnits();
    platform::NotificationCenter::defaultCenter().addObserver(
        this, "UnitsChangedGPS", nullptr, [this](const platform::Notification&) { updateUnits(); });
    samples_.reserve(kSamplesBeforeComputation);
    platform::logLine(QStringLiteral("Init GPS manager"));
}

LocationManager::~LocationManager() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void LocationManager::setPositionSource(std::unique_ptr<PositionSource> source) {
    gps_ = std::move(source);
    if (!gps_) return;
    gps_->setHandlers({
        [this](const Fix& fix) { locationManagerDidUpdateToLocation(fix); },
        [this](const QString& error) { locationManagerDidFailWithError(error); },
        [](double x, double y, double z) { AccelerationManager::sharedManager().sourceDidAccelerate(x, y, z); },
        {},
    });
    QObject::connect(gps_.get(), &PositionSource::stateChanged, gps_.get(), [this] {
        platform::NotificationCenter::defaultCenter().postNotificationName(kSourceStateDidChange, this);
    });
    if (started_) gps_->startUpdatingLocation();
}

QString LocationManager::sourceStateText() const {
    return gps_ ? gps_->stateText() : QStringLiteral("no position source");
}

void LocationManager::start() {
    if (!started_) {
        started_ = true;
        if (gps_)
            gps_->startUpdatingLocation();
        else
            platform::logLine(QStringLiteral("No position source: the instruments wait for a fix"));
    }
    postDidUpdate();
}

void LocationManager::postDidUpdate() {
    platform::NotificationCenter::defaultCenter().postNotificationName(kLocationDidUpdate, this);
}

void LocationManager::locationManagerDidUpdateToLocation(const Fix& newLocation) {
    if (!newLocation.hasValidCoordinate()) {
        platform::logLine(QStringLiteral("Ignored a fix with an impossible position: %1").arg(newLocation.description()));
        return;
    }
    platform::logLine(QStringLiteral("Location did update %1").arg(newLocation.description()));
    {
        std::lock_guard lock(locationMutex_);
        previousLocation_ = currentLocation_;
        currentLocation_ = newLocation;
    }
    verticalSpeedFilter_.add(newLocation);
    if (accuracyValidForSpeedAndCourse()) {
        samples_.push_back(newLocation);
        if (samples_.size() >= kSamplesBeforeComputation) updateSpeedAndCourse();
    }
    postDidUpdate();
}

// Speed and course over the four intervals between the oldest and the fifth stored fix; the
// newest fix waits for the next computation. When those fixes lie closer together than the
// course needs (a 10 to 50 Hz feed), the course is taken from the newest older fix that is far
// enough, within the look-back time: at 1 Hz the look-back holds nothing older than the first fix.
void LocationManager::updateSpeedAndCourse() {
    const Fix& s0 = samples_[0];
    const Fix& s4 = samples_[4];
    double dt = s4.timestamp - s0.timestamp;
    auto distanceTo4 = [&s4](const Fix& from) {
        return calcDistanceInMeters(from.longitude, from.latitude, s4.longitude, s4.latitude);
    };
    const Fix* base = &s0;
    if (!(distanceTo4(s0) > kMinimumCourseDisplacement)) {
        for (auto older = olderSamples_.rbegin(); older != olderSamples_.rend(); ++older) {
            double age = s4.timestamp - older->timestamp;
            if (!(age >= 0.0 && age <= kCourseLookBackSeconds)) continue;
            if (distanceTo4(*older) > kMinimumCourseDisplacement) {
                base = &*older;
                break;
            }
        }
    }
    if (distanceTo4(*base) > kMinimumCourseDisplacement) {
        double angle = trackAngle(*base, s4);
        course_ = float(double(course_ * kHeldWeight) + angle * kNewWeight);
    }
    double path = 0.0;
    for (size_t i = 0; i < 4; ++i)
        path += calcDistanceInMeters(samples_[i].longitude, samples_[i].latitude, samples_[i + 1].longitude,
                                     samples_[i + 1].latitude);
    double v = path / dt;
    // Time standing still or running backwards (a receiver reset, a spliced log) measures no speed.
    if (dt > 0.0 && std::isfinite(v)) {
        bool plausible = std::abs(v - double(speed_)) < kLargestSpeedChange;
        // A jump is dropped as a stray fix; but one that persists is the aircraft's real speed (the
        // app started in flight, above 97 kt), which would otherwise be locked out for good.
        rejectedSpeeds_ = plausible ? 0 : rejectedSpeeds_ + 1;
        if (plausible || rejectedSpeeds_ >= kRejectionsBeforeAccepting) {
            speed_ = float(double(speed_ * kHeldWeight) + v * kNewWeight);
            rejectedSpeeds_ = 0;
        }
    }
    // Keep the fix leaving the window for the course's look-back; forget what is out of it (or from
    // a clock that ran backwards).
    olderSamples_.push_back(samples_.front());
    samples_.erase(samples_.begin());
    const double newest = samples_.back().timestamp;
    auto outOfWindow = [newest](const Fix& fix) {
        double age = newest - fix.timestamp;
        return !(age >= 0.0 && age <= kCourseLookBackSeconds + 1.0);
    };
    while (!olderSamples_.empty() && (olderSamples_.size() > kMostOlderSamples || outOfWindow(olderSamples_.front())))
        olderSamples_.pop_front();
}

void LocationManager::locationManagerDidFailWithError(const QString& /*error*/) {
    {
        std::lock_guard lock(locationMutex_);
        currentLocation_.reset();
        previousLocation_.reset();
    }
    verticalSpeedFilter_.reset();
    postDidUpdate();
}

std::optional<Fix> LocationManager::currentLocation() const {
    std::lock_guard lock(locationMutex_);
    return currentLocation_;
}

std::optional<Fix> LocationManager::previousLocation() const {
    std::lock_guard lock(locationMutex_);
    return previousLocation_;
}

bool LocationManager::accuracyBelow(double limit) const {
    std::lock_guard lock(locationMutex_);
    if (!currentLocation_) return false;
    double h = currentLocation_->horizontalAccuracy;
    return h > kAccuracyLowerBound && h < limit;  // NaN fails both
}

bool LocationManager::accuracyValidForNav() const { return accuracyBelow(kAccuracyLimitForNav); }

bool LocationManager::accuracyValidForSpeedAndCourse() const {
    return accuracyBelow(kAccuracyLimitForSpeedAndCourse);
}

void LocationManager::updateUnits() {
    const units::UnitSettings& units = units::UnitSettings::shared();
    distanceFactor_ = units.distanceFactor();
    speedFactor_ = units.speedFactor();
    heightFactor_ = units.heightFactor();
    distanceUnit_ = units.distanceUnit();
    speedUnit_ = units.speedUnit();
    heightUnit_ = units.heightUnit();
    postDidUpdate();
}

void LocationManager::generateFakeCoordinate() {
    Fix fix;
    fix.latitude = 66.0;
    fix.longitude = -179.0;
    fix.horizontalAccuracy = 0.0;
    fix.timestamp = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    locationManagerDidUpdateToLocation(fix);
}

double LocationManager::distanceTo(double lat, double lon) const {
    std::optional<Fix> here = currentLocation();
    return here ? calcDistanceInMeters(here->longitude, here->latitude, lon, lat) : 0.0;
}

double LocationManager::lateralDistanceTo(double lat, double lon) const {
    std::optional<Fix> here = currentLocation();
    return here ? lateralDistance(here->longitude, here->latitude, lon, lat) : 0.0;
}

double LocationManager::verticalDistanceTo(double lat, double lon) const {
    std::optional<Fix> here = currentLocation();
    return here ? verticalDistance(here->longitude, here->latitude, lon, lat) : 0.0;
}

float LocationManager::angleTo(double lat, double lon) const {
    std::optional<Fix> here = currentLocation();
    if (!here) return 0.0f;
    return calcAngle({float(here->longitude), float(here->latitude)}, {float(lon), float(lat)});
}

float LocationManager::angleFrom(double lat, double lon) const {
    std::optional<Fix> here = currentLocation();
    if (!here) return 0.0f;
    return calcAngle({float(lon), float(lat)}, {float(here->longitude), float(here->latitude)});
}

QString LocationManager::formattedDistance(double metres) {
    const LocationManager& manager = sharedManager();
    return formattedDistance(metres, manager.distanceFactor(), manager.distanceUnit());
}

QString LocationManager::formattedDistance(double metres, double distanceFactor, const QString& distanceUnit) {
    if (!(metres >= 0.0)) return QStringLiteral("--");  // negative, or no number at all
    return QString::asprintf("%.01f ", metres / distanceFactor) + distanceUnit;
}

}  // namespace vantrel::positioning
