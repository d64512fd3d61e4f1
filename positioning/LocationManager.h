#pragma once
// The process-wide source of the aircraft's position. It runs the chosen position source, keeps
// the latest and the previous fix, judges whether the latest is accurate enough for navigation
// (below 5000 m) and for speed and course (below 200 m), derives a smoothed ground speed and course
// from the recent good fixes, keeps a copy of the unit system for distance texts, and posts
// "locationDidUpdate" after every fix, failure, start and unit reload, and
// "positionSourceStateDidChange" when the source's state text changes.
//
// The geodesy operations are its class operations (inherited from Geodesy).
//
// Ownership: the shared manager lives until the process ends and owns its position source and
// filters. Threads: everything runs on the main thread, except currentLocation(), which any thread
// may call (the moving map's worker reads it) and which returns a consistent copy.

#include "AlphaBetaFilter.h"
#include "Fix.h"
#include "Geodesy.h"
#include "PositionSource.h"
#include "VerticalSpeedFilter.h"

#include <QString>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace vantrel::positioning {

class LocationManager : public Geodesy {
public:
    static constexpr double kAccuracyLimitForNav = 5000.0;
    static constexpr double kAccuracyLimitForSpeedAndCourse = 200.0;
    static constexpr double kAccuracyLowerBound = -1.0;
    static constexpr double kMinimumCourseDisplacement = 5.0;
    // At high fix rates five fixes span less than the displacement above: the course then reaches
    // back to older fixes, up to this many seconds before the computation's last fix.
    static constexpr double kCourseLookBackSeconds = 4.0;
    static constexpr double kLargestSpeedChange = 50.0;
    // One stray fix disturbs five computations; the sixth implausible speed in a row is believed.
    static constexpr int kRejectionsBeforeAccepting = 6;

    // The one manager, made on first use (on the main thread).
    static LocationManager& sharedManager();

    // A manager of its own (tests, tools): loads the units, listens for "UnitsChangedGPS".
    LocationManager();
    ~LocationManager();
    LocationManager(const LocationManager&) = delete;
    LocationManager& operator=(const LocationManager&) = delete;

    // Replaces the position source (the previous one stops). Started at once if the manager is.
    void setPositionSource(std::unique_ptr<PositionSource> source);
    PositionSource* positionSource() const { return gps_.get(); }
    // The position source's state for the pilot (PositionSource::stateText), "no position source"
    // without one; a change of it posts "positionSourceStateDidChange".
    QString sourceStateText() const;

    // Starts the position source the first time; every call posts "locationDidUpdate".
    void start();
    bool started() const { return started_; }

    // The fix handler.
    void locationManagerDidUpdateToLocation(const Fix& newLocation);
    // A source failure: no current or previous fix until the next one; speed and course are kept.
    void locationManagerDidFailWithError(const QString& error);

    // The latest fix, or nothing before the first fix and after a failure. Any thread.
    std::optional<Fix> currentLocation() const;
    std::optional<Fix> previousLocation() const;

    bool accuracyValidForNav() const;
    bool accuracyValidForSpeedAndCourse() const;
    float speed() const { return speed_; }    // metres per second
    float course() const { return course_; }  // degrees
    // Metres per second, up positive, smoothed over the last fixes (VerticalSpeedFilter); nothing
    // without heights in the fixes, and after a failure until the next fixes.
    std::optional<double> verticalSpeed() const { return verticalSpeedFilter_.verticalSpeed(); }
    // Puts the smoothed speed and course at known values (tests of what the instruments show for
    // a given motion); the next computation from fixes goes on from them.
    void setSpeedAndCourse(float speed, float course) {
        speed_ = speed;
        course_ = course;
    }

    // Reloads the unit copy from the unit settings and posts "locationDidUpdate".
    void updateUnits();
    double distanceFactor() const { return distanceFactor_; }
    double speedFactor() const { return speedFactor_; }
    double heightFactor() const { return heightFactor_; }
    const QString& distanceUnit() const { return distanceUnit_; }
    const QString& speedUnit() const { return speedUnit_; }
    const QString& heightUnit() const { return heightUnit_; }

    // Feeds the fix handler a made-up fix at 66 N, 179 W (accuracy 0, timestamp now), for a
    // machine without any position source.
    void generateFakeCoordinate();

    // Relative to the current position (latitude first); 0 without a current location.
    double distanceTo(double lat, double lon) const;
    double lateralDistanceTo(double lat, double lon) const;
    double verticalDistanceTo(double lat, double lon) const;
    float angleTo(double lat, double lon) const;    // bearing from the aircraft to the point
    float angleFrom(double lat, double lon) const;  // bearing from the point to the aircraft

    // "--" for a negative (or NaN) distance, else "%.01f <unit>" in the shared manager's unit.
    static QString formattedDistance(double metres);
    // The same in the given unit.
    static QString formattedDistance(double metres, double distanceFactor, const QString& distanceUnit);

    // Filters kept for smoothing the position; the fix handler does not feed them.
    const AlphaBetaFilter& longitudeFilter() const { return longitudeFilter_; }
    const AlphaBetaFilter& latitudeFilter() const { return latitudeFilter_; }
    const AlphaBetaFilter& timeFilter() const { return timeFilter_; }
    const AlphaBetaFilter& speedFilter() const { return speedFilter_; }

private:
    void postDidUpdate();
    bool accuracyBelow(double limit) const;
    void updateSpeedAndCourse();

    std::unique_ptr<PositionSource> gps_;
    mutable std::mutex locationMutex_;  // guards currentLocation_ and previousLocation_
    std::optional<Fix> currentLocation_;
    std::optional<Fix> previousLocation_;
    std::vector<Fix> samples_;  // recent fixes good for speed and course, oldest first
    std::deque<Fix> olderSamples_;  // those that left samples_, within the look-back, oldest first
    bool started_ = false;
    float speed_ = 0.0f;
    int rejectedSpeeds_ = 0;  // implausible speeds measured in a row
    float course_ = 0.0f;
    AlphaBetaFilter longitudeFilter_{5};
    AlphaBetaFilter latitudeFilter_{5};
    AlphaBetaFilter timeFilter_{5};
    AlphaBetaFilter speedFilter_{5};
    VerticalSpeedFilter verticalSpeedFilter_;
    double distanceFactor_ = 0.0;
    double speedFactor_ = 0.0;
    double heightFactor_ = 0.0;
    QString distanceUnit_;
    QString speedUnit_;
    QString heightUnit_;
};

}  // namespace vantrel::positioning
