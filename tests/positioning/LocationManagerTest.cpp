#include "PositioningTestSupport.h"
#include "tests/support/TestSupport.h"

#include "units/UnitSettings.h"
#include "platform/core/NotificationCenter.h"
#include "positioning/LocationManager.h"
#include "positioning/sources/TrackReplaySource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

using vantrel::units::UnitSettings;
using vantrel::platform::NotificationCenter;
using vantrel::positioning::Fix;
using vantrel::positioning::Geodesy;
using vantrel::positioning::LocationManager;
using vantrel::positioning::PositionSource;
using vantrel::positioning::TrackReplaySource;
using vantrel::test::makeFix;

namespace {

constexpr double kMetresPerDegree = Geodesy::kEarthRadiusMetres * 0.017453292519943295;

// Counts "locationDidUpdate" from one manager.
struct UpdateCounter {
    explicit UpdateCounter(const LocationManager& manager) {
        NotificationCenter::defaultCenter().addObserver(this, "locationDidUpdate", &manager,
                                                        [this](const auto&) { ++count; });
    }
    ~UpdateCounter() { NotificationCenter::defaultCenter().removeObserver(this); }
    int count = 0;
};

// Good fixes along the equator, eastward, `step` metres and one second apart, from fix `first`.
void flyEast(LocationManager& manager, int first, int count, double step) {
    for (int i = first; i < first + count; ++i)
        manager.locationManagerDidUpdateToLocation(makeFix(0.0, i * step / kMetresPerDegree, 5.0, 1000.0 + i));
}

}  // namespace

TEST(LocationManager, BeforeTheFirstFix) {
    LocationManager manager;
    EXPECT_FALSE(manager.currentLocation());
    EXPECT_FALSE(manager.previousLocation());
    EXPECT_FALSE(manager.accuracyValidForNav());
    EXPECT_FALSE(manager.accuracyValidForSpeedAndCourse());
    EXPECT_EQ(manager.speed(), 0.0f);
    EXPECT_EQ(manager.course(), 0.0f);
    EXPECT_EQ(manager.distanceTo(46, 6), 0.0);
    EXPECT_EQ(manager.angleTo(46, 6), 0.0f);
}

TEST(LocationManager, AccuracyLimits) {
    LocationManager manager;
    struct Case { double accuracy; bool nav; bool speedAndCourse; };
    for (Case c : {Case{200, true, false}, Case{199.99, true, true}, Case{5000, false, false}, Case{4999.9, true, false},
                   Case{-1, false, false}, Case{-0.5, true, true}, Case{0, true, true}, Case{NAN, false, false}}) {
        manager.locationManagerDidUpdateToLocation(makeFix(46, 6, c.accuracy, 1));
        EXPECT_EQ(manager.accuracyValidForNav(), c.nav) << c.accuracy;
        EXPECT_EQ(manager.accuracyValidForSpeedAndCourse(), c.speedAndCourse) << c.accuracy;
    }
}

TEST(LocationManager, EveryFixBecomesCurrentAndIsAnnounced) {
    vantrel::test::LogCapture log;
    LocationManager manager;
    UpdateCounter updates(manager);
    manager.locationManagerDidUpdateToLocation(makeFix(46.5, 6.25, 5, 100));
    manager.locationManagerDidUpdateToLocation(makeFix(46.6, 6.35, 900, 101));  // too coarse for speed
    ASSERT_TRUE(manager.currentLocation());
    EXPECT_EQ(manager.currentLocation()->latitude, 46.6);
    EXPECT_EQ(manager.previousLocation()->latitude, 46.5);
    EXPECT_EQ(updates.count, 2);
    EXPECT_TRUE(log.contains("Init GPS manager"));
    EXPECT_TRUE(log.contains("Location did update <+46.50000000,+6.25000000> +/- 5.00m @ 1970-01-01 00:01:40.000 UTC"));
}

TEST(LocationManager, SixthGoodFixGivesTheFirstSpeedAndCourse) {
    LocationManager manager;
    flyEast(manager, 0, 5, 30.0);
    EXPECT_EQ(manager.speed(), 0.0f);
    EXPECT_EQ(manager.course(), 0.0f);
    flyEast(manager, 5, 1, 30.0);
    EXPECT_FLOAT_EQ(manager.course(), float(double(90.0000076f) * double(0.95f)));
    EXPECT_NEAR(manager.course(), 85.5f, 0.01f);
    EXPECT_NEAR(manager.speed(), 28.5f, 1e-3f);
    flyEast(manager, 6, 10, 30.0);
    EXPECT_NEAR(manager.course(), 90.0f, 1e-3f);
    EXPECT_NEAR(manager.speed(), 30.0f, 1e-3f);
}

