#include "MapBuilder.h"

#include "basemap/BaseMapFormat.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

namespace vantrel::mapbuilder {

using basemap::FeatureKind;

namespace {

struct Pt {
    double x, y;  // longitude, latitude
};
using Path = std::vector<Pt>;

struct SourceFeature {
    FeatureKind kind;
    uint8_t rank;
    std::string name;
    std::vector<Path> parts;  // rings of an area (outer and holes alike), pieces of a line, or one point
};

struct LevelConfig {
    uint32_t degrees;
    float minScale;
    double tolerance;  // degrees, for thinning lines and rings
    int maxRiverRank;  // rivers and lakes above these ranks are left out of the level
    int maxLakeRank;
};
// The finest level for the zoomed-in map, one for the middle scales and one for the whole view at
// scale 1 (320 NM across), each thinned to about half a point at the smallest scale it serves.
constexpr LevelConfig kLevels[] = {
    {1, 12.0f, 0.0003, 99, 99},
    {3, 3.0f, 0.003, 10, 99},
    {9, 0.0f, 0.01, 7, 10},  // the main file's lakes and the largest of the supplements (Neuchatel)
};

struct SourceFile {
    const char* name;
    FeatureKind kind;
};
// The shores are the land's outlines (the coastline file draws the same lines), so that fill and
// shore always meet.
constexpr SourceFile kSources[] = {
    {"ne_10m_land.json", FeatureKind::Land},
    {"ne_10m_lakes.json", FeatureKind::Lake},
    {"ne_10m_lakes_europe.json", FeatureKind::Lake},
    {"ne_10m_lakes_north_america.json", FeatureKind::Lake},
    {"ne_10m_rivers_lake_centerlines.json", FeatureKind::River},
    {"ne_10m_rivers_europe.json", FeatureKind::River},
    {"ne_10m_rivers_north_america.json", FeatureKind::River},
    {"ne_10m_admin_0_boundary_lines_land.json", FeatureKind::Border},
    {"ne_10m_populated_places_simple.json", FeatureKind::Town},
};

// ---- reading GeoJSON

bool readPath(const QJsonArray& coordinates, Path* path) {
    path->reserve(size_t(coordinates.size()));
    for (const QJsonValue& c : coordinates) {
        const QJsonArray pair = c.toArray();
        if (pair.size() < 2 || !pair[0].isDouble() || !pair[1].isDouble()) return false;
        const double x = pair[0].toDouble(), y = pair[1].toDouble();
        // The source's edges of the world lie a rounding error past 180 degrees.
        constexpr double slack = 1e-6;
        if (!(x >= -180.0 - slack && x <= 180.0 + slack && y >= -90.0 - slack && y <= 90.0 + slack)) return false;
        path->push_back({std::clamp(x, -180.0, 180.0), std::clamp(y, -90.0, 90.0)});
    }
    return true;
}

bool readGeometry(const QJsonObject& geometry, FeatureKind kind, std::vector<Path>* parts) {
    const QString type = geometry.value(QLatin1String("type")).toString();
    const QJsonArray coordinates = geometry.value(QLatin1String("coordinates")).toArray();
    const auto readList = [&](const QJsonArray& list) {
        for (const QJsonValue& item : list) {
            Path path;
            if (!readPath(item.toArray(), &path)) return false;
            parts->push_back(std::move(path));
        }
        return true;
    };
    switch (kind) {
    case FeatureKind::Land:
    case FeatureKind::Lake:
        if (type == QLatin1String("Polygon")) return readList(coordinates);
        if (type == QLatin1String("MultiPolygon")) {
            for (const QJsonValue& polygon : coordinates)
                if (!readList(polygon.toArray())) return false;
            return true;
        }
        return false;
    case FeatureKind::River:
    case FeatureKind::Border:
        if (type == QLatin1String("LineString")) {
            Path path;
            if (!readPath(coordinates, &path)) return false;
            parts->push_back(std::move(path));
            return true;
        }
        if (type == QLatin1String("MultiLineString")) return readList(coordinates);
        return false;
    case FeatureKind::Town: {
        if (type != QLatin1String("Point")) return false;
        // A path of one point, [[x, y]]. Built by append: QJsonArray{coordinates} is a copy of
        // [x, y] for one compiler and [[x, y]] for another.
        QJsonArray onePoint;
        onePoint.append(coordinates);
        Path path;
        if (!readPath(onePoint, &path)) return false;
        parts->push_back(std::move(path));
        return true;
    }
    }
    return false;
}

// ---- thinning and clipping

double segmentDistance(const Pt& p, const Pt& a, const Pt& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Douglas-Peucker, with an explicit stack (rings have hundreds of thousands of points).
Path thin(const Path& path, double tolerance) {
    if (tolerance <= 0.0 || path.size() < 3) return path;
    std::vector<char> keep(path.size(), 0);
    keep.front() = keep.back() = 1;
    std::vector<std::pair<size_t, size_t>> stack{{0, path.size() - 1}};
    while (!stack.empty()) {
        const auto [first, last] = stack.back();
        stack.pop_back();
        double worst = -1.0;
        size_t at = first;
        for (size_t i = first + 1; i < last; ++i) {
            const double d = segmentDistance(path[i], path[first], path[last]);
            if (d > worst) worst = d, at = i;
        }
        if (worst > tolerance) {
            keep[at] = 1;
            stack.push_back({first, at});
            stack.push_back({at, last});
        }
    }
    Path out;
    for (size_t i = 0; i < path.size(); ++i)
        if (keep[i]) out.push_back(path[i]);
    return out;
}

// A ring cut to one side of the line x = c (axis 0) or y = c (axis 1): Sutherland-Hodgman, which
// joins the pieces of a concave ring along the line; those joins lie on the tile's edge and are
// drawn as no shore.
Path clipRing(const Path& ring, int axis, double c, bool keepBelow) {
    Path out;
    if (ring.empty()) return out;
    const auto coord = [axis](const Pt& p) { return axis == 0 ? p.x : p.y; };
    const auto inside = [&](const Pt& p) { return keepBelow ? coord(p) <= c : coord(p) >= c; };
    const auto cross = [&](const Pt& a, const Pt& b) {
        const double t = (c - coord(a)) / (coord(b) - coord(a));
        return axis == 0 ? Pt{c, a.y + t * (b.y - a.y)} : Pt{a.x + t * (b.x - a.x), c};
    };
    Pt prev = ring.back();
    bool prevIn = inside(prev);
    for (const Pt& p : ring) {
        const bool in = inside(p);
        if (in != prevIn) out.push_back(cross(prev, p));
        if (in) out.push_back(p);
        prev = p;
        prevIn = in;
    }
    return out;
}

// A line cut to one side: the pieces that lie there.
void clipLine(const Path& line, int axis, double c, bool keepBelow, std::vector<Path>* out) {
    const auto coord = [axis](const Pt& p) { return axis == 0 ? p.x : p.y; };
    const auto inside = [&](const Pt& p) { return keepBelow ? coord(p) <= c : coord(p) >= c; };
    const auto cross = [&](const Pt& a, const Pt& b) {
        const double t = (c - coord(a)) / (coord(b) - coord(a));
        return axis == 0 ? Pt{c, a.y + t * (b.y - a.y)} : Pt{a.x + t * (b.x - a.x), c};
    };
    Path piece;
    for (size_t i = 0; i < line.size(); ++i) {
        const bool in = inside(line[i]);
        if (i > 0 && in != inside(line[i - 1])) {
            const Pt x = cross(line[i - 1], line[i]);
            piece.push_back(x);
            if (!in) {
                if (piece.size() >= 2) out->push_back(std::move(piece));
                piece = {};
            }
        }
        if (in) piece.push_back(line[i]);
    }
    if (piece.size() >= 2) out->push_back(std::move(piece));
}

struct TileFeature {
    const SourceFeature* source;
    std::vector<std::vector<std::array<uint16_t, 2>>> parts;
};

class LevelCutter {
public:
    LevelCutter(const LevelConfig& config) : config_(config), cols_(360 / config.degrees), rows_(180 / config.degrees) {}

    void add(const SourceFeature& feature) {
        if ((feature.kind == FeatureKind::River && feature.rank > config_.maxRiverRank) ||
            (feature.kind == FeatureKind::Lake && feature.rank > config_.maxLakeRank))
            return;
        const bool area = basemap::isArea(feature.kind);
        std::vector<Path> parts;
        for (const Path& part : feature.parts) {
            Path thinned = part;
            if (area && thinned.size() > 1 && thinned.front().x == thinned.back().x && thinned.front().y == thinned.back().y)
                thinned.pop_back();  // rings are closed implicitly
            thinned = thin(thinned, config_.tolerance);
            if (area && tooSmall(thinned)) continue;
            if (thinned.size() >= (area ? 3u : feature.kind == FeatureKind::Town ? 1u : 2u)) parts.push_back(std::move(thinned));
        }
        if (parts.empty()) return;
        double x0 = 180, x1 = -180, y0 = 90, y1 = -90;
        for (const Path& p : parts)
            for (const Pt& q : p) x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
        split(feature, std::move(parts), colOf(x0), colOf(x1), rowOf(y0), rowOf(y1));
    }

    std::map<uint32_t, std::vector<TileFeature>>& tiles() { return tiles_; }

private:
    // A ring less than three tolerances across either way (an islet, a pond) would be a speck of
    // a few pixels at the scales the level serves: it is left out, which keeps the coarse levels'
    // thousands of skerries from costing every frame.
    bool tooSmall(const Path& ring) const {
        double x0 = 180, x1 = -180, y0 = 90, y1 = -90;
        for (const Pt& q : ring) x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
        const double least = 3.0 * config_.tolerance;
        return x1 - x0 < least && y1 - y0 < least;
    }

    int colOf(double x) const { return std::clamp(int(std::floor((x + 180.0) / config_.degrees)), 0, cols_ - 1); }
    int rowOf(double y) const { return std::clamp(int(std::floor((y + 90.0) / config_.degrees)), 0, rows_ - 1); }

    // Halves the block of tiles [c0, c1] x [r0, r1] along its longer side until one tile is left,
    // so that every point is cut about log(tiles) times whatever the feature's size.
    void split(const SourceFeature& f, std::vector<Path> parts, int c0, int c1, int r0, int r1) {
        if (parts.empty()) return;
        if (c0 == c1 && r0 == r1) {
            emitTile(f, parts, c0, r0);
            return;
        }
        const bool byCol = (c1 - c0) >= (r1 - r0);
        const int mid = byCol ? (c0 + c1 + 1) / 2 : (r0 + r1 + 1) / 2;  // first tile of the upper half
        const double c = byCol ? -180.0 + double(mid) * config_.degrees : -90.0 + double(mid) * config_.degrees;
        const int axis = byCol ? 0 : 1;
        std::vector<Path> below, above;
        const bool area = basemap::isArea(f.kind);
        for (const Path& p : parts) {
            if (f.kind == FeatureKind::Town) {
                ((axis == 0 ? p[0].x : p[0].y) < c ? below : above).push_back(p);
            } else if (area) {
                Path a = clipRing(p, axis, c, true), b = clipRing(p, axis, c, false);
                if (a.size() >= 3) below.push_back(std::move(a));
                if (b.size() >= 3) above.push_back(std::move(b));
            } else {
                clipLine(p, axis, c, true, &below);
                clipLine(p, axis, c, false, &above);
            }
        }
        parts.clear();
        parts.shrink_to_fit();
        if (byCol) {
            split(f, std::move(below), c0, mid - 1, r0, r1);
            split(f, std::move(above), mid, c1, r0, r1);
        } else {
            split(f, std::move(below), c0, c1, r0, mid - 1);
            split(f, std::move(above), c0, c1, mid, r1);
        }
    }

    void emitTile(const SourceFeature& f, const std::vector<Path>& parts, int col, int row) {
        const double west = -180.0 + double(col) * config_.degrees, south = -90.0 + double(row) * config_.degrees;
        const double perDegree = double(basemap::kQuantum) / config_.degrees;
        const bool area = basemap::isArea(f.kind);
        TileFeature out{&f, {}};
        for (const Path& p : parts) {
            std::vector<std::array<uint16_t, 2>> q;
            q.reserve(p.size());
            for (const Pt& pt : p) {
                const auto quantise = [&](double v) {
                    return uint16_t(std::clamp(std::lround(v * perDegree), 0L, long(basemap::kQuantum)));
                };
                const std::array<uint16_t, 2> v{quantise(pt.x - west), quantise(pt.y - south)};
                if (q.empty() || q.back() != v) q.push_back(v);
            }
            if (area && q.size() > 1 && q.front() == q.back()) q.pop_back();
            if (q.size() >= (area ? 3u : f.kind == FeatureKind::Town ? 1u : 2u)) out.parts.push_back(std::move(q));
        }
        if (!out.parts.empty()) tiles_[uint32_t(row * cols_ + col)].push_back(std::move(out));
    }

    LevelConfig config_;
    int cols_, rows_;
    std::map<uint32_t, std::vector<TileFeature>> tiles_;
};

// ---- writing

void putU32(QByteArray& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xff));
}
void putU64(QByteArray& out, uint64_t v) {
    putU32(out, uint32_t(v));
    putU32(out, uint32_t(v >> 32));
}
void putVarint(QByteArray& out, uint32_t v) {
    while (v >= 0x80) {
        out.append(char((v & 0x7f) | 0x80));
        v >>= 7;
    }
    out.append(char(v));
}

int drawOrder(FeatureKind kind) { return int(kind); }  // land, lakes, rivers, borders, towns

QByteArray encodeTile(std::vector<TileFeature>& features, LevelStats* stats) {
    std::stable_sort(features.begin(), features.end(), [](const TileFeature& a, const TileFeature& b) {
        return drawOrder(a.source->kind) < drawOrder(b.source->kind);
    });
    QByteArray out;
    putVarint(out, uint32_t(features.size()));
    for (const TileFeature& f : features) {
        out.append(char(uint8_t(f.source->kind)));
        out.append(char(f.source->rank));
        putVarint(out, uint32_t(f.source->name.size()));
        out.append(f.source->name.data(), qsizetype(f.source->name.size()));
        putVarint(out, uint32_t(f.parts.size()));
        for (const auto& part : f.parts) {
            putVarint(out, uint32_t(part.size()));
            int32_t x = 0, y = 0;
            for (const auto& p : part) {
                putVarint(out, basemap::zigzag(int32_t(p[0]) - x));
                putVarint(out, basemap::zigzag(int32_t(p[1]) - y));
                x = p[0];
                y = p[1];
            }
            stats->points += part.size();
        }
        ++stats->features;
    }
    return out;
}

}  // namespace

