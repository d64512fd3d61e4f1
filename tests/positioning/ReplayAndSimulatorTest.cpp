#include "PositioningTestSupport.h"
#include "tests/support/TestSupport.h"

#include "positioning/Geodesy.h"
#include "positioning/LocationManager.h"
#include "positioning/sources/SimulatorSource.h"
#include "positioning/sources/TrackReplaySource.h"

#include <QElapsedTimer>

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
    // Never early; late only by what a busy machine adds.
    EXPECT_GE(recorder.fixTimes[1], 290);
    EXPECT_LT(recorder.fixTimes[1], 800);
    EXPECT_GE(recorder.fixTimes[2] - recorder.fixTimes[1], 290);
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
    EXPECT_GE(recorder.fixTimes[2] - recorder.fixTimes[1], 990);
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

    // One fix a second, a few metres of noise, an accuracy of a few metres.
    for (size_t i = 1; i < recorder.fixes.size(); ++i) {
        const Fix& f = recorder.fixes[i];
        ASSERT_NEAR(f.timestamp - recorder.fixes[i - 1].timestamp, 1.0, 1e-6);
        ASSERT_GE(f.horizontalAccuracy, 4.0);
        ASSERT_LE(f.horizontalAccuracy, 9.0);
        double step = Geodesy::calcDistanceInMeters(recorder.fixes[i - 1].longitude, recorder.fixes[i - 1].latitude,
                                                    f.longitude, f.latitude);
        ASSERT_NEAR(step, SimulatorSource::kCruiseSpeed, 25.0);
    }
    // The location manager sees 110 kt.
    EXPECT_NEAR(manager.speed(), SimulatorSource::kCruiseSpeed, 2.0);

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