TEST(LocationManager, CoarseFixesDoNotEnterTheSamples) {
    LocationManager manager;
    flyEast(manager, 0, 3, 30.0);
    manager.locationManagerDidUpdateToLocation(makeFix(0.0, 1.0, 250.0, 1003));
    manager.locationManagerDidUpdateToLocation(makeFix(0.0, 1.0, -1.0, 1004));
    flyEast(manager, 5, 2, 30.0);
    EXPECT_EQ(manager.speed(), 0.0f);  // only five good fixes so far
    flyEast(manager, 7, 1, 30.0);
    EXPECT_GT(manager.speed(), 0.0f);
}

TEST(LocationManager, StandingStillKeepsTheCourseAndSlowsDown) {
    LocationManager manager;
    flyEast(manager, 0, 8, 30.0);
    float course = manager.course();
    for (int i = 0; i < 8; ++i) manager.locationManagerDidUpdateToLocation(makeFix(0.0, 7 * 30.0 / kMetresPerDegree, 5, 1008 + i));
    float held = manager.course();
    EXPECT_NEAR(held, course, 1.0f);
    for (int i = 0; i < 3; ++i) manager.locationManagerDidUpdateToLocation(makeFix(0.0, 7 * 30.0 / kMetresPerDegree, 5, 1016 + i));
    EXPECT_EQ(manager.course(), held);
    EXPECT_LT(manager.speed(), 0.01f);
}

TEST(LocationManager, CourseBlendDoesNotWrapAtNorth) {
    LocationManager manager;
    const double north = 30.0 / kMetresPerDegree, sideways = 5.3 / kMetresPerDegree;
    // Fly north-north-west (bearing about 350) until the course has settled there, then stop.
    for (int i = 0; i < 20; ++i) manager.locationManagerDidUpdateToLocation(makeFix(i * north, -i * sideways, 5, i));
    double lat = 19 * north, lon = -19 * sideways;
    for (int i = 20; i < 25; ++i) manager.locationManagerDidUpdateToLocation(makeFix(lat, lon, 5, i));
    // Move off north-north-east (about 10): the first computation that sees it blends 350 with 10.
    manager.locationManagerDidUpdateToLocation(makeFix(lat + north, lon + sideways, 5, 25));
    float held = manager.course();
    ASSERT_NEAR(held, 350.0f, 0.5f);
    manager.locationManagerDidUpdateToLocation(makeFix(lat + 2 * north, lon + 2 * sideways, 5, 26));
    float angle = Geodesy::calcAngle({float(lon), float(lat)}, {float(lon + sideways), float(lat + north)});
    ASSERT_NEAR(angle, 10.0f, 0.1f);
    EXPECT_FLOAT_EQ(manager.course(), float(double(held * 0.05f) + double(angle) * double(0.95f)));
    EXPECT_NEAR(manager.course(), 27.0f, 0.5f);  // 350 x 0.05 + 10 x 0.95, not 9
}

TEST(LocationManager, ImplausibleSpeedsAreDropped) {
    LocationManager manager;
    flyEast(manager, 0, 10, 60.0);  // 60 m/s from rest: 50 or more away from the held 0, five times
    EXPECT_EQ(manager.speed(), 0.0f);
    EXPECT_GT(manager.course(), 0.0f);  // the course still follows
    // The sixth such measurement in a row is the aircraft's speed, not a stray fix.
    flyEast(manager, 10, 1, 60.0);
    EXPECT_NEAR(manager.speed(), 57.0f, 1e-3f);

    LocationManager sameTime;
    for (int i = 0; i < 8; ++i) sameTime.locationManagerDidUpdateToLocation(makeFix(0, i * 30.0 / kMetresPerDegree, 5, 1000));
    EXPECT_EQ(sameTime.speed(), 0.0f);
}

TEST(LocationManager, TimeRunningBackwardsMeasuresNoSpeed) {
    LocationManager manager;
    for (int i = 0; i < 8; ++i)
        manager.locationManagerDidUpdateToLocation(makeFix(0, i * 30.0 / kMetresPerDegree, 5, 1000.0 - i));
    EXPECT_EQ(manager.speed(), 0.0f);
}

