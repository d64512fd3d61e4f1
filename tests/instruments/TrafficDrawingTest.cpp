// Traffic on the moving map, drawn at 1x and 2x and read back pixel by pixel: each target at the
// place the map's projection gives its position, its arrow pointing along its track, the alarm
// levels in colours of their own, a target far above faded, one without a bearing left out, and a
// callsign kept by the declutter over an ordinary waypoint's label. And the redraws the feed's
// updates cause: none while the map is hidden, at most one per interval while it shows.

#include "InstrumentTestSupport.h"

#include "instruments/GPSView.h"
#include "instruments/VORView.h"
#include "platform/core/NotificationCenter.h"
#include "traffic/Gdl90Reader.h"
#include "traffic/TrafficFeed.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace vantrel;
using namespace vantrel::instruments;
using platform::Value;
using traffic::AlarmLevel;

namespace {

constexpr double kLat = 46.24, kLon = 6.11;  // Geneva
constexpr double kRadius = positioning::Geodesy::kEarthRadiusMetres;

QByteArray flarm(const char* fields) {
    const QByteArray body = QByteArray("PFLAA,") + fields;
    unsigned sum = 0;
    for (char c : body) sum ^= uchar(c);
    return "$" + body + "*" + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

// A GDL90 ownship (10) or traffic (20) report at a place, 4000 ft plus `feet`, track 0.
QByteArray gdl90(uint8_t kind, uint32_t address, double lat, double lon, int feet, const char* callsign) {
    return traffic::gdl90Frame(traffic::gdl90ReportMessage(kind, address, lat, lon, 4000 + feet, 8, 0, 0.0, callsign));
}

bool near(const QColor& c, const QColor& k, int tolerance = 40) {
    return std::abs(c.red() - k.red()) < tolerance && std::abs(c.green() - k.green()) < tolerance &&
           std::abs(c.blue() - k.blue()) < tolerance;
}

class TrafficScene {
public:
    TrafficScene() {
        map_ = std::make_unique<GPSView>(world_.location(), world_.units(), cache_, db_);
        map_->baseMap().setFile(nullptr);  // the plain grey under the symbols
        map_->setTrafficFeed(&feed_);
        map_->initWithFrame(QRectF(0, 0, 320, 320));
    }
    ~TrafficScene() {
        map_.reset();
        VORView::primaryVOR().setSelectedWaypoint(Value());
    }
    void fix(float scale) {
        platform::DictionaryPtr settings = map_->settings();
        settings->set("currentScale", Value::real(double(scale)));
        map_->setSettings(settings);
        world_.fix(kLat, kLon);
        EXPECT_TRUE(cache_->waitUntilIdle(5000));
        QCoreApplication::processEvents();
    }
    traffic::TrafficFeed& feed() { return feed_; }
    GPSView& map() { return *map_; }
    void add(Value record) { db_->append(record); }
    // Where the map's projection puts the place `north` and `east` metres from the aircraft.
    QPointF expected(double north, double east) const {
        const double lat = kLat + north / kRadius * 180.0 / M_PI;
        const double lon = kLon + east / (kRadius * std::cos(kLat * M_PI / 180.0)) * 180.0 / M_PI;
        return *MapProjection(kLat, kLon, QPointF(160, 160), map_->currentScale()).project(lat, lon);
    }
    const TrafficLayer::DrawnTarget* drawn(uint32_t address) const {
        for (const TrafficLayer::DrawnTarget& t : map_->drawnTraffic())
            if (t.id.address == address) return &t;
        return nullptr;
    }

private:
    test::InstrumentWorld world_;
    traffic::TrafficFeed feed_{traffic::TrafficFeed::Clock::Fixes};
    platform::ArrayPtr db_ = platform::Array::create();
    std::shared_ptr<waypoints::NearbyWaypointCache> cache_ = waypoints::NearbyWaypointCache::create();
    std::unique_ptr<GPSView> map_;
};

class TrafficPixels : public ::testing::TestWithParam<double> {};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Scales, TrafficPixels, ::testing::Values(1.0, 2.0));

TEST_P(TrafficPixels, TargetsAtTheirPlacesPointingAlongTheirTracksInTheirColours) {
    const QColor background(85, 85, 85);
    struct Case {
        const char* sentence;
        uint32_t address;
        double north, east;
        double track;  // NaN: a dot
        QColor colour;
        bool faded;
        const char* what;
    };
    const double none = traffic::kNoValue;
    const Case cases[] = {
        {"0,-776,2898,91,2,DD0001,120,,40,2.5,1", 0xDD0001, -776, 2898, 120, trafficColours::kQuiet, false,
         "quiet, 300 ft above, climbing"},
        {"1,4000,-3500,-120,2,DD0002,300,,40,0,1", 0xDD0002, 4000, -3500, 300, trafficColours::kLow, false, "low"},
        {"2,-4500,-4300,0,2,DD0003,,,0,0,1", 0xDD0003, -4500, -4300, none, trafficColours::kImportant, false,
         "important, no track"},
        {"3,4500,3600,-30,2,DD0004,47,,40,-3,1", 0xDD0004, 4500, 3600, 47, trafficColours::kUrgent, false, "urgent"},
        {"0,-300,-5200,1200,2,DD0005,200,,40,0,1", 0xDD0005, -300, -5200, 200, trafficColours::kQuiet, true,
         "4000 ft above: faded"},
    };
    for (const float scale : {20.0f, 40.0f}) {
        TrafficScene scene;
        for (const Case& c : cases) scene.feed().handleMessage(flarm(c.sentence));
        scene.feed().handleMessage(flarm("2,900,,0,2,DD0006,90,,40,0,1"));  // no bearing: not placed
        ASSERT_EQ(scene.feed().targets().size(), 6u);
        scene.fix(scale);
        const QImage image = test::render(scene.map(), GetParam());
        test::savePicture(image, QStringLiteral("traffic-%1-%2x").arg(scale).arg(GetParam()));
        EXPECT_EQ(scene.map().drawnTraffic().size(), 5u) << "the target without a bearing is left out";
        EXPECT_FALSE(scene.drawn(0xDD0006));
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << " at " << scale << " points per mile");
            const QPointF at = scene.expected(c.north, c.east);
            const TrafficLayer::DrawnTarget* drawn = scene.drawn(c.address);
            ASSERT_TRUE(drawn);
            EXPECT_NEAR(drawn->x, at.x(), 0.5);
            EXPECT_NEAR(drawn->y, at.y(), 0.5);
            EXPECT_EQ(drawn->faded, c.faded);
            EXPECT_TRUE(drawn->heightShown);
            const QColor middle = test::pixelAt(image, at);
            if (c.faded) {
                EXPECT_FALSE(near(middle, c.colour, 20)) << middle.name().toStdString();
                EXPECT_FALSE(near(middle, background, 8)) << middle.name().toStdString();
            } else {
                EXPECT_TRUE(near(middle, c.colour)) << middle.name().toStdString();
            }
            if (std::isfinite(c.track)) {
                // 4 points ahead along the track is the arrow's point; 6.5 behind, its notch.
                const double a = c.track * M_PI / 180.0;
                const QPointF along(std::sin(a), -std::cos(a));
                EXPECT_FALSE(near(test::pixelAt(image, at + along * 4.0), background, 8)) << "ahead";
                EXPECT_TRUE(near(test::pixelAt(image, at - along * 6.5), background, 8)) << "behind";
            }
        }
    }
}

