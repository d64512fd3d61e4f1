#include "BaseMapFile.h"

#include "platform/core/Log.h"

#include <algorithm>
#include <cmath>

namespace vantrel::basemap {

namespace {

// Bounds on what one tile may hold, so that damaged counts cannot ask for huge allocations: every
// point takes at least two bytes, every part and feature at least one.
constexpr uint32_t kMaxNameBytes = 1024;

}  // namespace

size_t Tile::byteSize() const {
    size_t names = 0;
    for (const Feature& f : features) names += f.name.capacity();
    return sizeof(Tile) + features.capacity() * sizeof(Feature) + partStarts.capacity() * sizeof(uint32_t) + partBoxes.capacity() * sizeof(partBoxes[0]) +
           points.capacity() * sizeof(points[0]) + names;
}

std::optional<Tile> decodeTile(const TileKey& key, const Level& level, const unsigned char* data, size_t size,
                               QString* problem) {
    Tile tile;
    tile.key = key;
    tile.degrees = level.degrees;
    tile.west = -180.0 + double(key.col) * level.degrees;
    tile.south = -90.0 + double(key.row) * level.degrees;
    tile.partStarts.push_back(0);
    if (size == 0) return tile;
    ByteReader in(data, size);
    const uint32_t featureCount = in.varint();
    if (in.failed() || featureCount > size) {
        *problem = QStringLiteral("bad feature count");
        return std::nullopt;
    }
    tile.features.reserve(featureCount);
    for (uint32_t i = 0; i < featureCount; ++i) {
        Feature f;
        const uint8_t kind = in.u8();
        f.rank = in.u8();
        const uint32_t nameBytes = in.varint();
        if (in.failed() || !validKind(kind) || nameBytes > kMaxNameBytes) {
            *problem = QStringLiteral("feature %1 of %2: bad kind or name").arg(i).arg(featureCount);
            return std::nullopt;
        }
        f.kind = FeatureKind(kind);
        f.name = std::string(in.bytes(nameBytes));
        f.partCount = in.varint();
        f.firstPart = uint32_t(tile.partStarts.size() - 1);
        if (in.failed() || f.partCount > in.remaining()) {
            *problem = QStringLiteral("feature %1: bad part count").arg(i);
            return std::nullopt;
        }
        for (uint32_t p = 0; p < f.partCount; ++p) {
            const uint32_t n = in.varint();
            if (in.failed() || n > in.remaining() / 2 || n == 0) {
                *problem = QStringLiteral("feature %1 part %2: bad point count").arg(i).arg(p);
                return std::nullopt;
            }
            int32_t x = 0, y = 0;
            std::array<uint16_t, 4> box{uint16_t(kQuantum), uint16_t(kQuantum), 0, 0};
            for (uint32_t k = 0; k < n; ++k) {
                x += unzigzag(in.varint());
                y += unzigzag(in.varint());
                if (x < 0 || y < 0 || uint32_t(x) > kQuantum || uint32_t(y) > kQuantum) {
                    *problem = QStringLiteral("feature %1 part %2: point outside the tile").arg(i).arg(p);
                    return std::nullopt;
                }
                tile.points.push_back({uint16_t(x), uint16_t(y)});
                box = {std::min(box[0], uint16_t(x)), std::min(box[1], uint16_t(y)), std::max(box[2], uint16_t(x)),
                       std::max(box[3], uint16_t(y))};
            }
            if (in.failed()) {
                *problem = QStringLiteral("feature %1 part %2: cut short").arg(i).arg(p);
                return std::nullopt;
            }
            tile.partStarts.push_back(uint32_t(tile.points.size()));
            tile.partBoxes.push_back(box);
        }
        if ((f.kind == FeatureKind::Town && (f.partCount != 1 || tile.points.size() - tile.partStarts[f.firstPart] != 1))) {
            *problem = QStringLiteral("feature %1: a town is one point").arg(i);
            return std::nullopt;
        }
        tile.features.push_back(std::move(f));
    }
    if (!in.atEnd()) {
        *problem = QStringLiteral("%1 bytes after the last feature").arg(in.remaining());
        return std::nullopt;
    }
    return tile;
}

BaseMapFile::~BaseMapFile() = default;

std::shared_ptr<const BaseMapFile> BaseMapFile::open(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        platform::logLine(QStringLiteral("The base map %1 cannot be opened (%2): the map is drawn without it")
                              .arg(path, file->errorString()));
        return nullptr;
    }
    const qint64 size = file->size();
    uchar* mapped = size > 0 ? file->map(0, size) : nullptr;
    if (!mapped) {
        platform::logLine(QStringLiteral("The base map %1 cannot be mapped (%2 bytes): the map is drawn without it")
                              .arg(path).arg(size));
        return nullptr;
    }
    std::shared_ptr<BaseMapFile> result(new BaseMapFile);
    result->path_ = path;
    result->file_ = std::move(file);
    result->data_ = mapped;
    result->size_ = size_t(size);
    QString problem;
    if (!result->parse(&problem)) {
        platform::logLine(QStringLiteral("The base map %1 is damaged (%2): the map is drawn without it").arg(path, problem));
        return nullptr;
    }
    return result;
}

