// The moving map over the bundle's base map, as the pilot sees it at 1x and 2x: water where the
// water is (Lake Geneva off Lausanne, the North Sea off the Dutch coast, the Alps' lakes zoomed
// out, the Tasman Sea off Sydney) and land where the land is, with the aircraft nearby; a town drawn at its projected place;
// and the declutter pass keeping the label of the waypoint the map points to among many others.

#include "InstrumentTestSupport.h"

#include "instruments/GPSView.h"
#include "instruments/VORView.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace vantrel;
using namespace vantrel::instruments;
using platform::Value;

namespace {

bool isWater(const QColor& c) {
    const QColor& k = baseMapColours::kSea;
    return std::abs(c.red() - k.red()) < 10 && std::abs(c.green() - k.green()) < 10 && std::abs(c.blue() - k.blue()) < 10;
}
bool isLand(const QColor& c) {
    const QColor& k = baseMapColours::kLand;
    return std::abs(c.red() - k.red()) < 10 && std::abs(c.green() - k.green()) < 10 && std::abs(c.blue() - k.blue()) < 10;
}

class BaseMapScene {
public:
    BaseMapScene() {
        map_ = std::make_unique<GPSView>(world_.location(), world_.units(), cache_, db_);
        map_->initWithFrame(QRectF(0, 0, 320, 320));
    }
    ~BaseMapScene() {
        map_.reset();
        VORView::primaryVOR().setSelectedWaypoint(Value());
    }
    Value add(Value record) {
        db_->append(record);
        return record;
    }
    void fix(double lat, double lon, float scale) {
        platform::DictionaryPtr settings = map_->settings();
        settings->set("currentScale", Value::real(double(scale)));
        map_->setSettings(settings);
        world_.fix(lat, lon);
        EXPECT_TRUE(cache_->waitUntilIdle(5000));
        QCoreApplication::processEvents();
    }
    // Drawn once to ask for the tiles, then again with them.
    QImage picture(double scale, const QString& name) {
        return test::renderMapWithTiles(*map_, scale, QStringLiteral("basemap-%1-%2x").arg(name).arg(scale));
    }
    GPSView& map() { return *map_; }
    MapProjection projection() const {
        return MapProjection(map_->mapPosition()->latitude, map_->mapPosition()->longitude, QPointF(160, 160),
                             map_->currentScale());
    }

private:
    test::InstrumentWorld world_;
    platform::ArrayPtr db_ = platform::Array::create();
    std::shared_ptr<waypoints::NearbyWaypointCache> cache_ = waypoints::NearbyWaypointCache::create();
    std::unique_ptr<GPSView> map_;
};

class BaseMapPixels : public ::testing::TestWithParam<double> {};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Scales, BaseMapPixels, ::testing::Values(1.0, 2.0));

TEST_P(BaseMapPixels, WaterAndLandWhereTheyAre) {
    struct Case {
        const char* where;
        double aircraftLat, aircraftLon;
        float scale;
        double lat, lon;
        bool water;
    };
    const Case cases[] = {
        {"Lake Geneva off Lausanne", 46.53, 6.63, 20, 46.46, 6.63, true},
        {"Lausanne", 46.53, 6.63, 20, 46.57, 6.63, false},
        {"Lake Geneva off Lausanne, zoomed out", 46.53, 6.63, 4.5, 46.44, 6.55, true},
        {"the Jura above Lausanne", 46.53, 6.63, 4.5, 46.70, 6.30, false},
        {"the North Sea off the Dutch coast", 52.35, 4.75, 4.5, 52.35, 4.25, true},
        {"the Netherlands", 52.35, 4.75, 4.5, 52.10, 5.10, false},
        {"the North Sea at the largest scale", 52.40, 4.52, 53, 52.40, 4.47, true},
        {"the dunes at the largest scale", 52.40, 4.52, 53, 52.40, 4.56, false},
        {"the Jura at scale 1", 46.0, 6.0, 1, 46.60, 5.60, false},
        {"Lake Neuchatel at scale 1", 46.0, 6.0, 1, 46.90, 6.85, true},
        // South of the equator and east of Greenwich: Sydney's coast.
        {"the Tasman Sea off Bondi", -33.87, 151.20, 4.5, -33.90, 151.42, true},
        {"Parramatta", -33.87, 151.20, 4.5, -33.82, 151.00, false},
        {"the Tasman Sea at scale 1", -33.90, 151.00, 1, -34.30, 152.60, true},
        {"the Blue Mountains at scale 1", -33.90, 151.00, 1, -33.60, 150.00, false},
    };
    const double pixels = GetParam();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        BaseMapScene scene;
        scene.fix(c.aircraftLat, c.aircraftLon, c.scale);
        const QImage image = scene.picture(pixels, QString::fromLatin1(c.where).replace(' ', '-'));
        ASSERT_FALSE(scene.map().baseMap().drawnTiles().isEmpty()) << "no base map in the bundle";
        const std::optional<QPointF> at = scene.projection().project(c.lat, c.lon);
        ASSERT_TRUE(at && QRectF(20, 20, 280, 280).contains(*at));
        const QColor pixel = test::pixelAt(image, *at);
        EXPECT_TRUE(c.water ? isWater(pixel) : isLand(pixel)) << pixel.name().toStdString() << " at " << at->x() << " " << at->y();
        // The aircraft stays on top.
        EXPECT_FALSE(isWater(test::pixelAt(image, {160, 160})) || isLand(test::pixelAt(image, {160, 160})));
    }
}

