// The base map end to end: small GeoJSON sources through the builder into a map file, read back
// tile by tile, drawn by the moving map's layer at 1x and 2x with pixels checked at known places
// (an island cut by the 180th meridian, a hole in the land, a lake, a town at its projected
// place), and damaged files that draw what they can with one log line each.

#include "basemap/BaseMapFile.h"
#include "basemap/TileCache.h"
#include "instruments/BaseMapLayer.h"
#include "instruments/MapProjection.h"
#include "support/TestSupport.h"
#include "tools/mapbuilder/MapBuilder.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

using namespace vantrel;
using instruments::BaseMapLayer;
using instruments::MapProjection;

namespace {

void write(const QString& path, const char* features) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("{\"type\": \"FeatureCollection\", \"features\": [") + features + "]}");
}

// An island cut in two by the 180th meridian (as the source cuts it), a land block over several
// 1-degree tiles with a hole, a lake, a river, a border and a town; one feature with no geometry.
void writeSources(const QString& dir) {
    write(dir + "/ne_10m_land.json",
          R"({"type": "Feature", "properties": {"scalerank": 0}, "geometry": {"type": "MultiPolygon", "coordinates": [
               [[[179.2, -0.8], [180, -0.8], [180, 0.8], [179.2, 0.8], [179.2, -0.8]]],
               [[[-180, -0.8], [-179.2, -0.8], [-179.2, 0.8], [-180, 0.8], [-180, -0.8]]]]}},
             {"type": "Feature", "properties": {"scalerank": 1}, "geometry": {"type": "Polygon", "coordinates": [
               [[5, 45], [8, 45], [8, 47], [5, 47], [5, 45]],
               [[6.2, 45.8], [6.8, 45.8], [6.8, 46.2], [6.2, 46.2], [6.2, 45.8]]]}},
             {"type": "Feature", "properties": {"scalerank": 1}, "geometry": null})");
    write(dir + "/ne_10m_lakes.json",
          R"({"type": "Feature", "properties": {"scalerank": 3, "name": "Testsee"}, "geometry": {"type": "Polygon", "coordinates": [
               [[7.2, 46.4], [7.6, 46.4], [7.6, 46.6], [7.2, 46.6], [7.2, 46.4]]]}})");
    write(dir + "/ne_10m_rivers_lake_centerlines.json",
          R"({"type": "Feature", "properties": {"scalerank": 2, "name": "Testriver"}, "geometry": {"type": "LineString", "coordinates": [
               [5.5, 45.3], [7.5, 46.8]]}})");
    write(dir + "/ne_10m_admin_0_boundary_lines_land.json",
          R"({"type": "Feature", "properties": {"scalerank": 1}, "geometry": {"type": "LineString", "coordinates": [
               [5.1, 46.9], [7.9, 46.9]]}})");
    write(dir + "/ne_10m_populated_places_simple.json",
          R"({"type": "Feature", "properties": {"scalerank": 2, "name": "Testville"}, "geometry": {"type": "Point", "coordinates": [5.5, 46.5]}},
             {"type": "Feature", "properties": {"scalerank": 3, "name": "Datelinetown"}, "geometry": {"type": "Point", "coordinates": [-179.5, 0.5]}})");
}

class BuiltMap : public ::testing::Test {
protected:
    void SetUp() override {
        writeSources(dir_.path());
        path_ = dir_.file("basemap.vbm");
        result_ = mapbuilder::buildBaseMap(dir_.path(), path_);
        ASSERT_TRUE(result_.ok) << qPrintable(result_.error);
    }
    test::TempDir dir_;
    QString path_;
    mapbuilder::MapBuildResult result_;
};

enum class Expect { Land, Water, Grey };
const char* name(Expect e) { return e == Expect::Land ? "land" : e == Expect::Water ? "water" : "grey"; }
Expect classify(const QColor& c) {
    const auto near = [&](const QColor& k) {
        return std::abs(c.red() - k.red()) < 8 && std::abs(c.green() - k.green()) < 8 && std::abs(c.blue() - k.blue()) < 8;
    };
    if (near(instruments::baseMapColours::kSea)) return Expect::Water;
    if (near(instruments::baseMapColours::kLand)) return Expect::Land;
    return Expect::Grey;
}

