// The moving map's arithmetic: where positions land (also across the 180th meridian and over the
// pole), the refresh test and real tracks flown across 180 degrees, across 85 N and over the pole,
// the pinch and wheel zoom, the scale bar, the airport symbol's angle, the route's points, the
// direct-to texts, and the cache worker that never piles up.

#include "InstrumentTestSupport.h"

#include "instruments/GPSView.h"
#include "instruments/MapProjection.h"

#include "positioning/Geodesy.h"
#include "waypoints/NearbyWaypointCache.h"
#include "waypoints/WaypointKeys.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>

using namespace vantrel;
using namespace vantrel::instruments;
using positioning::Geodesy;
using waypoints::NearbyArea;

namespace {

constexpr double kGenevaLat = 46.2381, kGenevaLon = 6.1089;
const QPointF kCentre(160, 160);

// The point at that great-circle distance and initial bearing from a position, on the sphere the
// geodesy uses.
struct LatLon {
    double lat, lon;
};
LatLon destination(double lat, double lon, double bearing, double nauticalMiles) {
    const double k = Geodesy::kDegreesToRadians;
    const double d = nauticalMiles * 1852.0 / Geodesy::kEarthRadiusMetres;
    const double phi1 = lat * k, lambda1 = lon * k, theta = bearing * k;
    const double phi2 = std::asin(std::sin(phi1) * std::cos(d) + std::cos(phi1) * std::sin(d) * std::cos(theta));
    const double lambda2 =
        lambda1 + std::atan2(std::sin(theta) * std::sin(d) * std::cos(phi1), std::cos(d) - std::sin(phi1) * std::sin(phi2));
    double lon2 = lambda2 / k;
    if (lon2 > 180) lon2 -= 360;
    if (lon2 < -180) lon2 += 360;
    return {phi2 / k, lon2};
}

}  // namespace

// ---- projection -------------------------------------------------------------------------------