std::shared_ptr<const BaseMapFile> BaseMapFile::fromBytes(const unsigned char* data, size_t size, const QString& name,
                                                          QString* problem) {
    std::shared_ptr<BaseMapFile> result(new BaseMapFile);
    result->path_ = name;
    result->data_ = data;
    result->size_ = size;
    if (!result->parse(problem)) return nullptr;
    return result;
}

bool BaseMapFile::parse(QString* problem) {
    ByteReader in(data_, size_);
    const std::string_view magic = in.bytes(4);
    if (in.failed() || magic != std::string_view(kMagic, 4)) {
        *problem = QStringLiteral("not a base map file");
        return false;
    }
    const uint32_t version = in.u32();
    const uint32_t levelCount = in.u32();
    in.u32();
    if (in.failed() || version != kFormatVersion) {
        *problem = QStringLiteral("version %1, expected %2").arg(version).arg(kFormatVersion);
        return false;
    }
    if (levelCount == 0 || levelCount > kMaxLevels) {
        *problem = QStringLiteral("%1 levels").arg(levelCount);
        return false;
    }
    for (uint32_t i = 0; i < levelCount; ++i) {
        Level level;
        level.degrees = in.u32();
        level.minScale = in.f32();
        level.indexOffset = in.u64();
        level.entries = in.u32();
        in.u32();
        if (in.failed()) {
            *problem = QStringLiteral("cut short in the level table");
            return false;
        }
        if (level.degrees == 0 || 180 % level.degrees != 0 || !(level.minScale >= 0.0f) ||
            level.entries > level.cols() * level.rows()) {
            *problem = QStringLiteral("level %1 has %2 degree tiles, %3 listed").arg(i).arg(level.degrees).arg(level.entries);
            return false;
        }
        const uint64_t indexBytes = uint64_t(level.entries) * kIndexEntrySize;
        if (level.indexOffset > size_ || indexBytes > size_ - level.indexOffset) {
            *problem = QStringLiteral("level %1's index lies outside the file").arg(i);
            return false;
        }
        // Keys rising and inside the grid, every tile's bytes inside the file.
        int64_t previous = -1;
        for (uint32_t t = 0; t < level.entries; ++t) {
            ByteReader entry(data_ + level.indexOffset + uint64_t(t) * kIndexEntrySize, kIndexEntrySize);
            const uint32_t key = entry.u32();
            const uint64_t offset = entry.u64();
            const uint32_t length = entry.u32();
            if (int64_t(key) <= previous || key >= level.cols() * level.rows()) {
                *problem = QStringLiteral("level %1's index is out of order at entry %2").arg(i).arg(t);
                return false;
            }
            previous = key;
            if (offset > size_ || length > size_ - offset) {
                *problem = QStringLiteral("level %1 tile %2 lies outside the file").arg(i).arg(key);
                return false;
            }
        }
        levels_.push_back(level);
    }
    return true;
}

int BaseMapFile::levelForScale(float scale) const {
    int best = -1;
    float bestMin = -1.0f;
    int coarsest = 0;
    for (size_t i = 0; i < levels_.size(); ++i) {
        if (levels_[i].minScale <= scale && levels_[i].minScale > bestMin) {
            best = int(i);
            bestMin = levels_[i].minScale;
        }
        if (levels_[i].degrees > levels_[size_t(coarsest)].degrees) coarsest = int(i);
    }
    return best >= 0 ? best : coarsest;
}

