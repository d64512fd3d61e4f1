// What the moving map puts on the screen, checked pixel by pixel at 1x and 2x: waypoints at their
// places, the visibility margin, squares or symbols by the zoom, airports turned to their runway
// (and upright when its fields are damaged), the VORs' waypoints in yellow, the route through the
// great-circle points with its texts, the scale bar, the plane turned to the track, and what it
// shows without a fix. Then the map as the pilot works it: the setup pane's texts and its
// Direct/Cancel button, pinch and wheel, the settings through the defaults file, and the cache it
// shares with the selector pane.

#include "InstrumentTestSupport.h"

#include "instruments/GPSView.h"
#include "instruments/MapProjection.h"
#include "instruments/VORView.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Automation.h"
#include "platform/ui/Window.h"
#include "positioning/Geodesy.h"
#include "support/TestSupport.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointKeys.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QPainter>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace vantrel;
using namespace vantrel::instruments;
using platform::Value;
using positioning::Geodesy;
using test::waypointAt;

namespace {

constexpr double kGenevaLat = 46.2381, kGenevaLon = 6.1089;
constexpr double kLausanneLat = 46.5453, kLausanneLon = 6.6167;

struct LatLon {
    double lat, lon;
};
// The point at that great-circle distance and initial bearing, on the geodesy's sphere.
LatLon destination(double lat, double lon, double bearing, double nauticalMiles) {
    const double k = Geodesy::kDegreesToRadians;
    const double d = nauticalMiles * 1852.0 / Geodesy::kEarthRadiusMetres;
    const double phi1 = lat * k, theta = bearing * k;
    const double phi2 = std::asin(std::sin(phi1) * std::cos(d) + std::cos(phi1) * std::sin(d) * std::cos(theta));
    const double dLambda = std::atan2(std::sin(theta) * std::sin(d) * std::cos(phi1), std::cos(d) - std::sin(phi1) * std::sin(phi2));
    return {phi2 / k, lon + dLambda / k};
}
// The position that lands at that offset in points from the centre at a scale, seen from Geneva.
LatLon atPoints(double dx, double dy, float scale) {
    const double bearing = std::atan2(dx, -dy) / Geodesy::kDegreesToRadians;
    return destination(kGenevaLat, kGenevaLon, bearing, std::hypot(dx, dy) / double(scale));
}

bool isYellow(const QColor& c) { return c.red() > 200 && c.green() > 200 && c.blue() < 80; }
// Orange or its anti-aliased edge on the dark grey map.
bool isOrangeTinted(const QColor& c) { return c.red() > 120 && c.red() > c.blue() + 50 && c.green() < c.red() - 30; }
bool isGreen(const QColor& c) { return c.green() > 150 && c.green() > c.red() + 70 && c.green() > c.blue() + 70; }
bool isLightGrey(const QColor& c) {
    return c.red() > 110 && std::abs(c.red() - c.green()) < 12 && std::abs(c.green() - c.blue()) < 12 && c.red() < 200;
}
bool isBackground(const QColor& c) {
    return std::abs(c.red() - 85) < 12 && std::abs(c.green() - 85) < 12 && std::abs(c.blue() - 85) < 12;
}

// A map of its own on a database of its own, 320 x 320, with its setup pane.
class MapScene {
public:
    MapScene() {
        map_ = std::make_unique<GPSView>(world_.location(), world_.units(), cache_, db_);
        map_->setObjectName(QStringLiteral("sharedView"));
        // These checks look at the waypoints on the plain grey field: no base map under them
        // (BaseMapDrawingTest draws the bundle's).
        map_->baseMap().setFile(nullptr);
        map_->initWithFrame(QRectF(0, 0, 320, 320));
        map_->setupView();
    }
    ~MapScene() {
        map_.reset();
        VORView::primaryVOR().setSelectedWaypoint(Value());
        VORView::secondaryVOR().setSelectedWaypoint(Value());
    }

    Value add(Value record) {
        db_->append(record);
        return record;
    }
    // A fix, and the cache refresh it asks for, delivered.
    void fix(double lat, double lon, double accuracy = 5.0) {
        world_.fix(lat, lon, accuracy);
        EXPECT_TRUE(cache_->waitUntilIdle(5000));
        QCoreApplication::processEvents();
    }
    void setScale(float scale) {
        platform::DictionaryPtr settings = map_->settings();
        settings->set("currentScale", Value::real(double(scale)));
        map_->setSettings(settings);
    }
    QImage picture(double scale, const QString& name) {
        QImage image = test::render(*map_, scale);
        test::savePicture(image, QStringLiteral("map-%1-%2x").arg(name).arg(scale));
        return image;
    }
    const GPSView::DrawnWaypoint* drawn(const char* id) const {
        for (const GPSView::DrawnWaypoint& w : map_->drawnWaypoints())
            if (w.id == QLatin1String(id)) return &w;
        return nullptr;
    }

    test::InstrumentWorld& world() { return world_; }
    GPSView& map() { return *map_; }
    std::shared_ptr<waypoints::NearbyWaypointCache> cache() { return cache_; }

private:
    test::InstrumentWorld world_;
    platform::ArrayPtr db_ = platform::Array::create();
    std::shared_ptr<waypoints::NearbyWaypointCache> cache_ = waypoints::NearbyWaypointCache::create();
    std::unique_ptr<GPSView> map_;
};

Value atPlace(const char* id, LatLon where, int type = 12) { return waypointAt(id, where.lat, where.lon, type); }

Value withRunway(Value airport, const char* designator) {
    platform::DictionaryPtr runway = platform::Dictionary::create();
    runway->set(waypoints::keys::runwayId, Value(designator));
    airport.asDictionary()->set(waypoints::keys::waypointRunways, Value(platform::Array::fromValues({Value(runway)})));
    airport.asDictionary()->set(waypoints::keys::waypointMainRunwayIndex, Value::integer(0));
    return airport;
}

class MapPixels : public ::testing::TestWithParam<double> {};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Scales, MapPixels, ::testing::Values(1.0, 2.0));

