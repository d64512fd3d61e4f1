// The moving map over the bundled world database around Paris-Le Bourget: one frame at the
// desktop's 2x scale (a 320 x 320 point view drawn into 640 x 640 pixels) with the full 180 NM
// cache and a direct-to, zoomed out (4.5 points per mile, squares) and in (20, symbols); one cache
// refresh over the whole database as the map's worker runs it; and frames drawn while a worker
// refreshes without pause, which shows how long drawing waits for dbLock at worst; and the frame
// with a 200-waypoint plan being flown; the frame with traffic; and the frame over Geneva with 300
// airspaces in view.

#include "airspace/OpenAirReader.h"
#include "instruments/GPSView.h"

#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "positioning/LocationManager.h"
#include "positioning/sources/NmeaStreamSource.h"
#include "traffic/Gdl90Reader.h"
#include "traffic/Gdl90Source.h"
#include "traffic/TrafficFeed.h"
#include "units/UnitSettings.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/WaypointDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QUdpSocket>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

using namespace vantrel;

namespace {

constexpr double kLeBourgetLat = 48.9694, kLeBourgetLon = 2.4414;

// A good fix at the place, at a fixed time.
positioning::Fix fixAt(double lat, double lon) {
    positioning::Fix fix;
    fix.latitude = lat;
    fix.longitude = lon;
    fix.horizontalAccuracy = 5.0;
    fix.timestamp = 1.7e9;
    return fix;
}

class ParisMap {
public:
    ParisMap() {
        platform::Paths::setBundleDirectory(QStringLiteral(VANTREL_BUILD_BUNDLE_DIR));
        platform::Paths::setDatabaseDirectory(QStringLiteral(VANTREL_BUILD_BUNDLE_DIR "/database"));
        platform::Paths::setDocumentsDirectory(documents_.path());
        platform::setLogSink([](const QString&) {});
        database_.load(waypoints::ActiveCountriesStore(), [](const char*, platform::DictionaryPtr) {});
        map_ = std::make_unique<instruments::GPSView>(location_, units_, cache_, database_.waypointsDB());
        map_->initWithFrame(QRectF(0, 0, 320, 320));
        location_.locationManagerDidUpdateToLocation(fixAt(kLeBourgetLat, kLeBourgetLon));
        location_.setSpeedAndCourse(55.0f, 20.0f);
        cache_->waitUntilIdle(60000);
        QCoreApplication::processEvents();
        // Direct to a point 100 NM north-north-east, chosen from 20 NM south of here.
        auto target = platform::Dictionary::create();
        target->set("waypoint_id", platform::Value("NNE"));
        target->set("waypoint_name", platform::Value("Benchmark target"));
        target->set("waypoint_latitude", platform::Value::real(50.50));
        target->set("waypoint_longitude", platform::Value::real(3.30));
        map_->setWaypoint(platform::Value(target));
        auto saved = map_->settings();
        saved->set("original_latitude", platform::Value::real(48.64));
        saved->set("original_longitude", platform::Value::real(2.30));
        map_->setSettings(saved);
    }

