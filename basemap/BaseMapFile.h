#pragma once
// The reader of the bundle's base map file: the header and the tile index are checked when the
// file is opened (memory-mapped, so that only the tiles the map reads are paged in); a tile is
// decoded on demand. A file that does not open or whose header or index is damaged gives no
// BaseMapFile, and a tile that does not decode gives nothing: each logs one line naming the file or
// the tile, and the map draws without it.
//
// Ownership: a BaseMapFile owns its mapping; decoded tiles are values of their own (shared, never
// changed). Threads: open on any thread; a BaseMapFile is immutable after it is made, so any
// thread may decode tiles from it at the same time.

#include "BaseMapFormat.h"

#include <QFile>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::basemap {

struct TileKey {
    uint8_t level = 0;
    uint16_t col = 0;  // west to east from 180 W
    uint16_t row = 0;  // south to north from 90 S
    bool operator==(const TileKey&) const = default;
    uint64_t packed() const { return uint64_t(level) << 32 | uint64_t(row) << 16 | col; }
};

struct Level {
    uint32_t degrees = 1;  // a tile's side
    float minScale = 0;    // the map uses this level from this scale (points per NM) up
    uint64_t indexOffset = 0;
    uint32_t entries = 0;  // tiles listed in the index
    uint32_t cols() const { return 360 / degrees; }
    uint32_t rows() const { return 180 / degrees; }
};

struct Feature {
    FeatureKind kind = FeatureKind::Land;
    uint8_t rank = 0;  // lower is more important (the source's scale rank)
    std::string name;  // UTF-8; empty for none
    uint32_t firstPart = 0;
    uint32_t partCount = 0;
};

// One decoded tile: features whose parts (rings of an area, pieces of a line, a town's single
// point) index into one array of quantised points.
struct Tile {
    TileKey key;
    double west = 0, south = 0, degrees = 1;
    std::vector<Feature> features;
    std::vector<uint32_t> partStarts;  // partCount + 1 entries overall: part i is [partStarts[i], partStarts[i+1])
    std::vector<std::array<uint16_t, 2>> points;  // x east, y north, 0..kQuantum across the tile
    std::vector<std::array<uint16_t, 4>> partBoxes;  // each part's west, south, east, north, so that
                                                     // the map skips parts outside the view

    double longitude(uint16_t x) const { return west + degrees * double(x) / kQuantum; }
    double latitude(uint16_t y) const { return south + degrees * double(y) / kQuantum; }
    size_t byteSize() const;
};

// Decodes a tile's payload. Nothing (and *problem set) for bytes that do not decode.
std::optional<Tile> decodeTile(const TileKey& key, const Level& level, const unsigned char* data, size_t size,
                               QString* problem);

class BaseMapFile {
public:
    // Opens and checks a file; nothing, with one log line naming it, when it is missing or damaged.
    static std::shared_ptr<const BaseMapFile> open(const QString& path);
    // The same checks on bytes in memory (the fuzz target); the bytes must outlive the result.
    static std::shared_ptr<const BaseMapFile> fromBytes(const unsigned char* data, size_t size, const QString& name,
                                                        QString* problem);

    const QString& path() const { return path_; }
    size_t fileSize() const { return size_; }
    const std::vector<Level>& levels() const { return levels_; }
    // The index of the most detailed level meant for this scale (the coarsest below every level's
    // minimum).
    int levelForScale(float scale) const;
    // How many bytes the tile has in the file (0: nothing there, open sea or empty land).
    uint32_t tileLength(const TileKey& key) const;
    // The tile decoded, or nothing: empty tiles give an empty Tile, damaged ones nothing with one log
    // line naming the tile.
    std::optional<Tile> readTile(const TileKey& key) const;
    // Same without the log line, the reason in *problem (the checks and the fuzz target).
    std::optional<Tile> readTile(const TileKey& key, QString* problem) const;

    BaseMapFile(const BaseMapFile&) = delete;
    BaseMapFile& operator=(const BaseMapFile&) = delete;
    ~BaseMapFile();

private:
    BaseMapFile() = default;
    bool parse(QString* problem);
    const unsigned char* indexEntry(const TileKey& key) const;

    QString path_;
    std::unique_ptr<QFile> file_;  // mapped, when read from a file
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
    std::vector<Level> levels_;
};

// The tiles of a level that cover the disc of the radius (nautical miles) about a position,
// across the 180th meridian and over the poles; at most maxTiles (the nearest rows first are not
// kept apart: a request that would need more gives the level's whole rows it touches, cut there).
std::vector<TileKey> tilesAround(const Level& level, uint8_t levelIndex, double latitude, double longitude,
                                 double radiusNM, size_t maxTiles = 4096);

}  // namespace vantrel::basemap