TEST_P(MapPixels, WaypointsLandWhereTheScalePutsThemAndTheVorsAreYellow) {
    const double scale = GetParam();
    MapScene scene;
    const Value east = scene.add(atPlace("EAST", destination(kGenevaLat, kGenevaLon, 90, 10)));
    const Value north = scene.add(atPlace("NRTH", destination(kGenevaLat, kGenevaLon, 0, 10)));
    scene.add(atPlace("SWST", destination(kGenevaLat, kGenevaLon, 225, 10)));
    scene.fix(kGenevaLat, kGenevaLon);
    // VOR 1 points at EAST; VOR 2 at a copy of it that is equal, record for record.
    VORView::primaryVOR().setWaypoint(east);
    VORView::secondaryVOR().setWaypoint(Value(east.dictionary()->mutableCopy()));
    ASSERT_FLOAT_EQ(scene.map().currentScale(), 4.5f);
    const QImage image = scene.picture(scale, QStringLiteral("places"));

    // 10 NM east at 4.5 points per mile: 45 points right of the centre, in an 8-point yellow mark.
    ASSERT_TRUE(scene.drawn("EAST"));
    EXPECT_NEAR(scene.drawn("EAST")->x, 205.0, 1e-6);
    EXPECT_NEAR(scene.drawn("EAST")->y, 160.0, 1e-6);
    for (QPointF p : {QPointF(205, 160), QPointF(202, 160), QPointF(207.8, 160), QPointF(205, 157), QPointF(205, 163.6)})
        EXPECT_TRUE(isYellow(test::pixelAt(image, p))) << p.x() << " " << p.y();
    for (QPointF p : {QPointF(199.5, 160), QPointF(210.5, 160), QPointF(205, 166.5)})
        EXPECT_FALSE(isYellow(test::pixelAt(image, p))) << p.x() << " " << p.y();
    // Marked by both VORs, it is drawn once.
    EXPECT_EQ(std::count_if(scene.map().drawnWaypoints().begin(), scene.map().drawnWaypoints().end(),
                            [](const GPSView::DrawnWaypoint& w) { return w.id == "EAST"; }),
              1);

    // 10 NM north: 45 points above, an orange square of 4 points, not yellow.
    ASSERT_TRUE(scene.drawn("NRTH"));
    EXPECT_NEAR(scene.drawn("NRTH")->x, 160.0, 1e-6);
    EXPECT_NEAR(scene.drawn("NRTH")->y, 115.0, 1e-6);
    EXPECT_TRUE(isOrangeTinted(test::pixelAt(image, {158, 115})));
    EXPECT_TRUE(isOrangeTinted(test::pixelAt(image, {162, 115})));
    EXPECT_TRUE(isBackground(test::pixelAt(image, {160, 115}))) << "the square is hollow";
    EXPECT_FALSE(test::anyNear(image, {160, 115}, 3, isYellow));
    EXPECT_TRUE(isBackground(test::pixelAt(image, {155, 115})));
    EXPECT_TRUE(isBackground(test::pixelAt(image, {160, 121})));
    (void)north;

    ASSERT_TRUE(scene.drawn("SWST"));
    EXPECT_NEAR(scene.drawn("SWST")->x, 160 - 45 / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(scene.drawn("SWST")->y, 160 + 45 / std::sqrt(2.0), 1e-6);
    EXPECT_TRUE(test::anyNear(image, {scene.drawn("SWST")->x, scene.drawn("SWST")->y}, 2.6, isOrangeTinted));
}

TEST_P(MapPixels, WaypointsWithinFifteenPointsOutsideAreDrawn) {
    const double scale = GetParam();
    MapScene scene;
    scene.setScale(10.0f);
    // 10 points below the bottom edge and 20 points below; 10 and 20 points right of it.
    scene.add(atPlace("LOW", atPoints(-60, 170, 10.0f)));
    scene.add(atPlace("LOWER", atPoints(60, 180, 10.0f)));
    scene.add(atPlace("RIGHT", atPoints(170, -60, 10.0f)));
    scene.add(atPlace("RIGHTER", atPoints(180, 60, 10.0f)));
    scene.fix(kGenevaLat, kGenevaLon);
    const QImage image = scene.picture(scale, QStringLiteral("margin"));

    EXPECT_TRUE(scene.drawn("LOW"));
    EXPECT_TRUE(scene.drawn("RIGHT"));
    EXPECT_FALSE(scene.drawn("LOWER"));
    EXPECT_FALSE(scene.drawn("RIGHTER"));
    // LOW's label stands 16 points above it, inside the view; LOWER's would show just as well.
    bool lowLabel = false, lowerLabel = false;
    for (double y = 305; y < 320; y += 0.5)
        for (double x = 0; x < 40; x += 0.5) {
            lowLabel |= isOrangeTinted(test::pixelAt(image, {89 + x, y}));
            lowerLabel |= isOrangeTinted(test::pixelAt(image, {209 + x, y}));
        }
    EXPECT_TRUE(lowLabel);
    EXPECT_FALSE(lowerLabel);
}

TEST_P(MapPixels, SquaresUpToSixPointsPerMileSymbolsAbove) {
    const double scale = GetParam();
    for (float mapScale : {6.0f, 6.01f}) {
        MapScene scene;
        scene.setScale(mapScale);
        scene.add(atPlace("VOR", atPoints(30, 0, mapScale)));
        scene.fix(kGenevaLat, kGenevaLon);
        const QImage image = scene.picture(scale, QStringLiteral("style-%1").arg(mapScale));
        SCOPED_TRACE(testing::Message() << "scale " << mapScale << " at " << scale << "x");
        ASSERT_TRUE(scene.drawn("VOR"));
        const bool symbol = mapScale > 6.0f;
        // The VOR symbol: a dot in a hexagon of 9 points' radius; the square: a 4-point outline.
        EXPECT_EQ(isOrangeTinted(test::pixelAt(image, {190, 160})), symbol);
        EXPECT_EQ(test::anyNear(image, {199, 160}, 1.0, test::isOrangeish), symbol);
        EXPECT_EQ(isOrangeTinted(test::pixelAt(image, {187.6, 160})), !symbol);
    }
}

// Zoomed out, each square is set down from a ready picture: wherever it falls within a pixel it
// must look as the outline drawn there directly would, airports' pink and the others' orange.
TEST_P(MapPixels, SquaresLookAsDrawnWhereverTheyFallWithinAPixel) {
    const double scale = GetParam();
    struct Case {
        const char* id;
        double dx, dy;  // points from the centre
        int type;
    };
    const Case cases[] = {
        {"WPA", 30.0, -40.0, 12},   {"WPB", -41.63, 12.88, 12}, {"WPC", 55.5, 0.25, 12},
        {"WPD", -12.71, -63.05, 12}, {"APA", 70.37, 60.81, 1},   {"APB", -70.06, -80.44, 1},
    };
    MapScene scene;
    scene.setScale(4.5f);
    for (const Case& c : cases) scene.add(atPlace(c.id, atPoints(c.dx, c.dy, 4.5f), c.type));
    scene.fix(kGenevaLat, kGenevaLon);
    const QImage image = scene.picture(scale, QStringLiteral("square-stamps"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const GPSView::DrawnWaypoint* w = scene.drawn(c.id);
        ASSERT_TRUE(w);
        QImage expected(image.size(), image.format());
        expected.setDevicePixelRatio(scale);
        expected.fill(QColor(85, 85, 85));
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(c.type == 1 ? QColor(255, 0, 128) : QColor(255, 128, 0), 1.0));
        painter.drawRect(QRectF(w->x - 2, w->y - 2, 4, 4));
        painter.end();
        // The square and its edge, short of where an airport's label may begin on its right.
        int worst = 0, inked = 0;
        for (int py = int(std::floor((w->y - 3.5) * scale)); py <= int(std::ceil((w->y + 3.5) * scale)); ++py)
            for (int px = int(std::floor((w->x - 3.5) * scale)); px < int(std::floor((w->x + 2.75) * scale)); ++px) {
                const QColor got = image.pixelColor(px, py), want = expected.pixelColor(px, py);
                worst = std::max({worst, std::abs(got.red() - want.red()), std::abs(got.green() - want.green()),
                                  std::abs(got.blue() - want.blue())});
                inked += want != QColor(85, 85, 85);
            }
        EXPECT_GT(inked, 8);
        EXPECT_LE(worst, 32) << "at " << w->x << " " << w->y;
    }
}

TEST_P(MapPixels, AirportsAreTurnedToTheirMainRunway) {
    const double scale = GetParam();
    MapScene scene;
    scene.setScale(10.0f);
    scene.add(withRunway(atPlace("RW09", atPoints(-80, -80, 10.0f), 1), "09/27"));
    scene.add(withRunway(atPlace("RW36", atPoints(80, -80, 10.0f), 1), "36"));
    scene.add(withRunway(atPlace("RW04", atPoints(0, -80, 10.0f), 1), "04/22"));
    Value listless = atPlace("BAD1", atPoints(-80, 80, 10.0f), 1);
    listless.asDictionary()->set(waypoints::keys::waypointRunways, Value("09/27"));
    scene.add(listless);
    Value past = withRunway(atPlace("BAD2", atPoints(80, 80, 10.0f), 1), "09");
    past.asDictionary()->set(waypoints::keys::waypointMainRunwayIndex, Value::integer(3));
    scene.add(past);
    scene.fix(kGenevaLat, kGenevaLon);

    test::LogCapture log;
    const QImage image = scene.picture(scale, QStringLiteral("runways"));
    scene.picture(scale, QStringLiteral("runways"));
    // The symbol's runway bar reaches 10.5 points from the middle, its circle 8.
    const auto barAlong = [&](QPointF at, bool horizontal) {
        const QPointF along = horizontal ? QPointF(9.5, 0) : QPointF(0, 9.5);
        const QPointF across = horizontal ? QPointF(0, 9.5) : QPointF(9.5, 0);
        return test::anyNear(image, at + along, 0.8, test::isOrangeish) && test::anyNear(image, at - along, 0.8, test::isOrangeish) &&
               !test::anyNear(image, at + across, 0.8, test::isOrangeish) && !test::anyNear(image, at - across, 0.8, test::isOrangeish);
    };
    EXPECT_TRUE(barAlong({80, 80}, true)) << "runway 9: turned 90 degrees";
    EXPECT_TRUE(barAlong({240, 80}, false)) << "runway 36: upright";
    // Runway 4 lies north-east to south-west: turned clockwise, not the other way.
    const QPointF northEast(9.5 * std::sin(40 * M_PI / 180), -9.5 * std::cos(40 * M_PI / 180));
    const QPointF northWest(-northEast.x(), northEast.y());
    EXPECT_TRUE(test::anyNear(image, QPointF(160, 80) + northEast, 0.8, test::isOrangeish));
    EXPECT_TRUE(test::anyNear(image, QPointF(160, 80) - northEast, 0.8, test::isOrangeish));
    EXPECT_FALSE(test::anyNear(image, QPointF(160, 80) + northWest, 0.8, test::isOrangeish));
    EXPECT_FALSE(test::anyNear(image, QPointF(160, 80) - northWest, 0.8, test::isOrangeish));
    EXPECT_TRUE(barAlong({80, 240}, false)) << "no list of runways: upright";
    EXPECT_TRUE(barAlong({240, 240}, false)) << "index past the runways: upright";
    // Each damaged airport is logged once, however often it is drawn.
    EXPECT_EQ(log.lines().filter(QStringLiteral("The airport BAD1 is drawn unturned")).size(), 1);
    EXPECT_EQ(log.lines().filter(QStringLiteral("The airport BAD2 is drawn unturned")).size(), 1);
    EXPECT_EQ(log.lines().filter(QStringLiteral("RW09")).size(), 0);
}

TEST_P(MapPixels, TheRoutePassesThroughTheGreatCirclePoints) {
    const double scale = GetParam();
    MapScene scene;
    const Value lausanne = scene.add(waypointAt("LSGL", kLausanneLat, kLausanneLon, 1, "Lausanne"));
    scene.fix(kGenevaLat, kGenevaLon);
    scene.map().setWaypoint(lausanne);
    // The aircraft has since drifted 6 NM south of its start.
    const LatLon here = destination(kGenevaLat, kGenevaLon, 180, 6);
    scene.fix(here.lat, here.lon);
    scene.world().motion(51.0f, 40.0f);
    const QImage image = scene.picture(scale, QStringLiteral("route"));

    const MapProjection map(here.lat, here.lon, QPointF(160, 160), 4.5f);
    std::vector<QPointF> points{*map.project(kGenevaLat, kGenevaLon)};
    for (const positioning::FloatPoint& q : routePoints(kGenevaLat, kGenevaLon, kLausanneLat, kLausanneLon, here.lon))
        points.push_back(*map.project(q.y, q.x));
    EXPECT_NEAR(points.front().y(), 160 - 27.0, 0.01);  // the origin, 6 NM north of the aircraft
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_TRUE(test::anyNear(image, points[i], 1.0, test::isRed)) << "point " << i;
        if (i == 0) continue;
        const QPointF middle = (points[i] + points[i - 1]) / 2;
        const QPointF d = points[i] - points[i - 1];
        const QPointF normal = QPointF(-d.y(), d.x()) / std::hypot(d.x(), d.y());
        EXPECT_TRUE(test::anyNear(image, middle, 1.0, test::isRed)) << "segment " << i;
        EXPECT_FALSE(test::anyNear(image, middle + normal * 5, 1.0, test::isRed)) << "beside segment " << i;
        EXPECT_FALSE(test::anyNear(image, middle - normal * 5, 1.0, test::isRed)) << "beside segment " << i;
    }

    // The texts: green, the summary from the aircraft's position now.
    EXPECT_EQ(scene.map().directToString(), "Direct to LSGL, Lausanne");
    const double metres = Geodesy::calcDistanceInMeters(here.lon, here.lat, kLausanneLon, kLausanneLat);
    const unsigned seconds = unsigned(metres) / 51;
    const unsigned bearing = unsigned(Geodesy::calcAngle({float(here.lon), float(here.lat)}, {float(kLausanneLon), float(kLausanneLat)}));
    EXPECT_EQ(scene.map().summaryLine(), QString::asprintf("DIS %.01f nm - BRG %03u°T - EET %u:%02u", metres / 1852.0,
                                                           bearing, seconds / 60, seconds % 60));
    EXPECT_TRUE(scene.map().summaryLine().startsWith("DIS 32."));  // about 32 NM on 41 degrees
    bool directTo = false, summary = false;
    for (double x = 5; x < 150; x += 0.5) {
        directTo |= test::anyNear(image, {x, 285}, 1.0, isGreen);
        summary |= test::anyNear(image, {x, 305}, 1.0, isGreen);
    }
    EXPECT_TRUE(directTo);
    EXPECT_TRUE(summary);
}

