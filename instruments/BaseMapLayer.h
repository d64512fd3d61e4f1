#pragma once
// The base map under the moving map's waypoints: sea and lakes in blue, land in a light neutral
// tone, shores, rivers as thin blue lines, country borders dashed, and towns as dots whose names go
// through the map's declutter pass. Tiles come from the bundle's base map file through a
// basemap::TileCache, whose worker decodes them: a frame draws the tiles that are ready (a coarser
// level's where the finer one is not yet) and the map is redrawn when the rest arrive. Where no
// tile is ready the map's grey background stays.
//
// Points are placed with the map's own projection (MapProjection), so the base map and the
// waypoints agree everywhere, across the 180th meridian and about the poles.
//
// Ownership: the map (GPSView) owns its layer; the layer owns its tile cache and shares the file.
// Threads: main thread only (the tile worker calls back through the main thread's event loop).

#include "MapProjection.h"

#include "basemap/LabelPlacer.h"
#include "basemap/TileCache.h"

#include <QColor>
#include <QPainter>
#include <functional>
#include <memory>
#include <vector>

namespace vantrel::instruments {

namespace baseMapColours {
inline const QColor kSea(150, 196, 232);     // water that still reads as blue in sunlight
inline const QColor kLand(236, 232, 220);    // a light warm grey
inline const QColor kShore(92, 140, 182);
inline const QColor kRiver(86, 150, 212);
inline const QColor kBorder(150, 96, 150);
inline const QColor kTown(60, 60, 60);
inline const QColor kLakeName(30, 80, 140);  // italic names on the lakes' blue
}  // namespace baseMapColours

class BaseMapLayer {
public:
    // On the bundle's base map file, opened at the first frame. redraw is called on the main
    // thread when tiles that were asked for have arrived.
    explicit BaseMapLayer(std::function<void()> redraw);
    ~BaseMapLayer();

    // Another file (tests, tools); null draws no base map.
    void setFile(std::shared_ptr<const basemap::BaseMapFile> file);

    // Draws the fills, lines and town dots of the view around the projection's centre and adds the
    // towns' and the big lakes' names to the placer.
    void draw(QPainter& painter, const MapProjection& map, QSizeF bounds, basemap::LabelPlacer& labels);
    // Draws the towns' and lakes' names the placer kept.
    void drawLabels(QPainter& painter, const basemap::LabelPlacer& labels);

    // Blocks until the tiles asked for are decoded (tools, tests, benchmarks).
    void waitForTiles();

    struct DrawnTown {
        QString name;
        double x = 0, y = 0;  // view points
        int rank = 0;
        bool labelled = false;
        int label = -1;  // the placer's handle
    };
    struct LakeName {
        QString name;
        QPointF at;   // the middle of its largest piece in the view
        double area;  // of that piece, square points
        int rank;
        int label;    // the placer's handle
        bool labelled = false;
    };
    // What the last frame drew: its towns, the lakes it offered to name, and its tiles as
    // "level/col/row".
    const std::vector<DrawnTown>& drawnTowns() const { return towns_; }
    const std::vector<LakeName>& drawnLakes() const { return lakes_; }
    const QStringList& drawnTiles() const { return tiles_; }

    // The highest town rank drawn at a scale: more towns as the map zooms in.
    static int townRankLimit(float scale);

private:
    basemap::TileCache* cache();

    std::function<void()> redraw_;
    bool fileChosen_ = false;
    std::shared_ptr<const basemap::BaseMapFile> file_;
    std::unique_ptr<basemap::TileCache> cache_;
    std::vector<DrawnTown> towns_;
    static constexpr double kLakeNameMinWidth = 60, kLakeNameMinHeight = 18;  // points on the screen
    static constexpr float kLakeNamesBelowScale = 10.0f;                       // points per mile
    std::vector<LakeName> lakes_;
    QStringList tiles_;
    QFont townFont_;
};

}  // namespace vantrel::instruments
