#include "BaseMapLayer.h"

#include "platform/ui/Style.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace vantrel::instruments {

using basemap::FeatureKind;
using basemap::Tile;
namespace colours = baseMapColours;

namespace {

// A tile's points in the view. The map's projection is exact but costs several trigonometric
// functions a point; over a tile it is smooth, so it is taken exactly at a grid of 9 x 9 nodes and
// interpolated bilinearly between them: off by about a tenth of a point at most, where the
// meridians converge fastest over the largest cell a level draws at its largest scale. A tile with a node at the aircraft's antipode projects every point exactly.
class Projector {
public:
    static constexpr int kCells = 8;
    Projector(const MapProjection& map, const Tile& tile, const QRectF& view) : map_(map), tile_(tile), view_(view) {}
    // Whether a part may reach into the view: its box's corners, projected, with a margin for the
    // curvature of its edges and the width of the lines.
    bool mayShow(uint32_t part) const {
        const std::optional<QRectF> box = boxOf(part);
        if (!box) return true;
        const double x0 = box->left(), y0 = box->top(), x1 = box->right(), y1 = box->bottom();
        const double margin = 4.0 + 0.02 * std::max(x1 - x0, y1 - y0);
        return x1 + margin >= view_.left() && x0 - margin <= view_.right() && y1 + margin >= view_.top() &&
               y0 - margin <= view_.bottom();
    }
    // A part's box in the view, through its corners; none where a corner does not project.
    std::optional<QRectF> boxOf(uint32_t part) const {
        const std::array<uint16_t, 4>& b = tile_.partBoxes[part];
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (const std::array<uint16_t, 2> corner : {std::array<uint16_t, 2>{b[0], b[1]}, {b[2], b[1]}, {b[0], b[3]}, {b[2], b[3]}}) {
            const std::optional<QPointF> p = (*this)(corner);
            if (!p) return std::nullopt;
            x0 = std::min(x0, p->x()), y0 = std::min(y0, p->y()), x1 = std::max(x1, p->x()), y1 = std::max(y1, p->y());
        }
        return QRectF(QPointF(x0, y0), QPointF(x1, y1));
    }
    std::optional<QPointF> operator()(const std::array<uint16_t, 2>& p) const {
        if (!ready_) makeGrid();
        if (exact_) return map_.project(tile_.latitude(p[1]), tile_.longitude(p[0]));
        constexpr double perCell = double(basemap::kQuantum) / kCells;
        const double u = p[0] / perCell, v = p[1] / perCell;
        return interpolateGrid(nodes_.data(), kCells, u, v);
    }

private:
    // At the first point asked for: tiles with nothing to draw cost nothing.
    void makeGrid() const {
        ready_ = true;
        const MapProjection& map = map_;
        const Tile& tile = tile_;
        for (int j = 0; j <= kCells && exact_ == false; ++j)
            for (int i = 0; i <= kCells; ++i) {
                const std::optional<QPointF> p = map.project(tile.south + tile.degrees * j / kCells,
                                                             tile.west + tile.degrees * i / kCells);
                if (!p) {
                    exact_ = true;
                    break;
                }
                nodes_[size_t(j * (kCells + 1) + i)] = *p;
            }
    }
    const MapProjection& map_;
    const Tile& tile_;
    QRectF view_;
    mutable bool ready_ = false;
    mutable bool exact_ = false;
    mutable std::array<QPointF, (kCells + 1) * (kCells + 1)> nodes_;
};

bool onTileEdge(const std::array<uint16_t, 2>& a, const std::array<uint16_t, 2>& b) {
    constexpr uint16_t q = uint16_t(basemap::kQuantum);
    return (a[0] == b[0] && (a[0] == 0 || a[0] == q)) || (a[1] == b[1] && (a[1] == 0 || a[1] == q));
}

// The rings of the tile's areas of one kind into a path (the view's fill rule: odd-even, so that
// holes stay holes and the cut edges shared by two tiles cancel).
void addAreas(QPainterPath& path, const Tile& tile, const Projector& project, FeatureKind kind) {
    QPolygonF ring;
    for (const basemap::Feature& f : tile.features) {
        if (f.kind != kind) continue;
        for (uint32_t part = f.firstPart; part < f.firstPart + f.partCount; ++part) {
            if (!project.mayShow(part)) continue;
            ring.clear();
            bool whole = true;
            for (uint32_t i = tile.partStarts[part]; i < tile.partStarts[part + 1]; ++i) {
                const std::optional<QPointF> p = project(tile.points[i]);
                if (!p) {
                    whole = false;
                    break;
                }
                ring.append(*p);
            }
            if (whole && ring.size() >= 3) path.addPolygon(ring), path.closeSubpath();
        }
    }
}

// The tile's rings of one kind as lines, leaving out the edges the cut made along the tile's sides.
void addShores(QPainterPath& path, const Tile& tile, const Projector& project, FeatureKind kind) {
    for (const basemap::Feature& f : tile.features) {
        if (f.kind != kind) continue;
        for (uint32_t part = f.firstPart; part < f.firstPart + f.partCount; ++part) {
            if (!project.mayShow(part)) continue;
            const uint32_t first = tile.partStarts[part], end = tile.partStarts[part + 1];
            ProjectedLine line(path);
            for (uint32_t k = 0; k <= end - first; ++k) {
                const uint32_t i = first + (k % (end - first));
                const uint32_t prev = first + ((k + (end - first) - 1) % (end - first));
                if (k > 0 && onTileEdge(tile.points[prev], tile.points[i])) line.breakLine();
                line.add(project(tile.points[i]));
            }
        }
    }
}

// With pieces, a path that has grown past a few hundred points is moved there after each part: the
// raster engine fills the outline of a wide pen far faster in small pieces than in one.
void addLines(QPainterPath& path, const Tile& tile, const Projector& project, FeatureKind kind, int maxRank,
              std::vector<QPainterPath>* pieces = nullptr) {
    constexpr int kPieceElements = 256;
    for (const basemap::Feature& f : tile.features) {
        if (f.kind != kind || f.rank > maxRank) continue;
        for (uint32_t part = f.firstPart; part < f.firstPart + f.partCount; ++part) {
            if (pieces && path.elementCount() >= kPieceElements) pieces->push_back(std::exchange(path, QPainterPath()));
            if (!project.mayShow(part)) continue;
            ProjectedLine line(path);
            for (uint32_t i = tile.partStarts[part]; i < tile.partStarts[part + 1]; ++i) line.add(project(tile.points[i]));
        }
    }
}

// The tile's own square, for the sea under its land.
void addTileSquare(QPainterPath& path, const Tile& tile, const MapProjection& map) {
    QPolygonF square;
    const double w = tile.west, s = tile.south, d = tile.degrees;
    for (const auto& [lat, lon] : {std::pair{s, w}, {s, w + d}, {s + d, w + d}, {s + d, w}}) {
        const std::optional<QPointF> p = map.project(lat, lon);
        if (!p) return;
        square.append(*p);
    }
    path.addPolygon(square);
    path.closeSubpath();
}

}  // namespace