// A plan flown: every leg drawn along its great circle, the active one in the brighter
// magenta, nothing beside the legs, the points marked, and the leg's text in the band below.
TEST_P(MapPixels, APlanIsDrawnAlongItsLegsWithTheActiveLegHighlighted) {
    const double scale = GetParam();
    MapScene scene;
    scene.setScale(3.0f);
    const LatLon here{46.40, 6.90};  // south-east of the route, all of it on the map
    scene.fix(here.lat, here.lon);
    const LatLon payerne{46.8432, 6.9153};
    const LatLon ecuvillens{46.7550, 7.0761};
    GPSView::PlanRoute route;
    route.points = {{"LSGG", kGenevaLat, kGenevaLon, 1},
                    {"LSGL", kLausanneLat, kLausanneLon, 2},
                    {"LSMP", payerne.lat, payerne.lon, 3},
                    {"LSGE", ecuvillens.lat, ecuvillens.lon, 4}};
    route.active = 2;
    route.paneText = "To LSMP (3/4) DIS 12.3 nm BRG 048°T ETE 0:07 - ETA dest 14:52";
    scene.map().setPlanRoute(route);
    const QImage image = scene.picture(scale, QStringLiteral("plan"));

    const auto isPlan = [](const QColor& c) { return c.red() > 160 && c.red() < 235 && c.green() > 30 && c.green() < 100 && c.blue() > 180; };
    const auto isActive = [](const QColor& c) { return c.red() > 235 && c.green() < 30 && c.blue() > 235; };
    const MapProjection map(here.lat, here.lon, QPointF(160, 160), 3.0f);
    int checked = 0;
    for (size_t leg = 1; leg < route.points.size(); ++leg) {
        const GPSView::PlanRoute::Point& a = route.points[leg - 1];
        const GPSView::PlanRoute::Point& b = route.points[leg];
        const auto& colour = leg == route.active ? std::function<bool(const QColor&)>(isActive) : isPlan;
        QPointF last = *map.project(a.latitude, a.longitude);
        for (const positioning::FloatPoint& q : routePoints(a.latitude, a.longitude, b.latitude, b.longitude, here.lon)) {
            const QPointF next = *map.project(q.y, q.x);
            const QPointF middle = (last + next) / 2;
            const QPointF d = next - last;
            const QPointF normal = QPointF(-d.y(), d.x()) / std::hypot(d.x(), d.y());
            // Away from the marks (the labels are white) and from the aircraft in the middle.
            double nearest = std::hypot(middle.x() - 160, middle.y() - 160) - 10;
            for (const GPSView::PlanRoute::Point& p : route.points) {
                const QPointF at = *map.project(p.latitude, p.longitude);
                nearest = std::min(nearest, std::hypot(middle.x() - at.x(), middle.y() - at.y()));
                if (QRectF(at.x() + 4, at.y() - 20, 70, 20).contains(middle)) nearest = 0;  // under its label
            }
            last = next;
            if (nearest < 10) continue;
            EXPECT_TRUE(test::anyNear(image, middle, 0.8, colour)) << "leg " << leg << " at " << middle.x() << "," << middle.y();
            EXPECT_FALSE(test::anyNear(image, middle + normal * 7, 1.0, isPlan)) << "beside leg " << leg;
            EXPECT_FALSE(test::anyNear(image, middle - normal * 7, 1.0, isActive)) << "beside leg " << leg;
            ++checked;
        }
    }
    EXPECT_GE(checked, 10);  // both long legs, most of their pieces
    // The active point's mark is the bright one; the band holds the leg's text over its times.
    EXPECT_TRUE(test::anyNear(image, *map.project(payerne.lat, payerne.lon), 1.5, isActive));
    EXPECT_TRUE(test::anyNear(image, *map.project(kLausanneLat, kLausanneLon), 1.5, isPlan));
    bool first = false, second = false;
    for (double x = 5; x < 200; x += 0.5) {
        first |= test::anyNear(image, {x, 285}, 1.0, [](const QColor& c) { return c.red() > 240 && c.green() > 240 && c.blue() > 240; });
        second |= test::anyNear(image, {x, 307}, 1.0, isGreen);
    }
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);

    scene.map().setPlanRoute(std::nullopt);
    const QImage without = scene.picture(scale, QStringLiteral("plan-stopped"));
    EXPECT_FALSE(test::anyNear(without, *map.project(payerne.lat, payerne.lon), 3, isActive));
}