// The layer drawn over a grey field, as the map draws it, with its tiles fetched first.
QImage drawLayer(BaseMapLayer& layer, const MapProjection& map, double pixelScale, basemap::LabelPlacer& labels) {
    QImage image(QSize(int(320 * pixelScale), int(320 * pixelScale)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelScale);
    for (int pass = 0; pass < 2; ++pass) {
        image.fill(QColor(85, 85, 85));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        labels.clear();
        layer.draw(painter, map, QSizeF(320, 320), labels);
        labels.place();
        layer.drawLabels(painter, labels);
        painter.end();
        layer.waitForTiles();
    }
    return image;
}

}  // namespace

TEST_F(BuiltMap, ReadsBackWhatWasBuiltAcrossTheDateLine) {
    EXPECT_EQ(result_.sourceFeatures, 7u);  // the feature without geometry skipped, and said so
    ASSERT_EQ(result_.skipped.size(), 5);   // four source files missing, one feature
    EXPECT_TRUE(result_.skipped.filter("feature 2").size() == 1) << qPrintable(result_.skipped.join("\n"));
    const auto file = basemap::BaseMapFile::open(path_);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->levels().size(), 3u);
    EXPECT_EQ(file->levels()[size_t(file->levelForScale(53))].degrees, 1u);
    EXPECT_EQ(file->levels()[size_t(file->levelForScale(4.5))].degrees, 3u);
    EXPECT_EQ(file->levels()[size_t(file->levelForScale(1))].degrees, 9u);
    const int fine = file->levelForScale(53);
    // Both halves of the island, each in the tile on its side of the meridian, touching the cut.
    for (uint16_t col : {uint16_t(359), uint16_t(0)}) {
        const std::optional<basemap::Tile> tile = file->readTile({uint8_t(fine), col, 90});
        ASSERT_TRUE(tile) << col;
        ASSERT_FALSE(tile->features.empty()) << col;
        EXPECT_EQ(tile->features[0].kind, basemap::FeatureKind::Land);
        double west = 180, east = -180;
        for (const auto& p : tile->points) west = std::min(west, tile->longitude(p[0])), east = std::max(east, tile->longitude(p[0]));
        EXPECT_NEAR(col == 0 ? west : east, col == 0 ? -180.0 : 180.0, 1e-9);
        EXPECT_NEAR(col == 0 ? east : west, col == 0 ? -179.2 : 179.2, 1e-4);
    }
    // The tiles the map asks for about the meridian take both sides.
    const auto keys = basemap::tilesAround(file->levels()[size_t(fine)], uint8_t(fine), 0.0, 179.9, 30.0);
    EXPECT_TRUE(std::count_if(keys.begin(), keys.end(), [](const auto& k) { return k.col == 0 && k.row == 90; }));
    EXPECT_TRUE(std::count_if(keys.begin(), keys.end(), [](const auto& k) { return k.col == 359 && k.row == 90; }));
    // The town keeps its name and rank; the land block lies in the six tiles it covers, each cut to it.
    const std::optional<basemap::Tile> town = file->readTile({uint8_t(fine), 185, 136});
    ASSERT_TRUE(town);
    int towns = 0;
    for (const auto& f : town->features)
        if (f.kind == basemap::FeatureKind::Town) {
            ++towns;
            EXPECT_EQ(f.name, "Testville");
            EXPECT_EQ(f.rank, 2);
        }
    EXPECT_EQ(towns, 1);
    int landTiles = 0;
    for (uint16_t col = 180; col < 192; ++col)
        for (uint16_t row = 130; row < 140; ++row)
            if (file->tileLength({uint8_t(fine), col, row})) ++landTiles;
    EXPECT_EQ(landTiles, 6);
}