BaseMapLayer::BaseMapLayer(std::function<void()> redraw)
    : redraw_(std::move(redraw)), townFont_(platform::ui::style::font(11)) {}

BaseMapLayer::~BaseMapLayer() = default;

void BaseMapLayer::setFile(std::shared_ptr<const basemap::BaseMapFile> file) {
    cache_.reset();
    file_ = std::move(file);
    fileChosen_ = true;
}

basemap::TileCache* BaseMapLayer::cache() {
    if (!fileChosen_) {
        file_ = basemap::TileCache::bundleFile();
        fileChosen_ = true;
    }
    if (!file_) return nullptr;
    if (!cache_) cache_ = std::make_unique<basemap::TileCache>(file_, redraw_);
    return cache_.get();
}

void BaseMapLayer::waitForTiles() {
    if (cache_) cache_->waitUntilIdle();
}

int BaseMapLayer::townRankLimit(float scale) {
    if (scale < 2.0f) return 4;
    if (scale < 6.0f) return 7;
    if (scale < 15.0f) return 8;
    return 10;
}

void BaseMapLayer::draw(QPainter& painter, const MapProjection& map, QSizeF bounds, basemap::LabelPlacer& labels) {
    towns_.clear();
    tiles_.clear();
    basemap::TileCache* tiles = cache();
    if (!tiles) return;
    const basemap::BaseMapFile& file = *tiles->file();
    // Every tile that reaches into the view: the circle about the aircraft through the view's
    // farthest corner.
    const QPointF c = map.centre();
    const double farX = std::max(c.x(), bounds.width() - c.x()), farY = std::max(c.y(), bounds.height() - c.y());
    const double radius = std::hypot(farX, farY) / double(map.scale()) + 1.0;
    const int levelIndex = file.levelForScale(map.scale());
    const std::vector<basemap::TileKey> wanted =
        basemap::tilesAround(file.levels()[size_t(levelIndex)], uint8_t(levelIndex), map.latitude(), map.longitude(), radius);
    std::vector<std::shared_ptr<const Tile>> ready = tiles->request(wanted);
    std::vector<std::shared_ptr<const Tile>> fallback;
    if (ready.size() < wanted.size()) {
        // Until the level's tiles arrive, the coarsest level's (few, and kept warm this way).
        const int coarse = file.levelForScale(0.0f);
        if (coarse != levelIndex) {
            std::vector<basemap::TileKey> keys = basemap::tilesAround(file.levels()[size_t(coarse)], uint8_t(coarse),
                                                                      map.latitude(), map.longitude(), radius);
            keys.insert(keys.end(), wanted.begin(), wanted.end());  // still asked for, after these
            fallback = tiles->request(keys);
            std::erase_if(fallback, [&](const auto& t) { return t->key.level != coarse; });
        }
    }

    const QRectF view(QPointF(0, 0), bounds);
    painter.save();
    // The fills without antialiasing: two tiles' fills then meet without a seam.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    for (const std::vector<std::shared_ptr<const Tile>>* set : {&fallback, &ready}) {
        if (set->empty()) continue;
        QPainterPath sea, land, lakes;
        sea.setFillRule(Qt::WindingFill);
        land.setFillRule(Qt::OddEvenFill);
        lakes.setFillRule(Qt::OddEvenFill);
        for (const auto& tile : *set) {
            const Projector project(map, *tile, view);
            addTileSquare(sea, *tile, map);
            addAreas(land, *tile, project, FeatureKind::Land);
            addAreas(lakes, *tile, project, FeatureKind::Lake);
        }
        painter.fillPath(sea, colours::kSea);
        painter.fillPath(land, colours::kLand);
        painter.fillPath(lakes, colours::kSea);
    }
    for (const auto& tile : ready)
        tiles_ << QStringLiteral("%1/%2/%3").arg(tile->key.level).arg(tile->key.col).arg(tile->key.row);

    // The lines, antialiased.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    const int riverRank = map.scale() < 2.0f ? 6 : map.scale() < 6.0f ? 9 : 99;
    QPainterPath shores, rivers, borders;
    std::vector<QPainterPath> borderPieces;
    for (const auto& tile : ready) {
        const Projector project(map, *tile, view);
        addShores(shores, *tile, project, FeatureKind::Land);
        addShores(shores, *tile, project, FeatureKind::Lake);
        addLines(rivers, *tile, project, FeatureKind::River, riverRank);
        addLines(borders, *tile, project, FeatureKind::Border, 99, &borderPieces);
    }
    // Cosmetic pens (widths in pixels). One pixel wide, the raster engine draws the segments
    // directly; any wider it first outlines the whole path, which for the thousands of segments of
    // a coast zoomed out took 20 ms of a frame. The shores and the rivers zoomed out are therefore
    // one pixel wide (the fill's edge already draws the shore); the few rivers and borders zoomed
    // in are wider.
    const double pixels = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const auto pen = [pixels](const QColor& colour, double points) {
        QPen p(colour, points * pixels);
        p.setCosmetic(true);
        return p;
    };
    painter.strokePath(rivers, map.scale() < 10.0f ? QPen(colours::kRiver, 0) : pen(colours::kRiver, 1.5));
    painter.strokePath(shores, QPen(colours::kShore, 0));
    QPen borderPen = pen(colours::kBorder, 1.5);
    borderPen.setStyle(Qt::DashLine);
    borderPen.setCapStyle(Qt::FlatCap);
    borderPen.setDashPattern({4.0 / 1.5, 3.0 / 1.5});  // in pen widths
    borderPieces.push_back(std::move(borders));
    for (const QPainterPath& piece : borderPieces)
        if (!piece.isEmpty()) painter.strokePath(piece, borderPen);

    // The towns: a dot each, the name offered to the declutter pass.
    const int rankLimit = townRankLimit(map.scale());
    const QFontMetricsF metrics(townFont_);
    const QRectF& visible = view;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colours::kTown);
    for (const auto& tile : ready) {
        for (const basemap::Feature& f : tile->features) {
            if (f.kind != FeatureKind::Town || f.rank > rankLimit) continue;
            const std::optional<QPointF> at = map.project(tile->latitude(tile->points[tile->partStarts[f.firstPart]][1]), tile->longitude(tile->points[tile->partStarts[f.firstPart]][0]));
            if (!at || !visible.contains(*at)) continue;
            const double r = f.rank <= 3 ? 3.0 : 2.0;
            painter.drawEllipse(*at, r, r);
            DrawnTown town{QString::fromStdString(f.name), at->x(), at->y(), f.rank};
            const QRectF box = metrics.boundingRect(town.name).translated(at->x() + r + 2.0, at->y() + metrics.ascent() * 0.5 - 1.0);
            // A name that would run off the map is not offered: the dot alone.
            if (view.contains(box)) town.label = labels.add(box.adjusted(-1, -1, 1, 1), basemap::labelPriority::kTown + f.rank);
            towns_.push_back(std::move(town));
        }
    }
    // The big lakes' names, at low priority and zoomed out (zoomed in, the lake's shape is plain to
    // see): a lake cut into tiles is named once, at the middle of its largest piece in the view, when
    // that piece is wide enough on the screen to hold a name.
    lakes_.clear();
    const bool lakeNames = map.scale() < kLakeNamesBelowScale;
    QFont lakeFont = townFont_;
    lakeFont.setItalic(true);
    const QFontMetricsF lakeMetrics(lakeFont);
    for (const auto& tile : lakeNames ? ready : std::vector<std::shared_ptr<const Tile>>()) {
        const Projector project(map, *tile, view);
        for (const basemap::Feature& f : tile->features) {
            if (f.kind != FeatureKind::Lake || f.name.empty()) continue;
            QRectF piece;
            for (uint32_t part = f.firstPart; part < f.firstPart + f.partCount; ++part)
                if (const std::optional<QRectF> box = project.boxOf(part)) piece |= *box & view;
            if (piece.width() < kLakeNameMinWidth || piece.height() < kLakeNameMinHeight) continue;
            const QString name = QString::fromStdString(f.name);
            auto same = std::find_if(lakes_.begin(), lakes_.end(), [&](const LakeName& l) { return l.name == name; });
            const double area = piece.width() * piece.height();
            if (same != lakes_.end() && same->area >= area) continue;
            LakeName lake{name, piece.center(), area, f.rank, -1};
            if (same != lakes_.end()) *same = lake;
            else lakes_.push_back(lake);
        }
    }
    for (LakeName& lake : lakes_) {
        const double width = lakeMetrics.horizontalAdvance(lake.name);
        const QRectF box(lake.at.x() - width / 2, lake.at.y() - lakeMetrics.height() / 2, width, lakeMetrics.height());
        if (view.contains(box)) lake.label = labels.add(box.adjusted(-1, -1, 1, 1), basemap::labelPriority::kLake + lake.rank);
    }
    painter.restore();
}

void BaseMapLayer::drawLabels(QPainter& painter, const basemap::LabelPlacer& labels) {
    painter.save();
    painter.setFont(townFont_);
    const QFontMetricsF metrics(townFont_);
    for (DrawnTown& town : towns_) {
        town.labelled = labels.placed(town.label);
        if (!town.labelled) continue;
        const double r = town.rank <= 3 ? 3.0 : 2.0;
        const QPointF at(town.x + r + 2.0, town.y + metrics.ascent() * 0.5 - 1.0);
        // A light halo keeps the name legible over rivers and borders.
        painter.setPen(QColor(255, 255, 255, 200));
        for (const QPointF d : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)}) painter.drawText(at + d, town.name);
        painter.setPen(colours::kTown);
        painter.drawText(at, town.name);
    }
    QFont lakeFont = townFont_;
    lakeFont.setItalic(true);
    painter.setFont(lakeFont);
    painter.setPen(colours::kLakeName);
    for (LakeName& lake : lakes_)
        if ((lake.labelled = labels.placed(lake.label)))
            painter.drawText(QRectF(lake.at.x() - 200, lake.at.y() - 20, 400, 40), Qt::AlignCenter, lake.name);
    painter.restore();
}

}  // namespace vantrel::instruments
