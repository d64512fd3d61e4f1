#include "PositioningTestSupport.h"
#include "tests/support/TestSupport.h"

#include "positioning/Geodesy.h"
#include "positioning/LocationManager.h"
#include "positioning/sources/SimulatorSource.h"
#include "positioning/sources/TrackReplaySource.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

using namespace vantrel::positioning;
using vantrel::test::makeFix;
using vantrel::test::waitUntil;

namespace {

struct Recorder {
    std::vector<Fix> fixes;
    std::vector<double> fixTimes;  // ms since the recorder started
    std::vector<std::array<double, 3>> samples;
    QStringList failures;
    bool finished = false;
    QElapsedTimer clock;

    PositionSource::Handlers handlers() {
        clock.start();
        return {
            [this](const Fix& f) {
                fixes.push_back(f);
                fixTimes.push_back(double(clock.elapsed()));
            },
            [this](const QString& e) { failures.append(e); },
            [this](double x, double y, double z) { samples.push_back({x, y, z}); },
            [this] { finished = true; },
        };
    }
};

}  // namespace

TEST(TrackReplaySource, PlaysInRecordedTime) {
    vantrel::test::LogCapture log;
    std::vector<Fix> track{makeFix(46.0, 6.0, 5, 100.0), makeFix(46.001, 6.0, 5, 100.3), makeFix(46.002, 6.0, 5, 100.6),
                           makeFix(46.003, 6.0, 5, 90.0)};  // the clock went back: played at once
    TrackReplaySource source(QStringLiteral("track"), track);
    Recorder recorder;
    source.setHandlers(recorder.handlers());
    source.startUpdatingLocation();
    ASSERT_EQ(recorder.fixes.size(), 1u);  // the first fix at once, the rest when their time comes
    ASSERT_TRUE(waitUntil([&] { return recorder.finished; }, 5000));
    ASSERT_EQ(recorder.fixes.size(), 4u);
    EXPECT_EQ(recorder.fixes[3].timestamp, 90.0);  // recorded timestamps are kept
    // Never early on the replay's clock; late only by what a busy machine adds.
    EXPECT_GE(recorder.fixTimes[1], 290);
    EXPECT_LT(recorder.fixTimes[1], 800);
    EXPECT_GE(recorder.fixTimes[2], 590);
    EXPECT_LT(recorder.fixTimes[3] - recorder.fixTimes[2], 250);
    EXPECT_GE(recorder.samples.size(), 5u);  // about 15 a second while it plays
    EXPECT_TRUE(log.contains("Replay of track finished after 4 fixes"));
    EXPECT_EQ(recorder.failures, QStringList{QStringLiteral("the recording has ended")});
}

TEST(TrackReplaySource, PlaysAtAMultipleOfTheRecordedPace) {
    vantrel::test::LogCapture log;
    // Twenty seconds of recording at 10x: two seconds, with the recorded timestamps.
    std::vector<Fix> track{makeFix(46.0, 6.0, 5, 100.0), makeFix(46.001, 6.0, 5, 110.0), makeFix(46.002, 6.0, 5, 120.0)};
    TrackReplaySource source(QStringLiteral("track"), track);
    source.setReplaySpeed(10.0);
    Recorder recorder;
    source.setHandlers(recorder.handlers());
    source.startUpdatingLocation();
    ASSERT_TRUE(waitUntil([&] { return recorder.finished; }, 5000));
    ASSERT_EQ(recorder.fixes.size(), 3u);
    EXPECT_EQ(recorder.fixes[1].timestamp, 110.0);
    EXPECT_GE(recorder.fixTimes[1], 990);
    EXPECT_LT(recorder.fixTimes[1], 1600);
    EXPECT_GE(recorder.fixTimes[2], 1990);
}