const unsigned char* BaseMapFile::indexEntry(const TileKey& key) const {
    if (key.level >= levels_.size()) return nullptr;
    const Level& level = levels_[key.level];
    if (key.col >= level.cols() || key.row >= level.rows()) return nullptr;
    const uint32_t wanted = uint32_t(key.row) * level.cols() + key.col;
    const unsigned char* base = data_ + level.indexOffset;
    const auto keyAt = [base](uint32_t i) {
        ByteReader in(base + uint64_t(i) * kIndexEntrySize, 4);
        return in.u32();
    };
    uint32_t lo = 0, hi = level.entries;
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (keyAt(mid) < wanted) lo = mid + 1;
        else hi = mid;
    }
    if (lo == level.entries || keyAt(lo) != wanted) return nullptr;
    return base + uint64_t(lo) * kIndexEntrySize + 4;
}

uint32_t BaseMapFile::tileLength(const TileKey& key) const {
    const unsigned char* entry = indexEntry(key);
    if (!entry) return 0;
    ByteReader in(entry, kIndexEntrySize - 4);
    in.u64();
    return in.u32();
}

std::optional<Tile> BaseMapFile::readTile(const TileKey& key, QString* problem) const {
    if (key.level >= levels_.size() || key.col >= levels_[key.level].cols() || key.row >= levels_[key.level].rows()) {
        *problem = QStringLiteral("no such tile");
        return std::nullopt;
    }
    const Level& level = levels_[key.level];
    const unsigned char* entry = indexEntry(key);
    if (!entry) return decodeTile(key, level, nullptr, 0, problem);  // nothing there
    ByteReader in(entry, kIndexEntrySize - 4);
    const uint64_t offset = in.u64();
    const uint32_t length = in.u32();
    const uint32_t sum = in.u32();
    if (length == 0) return decodeTile(key, level, nullptr, 0, problem);
    if (checksum(data_ + offset, length) != sum) {
        *problem = QStringLiteral("checksum mismatch");
        return std::nullopt;
    }
    return decodeTile(key, level, data_ + offset, length, problem);
}

std::optional<Tile> BaseMapFile::readTile(const TileKey& key) const {
    QString problem;
    std::optional<Tile> tile = readTile(key, &problem);
    if (!tile) {
        const Level* level = key.level < levels_.size() ? &levels_[key.level] : nullptr;
        const double deg = level ? level->degrees : 1.0;
        platform::logLine(QStringLiteral("The base map tile %1/%2/%3 (%4 %5, %6 %7) of %8 does not decode: %9")
                              .arg(key.level).arg(key.col).arg(key.row)
                              .arg(std::abs(-90.0 + key.row * deg)).arg(-90.0 + key.row * deg < 0 ? "S" : "N")
                              .arg(std::abs(-180.0 + key.col * deg)).arg(-180.0 + key.col * deg < 0 ? "W" : "E")
                              .arg(path_, problem));
    }
    return tile;
}

std::vector<TileKey> tilesAround(const Level& level, uint8_t levelIndex, double latitude, double longitude,
                                 double radiusNM, size_t maxTiles) {
    std::vector<TileKey> keys;
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || !(radiusNM >= 0.0)) return keys;
    const double deg = level.degrees;
    const double dLat = radiusNM / 60.0;
    const double south = std::max(-90.0, latitude - dLat), north = std::min(90.0, latitude + dLat);
    const int rowLo = std::clamp(int(std::floor((south + 90.0) / deg)), 0, int(level.rows()) - 1);
    const int rowHi = std::clamp(int(std::floor((north + 90.0) / deg)), 0, int(level.rows()) - 1);
    // The widest a parallel in the band gets: the one nearest a pole. Over a pole, every longitude.
    const double maxAbsLat = std::max(std::abs(south), std::abs(north));
    const double cosLat = std::cos(maxAbsLat * M_PI / 180.0);
    const bool allLongitudes = latitude + dLat >= 90.0 || latitude - dLat <= -90.0 || cosLat < 1e-6 ||
                               radiusNM / (60.0 * cosLat) >= 180.0;
    const int cols = int(level.cols());
    int colLo = 0, colHi = cols - 1;
    if (!allLongitudes) {
        const double dLon = radiusNM / (60.0 * cosLat);
        colLo = int(std::floor((longitude - dLon + 180.0) / deg));
        colHi = int(std::floor((longitude + dLon + 180.0) / deg));
        if (colHi - colLo + 1 >= cols) colLo = 0, colHi = cols - 1;
    }
    for (int row = rowLo; row <= rowHi; ++row) {
        for (int c = colLo; c <= colHi; ++c) {
            if (keys.size() >= maxTiles) return keys;
            const int col = ((c % cols) + cols) % cols;  // across the 180th meridian
            keys.push_back({levelIndex, uint16_t(col), uint16_t(row)});
        }
    }
    return keys;
}

}  // namespace vantrel::basemap