TEST_P(MapPixels, ARouteAcrossTheAntimeridianGoesTheShortWay) {
    const double scale = GetParam();
    MapScene scene;
    const Value across = scene.add(waypointAt("ACRS", 60.0, -179.6, 12, "Across"));
    scene.fix(60.0, 179.8);
    scene.map().setWaypoint(across);
    const QImage image = scene.picture(scale, QStringLiteral("antimeridian"));
    ASSERT_TRUE(scene.drawn("ACRS"));
    EXPECT_NEAR(scene.drawn("ACRS")->x, 160 + 4.5 * Geodesy::calcDistanceInMeters(179.8, 60, -179.6, 60) / 1852, 0.5);
    EXPECT_TRUE(test::anyNear(image, {200, 160}, 1.5, test::isRed));
    EXPECT_FALSE(test::anyNear(image, {120, 160}, 3, test::isRed));
    EXPECT_TRUE(scene.map().summaryLine().contains(" - BRG 089°T ") || scene.map().summaryLine().contains(" - BRG 090°T "))
        << scene.map().summaryLine().toStdString();
}

TEST_P(MapPixels, TheScaleBarMarksWholeUnitsAndKeepsItsFiguresOnTheMap) {
    const double scale = GetParam();
    MapScene scene;
    scene.fix(kGenevaLat, kGenevaLon);
    QImage image = scene.picture(scale, QStringLiteral("scale-4.5"));
    // Ticks every 5 NM at 22.5 points, from 160 to 295.
    for (double x : {160.0, 182.5, 205.0, 295.0}) EXPECT_TRUE(test::anyNear(image, {x, 8}, 1.0, isLightGrey)) << x;
    EXPECT_FALSE(test::anyNear(image, {171, 8}, 1.0, isLightGrey));
    EXPECT_TRUE(test::anyNear(image, {290, 5}, 1.0, isLightGrey));
    EXPECT_FALSE(test::anyNear(image, {300, 5}, 1.0, isLightGrey));
    EXPECT_TRUE(test::anyNear(image, {140, 11}, 3, isLightGrey)) << "the unit";

    // At 1 point per mile the ticks go every 26 NM; the one at 156 would put its figure past the
    // edge, so the bar ends at 130 (x = 290).
    scene.setScale(1.0f);
    image = scene.picture(scale, QStringLiteral("scale-1"));
    EXPECT_TRUE(test::anyNear(image, {290, 8}, 1.0, isLightGrey));
    EXPECT_FALSE(test::anyNear(image, {316, 8}, 1.0, isLightGrey));
    EXPECT_FALSE(test::anyNear(image, {303, 5}, 1.0, isLightGrey));

    // In kilometres at 53: five ticks 28.6 points apart.
    scene.world().selectUnits(2);
    scene.setScale(53.0f);
    image = scene.picture(scale, QStringLiteral("scale-53-km"));
    EXPECT_TRUE(test::anyNear(image, {160 + 4 * 28.6177, 8}, 1.0, isLightGrey));
    EXPECT_FALSE(test::anyNear(image, {160 + 2.5 * 28.6177, 8}, 1.0, isLightGrey));
}

