// The airspaces on the moving map, at 1x and 2x, from the Geneva file of the demo flight: the
// Geneva control zone's edge where its points are and not beside them, a restricted area tinted
// apart from a control zone, an airspace cut by the map's edge and one across the 180th meridian,
// labels that never overlap and leave the small airspaces unnamed zoomed out; and "what am I
// under" over two stacked terminal areas, from the pane's tap to the alert's close; and the kept
// picture of the airspaces moving with the map as the aircraft moves, and dropped for a new index.

#include "InstrumentTestSupport.h"

#include "airspace/OpenAirReader.h"
#include "instruments/GPSView.h"
#include "platform/ui/FramedSetupView.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace vantrel;
using namespace vantrel::instruments;

namespace {

std::shared_ptr<const airspace::AirspaceIndex> indexOf(const QByteArray& openAir) {
    return std::make_shared<const airspace::AirspaceIndex>(airspace::readOpenAir(openAir, QStringLiteral("test")).airspaces);
}

// The file's airspaces, or only those named.
std::shared_ptr<const airspace::AirspaceIndex> fileIndex(const char* name, const QStringList& only = {}) {
    QFile file(QStringLiteral(VANTREL_TEST_DATA_DIR "/airspace/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    std::vector<airspace::Airspace> airspaces = airspace::readOpenAir(file.readAll(), QLatin1String(name)).airspaces;
    if (!only.isEmpty()) std::erase_if(airspaces, [&](const airspace::Airspace& a) { return !only.contains(a.name); });
    return std::make_shared<const airspace::AirspaceIndex>(std::move(airspaces));
}

class AirspaceScene {
public:
    explicit AirspaceScene(std::shared_ptr<const airspace::AirspaceIndex> index, bool baseMap = true) {
        map_ = std::make_unique<GPSView>(world_.location(), world_.units(), cache_, platform::Array::create());
        if (!baseMap) map_->baseMap().setFile(nullptr);
        map_->initWithFrame(QRectF(0, 0, 320, 320));
        map_->setAirspaces(std::move(index));
    }
    void fix(double lat, double lon, float scale, std::optional<double> altitudeMetres = std::nullopt) {
        platform::DictionaryPtr settings = map_->settings();
        settings->set("currentScale", platform::Value::real(double(scale)));
        map_->setSettings(settings);
        positioning::Fix f;
        f.latitude = lat;
        f.longitude = lon;
        f.horizontalAccuracy = 5.0;
        f.timestamp = 1.7e9;
        f.altitude = altitudeMetres;
        world_.location().locationManagerDidUpdateToLocation(f);
        EXPECT_TRUE(cache_->waitUntilIdle(5000));
        QCoreApplication::processEvents();
    }
    QImage picture(double scale, const QString& name) {
        return test::renderMapWithTiles(*map_, scale, QStringLiteral("airspace-%1-%2x").arg(name).arg(scale));
    }
    QPointF at(double lat, double lon) const {
        const MapProjection p(map_->mapPosition()->latitude, map_->mapPosition()->longitude, QPointF(160, 160),
                              map_->currentScale());
        return *p.project(lat, lon);
    }
    const AirspaceLayer::DrawnAirspace* drawn(const char* name) const {
        for (const AirspaceLayer::DrawnAirspace& a : map_->airspaceLayer().drawnAirspaces())
            if (a.name == QLatin1String(name)) return &a;
        return nullptr;
    }
    GPSView& map() { return *map_; }
    test::InstrumentWorld& world() { return world_; }

private:
    test::InstrumentWorld world_;
    std::shared_ptr<waypoints::NearbyWaypointCache> cache_ = waypoints::NearbyWaypointCache::create();
    std::unique_ptr<GPSView> map_;
};

// The control zone's dashed blue edge, anti-aliasing allowed.
bool isZoneBlue(const QColor& c) { return c.blue() > 150 && c.red() < 90 && c.green() < 130; }
// How much redder than blue a pixel is.
int redOverBlue(const QColor& c) { return c.red() - c.blue(); }

class AirspacePixels : public ::testing::TestWithParam<double> {};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Scales, AirspacePixels, ::testing::Values(1.0, 2.0));

TEST_P(AirspacePixels, GenevaZoneWhereItIsAndRestrictedTintedApart) {
    const double pixels = GetParam();
    // The zone, the restricted area north of it and the terminal area over both (whose labels keep
    // away from the edges looked at).
    AirspaceScene scene(fileIndex("geneva.txt", {"GENEVA CTR", "LS-R4 BIERE", "GENEVA TMA 2"}), /*baseMap=*/false);
    scene.fix(46.38, 6.20, 4.5f);
    const QImage image = scene.picture(pixels, QStringLiteral("geneva-zone"));
    ASSERT_NE(scene.drawn("GENEVA CTR"), nullptr);
    ASSERT_NE(scene.drawn("LS-R4 BIERE"), nullptr);

    // The zone's straight edges, from 46:17:30 N 5:58 E to 46:21 N 6:08 E and on to 46:17 N 6:17:30 E:
    // its blue edge runs through the middle of each (the dashes leave gaps, so a few points along
    // it), and a few points to the side there is none.
    struct Edge {
        double lat0, lon0, lat1, lon1;
    };
    for (const Edge e : {Edge{46.2917, 5.9667, 46.35, 6.1333}, Edge{46.35, 6.1333, 46.2833, 6.2917}}) {
        const QPointF a = scene.at(e.lat0, e.lon0), b = scene.at(e.lat1, e.lon1);
        const QPointF normal = QPointF(b.y() - a.y(), a.x() - b.x()) / QLineF(a, b).length();
        int onEdge = 0, beside = 0;
        for (double t = 0.3; t <= 0.71; t += 0.1) {
            const QPointF p = a + (b - a) * t;
            onEdge += test::anyNear(image, p, 1.5, isZoneBlue);
            beside += test::anyNear(image, p + normal * 6.0, 1.5, isZoneBlue) + test::anyNear(image, p - normal * 6.0, 1.5, isZoneBlue);
        }
        EXPECT_GE(onEdge, 3) << "the zone's edge is not where its points are";
        EXPECT_EQ(beside, 0) << "an edge beside the zone's";
    }

    // Inside the zone (south-west, clear of its label at the northern edge) blue wins; inside the
    // restricted area red wins, though both lie within the terminal areas' blue.
    const QColor zone = test::pixelAt(image, scene.at(46.16, 6.03));
    const QColor restricted = test::pixelAt(image, scene.at(46.495, 6.36));
    const QColor outside = test::pixelAt(image, scene.at(46.70, 5.70));  // beyond every airspace of the file
    EXPECT_GT(zone.blue(), zone.red() + 20) << zone.name().toStdString();
    EXPECT_GT(redOverBlue(restricted), redOverBlue(zone) + 25) << restricted.name().toStdString();
    EXPECT_GT(redOverBlue(restricted), redOverBlue(outside)) << "the restricted area has no red tint";
    // The tint is light: the background still shows through (85, 85, 85 grey).
    EXPECT_LT(std::abs(zone.red() - outside.red()) + std::abs(zone.green() - outside.green()), 60);
}

TEST_P(AirspacePixels, CutByTheMapsEdgeAndAcrossTheDateLine) {
    // A restricted area reaching past the left edge of the view, and over Fiji a danger area across
    // the 180th meridian, with the aircraft east of it.
    struct Case {
        const char* name;
        double aircraftLat, aircraftLon;
        double insideWestLat, insideWestLon, insideEastLat, insideEastLon;
    };
    const QByteArray file =
        "AC R\nAN WIDE R\nAL GND\nAH FL100\nDP 46:00:00 N 005:00:00 E\nDP 46:40:00 N 005:00:00 E\n"
        "DP 46:40:00 N 006:00:00 E\nDP 46:00:00 N 006:00:00 E\n\n"
        "AC R\nAN DATELINE R\nAL GND\nAH 5000ft AMSL\nDP 16:40:00 S 179:30:00 E\nDP 16:40:00 S 179:30:00 W\n"
        "DP 17:20:00 S 179:30:00 W\nDP 17:20:00 S 179:30:00 E\n";
    const Case cases[] = {
        {"WIDE R", 46.30, 6.30, 46.30, 5.60, 46.30, 5.90},
        {"DATELINE R", -17.0, -179.85, -17.0, 179.80, -17.0, -179.60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AirspaceScene scene(indexOf(file), /*baseMap=*/false);
        scene.fix(c.aircraftLat, c.aircraftLon, 4.5f);
        const QImage image = scene.picture(GetParam(), QString::fromLatin1(c.name).replace(' ', '-'));
        const AirspaceLayer::DrawnAirspace* drawn = scene.drawn(c.name);
        ASSERT_NE(drawn, nullptr);
        const QColor background = test::pixelAt(image, scene.at(c.aircraftLat + 0.5, c.aircraftLon + 0.3));
        for (const QPointF p : {scene.at(c.insideWestLat, c.insideWestLon), scene.at(c.insideEastLat, c.insideEastLon)}) {
            ASSERT_TRUE(QRectF(0, 0, 320, 320).contains(p)) << p.x() << " " << p.y();
            EXPECT_GT(redOverBlue(test::pixelAt(image, p)), redOverBlue(background) + 10) << p.x() << " " << p.y();
        }
        // The label sits inside the visible part.
        ASSERT_TRUE(drawn->labelled);
        EXPECT_TRUE(QRectF(0, 0, 320, 320).contains(drawn->box));
    }
}

TEST_P(AirspacePixels, LabelsApartAndOnlyWhereTheAirspaceHoldsThem) {
    struct Case {
        const char* file;
        double lat, lon;
        float scale;
    };
    const Case cases[] = {
        {"geneva.txt", 46.38, 6.30, 1.0f},  {"geneva.txt", 46.38, 6.30, 4.5f},  {"geneva.txt", 46.25, 6.08, 20.0f},
        {"sample-400.txt", 49.0, 7.5, 1.0f}, {"sample-400.txt", 49.0, 7.5, 4.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 at %2").arg(QLatin1String(c.file)).arg(c.scale).toStdString());
        AirspaceScene scene(fileIndex(c.file));
        scene.fix(c.lat, c.lon, c.scale);
        scene.picture(GetParam(), QStringLiteral("labels-%1-%2").arg(QLatin1String(c.file).left(6)).arg(c.scale));
        const auto& drawn = scene.map().airspaceLayer().drawnAirspaces();
        ASSERT_FALSE(drawn.empty());
        std::vector<QRectF> kept;
        for (const AirspaceLayer::DrawnAirspace& a : drawn) {
            if (!a.labelled) continue;
            for (const QRectF& other : kept) EXPECT_FALSE(other.intersects(a.box)) << a.name.toStdString();
            kept.push_back(a.box);
            EXPECT_TRUE(QRectF(0, 0, 320, 320).contains(a.box)) << a.name.toStdString();
        }
        for (const BaseMapLayer::DrawnTown& t : scene.map().baseMap().drawnTowns()) {
            if (!t.labelled) continue;
            for (const QRectF& box : kept) EXPECT_FALSE(box.contains(QPointF(t.x + 5, t.y))) << t.name.toStdString();
        }
        const size_t labelled = kept.size();
        if (c.scale == 1.0f) {
            // Zoomed out, the zones go unnamed; over the made-up file only a few airspaces are named.
            EXPECT_LE(labelled * 5, drawn.size()) << labelled << " of " << drawn.size();
            if (QLatin1String(c.file) == QLatin1String("geneva.txt")) {
                EXPECT_LE(labelled, 1u) << "only the 50-mile terminal area";
                EXPECT_FALSE(scene.drawn("GENEVA CTR")->labelled);
            }
        } else {
            EXPECT_GE(labelled, 2u);
        }
        // The one-mile prohibited circle is named only zoomed in.
        if (const AirspaceLayer::DrawnAirspace* cern = scene.drawn("LS-P1 CERN")) {
            EXPECT_EQ(cern->labelled, c.scale >= 20.0f);
        }
    }
}

TEST_P(AirspacePixels, KeptPictureMovesWithTheMapAndTheNextIsDrawnOnTheWorker) {
    const double pixels = GetParam();
    AirspaceScene scene(fileIndex("geneva.txt", {"GENEVA CTR", "LS-R4 BIERE", "GENEVA TMA 2"}), /*baseMap=*/false);
    // The zone's two straight northern edges, looked at where the map puts them now: on each, the
    // blue edge at several places along it, and 6 points to either side none.
    const auto zoneEdgeWhereItIs = [&](const QImage& image) {
        struct Edge {
            double lat0, lon0, lat1, lon1;
        };
        int onEdge = 0, beside = 0;
        for (const Edge e : {Edge{46.2917, 5.9667, 46.35, 6.1333}, Edge{46.35, 6.1333, 46.2833, 6.2917}}) {
            const QPointF a = scene.at(e.lat0, e.lon0), b = scene.at(e.lat1, e.lon1);
            const QPointF normal = QPointF(b.y() - a.y(), a.x() - b.x()) / QLineF(a, b).length();
            for (double t = 0.3; t <= 0.71; t += 0.1) {
                const QPointF p = a + (b - a) * t;
                onEdge += test::anyNear(image, p, 1.5, isZoneBlue);
                beside += test::anyNear(image, p + normal * 6.0, 1.5, isZoneBlue) + test::anyNear(image, p - normal * 6.0, 1.5, isZoneBlue);
            }
        }
        return std::pair{onEdge, beside};
    };
    // Eight points north and back, then 80 points north: each move shifts the edges about 7
    // points across themselves, so a picture left where it was drawn fails.
    constexpr double kPointNorth = 1.0 / 4.5 / 60.0;  // degrees of latitude a point covers at 4.5
    const auto afterThePicture = [&] {
        scene.map().airspaceLayer().waitForPicture();
        QCoreApplication::processEvents();
        return test::render(scene.map(), pixels);
    };
    scene.fix(46.38, 6.20, 4.5f);
    scene.picture(pixels, QStringLiteral("kept-start"));
    const std::optional<QRectF> labelBefore =
        scene.drawn("GENEVA CTR") && scene.drawn("GENEVA CTR")->labelled ? std::optional(scene.drawn("GENEVA CTR")->box) : std::nullopt;
    size_t renders = scene.map().airspaceLayer().rendersCount();
    // Beyond the margin the worker draws the next picture; up to twice the margin the spent one
    // stands in meanwhile, and after a longer jump the frame has none until the worker is done.
    enum class Then { Kept, StandIn, Nothing };
    struct Move {
        double pointsNorth;
        Then then;
    };
    double north = 0;
    for (const Move m : {Move{8, Then::Kept}, Move{-8, Then::Kept}, Move{80, Then::StandIn}, Move{-180, Then::Nothing}}) {
        north += m.pointsNorth;
        SCOPED_TRACE(north);
        scene.fix(46.38 + north * kPointNorth, 6.20, 4.5f);
        QImage image = test::render(scene.map(), pixels);
        if (m.then != Then::Kept) {
            const auto [onEdge, beside] = zoneEdgeWhereItIs(image);
            if (m.then == Then::StandIn) {
                EXPECT_GE(onEdge, 6) << "the stand-in is not where the map puts it";
            } else {
                EXPECT_EQ(onEdge, 0) << "a picture left where it was";
            }
            EXPECT_EQ(beside, 0);
            image = afterThePicture();
        }
        EXPECT_EQ(scene.map().airspaceLayer().rendersCount(), renders + (m.then == Then::Kept ? 0 : 1));
        renders = scene.map().airspaceLayer().rendersCount();
        const auto [onEdge, beside] = zoneEdgeWhereItIs(image);
        EXPECT_GE(onEdge, 6) << "the zone's edge is not where the map now puts it";
        EXPECT_EQ(beside, 0) << "an edge beside the zone's";
        if (north == 8 && labelBefore) {
            // The label moves with its airspace, 8 points down.
            ASSERT_TRUE(scene.drawn("GENEVA CTR")->labelled);
            EXPECT_NEAR(scene.drawn("GENEVA CTR")->box.top() - labelBefore->top(), 8.0, 0.6);
            EXPECT_NEAR(scene.drawn("GENEVA CTR")->box.left(), labelBefore->left(), 0.6);
        }
    }
    EXPECT_TRUE(labelBefore) << "the zone was not named at the start";

    // Moved on 8 points and zoomed in by the wheel, two notches: the frame at once stretches the
    // kept picture about where it was drawn from, without labels, and the zone's edge is still where the map puts it; then the
    // worker's picture at the new scale, with its labels.
    const float before = scene.map().currentScale();
    scene.fix(46.38 + (north + 8) * kPointNorth, 6.20, before);  // and moved on since the picture
    QWheelEvent wheel(QPointF(160, 160), QPointF(160, 160), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&scene.map(), &wheel);
    ASSERT_GT(scene.map().currentScale(), before * 1.1f);
    {
        const size_t inFrame = scene.map().airspaceLayer().rendersInFrameCount();
        QImage image = test::render(scene.map(), pixels);
        test::savePicture(image, QStringLiteral("airspace-zooming-stretched-%1x").arg(pixels));
        EXPECT_TRUE(scene.map().airspaceLayer().drawnAirspaces().empty()) << "labels placed on a stretched picture";
        auto [onEdge, beside] = zoneEdgeWhereItIs(image);
        EXPECT_GE(onEdge, 6) << "the stretched picture is not where the map puts the zone";
        EXPECT_EQ(beside, 0);
        image = afterThePicture();
        std::tie(onEdge, beside) = zoneEdgeWhereItIs(image);
        EXPECT_GE(onEdge, 6);
        EXPECT_EQ(beside, 0);
        EXPECT_NE(scene.drawn("GENEVA CTR"), nullptr);
        EXPECT_EQ(scene.map().airspaceLayer().rendersInFrameCount(), inFrame) << "a frame drew its own picture";
    }

    // Another index, the same airspaces but the zone: gone once its picture is drawn, and the
    // restricted area still drawn.
    scene.map().setAirspaces(fileIndex("geneva.txt", {"LS-R4 BIERE", "GENEVA TMA 2"}));
    test::render(scene.map(), pixels);
    const QImage image = afterThePicture();
    test::savePicture(image, QStringLiteral("airspace-kept-new-index-%1x").arg(pixels));
    EXPECT_EQ(scene.drawn("GENEVA CTR"), nullptr);
    EXPECT_NE(scene.drawn("LS-R4 BIERE"), nullptr);
    EXPECT_EQ(zoneEdgeWhereItIs(image).first, 0) << "the zone is still drawn";
    // The same index reloaded in place (the library's after a reload): drawn anew too.
    renders = scene.map().airspaceLayer().rendersCount();
    scene.map().airspacesChanged();
    test::render(scene.map(), pixels);
    EXPECT_EQ(scene.map().airspaceLayer().rendersCount(), renders + 1);
}

TEST(AirspacesHere, StackedTerminalAreasFromThePanesTap) {
    AirspaceScene scene(fileIndex("geneva.txt"));
    // Before any position: nothing to list, and a tap shows nothing.
    EXPECT_FALSE(scene.map().airspacesHere());
    struct Case {
        double lat, lon;
        std::optional<double> feet;
        const char* text;
    };
    const Case cases[] = {
        // North-east of Geneva, under both terminal areas and outside the zone.
        {46.40, 6.25, 6000.0,
         "Airspace here\nGENEVA TMA 1\nC 4500 ft-FL100, you are in it\nGENEVA TMA 2\nC FL100-FL195, above you"},
        {46.40, 6.25, 12000.0,
         "Airspace here\nGENEVA TMA 1\nC 4500 ft-FL100, below you\nGENEVA TMA 2\nC FL100-FL195, you are in it"},
        {46.40, 6.25, std::nullopt, "Airspace here\nGENEVA TMA 1\nC 4500 ft-FL100\nGENEVA TMA 2\nC FL100-FL195"},
        // Over the airport: the zone from the ground first.
        {46.238, 6.109, 2000.0,
         "Airspace here\nGENEVA CTR\nD GND-4500 ft, you are in it\nGENEVA TMA 1\nC 4500 ft-FL100, above you\n"
         "GENEVA TMA 2\nC FL100-FL195, above you"},
        {47.5, 8.0, 3000.0, "No airspace here"},
    };
    for (const Case& c : cases) {
        scene.fix(c.lat, c.lon, 4.5f, c.feet ? std::optional<double>(*c.feet * 0.3048) : std::nullopt);
        const std::optional<AirspacesHere> here = scene.map().airspacesHere();
        ASSERT_TRUE(here);
        EXPECT_EQ(here->text().toStdString(), c.text);
    }
    // Eight airspaces over one point: seven listed, then how many more.
    QByteArray many;
    for (int i = 0; i < 9; ++i)
        many += "AC E\nAN LAYER " + QByteArray::number(i) + "\nAL FL" + QByteArray::number(10 * i) + "\nAH FL" +
                QByteArray::number(10 * i + 10) + "\nV X=46:00:00 N 006:00:00 E\nDC 5\n\n";
    const AirspacesHere layers = airspacesHere(*indexOf(many), 46.0, 6.0, std::nullopt);
    EXPECT_EQ(layers.message.split('\n').size(), 15);
    EXPECT_TRUE(layers.message.endsWith(QLatin1String("\nand 2 more")));

    // The tap on the map's pane, beside its labels and away from its button, shows the list; the
    // alert's Escape closes it. A finger that moves on is no tap.
    scene.fix(46.40, 6.25, 4.5f, 6000.0 * 0.3048);
    scene.map().setupView();
    auto* pane = qobject_cast<platform::ui::FramedSetupView*>(scene.map().outlet(QStringLiteral("setupView")));
    ASSERT_NE(pane, nullptr);
    pane->resize(320, 55);
    pane->show();
    QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, QPoint(150, 48));
    QTest::mouseMove(pane, QPoint(190, 48));
    QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, QPoint(190, 48));
    EXPECT_TRUE(scene.map().airspacesHereText().isNull()) << "a drag shows nothing";
    QTest::mouseClick(pane, Qt::LeftButton, Qt::NoModifier, QPoint(150, 48));
    EXPECT_EQ(scene.map().airspacesHereText().toStdString(),
              "Airspace here\nGENEVA TMA 1\nC 4500 ft-FL100, you are in it\nGENEVA TMA 2\nC FL100-FL195, above you");
    QWidget* alert = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("vantrel::platform::ui::AlertView") && w->isVisible()) alert = w;
    ASSERT_NE(alert, nullptr);
    QTest::keyClick(alert, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(scene.map().airspacesHereText().isNull()) << "Escape closes the list";
}