// The replay keeps to its clock: a fix that takes long to handle does not push the later ones back
// (a fast replay would otherwise fall further behind with every fix).
TEST(TrackReplaySource, HandlingTimeDoesNotSlowTheReplay) {
    vantrel::test::LogCapture log;
    std::vector<Fix> track;
    for (int i = 0; i < 31; ++i) track.push_back(makeFix(46.0 + i * 1e-3, 6.0, 5, 100.0 + i));
    TrackReplaySource source(QStringLiteral("track"), track);
    source.setReplaySpeed(20.0);  // a fix every 50 ms: 1.5 s in all
    QElapsedTimer clock;
    std::vector<double> times;
    PositionSource::Handlers handlers;
    handlers.fix = [&](const Fix&) {
        times.push_back(double(clock.elapsed()));
        if (times.size() == 1) QThread::msleep(400);  // the first fix holds the loop
    };
    bool finished = false;
    handlers.finished = [&] { finished = true; };
    source.setHandlers(std::move(handlers));
    clock.start();
    source.startUpdatingLocation();
    ASSERT_TRUE(waitUntil([&] { return finished; }, 8000));
    ASSERT_EQ(times.size(), 31u);
    // It catches up and ends on time, not 400 ms late.
    EXPECT_GE(times.back(), 1490);
    EXPECT_LT(times.back(), 1850);
}

TEST(TrackReplaySource, FastPacingDeliversEverythingAtOnce) {
    vantrel::test::LogCapture log;
    std::vector<Fix> track;
    for (int i = 0; i < 100; ++i) track.push_back(makeFix(46.0 + i * 1e-4, 6.0, 5, 1000.0 + i * 3600));
    TrackReplaySource source(QStringLiteral("long"), track);
    Recorder recorder;
    source.setHandlers(recorder.handlers());
    EXPECT_TRUE(source.setPacing(PositionSource::Pacing::AsFastAsPossible));
    source.startUpdatingLocation();
    EXPECT_EQ(recorder.fixes.size(), 100u);
    EXPECT_TRUE(recorder.finished);
    EXPECT_TRUE(recorder.failures.isEmpty());
}

TEST(TrackReplaySource, EmptyRecordingIsAFailure) {
    vantrel::test::LogCapture log;
    TrackReplaySource source(QStringLiteral("empty"), {});
    Recorder recorder;
    source.setHandlers(recorder.handlers());
    source.startUpdatingLocation();
    EXPECT_EQ(recorder.failures.size(), 1);
    EXPECT_TRUE(log.contains("Position source empty failed"));
}

// A recorded right turn at standard rate makes the ball slip to the right; straight flight centres it.
TEST(TrackReplaySource, TurnsFeedTheSlip) {
    vantrel::test::LogCapture log;
    std::vector<Fix> track;
    double lat = 46.0, lon = 6.0, heading = 0.0;
    const double step = 0.1 * SimulatorSource::kCruiseSpeed;  // fixes every 0.1 s
    for (int i = 0; i < 12; ++i) {
        track.push_back(makeFix(lat, lon, 5, 1000.0 + i * 0.1));
        heading += 0.3;  // 3 degrees a second
        lat += step * std::cos(heading * M_PI / 180) / 111226.3;
        lon += step * std::sin(heading * M_PI / 180) / (111226.3 * std::cos(lat * M_PI / 180));
    }
    TrackReplaySource source(QStringLiteral("turn"), track);
    Recorder recorder;
    source.setHandlers(recorder.handlers());
    source.startUpdatingLocation();
    ASSERT_TRUE(waitUntil([&] { return recorder.finished; }, 5000));
    ASSERT_FALSE(recorder.samples.empty());
    double largest = 0;
    for (const auto& s : recorder.samples) {
        largest = std::max(largest, s[0]);
        EXPECT_EQ(s[1], -1.0);
    }
    EXPECT_NEAR(largest, 0.04, 0.01);
}

