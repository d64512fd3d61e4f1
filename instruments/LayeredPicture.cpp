#include "LayeredPicture.h"

#include "platform/core/Log.h"
#include "platform/ui/PictureMemory.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace vantrel::instruments {

namespace {

// The kept pieces of the layers above a turned rest are cut in tiles of this many device pixels.
constexpr int kTile = 16;

// The splits made, by the image's pixmap: once per image and scale (each a pixmap of its own).
QHash<qint64, std::shared_ptr<const TurnedArtwork>>& splits() {
    static QHash<qint64, std::shared_ptr<const TurnedArtwork>> known;
    return known;
}

std::shared_ptr<const TurnedArtwork> splitOf(const QPixmap& pixmap, const QRectF& source, const QRectF& place,
                                             const QSizeF& size) {
    QHash<qint64, std::shared_ptr<const TurnedArtwork>>& known = splits();
    const auto it = known.constFind(pixmap.cacheKey());
    if (it != known.constEnd()) return *it;
    const qreal ratio = pixmap.devicePixelRatio();
    QImage pixels = pixmap.toImage();
    const QRect part = QRectF(source.topLeft() * ratio, source.size() * ratio).toAlignedRect();
    if (part != pixels.rect()) pixels = pixels.copy(part);
    std::shared_ptr<const TurnedArtwork> art = TurnedArtwork::split(pixels, place, size, ratio);
    if (!art)
        platform::logLine(QStringLiteral("A turned image of %1 x %2 points has no part that every turn leaves as it is; "
                                         "it is drawn whole at each turn")
                              .arg(size.width())
                              .arg(size.height()));
    known.insert(pixmap.cacheKey(), art);
    return art;
}

bool sameFrame(const LayeredPicture::Frame& a, const LayeredPicture::Frame& b) {
    return a.size == b.size && a.scale == b.scale && a.background == b.background && a.navIsValid == b.navIsValid &&
           a.hints == b.hints;
}

// Whether the tile (device pixels) has a pixel within one of the rings (centre, inner and outer
// radius, device pixels).
bool reaches(const QRect& tile, const std::vector<std::array<double, 4>>& rings) {
    for (const auto& [cx, cy, inner, outer] : rings) {
        const double left = tile.left(), right = tile.left() + tile.width(), top = tile.top(), bottom = tile.top() + tile.height();
        const double dx = std::max({left - cx, 0.0, cx - right}), dy = std::max({top - cy, 0.0, cy - bottom});
        const double fx = std::max(std::abs(left - cx), std::abs(right - cx)), fy = std::max(std::abs(top - cy), std::abs(bottom - cy));
        if (std::sqrt(dx * dx + dy * dy) <= outer && std::sqrt(fx * fx + fy * fy) >= inner) return true;
    }
    return false;
}

// Whether the tile has nothing drawn where one of the rings reaches.
bool blankWithin(const QImage& image, const QRect& tile, const std::vector<std::array<double, 4>>& rings) {
    for (int y = tile.top(); y <= tile.bottom(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = tile.left(); x <= tile.right(); ++x) {
            if (line[x] == 0) continue;
            for (const auto& [cx, cy, inner, outer] : rings) {
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy, r = std::sqrt(dx * dx + dy * dy);
                if (r >= inner - 1.0 && r <= outer + 1.0) return false;
            }
        }
    }
    return true;
}

}  // namespace

