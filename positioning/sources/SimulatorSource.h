#pragma once
// The demo flight: an aircraft flying a closed circuit over a route of real waypoints at 110 kt,
// turning at the standard rate (3 degrees a second) toward each next waypoint. It delivers a fix
// every second with a few metres of GPS noise and a plausible accuracy (4 to 9 m), and feeds the
// accelerometer 15 times a second with gravity and a little slip in the turns.
//
// Real time: flies until destroyed. AsFastAsPossible: flies the circuit once, from the first
// waypoint back to it, with simulated time, before startUpdatingLocation returns.
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

    // A circuit of airfields around Lake Geneva, for when the caller has none.
    static std::vector<RoutePoint> fallbackRoute();

    // A route of fewer than two distinct points is replaced by the fallback route.
    SimulatorSource(std::vector<RoutePoint> route, uint32_t seed, QObject* parent = nullptr);

    void startUpdatingLocation() override;
    QString description() const override;
    bool setPacing(Pacing pacing) override;

    const std::vector<RoutePoint>& route() const { return route_; }

private:
    // Advances the flight by one tick; true when the circuit closed at this tick.
    bool tick();
    void deliverNoisyFix();
    void finish();

    std::vector<RoutePoint> route_;
    Pacing pacing_ = Pacing::RealTime;
    bool started_ = false;
    QTimer timer_;
    std::mt19937 random_;
    double latitude_;
    double longitude_;
    double heading_ = 0.0;     // degrees true
    double turnRate_ = 0.0;    // degrees per second, positive to the right
    size_t target_ = 1;        // index of the waypoint flown to
    int64_t ticks_ = 0;
    double startTime_ = 0.0;   // seconds since 1970 at the first tick
};

}  // namespace vantrel::positioning