// Pixels at known places, at 1x and 2x and at the three levels' scales: land, the hole in it, the
// lake, the sea beyond, and the island on both sides of the 180th meridian seen from either side.
TEST_F(BuiltMap, DrawsLandAndWaterWhereTheyAre) {
    struct Case {
        double centreLat, centreLon;
        float scale;
        double lat, lon;
        Expect expect;
    };
    const Case cases[] = {
        {46.2, 6.5, 20, 46.15, 6.5, Expect::Water},  // the hole's north shore under the aircraft
        {46.2, 6.5, 20, 46.25, 6.5, Expect::Land},
        {46.5, 7.0, 20, 46.45, 6.9, Expect::Land},   // where four tiles meet
        {46.5, 7.0, 20, 46.55, 7.1, Expect::Land},
        {46.5, 7.25, 20, 46.5, 7.3, Expect::Water},  // the lake
        {46.5, 7.25, 20, 46.5, 7.15, Expect::Land},
        {46.0, 6.5, 4.5, 46.0, 6.5, Expect::Water},
        {46.0, 6.5, 4.5, 45.7, 6.0, Expect::Land},
        {45.2, 6.5, 4.5, 44.8, 6.5, Expect::Water},  // the sea south of the block
        {45.2, 6.5, 4.5, 45.3, 6.5, Expect::Land},
        {46.0, 6.5, 1, 46.0, 6.5, Expect::Water},
        {46.0, 6.5, 1, 45.4, 7.5, Expect::Land},
        {46.0, 6.5, 1, 44.0, 4.0, Expect::Water},
        {0.75, 180.0, 20, 0.7, 179.9, Expect::Land},  // across the meridian, both halves
        {0.75, 180.0, 20, 0.7, -179.9, Expect::Land},
        {0.75, 180.0, 20, 0.85, 180.0, Expect::Water},
        {0.6, -179.99, 4.5, 0.4, 179.7, Expect::Land},
        {0.6, -179.99, 4.5, 0.4, -179.7, Expect::Land},
        {0.6, -179.99, 4.5, 1.0, 180.0, Expect::Water},
        {0.0, 179.9, 1, 0.0, -179.5, Expect::Land},
        {0.0, 179.9, 1, 1.5, -179.5, Expect::Water},
    };
    const auto file = basemap::BaseMapFile::open(path_);
    ASSERT_TRUE(file);
    for (double pixelScale : {1.0, 2.0}) {
        BaseMapLayer layer([] {});
        layer.setFile(file);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << pixelScale << "x, centred on " << c.centreLat << " " << c.centreLon
                                            << " at " << c.scale << ", looking at " << c.lat << " " << c.lon);
            const MapProjection map(c.centreLat, c.centreLon, QPointF(160, 160), c.scale);
            basemap::LabelPlacer labels;
            const QImage image = drawLayer(layer, map, pixelScale, labels);
            const std::optional<QPointF> at = map.project(c.lat, c.lon);
            ASSERT_TRUE(at);
            ASSERT_TRUE(QRectF(0, 0, 320, 320).contains(*at));
            const QColor pixel = image.pixelColor(int(at->x() * pixelScale), int(at->y() * pixelScale));
            EXPECT_STREQ(name(classify(pixel)), name(c.expect)) << pixel.name().toStdString();
        }
    }
}

TEST_F(BuiltMap, DrawsTownsAtTheirProjectedPlaceWithNames) {
    const auto file = basemap::BaseMapFile::open(path_);
    BaseMapLayer layer([] {});
    layer.setFile(file);
    for (double pixelScale : {1.0, 2.0}) {
        const MapProjection map(46.45, 5.55, QPointF(160, 160), 20);
        basemap::LabelPlacer labels;
        const QImage image = drawLayer(layer, map, pixelScale, labels);
        ASSERT_EQ(layer.drawnTowns().size(), 1u);
        const BaseMapLayer::DrawnTown& town = layer.drawnTowns()[0];
        EXPECT_EQ(town.name, "Testville");
        EXPECT_TRUE(town.labelled);
        const QPointF expected = *map.project(46.5, 5.5);
        EXPECT_NEAR(town.x, expected.x(), 0.05);  // quantised to 1/65535 of a degree
        EXPECT_NEAR(town.y, expected.y(), 0.05);
        // The dot is there in the town's colour, and the name's dark text to its right.
        const QColor dot = image.pixelColor(int(town.x * pixelScale), int(town.y * pixelScale));
        EXPECT_LT(dot.red(), 90) << dot.name().toStdString();
        int dark = 0;
        for (int dx = 6; dx < 50; ++dx)
            for (int dy = -6; dy < 4; ++dy)
                if (image.pixelColor(int((town.x + dx) * pixelScale), int((town.y + dy) * pixelScale)).red() < 120) ++dark;
        EXPECT_GT(dark, 10);
        EXPECT_FALSE(layer.drawnTiles().isEmpty());
    }
}

