// The moving map, its cache worker and the selector pane at once. A thread refreshes the map's
// cache over and over (rewriting every record's current_distance) while the main thread does what
// the app does meanwhile: fixes arrive (and ask the cache's own worker for refreshes), the map
// draws its frames (holding dbLock, comparing records with the VOR's waypoint), the pane's nearby
// list grows and shrinks and hears of every refresh, and a record is renamed under dbLock as the
// waypoint editor does. Built with -fsanitize=thread (VANTREL_TSAN), any data race fails the run;
// in every build the cache must end as exactly what a query at its last area gives. Also here, the
// map's airspace picture drawn on its layer's worker.

#include "InstrumentTestSupport.h"

#include "airspace/OpenAirReader.h"
#include "instruments/AirspaceLayer.h"
#include "instruments/GPSView.h"
#include "instruments/VORView.h"

#include "platform/ui/Slider.h"
#include "positioning/Geodesy.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointKeys.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace vantrel;
using platform::Value;

namespace {

// A grid of records over western Europe, 0.1 degree of latitude by 0.25 of longitude apart.
platform::ArrayPtr grid(int count) {
    auto db = platform::Array::create(size_t(count));
    for (int i = 0; i < count; ++i) {
        const std::string id = std::string(1, char('A' + i % 26)) + std::to_string(i);
        db->append(test::waypointAt(id.c_str(), 44.0 + (i % 100) * 0.1, 0.0 + (i / 100) * 0.25, i % 2 ? 1 : 12));
    }
    return db;
}

}  // namespace

TEST(MapThreads, TheMapDrawsThePaneListsAndTheWorkerRefreshesAtOnce) {
    test::InstrumentWorld world;
    platform::ArrayPtr db = grid(4000);
    waypoints::POISelectorPaneController pane;
    instruments::GPSView map(world.location(), world.units(), pane.nearbyCache(), db);
    map.initWithFrame(QRectF(0, 0, 320, 320));
    instruments::VORView::primaryVOR().setWaypoint(db->at(1234));
    world.fix(46.2, 6.1);
    pane.view();
    pane.tabBarDidSelectItem(pane.tabBar(), pane.nearbyItem());

    std::atomic<bool> stop{false};
    std::atomic<int> refreshes{0};
    std::thread worker([&] {
        while (!stop) {
            map._findNearbyWaypoints();
            ++refreshes;
        }
    });

    int frames = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; refreshes < 40 || std::chrono::steady_clock::now() - start < std::chrono::seconds(1); ++round) {
        // Fixes that wander, and requests to the cache's own worker beside the thread's refreshes.
        world.fix(46.2 + (round % 40) * 0.05, 6.1 + (round % 9) * 0.4);
        if (round % 3 == 0) map.findNearbyWaypoints();
        test::render(map, 2.0);
        ++frames;
        pane.rangeSlider()->setValue(round % 8 == 0 ? 150.0 : 150.0 - round % 8 * 15.0);
        pane.setRange();
        QCoreApplication::processEvents();
        if (round % 25 == 0) {
            std::lock_guard lock(map.dbLock());
            db->at(size_t(round * 7) % db->size()).asDictionary()->set(waypoints::keys::waypointName, Value("Renamed"));
        }
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(60)) break;
    }
    stop = true;
    worker.join();
    ASSERT_TRUE(map.nearbyCache()->waitUntilIdle(10000));
    QCoreApplication::processEvents();
    EXPECT_GE(refreshes, 40);
    EXPECT_GT(frames, 0);
    instruments::VORView::primaryVOR().setSelectedWaypoint(Value());

    // The cache is exactly what a query at its last area gives.
    std::lock_guard lock(map.dbLock());
    const std::optional<waypoints::NearbyArea> area = map.nearbyCache()->waypointsCacheArea();
    ASSERT_TRUE(area);
    size_t within = 0;
    for (const Value& item : *db) {
        const platform::Dictionary& record = *item.asDictionary();
        const double d = positioning::Geodesy::calcDistanceInMeters(
            area->longitude, area->latitude, record.get(waypoints::keys::waypointLongitude).doubleValue(),
            record.get(waypoints::keys::waypointLatitude).doubleValue());
        const bool inside = d < area->radius * area->distanceFactor;
        if (std::abs(d - area->radius * area->distanceFactor) < 1.0) continue;  // too close to call
        within += inside;
        EXPECT_EQ(map.cachedNearbyWaypoints().contains(item), inside);
    }
    EXPECT_GT(within, 0u);
}

// The airspaces' picture drawn on the layer's worker from the index the map draws its labels
// from, while the map flies across the picture's margin and zooms by the wheel: each picture
// taken up must be the map's own, and once the worker is done a frame draws none itself.
TEST(MapThreads, TheAirspacePictureIsDrawnOnTheWorkerWhileTheMapFliesAndZooms) {
    test::InstrumentWorld world;
    QFile file(QStringLiteral(VANTREL_TEST_DATA_DIR "/airspace/geneva.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    auto index = std::make_shared<const airspace::AirspaceIndex>(airspace::readOpenAir(file.readAll(), "geneva.txt").airspaces);
    instruments::GPSView map(world.location(), world.units(), nullptr, grid(100));
    map.initWithFrame(QRectF(0, 0, 320, 320));
    map.setAirspaces(index);
    world.fix(46.24, 6.11);
    test::render(map, 2.0);
    for (int frame = 0; frame < 400; ++frame) {
        // East 2 points a frame at the first scale, and a twentieth of a notch in or out.
        world.fix(46.24, 6.11 + frame * 0.002);
        if (frame % 50 >= 40) {
            QWheelEvent wheel(QPointF(160, 160), QPointF(160, 160), QPoint(), QPoint(0, frame % 100 < 50 ? 6 : -6),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(&map, &wheel);
        }
        test::render(map, 2.0);
        QCoreApplication::processEvents();
    }
    const instruments::AirspaceLayer& layer = map.airspaceLayer();
    EXPECT_GT(layer.rendersCount(), layer.rendersInFrameCount() + 5) << "the worker drew no pictures";
    layer.waitForPicture();
    QCoreApplication::processEvents();
    const size_t inFrame = layer.rendersInFrameCount();
    QThread::msleep(400);  // the wheel's zoom settled
    world.fix(46.24, 6.11 + 400 * 0.002);
    test::render(map, 2.0);
    layer.waitForPicture();
    test::render(map, 2.0);
    EXPECT_EQ(layer.rendersInFrameCount(), inFrame);
    EXPECT_FALSE(map.drawnAirspaces().empty());
}