TEST_P(BaseMapPixels, TownsAtTheirPlacesAndThePointedToLabelKept) {
    BaseMapScene scene;
    // A crowd of waypoints about Geneva at the smallest scale, the one the map points to among them.
    Value target;
    for (int i = 0; i < 40; ++i) {
        const double lat = 46.2 + 0.02 * (i % 8), lon = 6.1 + 0.03 * (i / 8);
        Value w = scene.add(test::waypointAt(qPrintable(QStringLiteral("W%1").arg(i, 2, 10, QLatin1Char('0'))), lat, lon, i % 3 ? 12 : 1));
        if (i == 27) target = w;
    }
    scene.fix(46.25, 6.2, 1.0f);
    scene.map().setWaypoint(target);
    scene.picture(GetParam(), QStringLiteral("declutter"));
    size_t labelled = 0;
    bool targetLabelled = false;
    for (const GPSView::DrawnWaypoint& w : scene.map().drawnWaypoints()) {
        labelled += w.labelled;
        if (w.id == QLatin1String("W27")) targetLabelled = w.labelled;
    }
    EXPECT_EQ(scene.map().drawnWaypoints().size(), 40u);
    EXPECT_TRUE(targetLabelled) << "beside the aircraft, among the others";
    EXPECT_GT(labelled, 1u);
    EXPECT_LT(labelled, 20u) << "labels on one another";

}

TEST_P(BaseMapPixels, ATownAtItsPlaceWithItsName) {
    // Zoomed in over Geneva: the city, at its place, with its name.
    BaseMapScene scene;
    scene.fix(46.15, 6.10, 20.0f);
    scene.picture(GetParam(), QStringLiteral("geneva"));
    const auto& towns = scene.map().baseMap().drawnTowns();
    const auto geneva = std::find_if(towns.begin(), towns.end(), [](const auto& t) { return t.name == QLatin1String("Geneva"); });
    ASSERT_NE(geneva, towns.end());
    const QPointF expected = *scene.projection().project(46.21, 6.14);
    EXPECT_NEAR(geneva->x, expected.x(), 20.0 * 0.6);  // within 0.6 NM of the city's centre
    EXPECT_NEAR(geneva->y, expected.y(), 20.0 * 0.6);
    EXPECT_TRUE(geneva->labelled);
}

TEST_P(BaseMapPixels, BigLakesNamedOnceZoomedOut) {
    struct Case {
        float scale;
        bool named;
    };
    for (const Case c : {Case{4.5f, true}, Case{20.0f, false}}) {
        SCOPED_TRACE(c.scale);
        BaseMapScene scene;
        scene.fix(46.45, 6.55, c.scale);
        scene.picture(GetParam(), QStringLiteral("lake-name-%1").arg(c.scale));
        const auto& lakes = scene.map().baseMap().drawnLakes();
        const auto count = std::count_if(lakes.begin(), lakes.end(), [](const BaseMapLayer::LakeName& l) {
            return l.name == QLatin1String("Lake Geneva") && l.labelled;
        });
        // Cut across two tiles, the lake is still named once, over the lake.
        EXPECT_EQ(count, c.named ? 1 : 0);
        for (const BaseMapLayer::LakeName& l : lakes)
            if (l.labelled && l.name == QLatin1String("Lake Geneva")) {
                const std::optional<QPointF> lausanne = scene.projection().project(46.53, 6.63);
                ASSERT_TRUE(lausanne);
                EXPECT_GT(l.at.y(), lausanne->y()) << "south of Lausanne";
            }
    }
}
