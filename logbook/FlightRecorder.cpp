#include "FlightRecorder.h"

#include "FlightKeys.h"
#include "FlightRecord.h"
#include "FlightTimeText.h"
#include "FlightTrack.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "positioning/LocationManager.h"

#include <QDateTime>

#include <cmath>

namespace vantrel::logbook {

using positioning::Fix;
using Phase = TakeOffLandingDetector::Phase;

namespace {

bool sameFix(const Fix& a, const Fix& b) {
    return a.timestamp == b.timestamp && a.latitude == b.latitude && a.longitude == b.longitude &&
           a.horizontalAccuracy == b.horizontalAccuracy;
}

QString utcTime(double seconds) {
    return QDateTime::fromSecsSinceEpoch(int64_t(std::floor(seconds)), Qt::UTC).toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

FlightRecorder::FlightRecorder(std::shared_ptr<FlightLog> log) : log_(std::move(log)) {}

FlightRecorder::FlightRecorder(std::shared_ptr<FlightLog> log, positioning::LocationManager& manager)
    : log_(std::move(log)), manager_(&manager) {
    platform::NotificationCenter::defaultCenter().addObserver(this, "locationDidUpdate", manager_,
                                                              [this](const platform::Notification&) { managerDidUpdate(); });
}

FlightRecorder::~FlightRecorder() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

bool FlightRecorder::automaticStampsEnabled() {
    return platform::UserDefaults::standardUserDefaults().objectForKey(kAutomaticStampsKey).boolValue();
}

QString FlightRecorder::recordingPath() const { return track_ ? track_->path() : QString(); }

void FlightRecorder::managerDidUpdate() {
    // Posted for every fix, but also at start, failures and unit changes.
    std::optional<Fix> fix = manager_->currentLocation();
    if (!fix) {
        if (lastFix_) sourceDidFail();
        lastFix_.reset();
        return;
    }
    if (lastFix_ && sameFix(*lastFix_, *fix)) return;
    lastFix_ = fix;
    const positioning::PositionSource* source = manager_->positionSource();
    fixDidArrive(*fix, manager_->accuracyValidForSpeedAndCourse(), double(manager_->speed()),
                 source ? source->description() : QStringLiteral("unknown"));
}

void FlightRecorder::sourceDidFail() { detector_.reset(detector_.phase()); }

void FlightRecorder::follow(const platform::DictionaryPtr& flight) {
    if (flight == flight_) return;
    track_.reset();
    flight_ = flight;
    failureLogged_ = false;
    unstoredLogged_ = false;
    writeFailures_ = platform::RepeatingLog();
    detector_.reset(Phase::None);
}

void FlightRecorder::fixDidArrive(const Fix& fix, bool validForSpeed, double speed, const QString& receiver) {
    follow(log_->contentForIndexPath(0, 0));
    if (!flight_) return;
    const bool blockOff = flight_->find(keys::blockOff) != nullptr;
    const bool blockOn = flight_->find(keys::blockOn) != nullptr;
    if (blockOff && !blockOn)
        record(fix, receiver);
    else
        track_.reset();

    Phase wanted = Phase::None;
    if (blockOff && !blockOn && automaticStampsEnabled()) {
        if (!flight_->find(keys::takeOff))
            wanted = Phase::TakeOff;
        else if (!flight_->find(keys::landing))
            wanted = Phase::Landing;
    }
    if (wanted != detector_.phase()) detector_.reset(wanted);
    if (std::optional<double> moment = detector_.addFix(fix.timestamp, validForSpeed, speed))
        stamp(wanted == Phase::TakeOff ? keys::takeOff : keys::landing, *moment);
}

void FlightRecorder::record(const Fix& fix, const QString& receiver) {
    if (!track_ && !log_->isStored(flight_.get())) {
        // No track file for a flight that the logbook file does not hold: after a restart it
        // would belong to no flight. Recording starts with the first fix after a save that works.
        if (!unstoredLogged_)
            platform::logLine(QStringLiteral("The flight of %1 is not stored yet (the logbook could not be saved); "
                                             "its track starts once it is")
                                  .arg(dateText(flightDate(*flight_))));
        unstoredLogged_ = true;
        return;
    }
    if (!track_) {
        const QString path = FlightTrack::path(*flight_);
        if (path.isEmpty()) {
            if (!failureLogged_) platform::logLine("No documents folder: the flight's track is not recorded");
            failureLogged_ = true;
            return;
        }
        track_ = std::make_unique<TrackFile>(path, receiver);
    }
    const bool valid = fix.horizontalAccuracy > positioning::LocationManager::kAccuracyLowerBound &&
                       fix.horizontalAccuracy < positioning::LocationManager::kAccuracyLimitForNav;
    QString error;
    const TrackFile::Outcome outcome = track_->append(fix, valid, &error);
    if (outcome == TrackFile::Outcome::Written) writeFailures_.clear();
    if (outcome != TrackFile::Outcome::Failed) return;
    // A full disk fails at every fix: said once, then at most once a minute with a count.
    writeFailures_.report(QStringLiteral("track write"),
                          QStringLiteral("The track of the flight of %1 could not be written to %2 (%3); the flight is kept, "
                                         "and the track goes on when the file can be written again")
                              .arg(dateText(flightDate(*flight_)), track_->path(), error));
}

void FlightRecorder::stamp(platform::Key key, double moment) {
    const bool takeOff = key == keys::takeOff;
    flight_->set(key, stampText(moment));
    log_->saveFlights();
    platform::logLine(QStringLiteral("Automatic %1 stamped %2 for the flight of %3: the first fix %4 %5 kt was at %6 UTC")
                          .arg(takeOff ? QStringLiteral("take off") : QStringLiteral("landing"),
                               timeText(secondsOf(*flight_, key), false), dateText(flightDate(*flight_)),
                               takeOff ? QStringLiteral("above") : QStringLiteral("below"))
                          .arg(std::lround((takeOff ? TakeOffLandingDetector::kTakeOffSpeed : TakeOffLandingDetector::kLandingSpeed) /
                                           TakeOffLandingDetector::kKnot))
                          .arg(utcTime(moment)));
    platform::NotificationCenter::defaultCenter().postNotificationName(kDidStampNotification, this);
}

}  // namespace vantrel::logbook