TEST(LocationManager, FailureForgetsTheFixButKeepsSpeedAndCourse) {
    LocationManager manager;
    UpdateCounter updates(manager);
    flyEast(manager, 0, 7, 30.0);
    float speed = manager.speed(), course = manager.course();
    manager.locationManagerDidFailWithError(QStringLiteral("connection lost"));
    EXPECT_FALSE(manager.currentLocation());
    EXPECT_FALSE(manager.previousLocation());
    EXPECT_FALSE(manager.accuracyValidForNav());
    EXPECT_EQ(manager.speed(), speed);
    EXPECT_EQ(manager.course(), course);
    EXPECT_EQ(updates.count, 8);
}

TEST(LocationManager, ImpossiblePositionsAreLoggedAndIgnored) {
    vantrel::test::LogCapture log;
    LocationManager manager;
    UpdateCounter updates(manager);
    manager.locationManagerDidUpdateToLocation(makeFix(46, 6, 5, 1));
    manager.locationManagerDidUpdateToLocation(makeFix(91, 6, 5, 2));
    manager.locationManagerDidUpdateToLocation(makeFix(46, NAN, 5, 3));
    EXPECT_EQ(manager.currentLocation()->latitude, 46.0);
    EXPECT_EQ(updates.count, 1);
    EXPECT_TRUE(log.contains("Ignored a fix with an impossible position"));
}

TEST(LocationManager, StartStartsTheSourceOnceAndAlwaysAnnounces) {
    LocationManager manager;
    UpdateCounter updates(manager);
    int fixes = 0;
    auto source = std::make_unique<TrackReplaySource>(
        QStringLiteral("three fixes"), std::vector<Fix>{makeFix(46, 6, 5, 1), makeFix(46.001, 6, 5, 2), makeFix(46.002, 6, 5, 3)});
    source->setPacing(PositionSource::Pacing::AsFastAsPossible);
    manager.setPositionSource(std::move(source));
    NotificationCenter::defaultCenter().addObserver(&fixes, "locationDidUpdate", &manager, [&](const auto&) {
        if (manager.currentLocation()) ++fixes;
    });
    for (int i = 0; i < 5; ++i) manager.start();
    NotificationCenter::defaultCenter().removeObserver(&fixes);
    EXPECT_TRUE(manager.started());
    EXPECT_EQ(updates.count, 3 + 5);  // three fixes, once, and one announcement per start
    EXPECT_EQ(manager.currentLocation()->latitude, 46.002);
    EXPECT_EQ(manager.sourceStateText(), QStringLiteral("receiving from three fixes"));
    EXPECT_EQ(LocationManager().sourceStateText(), QStringLiteral("no position source"));
}

TEST(LocationManager, UnitsFollowTheSettings) {
    UnitSettings& units = UnitSettings::shared();
    int saved = units.selectedUnit();
    units.setSelectedUnit(0);
    LocationManager manager;
    UpdateCounter updates(manager);
    EXPECT_EQ(manager.distanceUnit(), QStringLiteral("nm"));
    EXPECT_EQ(LocationManager::formattedDistance(1852, manager.distanceFactor(), manager.distanceUnit()),
              QStringLiteral("1.0 nm"));
    EXPECT_EQ(LocationManager::formattedDistance(0, manager.distanceFactor(), manager.distanceUnit()),
              QStringLiteral("0.0 nm"));

    units.setSelectedUnit(2);
    NotificationCenter::defaultCenter().postNotificationName("UnitsChangedGPS", &units);
    EXPECT_EQ(updates.count, 1);
    EXPECT_EQ(manager.distanceUnit(), QStringLiteral("km"));
    EXPECT_EQ(manager.distanceFactor(), 1000.0);
    EXPECT_EQ(manager.speedUnit(), QStringLiteral("km/h"));
    EXPECT_EQ(manager.heightFactor(), 1.0);
    EXPECT_EQ(LocationManager::formattedDistance(1500, manager.distanceFactor(), manager.distanceUnit()),
              QStringLiteral("1.5 km"));
    units.setSelectedUnit(saved);
}

TEST(LocationManager, DistanceTextOfNoDistance) {
    EXPECT_EQ(LocationManager::formattedDistance(-1), QStringLiteral("--"));
    EXPECT_EQ(LocationManager::formattedDistance(NAN), QStringLiteral("--"));
    const LocationManager& shared = LocationManager::sharedManager();
    EXPECT_EQ(LocationManager::formattedDistance(3 * shared.distanceFactor()),
              QStringLiteral("3.0 ") + shared.distanceUnit());
}