TEST(SimulatorSource, FliesTheCircuitLikeAnAircraft) {
    vantrel::test::LogCapture log;
    SimulatorSource source({}, 7);
    ASSERT_EQ(source.route().size(), SimulatorSource::fallbackRoute().size());
    Recorder recorder;
    source.setHandlers(recorder.handlers());
    source.setPacing(PositionSource::Pacing::AsFastAsPossible);
    LocationManager manager;
    source.setHandlers({[&](const Fix& f) {
                            recorder.fixes.push_back(f);
                            manager.locationManagerDidUpdateToLocation(f);
                        },
                        {},
                        [&](double x, double y, double z) { recorder.samples.push_back({x, y, z}); },
                        [&] { recorder.finished = true; }});
    source.startUpdatingLocation();
    ASSERT_TRUE(recorder.finished);

    // The circuit: every waypoint passed within about a turn radius, in a plausible time.
    double circuit = 0;
    const std::vector<RoutePoint>& route = source.route();
    for (size_t i = 0; i < route.size(); ++i) {
        const RoutePoint& a = route[i];
        const RoutePoint& b = route[(i + 1) % route.size()];
        circuit += Geodesy::calcDistanceInMeters(a.longitude, a.latitude, b.longitude, b.latitude);
        double closest = 1e12;
        for (const Fix& f : recorder.fixes)
            closest = std::min(closest, Geodesy::calcDistanceInMeters(f.longitude, f.latitude, a.longitude, a.latitude));
        EXPECT_LT(closest, 1500.0) << a.name.toStdString();
    }
    double flown = recorder.fixes.back().timestamp - recorder.fixes.front().timestamp;
    EXPECT_NEAR(flown, circuit / SimulatorSource::kCruiseSpeed, 0.1 * flown);

    // One fix a second, a few metres of noise, an accuracy of a few metres; the legs between the
    // take-off run and the landing at cruise speed.
    std::vector<double> steps;
    for (size_t i = 1; i < recorder.fixes.size(); ++i) {
        const Fix& f = recorder.fixes[i];
        ASSERT_NEAR(f.timestamp - recorder.fixes[i - 1].timestamp, 1.0, 1e-6);
        ASSERT_GE(f.horizontalAccuracy, 4.0);
        ASSERT_LE(f.horizontalAccuracy, 9.0);
        steps.push_back(Geodesy::calcDistanceInMeters(recorder.fixes[i - 1].longitude, recorder.fixes[i - 1].latitude,
                                                      f.longitude, f.latitude));
    }
    const double before = SimulatorSource::kStandSeconds + SimulatorSource::kTaxiSeconds +
                          SimulatorSource::kCruiseSpeed / SimulatorSource::kAcceleration;
    const double after = SimulatorSource::kCruiseSpeed / SimulatorSource::kDeceleration + SimulatorSource::kTaxiSeconds +
                         SimulatorSource::kParkSeconds;
    const size_t from = size_t(before) + 1, to = steps.size() - size_t(after) - 1;
    ASSERT_LT(from, to);
    for (size_t i = from; i < to; ++i) ASSERT_NEAR(steps[i], SimulatorSource::kCruiseSpeed, 25.0) << i;
    // It stood still at the end, and the location manager sees it slow down to a stop.
    for (size_t i = steps.size() - 20; i < steps.size(); ++i) ASSERT_LT(steps[i], 15.0) << i;
    EXPECT_LT(manager.speed(), 15.0 * SimulatorSource::kKnot);

    // 15 samples a second: gravity along -y, and the ball out to the side only in turns.
    EXPECT_NEAR(double(recorder.samples.size()), flown * 15, 20);
    double largest = 0;
    int level = 0;
    for (const auto& s : recorder.samples) {
        largest = std::max(largest, std::abs(s[0]));
        if (std::abs(s[0]) < 0.012) ++level;
        ASSERT_NEAR(s[1], -1.0, 0.02);
    }
    EXPECT_NEAR(largest, 0.04, 0.012);
    EXPECT_GT(level, int(recorder.samples.size() * 8 / 10));  // mostly straight legs
}

