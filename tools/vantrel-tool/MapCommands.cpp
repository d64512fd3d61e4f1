// map build | info | render: the base map file through the same code as the app's moving map.

#include "Commands.h"
#include "Json.h"
#include "airspace/AirspaceStore.h"

#include "basemap/BaseMapFile.h"
#include "basemap/TileCache.h"
#include "instruments/GPSView.h"
#include "platform/core/Paths.h"
#include "positioning/LocationManager.h"
#include "tools/mapbuilder/MapBuilder.h"
#include "units/UnitSettings.h"
#include "waypoints/NearbyWaypointCache.h"
#include "waypoints/POISelectorPaneController.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>

namespace vantrel::tool {

namespace {

const char* const kRenderUsage =
    "usage: vantrel-tool map render LAT LON SCALE OUT.png [--size WxH] [--scale 2] [--file MAP]\n"
    "  (with the airspaces of the documents folder's files that are on)\n";

QString defaultMapFile() { return QDir(platform::Paths::bundleDirectory()).filePath(QStringLiteral("basemap.vbm")); }

int build(const QStringList& args) {
    QString source = QStringLiteral(VANTREL_SOURCE_DIR "/data/naturalearth");
    QString out = defaultMapFile();
    for (int i = 0; i < args.size(); ++i) {
        if ((args[i] == QLatin1String("--source") || args[i] == QLatin1String("--out")) && i + 1 < args.size()) {
            (args[i] == QLatin1String("--source") ? source : out) = args[i + 1];
            ++i;
        } else {
            std::fputs("usage: vantrel-tool map build [--source DIR] [--out FILE]\n", stderr);
            return 2;
        }
    }
    QElapsedTimer timer;
    timer.start();
    const mapbuilder::MapBuildResult result = mapbuilder::buildBaseMap(source, out);
    for (const QString& line : result.skipped) std::fprintf(stderr, "skipped: %s\n", qPrintable(line));
    if (!result.ok) {
        std::fprintf(stderr, "base map build failed: %s\n", qPrintable(result.error));
        return 1;
    }
    for (const mapbuilder::LevelStats& level : result.levels)
        std::printf("level %u degrees: %zu tiles, %zu features, %zu points, %zu bytes\n", level.degrees, level.tiles,
                    level.features, level.points, level.bytes);
    std::printf("%s: %zu source features, %zu bytes, built in %.1f s\n", qPrintable(out), result.sourceFeatures,
                result.fileBytes, double(timer.elapsed()) / 1000.0);
    return 0;
}

int info(const QStringList& args, bool json) {
    const QString path = args.isEmpty() ? defaultMapFile() : args[0];
    const std::shared_ptr<const basemap::BaseMapFile> file = basemap::BaseMapFile::open(path);
    if (!file) {
        std::fprintf(stderr, "cannot read the base map %s\n", qPrintable(path));
        return 1;
    }
    std::string out = "{\"file\": " + jsonString(path.toStdString()) + ", \"bytes\": " + std::to_string(file->fileSize()) +
                      ", \"levels\": [";
    if (!json) std::printf("%s: %zu bytes\n", qPrintable(path), file->fileSize());
    size_t damaged = 0;
    for (size_t i = 0; i < file->levels().size(); ++i) {
        const basemap::Level& level = file->levels()[i];
        size_t tiles = 0, bytes = 0, points = 0;
        size_t kinds[6] = {};
        for (uint32_t row = 0; row < level.rows(); ++row)
            for (uint32_t col = 0; col < level.cols(); ++col) {
                const basemap::TileKey key{uint8_t(i), uint16_t(col), uint16_t(row)};
                const uint32_t length = file->tileLength(key);
                if (!length) continue;
                ++tiles;
                bytes += length;
                const std::optional<basemap::Tile> tile = file->readTile(key);  // logs a damaged one
                if (!tile) {
                    ++damaged;
                    continue;
                }
                points += tile->points.size();
                for (const basemap::Feature& f : tile->features) ++kinds[size_t(f.kind)];
            }
        if (json) {
            out += std::string(i ? ", " : "") + "{\"degrees\": " + std::to_string(level.degrees) +
                   ", \"minScale\": " + jsonNumber(level.minScale) + ", \"tiles\": " + std::to_string(tiles) +
                   ", \"bytes\": " + std::to_string(bytes) + ", \"points\": " + std::to_string(points) +
                   ", \"land\": " + std::to_string(kinds[1]) + ", \"lakes\": " + std::to_string(kinds[2]) +
                   ", \"rivers\": " + std::to_string(kinds[3]) + ", \"borders\": " + std::to_string(kinds[4]) +
                   ", \"towns\": " + std::to_string(kinds[5]) + "}";
        } else {
            std::printf("level %zu: %u degree tiles from scale %g: %zu tiles, %zu bytes, %zu points; features: %zu land, "
                        "%zu lakes, %zu rivers, %zu borders, %zu towns\n",
                        i, level.degrees, double(level.minScale), tiles, bytes, points, kinds[1], kinds[2], kinds[3],
                        kinds[4], kinds[5]);
        }
    }
    if (json) std::printf("%s], \"damagedTiles\": %zu}\n", out.c_str(), damaged);
    else if (damaged) std::printf("%zu tiles do not decode\n", damaged);
    return damaged ? 1 : 0;
}

bool parseNumber(const QString& text, double* value) {
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

int render(const QStringList& args) {
    QStringList words;
    double width = 320, height = 320, scale = 1;
    QString mapFile;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--size") && i + 1 < args.size()) {
            const QStringList wh = args[++i].split(QLatin1Char('x'));
            if (wh.size() != 2 || !parseNumber(wh[0], &width) || !parseNumber(wh[1], &height) || width < 50 ||
                height < 50 || width > 4000 || height > 4000) {
                std::fprintf(stderr, "--size wants WxH points, 50 to 4000 each\n%s", kRenderUsage);
                return 2;
            }
        } else if (args[i] == QLatin1String("--scale") && i + 1 < args.size()) {
            if (!parseNumber(args[++i], &scale) || (scale != 1 && scale != 2)) {
                std::fprintf(stderr, "--scale is 1 or 2\n%s", kRenderUsage);
                return 2;
            }
        } else if (args[i] == QLatin1String("--file") && i + 1 < args.size()) {
            mapFile = args[++i];
        } else {
            words << args[i];
        }
    }
    double lat, lon, mapScale;
    if (words.size() != 4 || !parseNumber(words[0], &lat) || !parseNumber(words[1], &lon) ||
        !parseNumber(words[2], &mapScale) || std::abs(lat) > 90 || std::abs(lon) > 180) {
        std::fputs(kRenderUsage, stderr);
        return 2;
    }
    if (mapScale < instruments::kMinimumMapScale || mapScale > instruments::kMaximumMapScale) {
        std::fprintf(stderr, "SCALE is %g to %g points per nautical mile\n%s", double(instruments::kMinimumMapScale),
                     double(instruments::kMaximumMapScale), kRenderUsage);
        return 2;
    }