TEST(LocationManager, OperationsRelativeToTheAircraft) {
    LocationManager manager;
    manager.locationManagerDidUpdateToLocation(makeFix(46, 6, 5, 1));
    EXPECT_EQ(manager.distanceTo(47, 7), Geodesy::calcDistanceInMeters(6, 46, 7, 47));
    EXPECT_EQ(manager.lateralDistanceTo(47, 7), Geodesy::calcDistanceInMeters(6, 46, 7, 46));
    EXPECT_EQ(manager.verticalDistanceTo(47, 7), Geodesy::calcDistanceInMeters(6, 46, 6, 47));
    EXPECT_NEAR(manager.angleTo(47, 7), 34.79f, 0.005f);
    EXPECT_NEAR(manager.angleFrom(47, 7), Geodesy::calcAngle({7, 47}, {6, 46}), 1e-6f);
    EXPECT_GT(manager.angleFrom(47, 7), 180.0f);
}

TEST(LocationManager, FakeCoordinate) {
    LocationManager manager;
    manager.generateFakeCoordinate();
    ASSERT_TRUE(manager.currentLocation());
    EXPECT_EQ(manager.currentLocation()->latitude, 66.0);
    EXPECT_EQ(manager.currentLocation()->longitude, -179.0);
    EXPECT_TRUE(manager.accuracyValidForSpeedAndCourse());
}

// The moving map's worker reads the current location while fixes arrive: every copy it gets must
// be one whole fix, never half of two.
TEST(LocationManager, WorkerThreadReadsWholeFixes) {
    vantrel::test::LogCapture log;  // keeps 20000 "Location did update" lines off the terminal
    LocationManager manager;
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, seen{0};
    std::thread worker([&] {
        while (!done) {
            if (std::optional<Fix> fix = manager.currentLocation()) {
                ++seen;
                if (fix->longitude != fix->latitude * 2.0 || fix->timestamp != fix->latitude) ++torn;
            }
        }
    });
    for (int i = 1; i <= 20000; ++i) {
        double lat = (i % 8000) / 100.0;
        manager.locationManagerDidUpdateToLocation(makeFix(lat, lat * 2.0, 5, lat));
    }
    done = true;
    worker.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GT(seen, 0);
}

// 75 kt near Geneva, straight on 060 or in a rate-one turn (3 degrees a second) from 060, fed at
// the rates receivers and simulators send. The course follows the track at every rate: the first
// fixes of a fast feed lie closer together than the course needs, so they alone would leave 000.
TEST(LocationManager, CourseAtEveryFixRate) {
    struct Case {
        double hertz;
        double turnRate;   // degrees per second, clockwise
        double tolerance;  // degrees from the track at the last fix
    };
    // At 1 Hz the course is measured over the fixes 1 to 5 seconds old: in a turn it lags by 9.
    const Case cases[] = {{1, 0, 0.5},  {10, 0, 0.5}, {25, 0, 0.5}, {50, 0, 0.5},
                          {1, 3, 10.0}, {10, 3, 2.0}, {25, 3, 1.5}, {50, 3, 1.5}};
    const double speed = 75.0 * 1852.0 / 3600.0, lat0 = 46.2, lon0 = 6.1;
    const double metresPerDegreeLon = kMetresPerDegree * std::cos(lat0 * Geodesy::kDegreesToRadians);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hertz << " Hz, turning " << c.turnRate << " deg/s");
        LocationManager manager;
        double east = 0.0, north = 0.0, track = 60.0;
        const double dt = 1.0 / c.hertz;
        const int fixes = int(20.0 * c.hertz);
        for (int i = 0; i < fixes; ++i) {
            manager.locationManagerDidUpdateToLocation(
                makeFix(lat0 + north / kMetresPerDegree, lon0 + east / metresPerDegreeLon, 5.0, 1000.0 + i * dt));
            if (i == fixes - 1) break;
            track += c.turnRate * dt;
            east += speed * dt * std::sin(track * Geodesy::kDegreesToRadians);
            north += speed * dt * std::cos(track * Geodesy::kDegreesToRadians);
        }
        double error = std::remainder(double(manager.course()) - track, 360.0);
        EXPECT_LE(std::abs(error), c.tolerance) << "course " << manager.course() << ", track " << track;
        EXPECT_NEAR(manager.speed(), speed, 0.5);
    }
}