void LayeredPicture::draw(QPainter& painter, const Frame& frame, const std::function<void(QPainter&)>& layers) {
    if ((frame.size * frame.scale).toSize().isEmpty()) return;  // no frame yet: nothing to show
    // The turns of this frame: the layers run once, onto a pixel that keeps nothing.
    if (probe_.isNull() || probe_.devicePixelRatio() != frame.scale) {
        probe_ = QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
        probe_.setDevicePixelRatio(frame.scale);
    }
    learnt_.clear();
    {
        QPainter learn(&probe_);
        mode_ = Mode::Learn;
        layers(learn);
        mode_ = Mode::Off;
    }
    if (base_.isNull() || !sameFrame(baseFrame_, frame) || !(baseTurned_ == learnt_)) rebuildBase(frame, layers);

    std::vector<double> turns;
    for (const Turned& t : learnt_)
        if (t.art) turns.push_back(t.degrees);
    lastFrameKept_ = true;
    if (turns.empty()) {
        drawWhole(painter, base_);
    } else if (!whole_.isNull() && turns == wholeTurns_) {
        drawWhole(painter, whole_);
    } else if (turns == lastTurns_) {
        // Held still for a second frame: the whole picture at these turns serves the next frames.
        if (whole_.size() != base_.size() || whole_.format() != base_.format()) {
            whole_ = platform::ui::newPicture(base_.size(), base_.format(), frame.scale);
        }
        QPainter whole(&whole_);
        whole.setCompositionMode(QPainter::CompositionMode_Source);
        whole.drawImage(QPointF(0, 0), base_);
        whole.setCompositionMode(QPainter::CompositionMode_SourceOver);
        whole.setRenderHints(frame.hints);
        drawTurning(whole, turns);
        whole.end();
        wholeTurns_ = turns;
        drawWhole(painter, whole_);
    } else {
        lastFrameKept_ = false;
        drawWhole(painter, base_);
        drawTurning(painter, turns);
    }
    lastTurns_ = std::move(turns);
}

void LayeredPicture::clear() {
    base_ = QImage();
    whole_ = QImage();
    layers_.clear();
    baseTurned_.clear();
    wholeTurns_.clear();
    lastTurns_.clear();
    probe_ = QImage();
}

qsizetype LayeredPicture::bytes() const {
    qsizetype total = base_.sizeInBytes() + whole_.sizeInBytes();
    for (const Layer& layer : layers_) total += layer.above.pixels.sizeInBytes();
    return total;
}

qsizetype LayeredPicture::splitBytes() {
    qsizetype total = 0;
    for (const auto& art : splits())
        if (art) total += art->bytes();
    return total;
}

void LayeredPicture::rememberSplit(const QPixmap& pixmap, std::shared_ptr<const TurnedArtwork> art) {
    if (art && !pixmap.isNull()) splits().insert(pixmap.cacheKey(), std::move(art));
}

bool LayeredPicture::takeImage(QPainter& painter, const QPixmap& pixmap, const QRectF& source, const QRectF& place,
                               const QSizeF& size, double degrees, QPointF centre) {
    if (mode_ == Mode::Off) return false;
    const qint64 image = pixmap.cacheKey();
    if (mode_ == Mode::Learn) {
        // An image once drawn turned is split from then on, at every turn (upright included), so
        // that the base does not change with its turn.
        if (degrees != 0.0) turningImages_.insert(image);
        if (turningImages_.contains(image)) learnt_.push_back({image, splitOf(pixmap, source, place, size), degrees, centre});
        return true;
    }
    if (&painter != recorder_ || !turningImages_.contains(image)) return false;
    std::shared_ptr<const TurnedArtwork> art = splitOf(pixmap, source, place, size);
    if (!art || !art->drawFixedPart(painter, centre)) return false;  // drawn whole, its turn part of the base
    // What the layers draw next goes to a picture of its own, so that the part of it that this
    // rest can reach is kept apart and drawn over the rest at each frame. What the layers drew
    // over the last turned rest is done with: it is cut now and its picture serves again.
    const QPainter::RenderHints hints = painter.renderHints();
    painter.end();
    cutAbove();
    layers_.push_back({art, centre, {}});
    if (above_.isNull()) above_ = platform::ui::newPicture(base_.size(), QImage::Format_ARGB32_Premultiplied, base_.devicePixelRatio());
    above_.fill(Qt::transparent);
    painter.begin(&above_);
    painter.setRenderHints(hints);
    return true;
}