MapBuildResult buildBaseMap(const QString& sourceDir, const QString& outFile) {
    MapBuildResult result;
    std::vector<SourceFeature> features;
    const QDir dir(sourceDir);
    for (const SourceFile& source : kSources) {
        QFile file(dir.filePath(QLatin1String(source.name)));
        if (!file.open(QIODevice::ReadOnly)) {
            result.skipped << QStringLiteral("%1: missing").arg(QLatin1String(source.name));
            continue;
        }
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
        if (doc.isNull()) {
            result.skipped << QStringLiteral("%1: not JSON (%2 at %3)").arg(QLatin1String(source.name), error.errorString()).arg(error.offset);
            continue;
        }
        const QJsonArray list = doc.object().value(QLatin1String("features")).toArray();
        int index = 0;
        for (const QJsonValue& item : list) {
            const QJsonObject feature = item.toObject();
            const QJsonObject properties = feature.value(QLatin1String("properties")).toObject();
            SourceFeature f{source.kind, 0, {}, {}};
            const double rank = properties.value(QLatin1String("scalerank")).toDouble(-1.0);
            f.rank = uint8_t(std::clamp(rank, 0.0, 255.0));
            if (source.kind != FeatureKind::Land && source.kind != FeatureKind::Border)
                f.name = properties.value(QLatin1String("name")).toString().left(200).toStdString();
            if (!(rank >= 0.0) || !readGeometry(feature.value(QLatin1String("geometry")).toObject(), source.kind, &f.parts)) {
                result.skipped << QStringLiteral("%1: feature %2 has no usable rank or geometry").arg(QLatin1String(source.name)).arg(index);
            } else {
                features.push_back(std::move(f));
            }
            ++index;
        }
    }
    result.sourceFeatures = features.size();
    if (features.empty()) {
        result.error = QStringLiteral("no features read from %1").arg(sourceDir);
        return result;
    }

    // Header, level table, the tiles of every level, then each level's index.
    const uint32_t levelCount = uint32_t(std::size(kLevels));
    QByteArray file;
    file.append(basemap::kMagic, 4);
    putU32(file, basemap::kFormatVersion);
    putU32(file, levelCount);
    putU32(file, 0);
    const qsizetype levelTable = file.size();
    file.append(QByteArray(qsizetype(levelCount * basemap::kLevelRecordSize), '\0'));
    std::vector<QByteArray> indexes;
    for (const LevelConfig& config : kLevels) {
        LevelCutter cutter(config);
        for (const SourceFeature& f : features) cutter.add(f);
        LevelStats stats;
        stats.degrees = config.degrees;
        QByteArray index;
        for (auto& [key, tileFeatures] : cutter.tiles()) {  // by key rising
            const QByteArray bytes = encodeTile(tileFeatures, &stats);
            putU32(index, key);
            putU64(index, uint64_t(file.size()));
            putU32(index, uint32_t(bytes.size()));
            putU32(index, basemap::checksum(reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size())));
            file.append(bytes);
            stats.bytes += size_t(bytes.size());
            ++stats.tiles;
        }
        indexes.push_back(std::move(index));
        result.levels.push_back(stats);
    }
    for (size_t i = 0; i < levelCount; ++i) {
        QByteArray record;
        putU32(record, kLevels[i].degrees);
        uint32_t scaleBits;
        std::memcpy(&scaleBits, &kLevels[i].minScale, 4);
        putU32(record, scaleBits);
        putU64(record, uint64_t(file.size()));
        putU32(record, uint32_t(indexes[i].size() / qsizetype(basemap::kIndexEntrySize)));
        putU32(record, 0);
        file.replace(levelTable + qsizetype(i * basemap::kLevelRecordSize), record.size(), record);
        file.append(indexes[i]);
    }

    QDir().mkpath(QFileInfo(outFile).absolutePath());
    QSaveFile out(outFile);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size() || !out.commit()) {
        result.error = QStringLiteral("cannot write %1: %2").arg(outFile, out.errorString());
        return result;
    }
    result.fileBytes = size_t(file.size());
    result.ok = true;
    return result;
}

}  // namespace vantrel::mapbuilder
