#pragma once
// The demo flight: an aircraft on the first waypoint's runway that stands still, taxis slowly,
// accelerates through the take-off run to 110 kt, flies a closed circuit over a route of real
// waypoints, turning at the standard rate (3 degrees a second) toward each next waypoint, and back
// over the first waypoint decelerates to a taxi, then stops and stands. It delivers a fix every
// second with a few metres of GPS noise and a plausible accuracy (4 to 9 m), an altitude (on the
// ground at the field's elevation; in the circuit a climb at 700 fpm to cruise height, then a
// descent at 500 fpm planned to reach the field at the first waypoint), the pressure altitude of
// a QNH of 1020 hPa and the vertical speed, and feeds the
// accelerometer 15 times a second with gravity and a little slip in the turns.
//
// Real time: after standing it starts over from where it stopped (taxi, take off, circuit), until
// destroyed. AsFastAsPossible: flies it once, from standing on the first waypoint to standing
// again, with simulated time, before startUpdatingLocation returns.
//
// Owns its route and timer. Threads: main thread only.

#include "positioning/PositionSource.h"

#include <QString>
#include <QTimer>

#include <cstdint>
#include <random>
#include <vector>

namespace vantrel::positioning {

struct RoutePoint {
    double latitude;
    double longitude;
    QString name;
};

class SimulatorSource : public PositionSource {
    Q_OBJECT
public:
    static constexpr double kCruiseSpeed = 110.0 * 1852.0 / 3600.0;  // 110 kt in metres per second
    static constexpr double kStandardRate = 3.0;                     // degrees per second
    static constexpr double kTickSeconds = 1.0 / 15.0;
    static constexpr int kTicksPerFix = 15;
    static constexpr double kPositionNoise = 3.0;  // metres, standard deviation per axis
    static constexpr double kKnot = 1852.0 / 3600.0;  // metres per second
    static constexpr double kTaxiSpeed = 8.0 * kKnot;
    // A light aircraft's take-off run (0 to 60 kt in 20 s), and a landing roll a little gentler.
    static constexpr double kAcceleration = 3.0 * kKnot;  // metres per second squared
    static constexpr double kDeceleration = 2.5 * kKnot;
    static constexpr double kStandSeconds = 10.0;  // still before taxiing out
    static constexpr double kTaxiSeconds = 30.0;   // out to the runway, and in again
    static constexpr double kParkSeconds = 60.0;   // still after taxiing in
    // The demo's airfields lie around Lake Geneva, near Geneva's 430 m (1411 ft); its circuit is
    // flown 1200 m above that, at about 5350 ft.
    static constexpr double kFieldElevation = 430.0;  // metres above mean sea level
    static constexpr double kCruiseHeight = 1200.0;   // metres above the field
    static constexpr double kClimbRate = 700.0 * 0.3048 / 60.0;    // metres per second
    static constexpr double kDescentRate = 500.0 * 0.3048 / 60.0;  // metres per second
    // QNH 1020 hPa: the standard atmosphere's pressure levels lie about 55 m lower.
    static constexpr double kPressureAltitudeOffset = -55.0;

    enum class Phase { Standing, TaxiOut, TakeOffRun, Circuit, Landing, TaxiIn, Parked };

    // A circuit of airfields around Lake Geneva, for when the caller has none.
    static std::vector<RoutePoint> fallbackRoute();

    // A route of fewer than two distinct points is replaced by the fallback route.
    SimulatorSource(std::vector<RoutePoint> route, uint32_t seed, QObject* parent = nullptr);

    void startUpdatingLocation() override;
    QString description() const override;
    bool setPacing(Pacing pacing) override;

    const std::vector<RoutePoint>& route() const { return route_; }
    Phase phase() const { return phase_; }
    double speed() const { return speed_; }  // metres per second
    double altitude() const { return altitude_; }  // metres above mean sea level

private:
    // Advances the flight by one tick; true when the aircraft has stood its time after landing.
    bool tick();
    // Speeds up, slows down or moves to the next phase; true at the end of the parked time.
    bool advancePhase();
    void enter(Phase phase);
    void deliverNoisyFix();
    // Climbs or descends toward the phase's height for one tick.
    void updateAltitude();
    void finish();

    std::vector<RoutePoint> route_;
    Pacing pacing_ = Pacing::RealTime;
    bool started_ = false;
    QTimer timer_;
    std::mt19937 random_;
    double latitude_;
    double longitude_;
    Phase phase_ = Phase::Standing;
    int64_t phaseTicks_ = 0;   // ticks spent in the phase
    double speed_ = 0.0;       // metres per second
    double heading_ = 0.0;     // degrees true
    double turnRate_ = 0.0;    // degrees per second, positive to the right
    double altitude_ = kFieldElevation;  // metres above mean sea level
    double verticalSpeed_ = 0.0;         // metres per second, up positive
    size_t target_ = 1;        // index of the waypoint flown to
    int64_t ticks_ = 0;
    double startTime_ = 0.0;   // seconds since 1970 at the first tick
};

}  // namespace vantrel::positioning
