#pragma once
// The base map builder: the Natural Earth GeoJSON files (land, lakes, rivers, borders on land,
// populated places) in, the bundle's tiled base map file out (layout in basemap/BaseMapFormat.h
// and data/README.md). Each level cuts the world into square tiles (1, 3 and 9 degrees), the finer
// levels for the larger scales; lines and rings are thinned for the coarser levels, clipped to
// their tiles and their coordinates quantised within the tile.
//
// Threads: any; a build uses only its own data.

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel::mapbuilder {

struct LevelStats {
    uint32_t degrees = 0;
    size_t tiles = 0;      // tiles with something in them
    size_t features = 0;   // feature pieces over all tiles
    size_t points = 0;
    size_t bytes = 0;
};

struct MapBuildResult {
    bool ok = false;
    QString error;        // why it failed
    QStringList skipped;  // features that could not be read, one line each
    size_t sourceFeatures = 0;
    std::vector<LevelStats> levels;
    size_t fileBytes = 0;
};

// Reads every known file found in sourceDir (each is optional; a missing one is noted in skipped)
// and writes outFile atomically.
MapBuildResult buildBaseMap(const QString& sourceDir, const QString& outFile);

}  // namespace vantrel::mapbuilder