TEST_P(MapPixels, ThePlaneTurnsClockwiseWithTheTrack) {
    const double scale = GetParam();
    MapScene scene;
    scene.fix(kGenevaLat, kGenevaLon);
    const QPointF centre(160, 160);
    for (float track : {0.0f, 90.0f, 180.0f, 270.0f, 45.0f}) {
        scene.world().motion(40.0f, track);
        const QImage image = scene.picture(scale, QStringLiteral("plane-%1").arg(track));
        SCOPED_TRACE(testing::Message() << "track " << track);
        const double a = double(track) * M_PI / 180.0;
        const QPointF ahead(std::sin(a), -std::cos(a));
        const QPointF right(std::cos(a), std::sin(a));
        const auto white = [&](QPointF p) { return test::anyNear(image, p, 1.0, test::isWhite); };
        // 10 points ahead the fuselage is narrow; 10 points behind, the tailplane is wide.
        EXPECT_TRUE(white(centre + ahead * 10));
        EXPECT_FALSE(white(centre + ahead * 10 + right * 4));
        EXPECT_TRUE(white(centre - ahead * 10.5 + right * 4));
        EXPECT_TRUE(white(centre - ahead * 10.5 - right * 4));
        // The wings, 2 points ahead of the middle, reach 12 points to either side.
        EXPECT_TRUE(white(centre + ahead * 2.5 + right * 11));
        EXPECT_TRUE(white(centre + ahead * 2.5 - right * 11));
        EXPECT_FALSE(white(centre - ahead * 5 + right * 11));
    }
}