TEST(TrafficLayer, HeightsCallsignsOverWaypointsAndRedrawsOnlyWhenShown) {
    struct Height {
        double metres;
        const char* text;
    };
    for (const Height& h : {Height{91.44, "+300 ft"}, Height{-365.76, "-1200 ft"}, Height{14.0, "0 ft"},
                            Height{-16.0, "-100 ft"}, Height{traffic::kNoValue, ""}})
        EXPECT_EQ(TrafficLayer::heightText(h.metres), QString::fromLatin1(h.text)) << h.metres;

    // A GDL90 target with a callsign 2 NM east, an ordinary waypoint just below and right of it
    // whose label would cover the callsign: the callsign stays, the waypoint's label goes.
    TrafficScene scene;
    scene.feed().handleMessage(gdl90(10, 0xF00001, kLat, kLon, 0, "OWN"));
    const double east = 2 * 1852.0;
    const double tlon = kLon + east / (kRadius * std::cos(kLat * M_PI / 180.0)) * 180.0 / M_PI;
    scene.feed().handleMessage(gdl90(20, 0x4B1A2C, kLat, tlon, 500, "HBKOF"));
    const double scale = 20.0, dx = 20.0 / scale / 60.0, dy = 12.0 / scale / 60.0;  // points to degrees
    scene.add(test::waypointAt("WPT", kLat - dy, tlon + dx / std::cos(kLat * M_PI / 180.0), 3));
    scene.fix(float(scale));
    test::savePicture(test::render(scene.map(), 2.0), QStringLiteral("traffic-callsign-2x"));
    const TrafficLayer::DrawnTarget* target = scene.drawn(0x4B1A2C);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->id.text(), QStringLiteral("GDL90 4B1A2C"));
    EXPECT_TRUE(target->callsignShown);
    ASSERT_EQ(scene.map().drawnWaypoints().size(), 1u);
    EXPECT_FALSE(scene.map().drawnWaypoints()[0].labelled) << "the waypoint's label gives way to the callsign";

    // The redraws the feed's updates ask for.
    bool shown = false;
    int redraws = 0;
    traffic::TrafficFeed feed(traffic::TrafficFeed::Clock::Fixes);
    TrafficLayer layer([&] { ++redraws; }, [&] { return shown; });
    layer.setFeed(&feed);
    const auto update = [&feed] {
        platform::NotificationCenter::defaultCenter().postNotificationName("trafficDidUpdate", &feed);
    };
    for (int i = 0; i < 20; ++i) update();
    QCoreApplication::processEvents();
    EXPECT_EQ(redraws, 0) << "hidden";
    shown = true;
    QElapsedTimer clock;
    clock.start();
    // Twenty updates a second for a second: the first redraws at once, the rest once per interval.
    while (clock.elapsed() < 1000) {
        update();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QElapsedTimer pause;
        pause.start();
        while (pause.elapsed() < 50) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    EXPECT_GE(redraws, 1000 / TrafficLayer::kRedrawIntervalMs - 1);
    EXPECT_LE(redraws, 1000 / TrafficLayer::kRedrawIntervalMs + 1);
    // After a quiet interval an update redraws at once; one that comes within the interval waits,
    // and a frame drawn meanwhile (for a fix) shows it, so no redraw follows.
    const auto waitInterval = [] {
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < TrafficLayer::kRedrawIntervalMs + 50) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    };
    waitInterval();
    const int before = redraws;
    update();
    EXPECT_EQ(redraws, before + 1);
    update();
    QCoreApplication::processEvents();
    EXPECT_EQ(redraws, before + 1);
    basemap::LabelPlacer placer;
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    layer.draw(painter, placer);
    waitInterval();
    EXPECT_EQ(redraws, before + 1) << "the frame drawn meanwhile showed the update";
    update();
    EXPECT_EQ(redraws, before + 2);
}