    // The waypoints as the app loads them, and a map on them as the app makes it.
    auto& database = waypoints::POISelectorPaneController::sharedPOIDatabase();
    database.loadDatabase();
    positioning::LocationManager location;
    units::UnitSettings units;
    auto cache = waypoints::NearbyWaypointCache::create();
    instruments::GPSView map(location, units, cache, database.waypointsDB());
    if (!mapFile.isEmpty()) map.baseMap().setFile(basemap::BaseMapFile::open(mapFile));
    // The airspaces of the pilot's files that are on, as the app loads them (nothing is written:
    // without an airspace folder there are none).
    const QString airspaceFolder = platform::Paths::documentsDirectory().isEmpty()
                                       ? QString()
                                       : platform::Paths::documentsDirectory() + QStringLiteral("/airspace");
    map.setAirspaces(!airspaceFolder.isEmpty() && QFileInfo(airspaceFolder).isDir()
                         ? airspace::AirspaceStore(airspaceFolder).load().index
                         : std::make_shared<const airspace::AirspaceIndex>());
    map.initWithFrame(QRectF(0, 0, width, height));
    auto settings = map.settings();
    settings->set("currentScale", platform::Value::real(mapScale));
    map.setSettings(settings);
    positioning::Fix fix;
    fix.latitude = lat;
    fix.longitude = lon;
    fix.horizontalAccuracy = 5.0;
    fix.timestamp = 1.7e9;
    location.locationManagerDidUpdateToLocation(fix);
    location.setSpeedAndCourse(0.0f, 0.0f);
    map.updateDisplay(nullptr);

    QImage image(QSize(int(width * scale), int(height * scale)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    const auto draw = [&] {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        map.render(painter);
    };
    draw();  // asks for the tiles
    cache->waitUntilIdle(60000);
    map.baseMap().waitForTiles();
    QCoreApplication::processEvents();
    draw();
    if (!image.save(words[3], "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(words[3]));
        return 1;
    }
    const std::vector<instruments::GPSView::DrawnAirspace> airspaces = map.drawnAirspaces();
    std::printf("%s: %d x %d pixels, %lld tiles, %zu towns, %zu waypoints, %zu airspaces (%lld named)\n", qPrintable(words[3]),
                image.width(), image.height(), qlonglong(map.baseMap().drawnTiles().size()), map.baseMap().drawnTowns().size(),
                map.drawnWaypoints().size(), airspaces.size(),
                qlonglong(std::count_if(airspaces.begin(), airspaces.end(), [](const auto& a) { return a.labelled; })));
    return 0;
}

}  // namespace

int runMapCommand(const QStringList& args, bool json) {
    const QString sub = args.value(0);
    if (sub == QLatin1String("build")) return build(args.mid(1));
    if (sub == QLatin1String("info")) return info(args.mid(1), json);
    if (sub == QLatin1String("render")) return render(args.mid(1));
    std::fputs("usage: vantrel-tool map build|info|render ...\n", stderr);
    return 2;
}

}  // namespace vantrel::tool