TEST(MapProjection, TenMilesEastLandFortyFivePointsRightAndNorthAbove) {
    const MapProjection map(kGenevaLat, kGenevaLon, kCentre, 4.5f);
    const LatLon east = destination(kGenevaLat, kGenevaLon, 90, 10);
    const LatLon north = destination(kGenevaLat, kGenevaLon, 0, 10);
    const LatLon southWest = destination(kGenevaLat, kGenevaLon, 225, 10);
    ASSERT_TRUE(map.project(east.lat, east.lon));
    EXPECT_NEAR(map.project(east.lat, east.lon)->x(), 205.0, 1e-6);
    EXPECT_NEAR(map.project(east.lat, east.lon)->y(), 160.0, 1e-6);
    EXPECT_NEAR(map.project(north.lat, north.lon)->x(), 160.0, 1e-6);
    EXPECT_NEAR(map.project(north.lat, north.lon)->y(), 115.0, 1e-6);
    EXPECT_NEAR(map.project(southWest.lat, southWest.lon)->x(), 160.0 - 45.0 / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(map.project(southWest.lat, southWest.lon)->y(), 160.0 + 45.0 / std::sqrt(2.0), 1e-6);
    EXPECT_EQ(*map.project(kGenevaLat, kGenevaLon), kCentre);

    // On the aircraft's parallel, 10 NM of east-west distance: the same place to a tenth of a point.
    const double dLon = 2.0 * std::asin(std::sin(18520.0 / Geodesy::kEarthRadiusMetres / 2.0) /
                                        std::cos(kGenevaLat * Geodesy::kDegreesToRadians)) /
                        Geodesy::kDegreesToRadians;
    ASSERT_NEAR(Geodesy::lateralDistance(kGenevaLon, kGenevaLat, kGenevaLon + dLon, kGenevaLat), 18520.0, 1e-6);
    const QPointF onParallel = *map.project(kGenevaLat, kGenevaLon + dLon);
    EXPECT_NEAR(onParallel.x(), 205.0, 0.1);
    EXPECT_NEAR(onParallel.y(), 160.0, 0.1);

    // The scale is points per nautical mile, and the frame is miles east and south.
    const MapProjection zoomed(kGenevaLat, kGenevaLon, QPointF(100, 50), 20.0f);
    EXPECT_NEAR(zoomed.project(east.lat, east.lon)->x(), 300.0, 1e-6);
    EXPECT_NEAR(zoomed.offsetNM(north.lat, north.lon)->y(), -10.0, 1e-9);
}

TEST(MapProjection, StaysRightAcrossTheAntimeridianAndOverThePole) {
    // Just west of 180: a waypoint just east of it lies east, 0.2 degrees of longitude away.
    const MapProjection west(60.0, 179.9, kCentre, 4.5f);
    const QPointF acrossEast = *west.offsetNM(60.0, -179.9);
    EXPECT_NEAR(acrossEast.x(), Geodesy::calcDistanceInMeters(179.9, 60.0, -179.9, 60.0) / 1852.0, 1e-3);
    EXPECT_GT(acrossEast.x(), 5.9);
    EXPECT_NEAR(acrossEast.y(), 0.0, 0.01);
    const MapProjection east(60.0, -179.9, kCentre, 4.5f);
    EXPECT_LT(east.offsetNM(60.0, 179.9)->x(), -5.9);

    // Short of the pole, a waypoint beyond it is ahead (north), not beside.
    const MapProjection nearPole(89.5, 0.0, kCentre, 4.5f);
    const QPointF beyond = *nearPole.offsetNM(89.5, 180.0);
    EXPECT_NEAR(beyond.x(), 0.0, 1e-6);
    EXPECT_NEAR(beyond.y(), -60.0, 0.1);
    const QPointF quarter = *nearPole.offsetNM(89.5, 90.0);  // north-east, over the pole's shoulder
    EXPECT_GT(quarter.x(), 25.0);
    EXPECT_LT(quarter.y(), -25.0);

    // 85 N: the east-west distance on the aircraft's parallel, as anywhere else.
    const MapProjection at85(85.0, 20.0, kCentre, 4.5f);
    const LatLon tenEast = destination(85.0, 20.0, 90, 10);
    EXPECT_NEAR(at85.offsetNM(tenEast.lat, tenEast.lon)->x(), 10.0, 1e-9);

    // No place for what is no position or for the antipode.
    EXPECT_FALSE(west.offsetNM(std::nan(""), 0.0));
    EXPECT_FALSE(west.offsetNM(91.0, 0.0));
    EXPECT_FALSE(west.offsetNM(-60.0, -0.1));
}

TEST(MapGeometry, NormalizeLongitudeTurnsOnceTowardsTheAircraft) {
    struct Case {
        double longitude, waypoint, expected;
    };
    for (const Case& c : {Case{179, -179, 181}, Case{-179, 179, -181}, Case{10, 20, 20}, Case{0, 180, 180},
                          Case{0, -180, -180}, Case{170, -350, 10}, Case{-170, 560, 200}}) {
        double wp = c.waypoint;
        GPSView::normalizeLongitude(c.longitude, &wp);
        EXPECT_DOUBLE_EQ(wp, c.expected) << c.longitude << " " << c.waypoint;
    }
}

TEST(MapGeometry, GetRectForPointIsThreeRadiiWide) {
    EXPECT_EQ(GPSView::getRectForPoint(QPointF(10, 20), 2.0f), QRectF(7, 17, 6, 6));
    EXPECT_EQ(GPSView::getRectForPoint(QPointF(-1, 0), 0.5f), QRectF(-1.75, -0.75, 1.5, 1.5));
}

// ---- the refresh test ---------------------------------------------------------------------------

TEST(MapRefreshTest, TheDisplayedAreaMustLieInsideWhatTheQueryCovered) {
    const QSizeF view(320, 320);
    const NearbyArea query{kGenevaLon, kGenevaLat, 180.0, 1852.0};
    const MapProjection there(kGenevaLat, kGenevaLon, kCentre, 4.5f);
    const RefreshTest atQuery = refreshTest(there, view, query);
    EXPECT_FALSE(atQuery.refresh);
    EXPECT_NEAR(atQuery.displayed.width(), 2 * 195.0 / 4.5, 1e-4);
    // The square inscribed in the 180 NM circle: every corner is 180 NM from the query point.
    EXPECT_NEAR(atQuery.cached.width(), 2 * 180.0 / std::sqrt(2.0), 1e-3);
    EXPECT_NEAR(atQuery.cached.center().x(), 0.0, 1e-9);
    EXPECT_FALSE(refreshTest(there, view, std::nullopt).cached.isValid());
    EXPECT_TRUE(refreshTest(there, view, std::nullopt).refresh);

    // 127.3 - 43.3 = 84 NM of room in each direction.
    for (double bearing : {0.0, 90.0, 180.0, 270.0}) {
        const LatLon near = destination(kGenevaLat, kGenevaLon, bearing, 83.0);
        const LatLon far = destination(kGenevaLat, kGenevaLon, bearing, 85.0);
        EXPECT_FALSE(refreshTest(MapProjection(near.lat, near.lon, kCentre, 4.5f), view, query).refresh) << bearing;
        EXPECT_TRUE(refreshTest(MapProjection(far.lat, far.lon, kCentre, 4.5f), view, query).refresh) << bearing;
    }
    // Zoomed in, the map needs less and goes further; a larger view needs more.
    const LatLon east110 = destination(kGenevaLat, kGenevaLon, 90, 110.0);
    EXPECT_FALSE(refreshTest(MapProjection(east110.lat, east110.lon, kCentre, 20.0f), view, query).refresh);
    EXPECT_TRUE(refreshTest(MapProjection(east110.lat, east110.lon, kCentre, 4.5f), view, query).refresh);
    EXPECT_GT(refreshTest(there, QSizeF(320, 600), query).displayed.width(), atQuery.displayed.width());

    // A query in kilometres covers 180 km (97 NM), whatever the unit is now.
    const NearbyArea metric{kGenevaLon, kGenevaLat, 180.0, 1000.0};
    EXPECT_NEAR(refreshTest(there, view, metric).cached.width(), 2 * 180.0 * 1000.0 / 1852.0 / std::sqrt(2.0), 1e-3);
    const LatLon east30 = destination(kGenevaLat, kGenevaLon, 90, 30.0);
    EXPECT_TRUE(refreshTest(MapProjection(east30.lat, east30.lon, kCentre, 4.5f), view, metric).refresh);
    EXPECT_FALSE(refreshTest(MapProjection(east30.lat, east30.lon, kCentre, 4.5f), view, query).refresh);
}

TEST(MapRefreshTest, AMapZoomedOutBeyondTheCacheRefreshesOnlyAfterAWay) {
    const QSizeF view(320, 320);
    const NearbyArea query{kGenevaLon, kGenevaLat, 180.0, 1852.0};
    // At 1 point per mile the view needs 195 NM about the aircraft: more than any cache holds.
    const MapProjection there(kGenevaLat, kGenevaLon, kCentre, 1.0f);
    EXPECT_GT(refreshTest(there, view, query).displayed.width(), refreshTest(there, view, query).cached.width());
    EXPECT_FALSE(refreshTest(there, view, query).refresh);
    // A quarter of the cache's half-side (31.8 NM) later it refreshes, not before.
    const LatLon near = destination(kGenevaLat, kGenevaLon, 45, 30.0);
    const LatLon far = destination(kGenevaLat, kGenevaLon, 90, 33.0);
    EXPECT_FALSE(refreshTest(MapProjection(near.lat, near.lon, kCentre, 1.0f), view, query).refresh);
    EXPECT_TRUE(refreshTest(MapProjection(far.lat, far.lon, kCentre, 1.0f), view, query).refresh);
}

TEST(MapRefreshTest, QueriesAcrossTheAntimeridianAndThePoleStillCover) {
    const QSizeF view(320, 320);
    // Queried at 179.5 E, the aircraft at 179.9 W is 0.6 degrees (18 NM at 60 N) east of it.
    const NearbyArea west{179.5, 60.0, 180.0, 1852.0};
    const MapProjection acrossEast(60.0, -179.9, kCentre, 4.5f);
    const RefreshTest across = refreshTest(acrossEast, view, west);
    EXPECT_FALSE(across.refresh);
    EXPECT_NEAR(across.cached.center().x(), -Geodesy::calcDistanceInMeters(179.5, 60.0, -179.9, 60.0) / 1852.0, 0.05);
    // Queried at 89.5 N 0 E, the aircraft at 89.8 N 180 E: the query point lies 42 NM away over
    // the pole, straight ahead on the north-up map.
    const NearbyArea pole{0.0, 89.5, 180.0, 1852.0};
    const RefreshTest past = refreshTest(MapProjection(89.8, 180.0, kCentre, 4.5f), view, pole);
    EXPECT_FALSE(past.refresh);
    EXPECT_NEAR(past.cached.center().y(), -42.0, 0.1);
    EXPECT_NEAR(past.cached.center().x(), 0.0, 1e-6);
}

// ---- tracks flown through a map ---------------------------------------------------------------

namespace {

// A map on a database of its own, flown fix by fix; each fix waits for the refresh it started.
class FlownMap {
public:
    explicit FlownMap(platform::ArrayPtr db) : db_(std::move(db)) {
        map_ = std::make_unique<GPSView>(world_.location(), world_.units(), cache_, db_);
        map_->initWithFrame(QRectF(0, 0, 320, 320));
    }
    ~FlownMap() { cache_->waitUntilIdle(5000); }

    void fix(double lat, double lon) {
        world_.fix(lat, lon);
        EXPECT_TRUE(cache_->waitUntilIdle(5000));
        QCoreApplication::processEvents();
    }
    GPSView& map() { return *map_; }
    uint64_t refreshes() const { return cache_->refreshCount(); }

private:
    test::InstrumentWorld world_;
    platform::ArrayPtr db_;
    std::shared_ptr<waypoints::NearbyWaypointCache> cache_ = waypoints::NearbyWaypointCache::create();
    std::unique_ptr<GPSView> map_;
};

// Flies from one point to another in steps of about a nautical mile; after every fix the area
// the map shows must lie inside what its cache covers.
void fly(FlownMap& flown, LatLon from, double bearing, double miles) {
    for (double done = 0; done <= miles; done += 1.0) {
        const LatLon here = destination(from.lat, from.lon, bearing, done);
        flown.fix(here.lat, here.lon);
        const QRectF cached = flown.map().waypointsCacheRect();
        ASSERT_TRUE(cached.contains(flown.map().displayedRect()))
            << "at " << here.lat << " " << here.lon << " after " << done << " NM";
    }
}

platform::ArrayPtr databaseOf(std::initializer_list<platform::Value> records) {
    return platform::Array::fromValues(std::vector<platform::Value>(records));
}

bool drawnAt(GPSView& map, const char* id, const std::function<bool(double x, double y)>& where) {
    test::render(map, 1.0);
    for (const GPSView::DrawnWaypoint& w : map.drawnWaypoints())
        if (w.id == QLatin1String(id)) return where(w.x, w.y);
    return false;
}

}  // namespace

TEST(MapTracks, AcrossTheAntimeridianTheCacheRefreshesRarelyAndWaypointsStayEast) {
    FlownMap flown(databaseOf({test::waypointAt("EAST", 60.0, -179.5), test::waypointAt("WEST", 60.0, 179.5)}));
    // Along 60 N from 177 E to 177 W: 180 NM.
    fly(flown, {60.0, 177.0}, 90.0, 180.0);
    // The first fix, then one about every 84 NM (not at every fix).
    EXPECT_GE(flown.refreshes(), 2u);
    EXPECT_LE(flown.refreshes(), 4u);

    flown.fix(60.0, 179.9);
    EXPECT_TRUE(drawnAt(flown.map(), "EAST", [](double x, double y) { return x > 160 + 4.5 * 14 && std::abs(y - 160) < 2; }));
    EXPECT_TRUE(drawnAt(flown.map(), "WEST", [](double x, double) { return x < 160 - 4.5 * 5; }));
    flown.fix(60.0, -179.9);
    EXPECT_TRUE(drawnAt(flown.map(), "EAST", [](double x, double) { return x > 160 + 4.5 * 5; }));
    EXPECT_TRUE(drawnAt(flown.map(), "WEST", [](double x, double) { return x < 160 - 4.5 * 14; }));
}

TEST(MapTracks, AcrossEightyFiveNorthAndOverThePoleTheCacheRefreshesRarely) {
    FlownMap across85(databaseOf({test::waypointAt("AHEAD", 85.5, 20.0)}));
    // Along 20 E from 83.5 N to 86.5 N: 180 NM.
    fly(across85, {83.5, 20.0}, 0.0, 180.0);
    EXPECT_GE(across85.refreshes(), 2u);
    EXPECT_LE(across85.refreshes(), 4u);
    across85.fix(85.0, 20.0);
    EXPECT_TRUE(drawnAt(across85.map(), "AHEAD", [](double x, double y) { return std::abs(x - 160) < 0.5 && y < 160 - 4.5 * 29; }));

    // Along 20 E over the pole and down 160 W: 120 NM.
    FlownMap overPole(databaseOf({test::waypointAt("BEYOND", 89.9, -160.0)}));
    fly(overPole, {89.0, 20.0}, 0.0, 120.0);
    EXPECT_LE(overPole.refreshes(), 3u);
    // Short of the pole, what lies beyond it is ahead.
    overPole.fix(89.8, 20.0);
    EXPECT_TRUE(drawnAt(overPole.map(), "BEYOND", [](double x, double y) { return std::abs(x - 160) < 0.5 && y < 160 - 4.5 * 17; }));
}

// ---- zoom ---------------------------------------------------------------------------------------

TEST(MapZoom, PinchAndWheelAreClampedToOneToFiftyThree) {
    EXPECT_FLOAT_EQ(pinchedScale(4.5f, 40, 120), 13.5f);
    EXPECT_FLOAT_EQ(pinchedScale(4.5f, 10, 200), 53.0f);
    EXPECT_FLOAT_EQ(pinchedScale(4.5f, 100, 10), 1.0f);
    EXPECT_FLOAT_EQ(pinchedScale(20.0f, 100, 50), 10.0f);
    EXPECT_FLOAT_EQ(pinchedScale(4.5f, 0, 50), 4.5f);  // no start distance: no ratio
    EXPECT_FLOAT_EQ(pinchedScale(4.5f, 50, std::nan("")), 4.5f);

    EXPECT_FLOAT_EQ(wheelZoomedScale(4.5f, 1), 4.95f);
    EXPECT_FLOAT_EQ(wheelZoomedScale(4.95f, -1), 4.5f);
    EXPECT_FLOAT_EQ(wheelZoomedScale(4.5f, 0.5), float(4.5 * std::sqrt(1.1)));
    EXPECT_FLOAT_EQ(wheelZoomedScale(50.0f, 3), 53.0f);
    EXPECT_FLOAT_EQ(wheelZoomedScale(1.05f, -2), 1.0f);
    EXPECT_FLOAT_EQ(clampedMapScale(std::nan("")), 4.5f);
}

// ---- scale bar ----------------------------------------------------------------------------------

TEST(MapScaleBar, TicksForNauticalMilesKilometresAndStatuteMiles) {
    const ScaleBar nm = scaleBar(1852.0, 4.5f);
    EXPECT_FLOAT_EQ(nm.pointsPerUnit, 4.5f);
    EXPECT_EQ(nm.units, 35);
    EXPECT_EQ(nm.step, 5);
    ASSERT_EQ(nm.ticks.size(), 7u);
    for (size_t i = 0; i < nm.ticks.size(); ++i) {
        EXPECT_EQ(nm.ticks[i].value, int(5 * i));
        EXPECT_DOUBLE_EQ(nm.ticks[i].x, 160.0 + 22.5 * double(i));
    }

    const ScaleBar km = scaleBar(1000.0, 53.0f);
    EXPECT_NEAR(km.pointsPerUnit, 28.6177, 1e-3);
    EXPECT_EQ(km.units, 5);
    EXPECT_EQ(km.step, 1);  // 5 / 6 is 0
    ASSERT_EQ(km.ticks.size(), 5u);
    EXPECT_EQ(km.ticks.back().value, 4);
    EXPECT_NEAR(km.ticks.back().x, 160.0 + 4 * 28.6177, 1e-3);

    const ScaleBar statute = scaleBar(1609.344, 1.0f);
    EXPECT_EQ(statute.units, 184);
    EXPECT_EQ(statute.step, 30);
    EXPECT_EQ(statute.ticks.size(), 7u);
    EXPECT_EQ(statute.ticks.back().value, 180);

    EXPECT_TRUE(scaleBar(0.0, 4.5f).ticks.empty());
    EXPECT_TRUE(scaleBar(std::nan(""), 4.5f).ticks.empty());
}

// ---- airports -----------------------------------------------------------------------------------

namespace {
platform::DictionaryPtr airport(platform::Value runways, platform::Value index) {
    platform::DictionaryPtr record = test::waypointAt("LSGG", kGenevaLat, kGenevaLon, 1).dictionary();
    if (!runways.isNull()) record->set(waypoints::keys::waypointRunways, runways);
    if (!index.isNull()) record->set(waypoints::keys::waypointMainRunwayIndex, index);
    return record;
}
platform::Value runwayList(std::initializer_list<platform::Value> ids) {
    platform::ArrayPtr list = platform::Array::create();
    for (const platform::Value& id : ids) {
        platform::DictionaryPtr runway = platform::Dictionary::create();
        runway->set(waypoints::keys::runwayId, id);
        list->append(platform::Value(runway));
    }
    return platform::Value(list);
}
}  // namespace

TEST(MapAirports, TheSymbolTurnsToTheMainRunwayOrStaysUpright) {
    using platform::Value;
    struct Case {
        const char* what;
        platform::DictionaryPtr record;
        uint16_t angle;
        bool damaged;
    };
    const Case cases[] = {
        {"runway 09/27", airport(runwayList({"09/27"}), Value::integer(0)), 90, false},
        {"runway 36", airport(runwayList({"36"}), Value::integer(0)), 360, false},
        {"second of two", airport(runwayList({"04/22", "27L"}), Value::integer(1)), 270, false},
        {"a number as id", airport(runwayList({Value::integer(14)}), Value::real(0.0)), 140, false},
        {"no index: the first", airport(runwayList({"18"}), Value()), 180, false},
        {"no runways", airport(Value(), Value()), 0, false},
        {"a helipad", airport(runwayList({"H1"}), Value::integer(0)), 0, false},
        {"runways no list", airport(Value("09/27"), Value::integer(0)), 0, true},
        {"index a text", airport(runwayList({"09"}), Value("0")), 0, true},
        {"index past the end", airport(runwayList({"09", "18"}), Value::integer(2)), 0, true},
        {"index negative", airport(runwayList({"09"}), Value::integer(-1)), 0, true},
        {"index a fraction", airport(runwayList({"09", "18"}), Value::real(0.5)), 0, true},
        {"index NaN", airport(runwayList({"09"}), Value::real(std::nan(""))), 0, true},
        {"runway no dictionary", airport(Value(platform::Array::fromValues({Value("09")})), Value::integer(0)), 0, true},
        {"designator too big", airport(runwayList({"45"}), Value::integer(0)), 0, true},
    };
    for (const Case& c : cases) {
        QString problem;
        EXPECT_EQ(airportSymbolAngle(*c.record, &problem), c.angle) << c.what;
        EXPECT_EQ(!problem.isEmpty(), c.damaged) << c.what << ": " << problem.toStdString();
    }
}

// ---- direct-to ----------------------------------------------------------------------------------

TEST(MapDirectTo, TheRouteIsTenGreatCirclePointsEndingOnTheWaypoint) {
    const auto points = routePoints(46.0, 6.0, 50.0, 9.0, 6.5);
    for (int i = 1; i <= 10; ++i) {
        const positioning::FloatPoint q = Geodesy::calcGreatCircle({6.0f, 46.0f}, {9.0f, 50.0f}, double(float(i) * 0.1f));
        EXPECT_FLOAT_EQ(points[size_t(i - 1)].x, q.x) << i;
        EXPECT_FLOAT_EQ(points[size_t(i - 1)].y, q.y) << i;
    }
    EXPECT_NEAR(points.back().x, 9.0, 1e-4);
    EXPECT_NEAR(points.back().y, 50.0, 1e-4);
    // The great circle from 60 N 5 W to 60 N 5 E bulges north of the parallel.
    EXPECT_NEAR(routePoints(60.0, -5.0, 60.0, 5.0, 0.0)[4].y, 60.0945, 0.001);

    // Across 180, each point is brought within 180 degrees of the aircraft's longitude.
    for (const positioning::FloatPoint& q : routePoints(60.0, 179.5, 60.0, -179.5, 179.9)) {
        EXPECT_GT(q.x, 179.5f);
        EXPECT_LE(q.x, 180.5001f);
    }
    for (const positioning::FloatPoint& q : routePoints(60.0, 179.5, 60.0, -179.5, -179.9)) {
        EXPECT_GT(q.x, -180.5001f);
        EXPECT_LE(q.x, -179.4999f);
    }
}

TEST(MapDirectTo, TextsWithDistanceBearingAndTimeToGo) {
    EXPECT_EQ(directToText("LSGL", "Lausanne"), "Direct to LSGL, Lausanne");
    EXPECT_EQ(timeToGoText(18520.0, 51.0f), "6:03");
    EXPECT_EQ(timeToGoText(18520.0, 51.9f), "6:03");  // the speed is truncated to whole m/s
    EXPECT_EQ(timeToGoText(18520.0, 0.5f), "-:-");
    EXPECT_EQ(timeToGoText(18520.0, 0.0f), "-:-");
    EXPECT_EQ(timeToGoText(18520.0, std::nanf("")), "-:-");
    EXPECT_EQ(timeToGoText(59.9, 1.0f), "0:59");
    EXPECT_EQ(timeToGoText(366000.0, 50.0f), "122:00");
    EXPECT_EQ(summaryText(18520.0, 1852.0, "nm", 45.9f, 51.0f), "DIS 10.0 nm - BRG 045 - EET 6:03");
    EXPECT_EQ(summaryText(18520.0, 1000.0, "km", 359.99f, 0.5f), "DIS 18.5 km - BRG 359 - EET -:-");
    EXPECT_EQ(summaryText(18520.0, 1609.344, "mi", 7.0f, 100.0f), "DIS 11.5 mi - BRG 007 - EET 3:05");
}

// ---- the cache's worker -------------------------------------------------------------------------

TEST(NearbyCacheWorker, RequestsWhileAWorkerRunsOnlyMarkOneMoreRun) {
    auto cache = waypoints::NearbyWaypointCache::create();
    std::mutex gate;
    std::condition_variable opened;
    bool open = false;
    std::atomic<int> runs{0};
    std::atomic<int> lastRun{-1};
    auto job = [&](int n) {
        return [&, n] {
            std::unique_lock lock(gate);
            opened.wait(lock, [&] { return open; });
            ++runs;
            lastRun = n;
        };
    };
    EXPECT_TRUE(cache->runOnWorker(job(0)));
    EXPECT_TRUE(cache->isWorking());
    for (int n = 1; n <= 50; ++n) EXPECT_FALSE(cache->runOnWorker(job(n)));
    EXPECT_FALSE(cache->waitUntilIdle(20));  // still held at the gate
    {
        std::lock_guard lock(gate);
        open = true;
    }
    opened.notify_all();
    ASSERT_TRUE(cache->waitUntilIdle(5000));
    EXPECT_EQ(runs, 2);  // the first, and the last request in place of the other 49
    EXPECT_EQ(lastRun, 50);
    EXPECT_FALSE(cache->isWorking());
    // Idle again: the next request starts a worker of its own.
    EXPECT_TRUE(cache->runOnWorker(job(51)));
    ASSERT_TRUE(cache->waitUntilIdle(5000));
    EXPECT_EQ(runs, 3);
}

TEST(NearbyCacheWorker, ARefreshPublishesItsAreaAndCount) {
    auto cache = waypoints::NearbyWaypointCache::create();
    platform::ArrayPtr db = databaseOf({test::waypointAt("NEAR", 46.3, 6.2), test::waypointAt("FAR", 50.0, 6.2)});
    EXPECT_FALSE(cache->lastArea());
    cache->refresh(*db, 6.1, 46.2, 1852.0);
    ASSERT_TRUE(cache->lastArea());
    EXPECT_DOUBLE_EQ(cache->lastArea()->longitude, 6.1);
    EXPECT_DOUBLE_EQ(cache->lastArea()->radius, 180.0);
    EXPECT_EQ(cache->refreshCount(), 1u);
    std::lock_guard lock(cache->dbLock());
    EXPECT_EQ(cache->cachedNearbyWaypoints().size(), 1u);
}