TEST_P(MapPixels, WithoutAFixTheMapKeepsItsLastPositionAndSaysSo) {
    const double scale = GetParam();
    MapScene scene;
    const Value lausanne = scene.add(waypointAt("LSGL", kLausanneLat, kLausanneLon, 1, "Lausanne"));
    scene.add(atPlace("EAST", destination(kGenevaLat, kGenevaLon, 90, 10)));

    // Before the first fix: a plain notice, nothing placed.
    QImage image = scene.picture(scale, QStringLiteral("no-position"));
    EXPECT_TRUE(test::anyNear(image, {160, 160}, 10, test::isWhite));
    EXPECT_FALSE(scene.map().mapPosition());
    EXPECT_TRUE(scene.map().drawnWaypoints().empty());
    EXPECT_TRUE(scene.map().summaryLine().isNull());
    EXPECT_EQ(scene.map().labelText("accuracy"), "No signal");

    scene.fix(kGenevaLat, kGenevaLon);
    scene.map().setWaypoint(lausanne);
    image = scene.picture(scale, QStringLiteral("with-position"));
    EXPECT_FALSE(test::anyNear(image, {160, 38}, 4, [](const QColor& c) { return c.red() > 200 && c.green() < 120 && c.blue() > 60; }));
    ASSERT_TRUE(scene.drawn("EAST"));
    const QString summary = scene.map().summaryLine();

    // The source fails: the map stays where it was, with a notice, route and figures.
    scene.world().location().locationManagerDidFailWithError(QStringLiteral("gone"));
    EXPECT_TRUE(scene.map().showsLastKnownPosition());
    image = scene.picture(scale, QStringLiteral("last-position"));
    ASSERT_TRUE(scene.drawn("EAST"));
    EXPECT_NEAR(scene.drawn("EAST")->x, 205.0, 1e-6);
    EXPECT_EQ(scene.map().summaryLine(), summary);
    EXPECT_TRUE(test::anyNear(image, {160, 38}, 4, [](const QColor& c) { return c.red() > 200 && c.green() < 120 && c.blue() > 60; }));
    for (const char* label : {"latField", "lonField", "speed", "course"}) EXPECT_EQ(scene.map().labelText(label), "?");
    EXPECT_EQ(scene.map().labelText("accuracy"), "No signal");

    // A fix too poor for navigation does not move the map either.
    scene.fix(47.5, 8.5, 6000.0);
    test::render(scene.map(), scale);
    EXPECT_DOUBLE_EQ(scene.map().mapPosition()->latitude, kGenevaLat);
    EXPECT_TRUE(scene.map().showsLastKnownPosition());
    scene.fix(kGenevaLat, kGenevaLon);
    EXPECT_FALSE(scene.map().showsLastKnownPosition());
}

// ---- as the pilot works it -------------------------------------------------------------------

TEST(GPSMap, TheSetupPaneShowsPositionSpeedTrackAndAccuracy) {
    MapScene scene;
    EXPECT_EQ(scene.map().labelOutlets(), QStringList({"latField", "lonField", "speed", "course", "accuracy", "altitude", "verticalSpeed"}));
    EXPECT_EQ(scene.map().instrumentSetupNib(), "GPSSetupView");
    scene.fix(kGenevaLat, kGenevaLon, 12.0);
    scene.world().motion(51.4f, 45.7f);
    EXPECT_EQ(scene.map().labelText("latField"), "N 046\u00B014'17''");
    EXPECT_EQ(scene.map().labelText("lonField"), "E 006\u00B006'32''");
    EXPECT_EQ(scene.map().labelText("speed"), "100 kts");
    EXPECT_EQ(scene.map().labelText("course"), "045\u00B0T");
    EXPECT_EQ(scene.map().labelText("accuracy"), "0.0 nm");
    QWidget* pane = scene.map().setupView();
    ASSERT_TRUE(pane);
    pane->resize(320, 55);
    for (int scale : {1, 2}) {
        QImage picture(320 * scale, 55 * scale, QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(scale);
        picture.fill(Qt::black);
        QPainter painter(&picture);
        pane->render(&painter);
        painter.end();
        test::savePicture(picture, QStringLiteral("map-setup-pane-%1x").arg(scale));
    }
    scene.world().selectUnits(2);
    EXPECT_EQ(scene.map().labelText("speed"), "185 km/h");
    EXPECT_EQ(scene.map().labelText("accuracy"), "0.0 km");
    scene.world().fix(kGenevaLat, kGenevaLon, 6000.0);
    EXPECT_EQ(scene.map().labelText("latField"), "?");
    EXPECT_EQ(scene.map().labelText("speed"), "?");
    EXPECT_EQ(scene.map().labelText("accuracy"), "No signal");
}

TEST(GPSMap, TheSelectControlTogglesBetweenChoosingAndCancelling) {
    MapScene scene;
    const Value lausanne = scene.add(waypointAt("LSGL", kLausanneLat, kLausanneLon, 1, "Lausanne"));
    scene.fix(kGenevaLat, kGenevaLon);
    auto* button = qobject_cast<QAbstractButton*>(scene.map().outlet(QStringLiteral("selectButton")));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), "Direct");
    waypoints::POISelectorPaneController& pane = waypoints::POISelectorPaneController::sharedPOIDatabase();
    pane.setOwner(nullptr);

    test::LogCapture log;
    scene.map().setWaypoint(lausanne);
    EXPECT_TRUE(log.contains(QStringLiteral("Direct from 6.109 46.238 to 6.617 46.545")));
    EXPECT_EQ(scene.map().directToString(), "Direct to LSGL, Lausanne");
    EXPECT_EQ(button->text(), "Cancel");

    // Pressed with a direct-to active: cancelled, and no selector.
    button->click();
    EXPECT_TRUE(scene.map().directToString().isNull());
    EXPECT_EQ(button->text(), "Direct");
    EXPECT_DOUBLE_EQ(scene.map().originLat(), 0.0);
    EXPECT_DOUBLE_EQ(scene.map().referenceLon(), 0.0);
    EXPECT_TRUE(scene.map().selectedWaypoint().isNull());
    EXPECT_FALSE(scene.map().settings()->contains("waypoint"));
    EXPECT_FALSE(scene.map().settings()->contains("directToString"));
    EXPECT_FALSE(log.contains(QStringLiteral("There is no screen to show the waypoint selector over")));
    EXPECT_EQ(pane.owner(), nullptr);
    test::render(scene.map(), 1.0);
    EXPECT_TRUE(scene.map().summaryLine().isNull());

    // Pressed again: the selector, with the map as its owner.
    button->click();
    EXPECT_EQ(pane.owner(), static_cast<waypoints::WaypointOwner*>(&scene.map()));
    pane.setOwner(nullptr);

    // Nothing chosen clears it as well.
    scene.map().setWaypoint(lausanne);
    scene.map().setWaypoint(Value());
    EXPECT_TRUE(scene.map().directToString().isNull());
    EXPECT_EQ(button->text(), "Direct");
}