TEST_F(BuiltMap, DamagedFilesAndTilesAreLoggedAndSkipped) {
    QFile in(path_);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray good = in.readAll();
    const auto probe = basemap::BaseMapFile::open(path_);
    ASSERT_TRUE(probe);
    const int fine = probe->levelForScale(53);
    const basemap::TileKey townTile{uint8_t(fine), 185, 136};
    // Where the town tile's bytes are, from its index entry (key, offset, length, checksum).
    qint64 tileOffset = -1;
    const basemap::Level& level = probe->levels()[size_t(fine)];
    for (uint32_t e = 0; e < level.entries; ++e) {
        const char* entry = good.constData() + level.indexOffset + e * basemap::kIndexEntrySize;
        uint32_t key;
        std::memcpy(&key, entry, 4);
        if (key == 136u * 360u + 185u) std::memcpy(&tileOffset, entry + 4, 8);
    }
    ASSERT_GT(tileOffset, 0);

    struct Case {
        const char* what;
        std::function<QByteArray(QByteArray)> damage;
        bool opens;
        const char* logged;
    };
    const Case cases[] = {
        {"cut in half", [](QByteArray b) { return b.left(b.size() / 2); }, false, "is damaged"},
        {"cut in the header", [](QByteArray b) { return b.left(10); }, false, "is damaged"},
        {"empty", [](QByteArray) { return QByteArray(); }, false, "cannot be mapped"},
        {"another format", [](QByteArray b) { return b.replace(0, 4, "PK\x03\x04"); }, false, "not a base map file"},
        {"a later version", [](QByteArray b) { b[4] = 9; return b; }, false, "version 9"},
        {"a tile's byte changed", [&](QByteArray b) { b[tileOffset + 3] = char(b[tileOffset + 3] ^ 0x5a); return b; }, true,
         "tile 0/185/136"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString damaged = dir_.file("damaged.vbm");
        QFile out(damaged);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(c.damage(good));
        out.close();
        test::LogCapture log;
        const auto file = basemap::BaseMapFile::open(damaged);
        EXPECT_EQ(bool(file), c.opens);
        if (file) {
            // The map draws around the damaged tile: its neighbour still decodes, the tile does not,
            // and drawing over it logs one line and draws the rest, with the coarser level's land
            // in the damaged tile's place (and not its town, which that level has too but the
            // map draws only from the level it wants).
            EXPECT_FALSE(file->readTile(townTile));
            EXPECT_TRUE(file->readTile({uint8_t(fine), 186, 136}));
            BaseMapLayer layer([] {});
            layer.setFile(file);
            basemap::LabelPlacer labels;
            const MapProjection map(46.4, 5.95, QPointF(160, 160), 20);
            const QImage image = drawLayer(layer, map, 1.0, labels);
            EXPECT_TRUE(layer.drawnTowns().empty());
            const QPointF east = *map.project(46.4, 6.05), west = *map.project(46.4, 5.9);
            EXPECT_STREQ(name(classify(image.pixelColor(east.toPoint()))), name(Expect::Land));
            EXPECT_STREQ(name(classify(image.pixelColor(west.toPoint()))), name(Expect::Land));
        }
        ASSERT_FALSE(log.lines().isEmpty());
        EXPECT_TRUE(log.lines().filter(c.logged).size() >= 1) << qPrintable(log.lines().join("\n"));
        EXPECT_TRUE(log.lines().filter("damaged.vbm").size() >= 1);
    }
}