void LayeredPicture::rebuildBase(const Frame& frame, const std::function<void(QPainter&)>& layers) {
    layers_.clear();
    above_ = QImage();
    whole_ = QImage();
    wholeTurns_.clear();
    // On an opaque background the picture is opaque: kept without alpha, it is copied, not blended.
    base_ = platform::ui::newPicture((frame.size * frame.scale).toSize(),
                                     frame.background.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied,
                                     frame.scale);
    base_.fill(frame.background);
    {
        QPainter record(&base_);
        record.setRenderHints(frame.hints);
        recorder_ = &record;
        mode_ = Mode::Record;
        layers(record);
        mode_ = Mode::Off;
        recorder_ = nullptr;
    }
    cutAbove();
    above_ = QImage();
    baseFrame_ = frame;
    baseTurned_ = learnt_;
}

void LayeredPicture::cutAbove() {
    // The picture of what was drawn over the last turned rest, if one is being recorded.
    if (layers_.empty() || above_.isNull()) return;
    const qreal scale = base_.devicePixelRatio();
    // The rings of this rest and of those under it: what lies over any of them is kept apart.
    std::vector<std::array<double, 4>> rings;
    for (const Layer& under : layers_)
        rings.push_back({under.centre.x() * scale, under.centre.y() * scale, under.art->innerRadius() * scale,
                         under.art->outerRadius() * scale});
    Layer& layer = layers_.back();
    QImage& above = above_;
    // The tiles of this picture that a rest turned under it may reach, in runs along each row.
    std::vector<QRect> runs;
    for (int y = 0; y < above.height(); y += kTile) {
        QRect run;
        for (int x = 0; x < above.width(); x += kTile) {
            const QRect tile = QRect(x, y, kTile, kTile).intersected(above.rect());
            const bool kept = reaches(tile, rings) && !blankWithin(above, tile, rings);
            if (kept) run = run.isNull() ? tile : run.united(tile);
            if ((!kept || x + kTile >= above.width()) && !run.isNull()) {
                runs.push_back(run);
                run = QRect();
            }
        }
    }
    // The runs side by side in rows of one picture; what they held is taken out of the layer,
    // and the rest of the layer goes into the base.
    const int width = std::max(256, above.width() / 2);
    std::vector<QPoint> at;
    int x = 0, y = 0;
    for (const QRect& run : runs) {
        if (x > 0 && x + run.width() > width) x = 0, y += kTile;
        at.push_back({x, y});
        x += run.width();
    }
    Patch& patch = layer.above;
    if (!runs.empty()) {
        int widest = width;
        for (const QRect& run : runs) widest = std::max(widest, run.width());
        patch.pixels = QImage(widest, y + kTile, QImage::Format_ARGB32_Premultiplied);
        patch.pixels.fill(Qt::transparent);
        patch.pixels.setDevicePixelRatio(scale);
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        const QRect& run = runs[i];
        for (int line = 0; line < run.height(); ++line) {
            auto* from = reinterpret_cast<quint32*>(above.scanLine(run.top() + line)) + run.left();
            auto* to = reinterpret_cast<quint32*>(patch.pixels.scanLine(at[i].y() + line)) + at[i].x();
            std::memcpy(to, from, size_t(run.width()) * sizeof(quint32));
            std::memset(from, 0, size_t(run.width()) * sizeof(quint32));
        }
        patch.runs.push_back({run.topLeft(), QRect(at[i], run.size())});
    }
    QPainter fold(&base_);
    fold.drawImage(QPointF(0, 0), above);
}

void LayeredPicture::drawTurning(QPainter& painter, const std::vector<double>& turns) const {
    const qreal scale = base_.devicePixelRatio();
    for (size_t k = 0; k < layers_.size() && k < turns.size(); ++k) {
        const Layer& layer = layers_[k];
        layer.art->drawTurningPart(painter, layer.centre, turns[k]);
        if (layer.above.runs.empty()) continue;
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);  // pixel for pixel, as drawWhole
        for (const auto& [to, from] : layer.above.runs)
            painter.drawImage(QPointF(to.x() / scale, to.y() / scale), layer.above.pixels, QRectF(from));
        painter.restore();
    }
}

void LayeredPicture::drawWhole(QPainter& painter, const QImage& picture) const {
    painter.save();
    // Drawn pixel for pixel: without smoothing the raster engine copies the picture line by line
    // rather than sampling it through its generic (and threaded) path.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QPointF(0, 0), picture);
    painter.restore();
}

}  // namespace vantrel::instruments