TEST(GPSMap, SettingsRoundTripWithTheScaleTheDirectToAndItsOrigin) {
    test::TempDir home;
    platform::DictionaryPtr saved;
    {
        MapScene scene;
        const Value lausanne = scene.add(waypointAt("LSGL", kLausanneLat, kLausanneLon, 1, "Lausanne"));
        scene.fix(kGenevaLat, kGenevaLon);
        scene.map().setWaypoint(lausanne);
        QWheelEvent notch(QPointF(160, 160), scene.map().mapToGlobal(QPointF(160, 160)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&scene.map(), &notch);
        ASSERT_FLOAT_EQ(scene.map().currentScale(), 4.95f);
        saved = scene.map().settings();
        EXPECT_TRUE(saved->get("currentScale").isNumber());
        EXPECT_EQ(saved->get("directToString").toQString(), "Direct to LSGL, Lausanne");
        platform::UserDefaults defaults(home.file("defaults.plist"));
        defaults.setObject("Map", Value(saved));
    }
    platform::UserDefaults reread(home.file("defaults.plist"));
    platform::DictionaryPtr restored = reread.objectForKey("Map").dictionary();
    ASSERT_TRUE(restored);

    // Restored somewhere else: the scale, the direct-to rebuilt from its record, the saved origin.
    MapScene next;
    next.fix(47.0, 7.0);
    next.map().setSettings(restored);
    EXPECT_FLOAT_EQ(next.map().currentScale(), 4.95f);
    EXPECT_EQ(next.map().directToString(), "Direct to LSGL, Lausanne");
    EXPECT_DOUBLE_EQ(next.map().originLat(), kGenevaLat);
    EXPECT_DOUBLE_EQ(next.map().originLon(), kGenevaLon);
    EXPECT_DOUBLE_EQ(next.map().referenceLat(), kLausanneLat);
    EXPECT_EQ(next.map().outlet(QStringLiteral("selectButton"))->property("text").toString(), "Cancel");

    // No scale saved (0, or absent) stands for 4.5; a damaged one too, with a log line.
    struct Case {
        const char* what;
        Value scale;
        bool damaged;
    };
    for (const Case& c : {Case{"zero", Value::real(0.0), false}, Case{"absent", Value(), false},
                          Case{"a text", Value("big"), true}, Case{"too large", Value::real(900.0), true},
                          Case{"below 1", Value::real(0.5), true}, Case{"not a number", Value::real(std::nan("")), true}}) {
        platform::DictionaryPtr settings = restored->mutableCopy();
        settings->remove("currentScale");
        if (!c.scale.isNull()) settings->set("currentScale", c.scale);
        next.setScale(20.0f);
        test::LogCapture log;
        next.map().setSettings(settings);
        EXPECT_FLOAT_EQ(next.map().currentScale(), 4.5f) << c.what;
        EXPECT_EQ(log.contains(QStringLiteral("The saved settings of sharedView are damaged")), c.damaged) << c.what;
        EXPECT_EQ(next.map().directToString(), "Direct to LSGL, Lausanne") << c.what;
    }
    // Nothing saved at all: the first start.
    next.map().setSettings({});
    EXPECT_FLOAT_EQ(next.map().currentScale(), 4.5f);
    EXPECT_TRUE(next.map().directToString().isNull());
    EXPECT_DOUBLE_EQ(next.map().originLat(), 0.0);
}

TEST(GPSMap, PinchAndWheelZoomAndOneFingerDoesNot) {
    platform::ui::Window window;  // made first, so that it goes after the map it holds
    MapScene scene;
    scene.fix(kGenevaLat, kGenevaLon);
    scene.map().setParent(&window);
    scene.map().setGeometry(0, 0, 320, 320);
    scene.map().show();
    window.show();
    platform::ui::Automation robot(&window);

    ASSERT_EQ(robot.pinch(&scene.map(), {160, 160}, 40, 120), "");
    EXPECT_FLOAT_EQ(scene.map().currentScale(), 13.5f);
    scene.setScale(4.5f);
    ASSERT_EQ(robot.pinch(&scene.map(), {160, 160}, 10, 200), "");
    EXPECT_FLOAT_EQ(scene.map().currentScale(), 53.0f);
    scene.setScale(4.5f);
    ASSERT_EQ(robot.pinch(&scene.map(), {160, 160}, 200, 20), "");
    EXPECT_FLOAT_EQ(scene.map().currentScale(), 1.0f);

    ASSERT_EQ(robot.drag(&scene.map(), {100, 100}, {250, 250}), "");
    EXPECT_FLOAT_EQ(scene.map().currentScale(), 1.0f);
    test::render(scene.map(), 1.0);
    EXPECT_DOUBLE_EQ(scene.map().mapPosition()->latitude, kGenevaLat);  // never panned

    for (int i = 0; i < 2; ++i) {
        QWheelEvent notch(QPointF(160, 160), scene.map().mapToGlobal(QPointF(160, 160)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&scene.map(), &notch);
    }
    EXPECT_FLOAT_EQ(scene.map().currentScale(), 1.21f);
}

TEST(GPSMap, TheCacheIsTheSelectorPanesAndTheMapAnnouncesItsRefreshes) {
    // The shared database's map takes the shared pane's cache and names itself the sender.
    {
        test::InstrumentWorld world;
        GPSView onShared(world.location(), world.units());
        auto shared = waypoints::POISelectorPaneController::sharedPOIDatabase().nearbyCache();
        EXPECT_EQ(onShared.nearbyCache(), shared);
        EXPECT_EQ(shared->notificationSender(), &onShared);
    }
    EXPECT_EQ(waypoints::POISelectorPaneController::sharedPOIDatabase().nearbyCache()->notificationSender(),
              waypoints::POISelectorPaneController::sharedPOIDatabase().nearbyCache().get());

    waypoints::POISelectorPaneController pane;
    test::InstrumentWorld world;
    platform::ArrayPtr db = platform::Array::fromValues(
        {waypointAt("LSGL", kLausanneLat, kLausanneLon, 1), waypointAt("FAR", 52.0, 13.0)});
    GPSView map(world.location(), world.units(), pane.nearbyCache(), db);
    map.initWithFrame(QRectF(0, 0, 320, 320));
    const void* sender = nullptr;
    int observer = 0;
    platform::NotificationCenter::defaultCenter().addObserver(&observer, "cachedWaypointsDBDidChange", nullptr,
                                                              [&](const platform::Notification& n) { sender = n.object; });
    test::LogCapture log;
    world.fix(kGenevaLat, kGenevaLon);
    EXPECT_TRUE(log.contains(QStringLiteral("Will cache nearby waypoints")));
    ASSERT_TRUE(pane.nearbyCache()->waitUntilIdle(5000));
    QCoreApplication::processEvents();
    platform::NotificationCenter::defaultCenter().removeObserver(&observer);
    EXPECT_EQ(sender, &map);
    EXPECT_EQ(map.cachedCount(), 1u);
    // The app's map is one, on the shared pane's cache.
    GPSView& shared = GPSView::sharedView();
    EXPECT_EQ(&shared, &GPSView::sharedView());
    EXPECT_EQ(shared.objectName(), "sharedView");
    EXPECT_EQ(shared.nearbyCache(), waypoints::POISelectorPaneController::sharedPOIDatabase().nearbyCache());
    std::lock_guard lock(pane.nearbyCache()->dbLock());
    EXPECT_TRUE(pane.nearbyCache()->cachedNearbyWaypoints().contains(db->at(0)));
    EXPECT_EQ(&map.cachedNearbyWaypoints(), &pane.nearbyCache()->cachedNearbyWaypoints());
}

// A picture to look at: the airfields and navaids around Geneva with a direct-to Lausanne, zoomed
// out and in.
TEST_P(MapPixels, AroundGenevaAsAPilotSeesIt) {
    const double scale = GetParam();
    MapScene scene;
    const Value lausanne = scene.add(withRunway(waypointAt("LSGL", kLausanneLat, kLausanneLon, 1, "Lausanne"), "06/24"));
    scene.add(withRunway(waypointAt("LSGG", 46.2381, 6.1089, 1, "Geneva"), "05/23"));
    scene.add(withRunway(waypointAt("LFLP", 46.1920, 6.2683, 1, "Annemasse"), "12/30"));
    scene.add(withRunway(waypointAt("LSGP", 46.4064, 6.2581, 1, "La Cote"), "04/22"));
    scene.add(withRunway(waypointAt("LFLI", 46.1919, 6.2839 - 0.02, 1, "Annemasse Heliport"), "H1"));
    scene.add(withRunway(waypointAt("LSGE", 46.7550, 7.0761, 1, "Ecuvillens"), "10/28"));
    scene.add(waypointAt("GVA", 46.2525, 6.1328, 14, "Geneva"));
    scene.add(waypointAt("PAS", 46.1669, 6.0044, 12, "Passeiry"));
    scene.add(waypointAt("GLA", 46.4003, 6.2542, 11, "Gland"));
    scene.add(waypointAt("SPR", 46.4372, 6.7400, 16, "Saint-Prex"));
    const Value vor = scene.add(waypointAt("LPS", 46.6000, 6.5500, 12, "Lausanne"));
    const LatLon start = destination(kGenevaLat, kGenevaLon, 200, 6);
    scene.fix(start.lat, start.lon);
    scene.map().setWaypoint(lausanne);
    const LatLon now = destination(start.lat, start.lon, 40, 8);
    scene.fix(now.lat, now.lon);
    scene.world().motion(55.0f, 40.0f);
    VORView::primaryVOR().setWaypoint(vor);
    scene.picture(scale, QStringLiteral("geneva-4.5"));
    EXPECT_GE(scene.map().drawnWaypoints().size(), 10u);
    scene.setScale(12.0f);
    const QImage zoomed = scene.picture(scale, QStringLiteral("geneva-12"));
    EXPECT_TRUE(test::anyNear(zoomed, {160, 160}, 1.0, test::isWhite));  // the plane on top
    EXPECT_FALSE(scene.map().summaryLine().isNull());
}