    instruments::GPSView& map() { return *map_; }
    waypoints::NearbyWaypointCache& cache() { return *cache_; }
    platform::ArrayPtr waypointsDB() const { return database_.waypointsDB(); }
    void setScale(float scale) {
        auto settings = map_->settings();
        settings->set("currentScale", platform::Value::real(double(scale)));
        map_->setSettings(settings);
    }

private:
    QTemporaryDir documents_;
    waypoints::WaypointDatabase database_;
    positioning::LocationManager location_;
    units::UnitSettings units_;
    std::shared_ptr<waypoints::NearbyWaypointCache> cache_ = waypoints::NearbyWaypointCache::create();
    std::unique_ptr<instruments::GPSView> map_;
};

ParisMap& paris() {
    static ParisMap instance;
    return instance;
}

void drawFrame(instruments::GPSView& map, QImage& image) {
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    map.render(painter);
}

QImage frameImage() {
    QImage image(QSize(640, 640), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    return image;
}

void setMapScale(instruments::GPSView& map, double scale) {
    auto settings = map.settings();
    settings->set("currentScale", platform::Value::real(scale));
    map.setSettings(settings);
}

// The aircraft at the place (flying at 55 m/s on 020 when `moving`), the nearby waypoints cached and
// the base map's tiles decoded, so that the frames drawn into the image from now on are steady
// ones. Answers the fix given.
positioning::Fix settleMap(instruments::GPSView& map, positioning::LocationManager& location,
                           waypoints::NearbyWaypointCache& cache, QImage& image, double lat, double lon,
                           bool moving = true) {
    const positioning::Fix fix = fixAt(lat, lon);
    location.locationManagerDidUpdateToLocation(fix);
    if (moving) location.setSpeedAndCourse(55.0f, 20.0f);
    cache.waitUntilIdle(60000);
    QCoreApplication::processEvents();
    drawFrame(map, image);
    map.baseMap().waitForTiles();
    QCoreApplication::processEvents();
    drawFrame(map, image);
    return fix;
}

void BM_MapFrame(benchmark::State& state) {
    ParisMap& scene = paris();
    scene.setScale(float(state.range(0)) / 10.0f);
    QImage image = frameImage();
    drawFrame(scene.map(), image);  // the artwork rendered once, as on screen
    for (auto _ : state) {
        drawFrame(scene.map(), image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["cached"] = double(scene.map().cachedCount());
    state.counters["drawn"] = double(scene.map().drawnWaypoints().size());
}
BENCHMARK(BM_MapFrame)->Arg(45)->Arg(200)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same frame with a plan of 200 waypoints being flown: a zigzag of 40 NM legs across the
// map's whole area, each point labelled through the declutter pass, the active leg in the middle.
void BM_MapFrameWithPlan(benchmark::State& state) {
    ParisMap& scene = paris();
    scene.setScale(float(state.range(0)) / 10.0f);
    instruments::GPSView::PlanRoute route;
    for (int i = 0; i < 200; ++i) {
        const double row = double(i / 10), column = double(i % 10);
        route.points.push_back({QStringLiteral("WP%1").arg(i + 1), kLeBourgetLat - 1.0 + row * 0.1,
                                kLeBourgetLon - 1.5 + ((i / 10) % 2 ? 9 - column : column) * 0.33, i + 1});
    }
    route.active = 100;
    route.paneText = QStringLiteral("To WP101 (101/200) DIS 12.3 nm BRG 048\u00b0T ETE 0:07 - ETA dest 14:52");
    scene.map().setPlanRoute(route);
    QImage image = frameImage();
    drawFrame(scene.map(), image);
    for (auto _ : state) {
        drawFrame(scene.map(), image);
        benchmark::DoNotOptimize(image.constBits());
    }
    scene.map().setPlanRoute(std::nullopt);
}
BENCHMARK(BM_MapFrameWithPlan)->Arg(45)->Arg(200)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What the worker runs once: every record's distance from the aircraft, the 180 NM into the cache.
void BM_MapCacheRefresh(benchmark::State& state) {
    ParisMap& scene = paris();
    for (auto _ : state) scene.map()._findNearbyWaypoints();
    QCoreApplication::processEvents();  // the refreshes' hand-overs to the main thread
    state.counters["records"] = double(scene.waypointsDB()->size());
    state.counters["cached"] = double(scene.map().cachedCount());
}
BENCHMARK(BM_MapCacheRefresh)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Frames at 4.5 while another thread refreshes the cache every 2 ms (far more often than the map
// asks, once the aircraft leaves the cached area): a frame may wait for a refresh holding dbLock.
// Back to back without a pause the worker would take the lock again at once and starve the frames,
// which no flight does. The counters are the median, the 99th percentile and the slowest frame
// (the last also counts the scheduler's pauses on a busy machine).
void BM_MapFrameDuringRefreshes(benchmark::State& state) {
    ParisMap& scene = paris();
    scene.setScale(4.5f);
    QImage image = frameImage();
    drawFrame(scene.map(), image);
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop) {
            scene.cache().refresh(*scene.waypointsDB(), kLeBourgetLon, kLeBourgetLat, 1852.0);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    std::vector<double> frames;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        drawFrame(scene.map(), image);
        frames.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    stop = true;
    worker.join();
    std::sort(frames.begin(), frames.end());
    state.counters["median_ms"] = frames[frames.size() / 2];
    state.counters["p99_ms"] = frames[frames.size() * 99 / 100];
    state.counters["slowest_ms"] = frames.back();
}
BENCHMARK(BM_MapFrameDuringRefreshes)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

namespace {

// The map frame with the bundle's base map under the waypoints, at 2x, over the densest places:
// the Norwegian coast's fjords and islands by Bergen, the Netherlands' coast and waterways by
// Amsterdam, and Geneva's lake and borders; every scale from 1 to 53. The tiles are decoded
// before the loop, as after the first frames in flight; "tiles" and "towns" say what a frame drew.
// The last argument 0 draws the same frame without the base map, for comparison.
struct Place {
    const char* name;
    double lat, lon;
};
constexpr Place kBaseMapPlaces[] = {{"Bergen", 60.39, 5.32}, {"Amsterdam", 52.31, 4.76}, {"Geneva", 46.24, 6.11}};

void BM_MapFrameWithBaseMap(benchmark::State& state) {
    ParisMap& world = paris();  // the loaded database
    const Place& place = kBaseMapPlaces[state.range(0)];
    const float scale = float(state.range(1)) / 10.0f;
    positioning::LocationManager location;
    units::UnitSettings units;
    auto cache = waypoints::NearbyWaypointCache::create();
    instruments::GPSView map(location, units, cache, world.waypointsDB());
    if (!state.range(2)) map.baseMap().setFile(nullptr);  // the same frame without the base map
    map.initWithFrame(QRectF(0, 0, 320, 320));
    setMapScale(map, double(scale));
    QImage image = frameImage();
    settleMap(map, location, *cache, image, place.lat, place.lon);
    for (auto _ : state) {
        drawFrame(map, image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(place.name);
    state.counters["tiles"] = double(map.baseMap().drawnTiles().size());
    state.counters["towns"] = double(map.baseMap().drawnTowns().size());
    state.counters["waypoints"] = double(map.drawnWaypoints().size());
}
BENCHMARK(BM_MapFrameWithBaseMap)
    ->ArgsProduct({{0, 1, 2}, {10, 45, 200, 530}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

}  // namespace

namespace {

// The map frame at 2x over Geneva's base map (zoomed out and in) with traffic: 0, 50 and 500
// targets from a FLARM device and a GDL90 receiver, some alerting, with callsigns, heights from
// 5000 ft below to 5000 ft above and climbs, spread over 20 NM. The target is a frame under 4 ms
// with 50; a frame's cost times the traffic redraws (at most 4 a second) is what traffic costs the
// map.
QByteArray flarmTarget(int alarm, long north, long east, long vertical, uint32_t address, int track, double climb) {
    const QByteArray body = QStringLiteral("PFLAA,%1,%2,%3,%4,2,%5,%6,,40,%7,1")
                                .arg(alarm)
                                .arg(north)
                                .arg(east)
                                .arg(vertical)
                                .arg(address, 6, 16, QLatin1Char('0'))
                                .arg(track)
                                .arg(climb, 0, 'f', 1)
                                .toUpper()
                                .toLatin1();
    unsigned sum = 0;
    for (char c : body) sum ^= uchar(c);
    return "$" + body + "*" + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

QByteArray gdl90Report(uint8_t id, uint32_t address, double lat, double lon, int feet, int track, const QByteArray& callsign) {
    return traffic::gdl90Frame(traffic::gdl90ReportMessage(id, address, lat, lon, feet, 120, 0, track, callsign));
}

void fillTraffic(traffic::TrafficFeed& feed, double lat, double lon, int count) {
    feed.handleMessage(gdl90Report(10, 0xF00001, lat, lon, 4000, 0, "OWN"));
    for (int i = 0; i < count; ++i) {
        const double bearing = i * 137.5 * M_PI / 180.0, metres = (1.0 + (i % 25) * 0.8) * 1852.0;
        const long north = std::lround(metres * std::cos(bearing)), east = std::lround(metres * std::sin(bearing));
        const long vertical = (i % 21 - 10) * 150;  // metres: about 5000 ft either way
        if (i % 5 == 0) {
            feed.handleMessage(flarmTarget(i % 4, north, east, vertical, 0xD00000 + uint32_t(i), (i * 47) % 360, (i % 7 - 3) * 0.8));
        } else {
            const double tlat = lat + north / 111195.0, tlon = lon + east / (111195.0 * std::cos(lat * M_PI / 180.0));
            feed.handleMessage(gdl90Report(20, 0x400000 + uint32_t(i), tlat, tlon, 4000 + int(vertical / 0.3048), (i * 47) % 360,
                                           QByteArray("HB") + QByteArray::number(1000 + i)));
        }
    }
}

void BM_MapFrameWithTraffic(benchmark::State& state) {
    ParisMap& world = paris();  // the loaded database
    const Place& place = kBaseMapPlaces[2];
    positioning::LocationManager location;
    units::UnitSettings units;
    auto cache = waypoints::NearbyWaypointCache::create();
    traffic::TrafficFeed feed(traffic::TrafficFeed::Clock::Fixes);
    fillTraffic(feed, place.lat, place.lon, int(state.range(0)));
    instruments::GPSView map(location, units, cache, world.waypointsDB());
    map.setTrafficFeed(&feed);
    map.initWithFrame(QRectF(0, 0, 320, 320));
    setMapScale(map, double(state.range(1)) / 10.0);
    QImage image = frameImage();
    settleMap(map, location, *cache, image, place.lat, place.lon);
    for (auto _ : state) {
        drawFrame(map, image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["targets"] = double(feed.targets().size());
    state.counters["drawn"] = double(map.drawnTraffic().size());
    state.counters["tiles"] = double(map.baseMap().drawnTiles().size());
}
BENCHMARK(BM_MapFrameWithTraffic)->ArgsProduct({{0, 50, 500}, {45, 200}})->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

namespace {

// One second of 500 targets reported ten times a second to the map over Geneva's base map, as the
// app runs it: another thread sends each tenth of a second's datagrams to a position source on
// this machine's UDP, and the main thread's event loop does the rest (the source reads and splits
// the datagrams, the feed takes the targets in and posts its update, the map redraws when it may).
// Argument 0: the map hidden (the handling alone) or shown on the offscreen screen at 1x;
// argument 1: 500 FLARM sentences to an NMEA source (in datagrams of up to 1400 bytes), or a GDL90
// receiver's ownship and 500 reports to a GDL90 source (likewise).
// "main_ms_per_s" is the main thread's CPU time over that second, "idle_ms_per_s" the same over
// seconds with nothing sent (the loop's own turning and timers, measured first), and
// "traffic_ms_per_s" their difference: what the traffic costs the main thread. "frames_per_s"
// counts the map's frames.
class PaintCounter : public QObject {
public:
    int frames = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++frames;
        return false;
    }
};

double mainThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Messages packed into datagrams of at most 1400 bytes, as a device on a network sends them.
std::vector<QByteArray> datagramsOf(const std::vector<QByteArray>& messages) {
    std::vector<QByteArray> datagrams(1);
    for (const QByteArray& m : messages) {
        if (datagrams.back().size() + m.size() > 1400) datagrams.emplace_back();
        datagrams.back() += m;
    }
    return datagrams;
}

void BM_MapTrafficSecondAt10Hz(benchmark::State& state) {
    ParisMap& world = paris();
    const Place& place = kBaseMapPlaces[2];
    const bool gdl90 = state.range(1) == 1;
    quint16 port = 0;
    {
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        port = probe.localPort();
    }
    std::unique_ptr<positioning::PositionSource> source;
    if (gdl90)
        source = std::make_unique<traffic::Gdl90Source>(port);
    else
        source = std::make_unique<positioning::NmeaStreamSource>(positioning::NmeaStreamSource::Transport::Udp, QString(), port);
    positioning::LocationManager location;
    units::UnitSettings units;
    auto cache = waypoints::NearbyWaypointCache::create();
    traffic::TrafficFeed feed(traffic::TrafficFeed::Clock::Wall);  // as in the app: its own one-second tick
    feed.setUnits(traffic::AlertUnits{});
    feed.listenTo(source.get());
    source->startUpdatingLocation();
    // Each tenth's datagrams.
    std::vector<std::vector<QByteArray>> tenths;
    const double cosLat = std::cos(place.lat * M_PI / 180.0);
    for (int step = 0; step < 10; ++step) {
        std::vector<QByteArray> messages;
        if (gdl90) messages.push_back(gdl90Report(10, 0xF00001, place.lat, place.lon, 4000, 0, "OWN"));
        for (int i = 0; i < 500; ++i) {
            const double bearing = i * 137.5 * M_PI / 180.0 + step * 0.002, metres = (1.0 + (i % 25) * 0.8) * 1852.0;
            const double north = metres * std::cos(bearing), east = metres * std::sin(bearing);
            const long vertical = (i % 21 - 10) * 150;
            if (gdl90)
                messages.push_back(gdl90Report(20, 0x400000 + uint32_t(i), place.lat + north / 111195.0,
                                               place.lon + east / (111195.0 * cosLat), 4000 + int(vertical / 0.3048),
                                               (i * 47) % 360, QByteArray("HB") + QByteArray::number(1000 + i)));
            else
                messages.push_back(flarmTarget(i % 50 == 0 ? 1 : 0, std::lround(north), std::lround(east), vertical,
                                               0xD00000 + uint32_t(i), (i * 47) % 360, (i % 7 - 3) * 0.8) +
                                   "\r\n");
        }
        tenths.push_back(datagramsOf(messages));
    }
    instruments::GPSView map(location, units, cache, world.waypointsDB());
    map.setTrafficFeed(&feed);
    map.initWithFrame(QRectF(0, 0, 320, 320));
    location.locationManagerDidUpdateToLocation(fixAt(place.lat, place.lon));
    cache->waitUntilIdle(60000);
    if (state.range(0)) map.show();
    PaintCounter counter;
    map.installEventFilter(&counter);
    // The event loop waits for events until the time, as the app's does.
    const auto turnUntil = [](const QElapsedTimer& clock, qint64 ms) {
        QEventLoop loop;
        QTimer::singleShot(int(std::max<qint64>(0, ms - clock.elapsed())), &loop, &QEventLoop::quit);
        loop.exec();
    };
    QElapsedTimer warm;
    warm.start();
    turnUntil(warm, 500);  // the tiles decoded and the first frames drawn
    map.baseMap().waitForTiles();
    // Seconds on one clock: three with nothing sent (the loop's own cost), one to take the
    // targets in and draw them once, then the measured ones. One thread sends each tenth's
    // datagrams from the fourth second on.
    constexpr int kIdleSeconds = 3;
    const int seconds = kIdleSeconds + 1 + int(state.max_iterations);
    const auto start = std::chrono::steady_clock::now();
    QElapsedTimer clock;
    clock.start();
    std::thread sender([&tenths, port, start, seconds] {
        QUdpSocket socket;
        for (int tenth = kIdleSeconds * 10; tenth < seconds * 10; ++tenth) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(100 * tenth));
            for (const QByteArray& d : tenths[size_t(tenth % 10)]) socket.writeDatagram(d, QHostAddress::LocalHost, port);
        }
    });
    int second = 0;
    const auto turnSecond = [&] {
        for (int step = 1; step <= 10; ++step) turnUntil(clock, second * 1000 + step * 100);
        ++second;
    };
    double idle = mainThreadSeconds();
    while (second < kIdleSeconds) turnSecond();
    idle = (mainThreadSeconds() - idle) / kIdleSeconds;
    turnSecond();
    counter.frames = 0;
    const double mainStart = mainThreadSeconds();
    for (auto _ : state) turnSecond();
    sender.join();
    const double perSecond = 1000.0 / double(state.iterations());
    const double mainTime = mainThreadSeconds() - mainStart;
    state.counters["frames_per_s"] = double(counter.frames) / double(state.iterations());
    state.counters["main_ms_per_s"] = mainTime * perSecond;
    state.counters["idle_ms_per_s"] = idle * 1000.0;
    state.counters["traffic_ms_per_s"] = mainTime * perSecond - idle * 1000.0;
    turnUntil(clock, second * 1000 + 100);  // the last tenth taken in
    state.counters["targets"] = double(feed.targets().size());
    if (feed.targets().size() != 500 || feed.badInputs() != 0) state.SkipWithError("targets lost");
    map.hide();
}
BENCHMARK(BM_MapTrafficSecondAt10Hz)->ArgsProduct({{1, 0}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

namespace {

// The map frame at 2x over Geneva with the base map and the airspaces: the 400 made-up airspaces of
// tests/data/airspace/sample-400.txt, drawn together towards the aircraft and shrunk with it so that
// about 300 of them are in view at each scale (as dense on the screen as the busiest national
// files zoomed out), each outlined, tinted by class and offered a label. The second argument 0 draws
// the same frame without airspaces. The third chooses the aircraft's motion: 0, still (the frames
// drawn for traffic, tiles or a fix that moved it a fraction of a point: the kept picture of the
// airspaces is copied); 1, to and fro between two places further apart than the picture's margin
// (but within twice it), so that each frame finds its picture spent, shows it moved and asks the
// worker for the next (with no worker to ask, it drew the airspaces itself); 2, flying to and
// fro 2 points a frame along 100 points, so that the next picture is drawn on the worker while
// the frames copy the kept one; 3, zooming in and out by the wheel, a twentieth of a notch a frame,
// so that the frames stretch the kept picture while the worker draws the next (the fix and the
// wheel are handed over outside the timing). "airspaces" and
// "labelled" say what a frame drew, "renders" how many times per frame the airspaces were drawn
// anew, "in_frame" how many of those a frame drew itself.
std::shared_ptr<const vantrel::airspace::AirspaceIndex> packedAirspaces(double lat, double lon, double halfSideNM) {
    QFile file(QStringLiteral(VANTREL_SOURCE_DIR "/tests/data/airspace/sample-400.txt"));
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    std::vector<vantrel::airspace::Airspace> airspaces = vantrel::airspace::readOpenAir(file.readAll(), QStringLiteral("sample-400.txt")).airspaces;
    // The file spreads over 43.5-54.5 N and 1 W-16 E, about 330 NM each way from its middle.
    constexpr double kMiddleLat = 49.0, kMiddleLon = 7.5, kHalfSideNM = 330.0;
    const double k = halfSideNM / kHalfSideNM;
    const double lonStretch = std::cos(kMiddleLat * M_PI / 180.0) / std::cos(lat * M_PI / 180.0);
    for (vantrel::airspace::Airspace& a : airspaces) {
        a.box = {};
        for (vantrel::airspace::LatLon& p : a.outline) {
            p.lat = lat + (p.lat - kMiddleLat) * k;
            p.lon = lon + (p.lon - kMiddleLon) * k * lonStretch;
            a.box.add(p);
        }
    }
    return std::make_shared<const vantrel::airspace::AirspaceIndex>(std::move(airspaces));
}

void BM_MapFrameWithAirspaces(benchmark::State& state) {
    ParisMap& world = paris();  // the loaded database
    constexpr double kLat = 46.24, kLon = 6.11;
    const float scale = float(state.range(0)) / 10.0f;
    positioning::LocationManager location;
    units::UnitSettings units;
    auto cache = waypoints::NearbyWaypointCache::create();
    instruments::GPSView map(location, units, cache, world.waypointsDB());
    // Over a view 160 points about the aircraft, the packed file reaches a quarter past its sides.
    std::shared_ptr<const vantrel::airspace::AirspaceIndex> airspaces =
        state.range(1) ? packedAirspaces(kLat, kLon, 1.25 * 160.0 / double(scale))
                       : std::make_shared<const vantrel::airspace::AirspaceIndex>();
    if (!airspaces) {
        state.SkipWithError("tests/data/airspace/sample-400.txt cannot be read");
        return;
    }
    map.setAirspaces(airspaces);
    map.initWithFrame(QRectF(0, 0, 320, 320));
    setMapScale(map, double(scale));
    QImage image = frameImage();
    positioning::Fix fix = settleMap(map, location, *cache, image, kLat, kLon);
    // The way between the two places, the middle and east of it: the picture's margin and a few
    // points more, or zoomed out 20 NM, where the projection's shape has changed (at 1 point per
    // mile the margin would be 56 NM, far enough to refresh the waypoints at every frame).
    const double stepDegrees = std::min(20.0, (instruments::AirspaceLayer::kPictureMargin + 8.0) / double(scale)) / 60.0 /
                               std::cos(kLat * M_PI / 180.0);
    const bool moving = state.range(2) == 1, flying = state.range(2) == 2, zooming = state.range(2) == 3;
    // Flying: the place after this many points of the to-and-fro, east of the start.
    const auto flownTo = [&](double points) {
        const double along = std::fmod(points, 200.0);
        return kLon + (along < 100.0 ? along : 200.0 - along) / double(scale) / 60.0 / std::cos(kLat * M_PI / 180.0);
    };
    if (flying) {
        // The tiles and waypoints along the way ready before the timing, as the still frame's are.
        for (double points = 0; points < 200.0; points += 10.0) {
            fix.longitude = flownTo(points);
            fix.timestamp += 1.0;
            location.locationManagerDidUpdateToLocation(fix);
            drawFrame(map, image);
            map.baseMap().waitForTiles();
            cache->waitUntilIdle(60000);
            map.airspaceLayer().waitForPicture();
            QCoreApplication::processEvents();
        }
    }
    if (moving) {
        // Both places' tiles decoded before the timing, as the still frame's are.
        for (const double side : {1.0, 0.0}) {
            fix.longitude = kLon + side * stepDegrees;
            location.locationManagerDidUpdateToLocation(fix);
            drawFrame(map, image);
            map.baseMap().waitForTiles();
            QCoreApplication::processEvents();
        }
        cache->waitUntilIdle(60000);
    }
    const size_t rendersBefore = map.airspaceLayer().rendersCount();
    const size_t inFrameBefore = map.airspaceLayer().rendersInFrameCount();
    int frame = 0;
    for (auto _ : state) {
        if (zooming) {
            state.PauseTiming();
            // A twentieth of a notch of 120 eighths of a degree.
            QWheelEvent wheel(QPointF(160, 160), QPointF(160, 160), QPoint(), QPoint(0, (frame++ / 20) % 2 ? -6 : 6),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(&map, &wheel);
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
        if (flying) {
            state.PauseTiming();
            fix.longitude = flownTo(2.0 * frame++);
            fix.timestamp += 1.0;
            location.locationManagerDidUpdateToLocation(fix);
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
        if (moving) {
            state.PauseTiming();
            fix.longitude = kLon + (frame++ % 2 ? 0.0 : 1.0) * stepDegrees;
            fix.timestamp += 1.0;
            location.locationManagerDidUpdateToLocation(fix);
            state.ResumeTiming();
        }
        drawFrame(map, image);
        benchmark::DoNotOptimize(image.constBits());
    }
    map.airspaceLayer().waitForPicture();
    state.counters["renders"] = double(map.airspaceLayer().rendersCount() - rendersBefore) / double(state.iterations());
    state.counters["in_frame"] = double(map.airspaceLayer().rendersInFrameCount() - inFrameBefore) / double(state.iterations());
    const std::vector<instruments::GPSView::DrawnAirspace> drawn = map.drawnAirspaces();
    state.counters["airspaces"] = double(drawn.size());
    state.counters["labelled"] = double(std::count_if(drawn.begin(), drawn.end(), [](const auto& a) { return a.labelled; }));
    state.counters["waypoints"] = double(map.drawnWaypoints().size());
    if (qEnvironmentVariableIsSet("VANTREL_BENCH_PICTURES"))
        image.save(qEnvironmentVariable("VANTREL_BENCH_PICTURES") + QStringLiteral("/map-airspaces-%1-%2-%3.png").arg(state.range(0)).arg(state.range(1)).arg(state.range(2)));
}
BENCHMARK(BM_MapFrameWithAirspaces)->ArgsProduct({{10, 45, 200}, {1, 0}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