// The ground before and after the circuit: standing still, a slow taxi, a take-off run through
// 40 kt to cruise speed, and after the circuit a landing roll below 30 kt to a stop, as the
// location manager measures them.
TEST(SimulatorSource, TaxisTakesOffAndLandsOnTheFirstWaypoint) {
    vantrel::test::LogCapture log;
    SimulatorSource source({}, 11);
    source.setPacing(PositionSource::Pacing::AsFastAsPossible);
    LocationManager manager;
    std::vector<Fix> fixes;
    std::vector<double> knots;  // the manager's speed after each fix
    using P = SimulatorSource::Phase;
    std::vector<P> order;
    source.setHandlers({[&](const Fix& f) {
                            fixes.push_back(f);
                            manager.locationManagerDidUpdateToLocation(f);
                            knots.push_back(double(manager.speed()) / SimulatorSource::kKnot);
                            if (order.empty() || order.back() != source.phase()) order.push_back(source.phase());
                        },
                        {}, {}, {}});
    source.startUpdatingLocation();
    EXPECT_EQ(order, (std::vector<P>{P::Standing, P::TaxiOut, P::TakeOffRun, P::Circuit, P::Landing, P::TaxiIn, P::Parked}));
    const RoutePoint& home = source.route().front();
    auto fromHome = [&](const Fix& f) { return Geodesy::calcDistanceInMeters(f.longitude, f.latitude, home.longitude, home.latitude); };
    EXPECT_LT(fromHome(fixes[5]), 15.0);  // still on the first waypoint
    // Above 40 kt for good once past it, and below 30 kt for more than a minute at the end.
    size_t above = 0;
    while (knots[above] <= 40.0) ++above;
    for (size_t i = above; i < above + 30; ++i) EXPECT_GT(knots[i], 40.0) << i;
    EXPECT_GT(fixes[above].timestamp - fixes.front().timestamp, SimulatorSource::kStandSeconds + SimulatorSource::kTaxiSeconds);
    size_t below = knots.size() - 1;
    while (knots[below] < 30.0) --below;
    EXPECT_GT(fixes.back().timestamp - fixes[below].timestamp, 60.0);
    EXPECT_LT(fromHome(fixes.back()), 4000.0);
}

TEST(SimulatorSource, FliesTheRouteItIsGiven) {
    vantrel::test::LogCapture log;
    std::vector<RoutePoint> route{{47.4647, 8.5492, QStringLiteral("LSZH")}, {47.6, 8.5492, QStringLiteral("NORTH")}};
    SimulatorSource source(route, 1);
    EXPECT_EQ(source.description(), QStringLiteral("simulator flying LSZH, NORTH"));
    Recorder recorder;
    source.setHandlers(recorder.handlers());
    source.setPacing(PositionSource::Pacing::AsFastAsPossible);
    source.startUpdatingLocation();
    ASSERT_TRUE(recorder.finished);
    double northmost = 0;
    for (const Fix& f : recorder.fixes) northmost = std::max(northmost, f.latitude);
    EXPECT_NEAR(northmost, 47.6, 0.02);

    SimulatorSource degenerate({{47.0, 8.0, QStringLiteral("A")}, {47.0, 8.0, QStringLiteral("B")}}, 1);
    EXPECT_EQ(degenerate.route().size(), SimulatorSource::fallbackRoute().size());
    EXPECT_TRUE(log.contains("no two usable waypoints"));
}

TEST(SimulatorSource, RealTimeDeliversAFixEachSecond) {
    vantrel::test::LogCapture log;
    SimulatorSource source({}, 3);
    Recorder recorder;
    source.setHandlers(recorder.handlers());
    source.startUpdatingLocation();
    EXPECT_EQ(recorder.fixes.size(), 1u);
    ASSERT_TRUE(waitUntil([&] { return recorder.fixes.size() >= 2; }, 3000));
    EXPECT_GE(recorder.fixTimes[1] - recorder.fixTimes[0], 950);
    EXPECT_LT(recorder.fixTimes[1] - recorder.fixTimes[0], 2000);
    EXPECT_GE(recorder.samples.size(), 12u);
}
