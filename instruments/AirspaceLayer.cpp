#include "AirspaceLayer.h"

#include "platform/core/Log.h"
#include "platform/core/Threads.h"
#include "platform/ui/Style.h"
#include "platform/ui/View.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

namespace vantrel::instruments {

using airspace::Airspace;
using airspace::Limit;
using airspace::Reference;

namespace {

QString number(double value) { return QString::number(value, 'f', value == std::floor(value) ? 0 : 1); }

bool isOneOf(const QString& text, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace

AirspaceStyle airspaceStyle(const Airspace& airspace) {
    using Kind = AirspaceStyle::Kind;
    const QString cls = airspace.airspaceClass.trimmed();
    const bool controlZone = isOneOf(cls, {"CTR"}) || isOneOf(airspace.type.trimmed(), {"CTR"});
    AirspaceStyle s;
    if (isOneOf(cls, {"P"})) {
        // Prohibited: a strong red edge over a red hatching, so it reads apart from a restricted area.
        s = {Kind::Prohibited, QColor(210, 0, 0), QColor(220, 0, 0, 150), 2.5, Qt::SolidLine, true,
             airspaceLabelPriority::kProhibitedOrRestricted};
    } else if (isOneOf(cls, {"R"})) {
        s = {Kind::Restricted, QColor(210, 20, 20), QColor(230, 40, 40, 40), 2.0, Qt::SolidLine, false,
             airspaceLabelPriority::kProhibitedOrRestricted};
    } else if (isOneOf(cls, {"Q"})) {
        // Danger: red, dashed and more lightly tinted than a restricted area.
        s = {Kind::Danger, QColor(220, 40, 60), QColor(230, 60, 80, 22), 1.8, Qt::DashLine, false,
             airspaceLabelPriority::kProhibitedOrRestricted + 1};
    } else if (controlZone) {
        // A control zone reaches the ground: a heavier dashed blue edge, a stronger tint.
        s = {Kind::ControlZone, QColor(20, 60, 200), QColor(40, 90, 220, 30), 2.0, Qt::DashLine, false,
             airspaceLabelPriority::kControlled - 5};
    } else if (isOneOf(cls, {"A", "B", "C", "D", "TMA", "CTA"})) {
        s = {Kind::Controlled, QColor(30, 70, 190), QColor(40, 90, 220, 14), 1.5, Qt::SolidLine, false,
             airspaceLabelPriority::kControlled};
    } else if (isOneOf(cls, {"E"})) {
        s = {Kind::ClassE, QColor(70, 120, 200), QColor(Qt::transparent), 1.0, Qt::SolidLine, false,
             airspaceLabelPriority::kOther};
    } else if (isOneOf(cls, {"F", "G"})) {
        s = {Kind::Uncontrolled, QColor(110, 110, 120), QColor(Qt::transparent), 1.0, Qt::DotLine, false,
             airspaceLabelPriority::kOther + 2};
    } else if (isOneOf(cls, {"W", "GP", "GSEC"})) {
        s = {Kind::Gliding, QColor(30, 140, 60), QColor(40, 160, 70, 18), 1.5, Qt::DashDotLine, false,
             airspaceLabelPriority::kOther + 1};
    } else if (isOneOf(cls, {"TMZ", "RMZ"})) {
        s = {Kind::Mandatory, cls.compare(QLatin1String("TMZ"), Qt::CaseInsensitive) == 0 ? QColor(50, 50, 60) : QColor(0, 120, 130),
             QColor(Qt::transparent), 1.5, Qt::DotLine, false, airspaceLabelPriority::kOther};
    } else {
        s = {Kind::Other, QColor(120, 100, 130), QColor(Qt::transparent), 1.0, Qt::DashLine, false,
             airspaceLabelPriority::kOther + 3};
    }
    return s;
}

QString compactLimitText(const Limit& limit) {
    switch (limit.reference) {
    case Reference::Msl: return number(limit.value) + QStringLiteral(" ft");
    case Reference::Agl: return number(limit.value) + QStringLiteral(" ft AGL");
    case Reference::FlightLevel: return QStringLiteral("FL") + number(limit.value);
    case Reference::Ground: return QStringLiteral("GND");
    case Reference::Unlimited: return QStringLiteral("UNL");
    }
    return number(limit.value);
}

QString airspaceLimitsLabel(const Airspace& airspace) {
    const QString limits = compactLimitText(airspace.lower) + QLatin1Char('-') + compactLimitText(airspace.upper);
    const QString cls = airspace.airspaceClass.trimmed();
    return cls.isEmpty() ? limits : cls + QLatin1Char(' ') + limits;
}

AirspacesHere airspacesHere(const airspace::AirspaceIndex& index, double latitude, double longitude,
                            std::optional<double> altitudeFeet, int maxListed) {
    std::vector<size_t> found = index.containing(latitude, longitude);
    if (found.empty()) return {QStringLiteral("No airspace here"), QString()};
    std::stable_sort(found.begin(), found.end(), [&](size_t a, size_t b) {
        const Airspace& x = index.at(a);
        const Airspace& y = index.at(b);
        const double xl = x.lower.feetAboveSeaLevel(), yl = y.lower.feetAboveSeaLevel();
        if (xl != yl) return xl < yl;
        return x.upper.feetAboveSeaLevel() < y.upper.feetAboveSeaLevel();
    });
    QStringList lines;
    const size_t shown = std::min(found.size(), size_t(std::max(1, maxListed)));
    for (size_t i = 0; i < shown; ++i) {
        const Airspace& a = index.at(found[i]);
        // As the map's labels write them, short enough that a line of the alert holds the mark too.
        QString limits = airspaceLimitsLabel(a);
        if (altitudeFeet && std::isfinite(*altitudeFeet)) {
            const double alt = *altitudeFeet;
            const char* mark = alt < a.lower.feetAboveSeaLevel()   ? ", above you"
                               : alt > a.upper.feetAboveSeaLevel() ? ", below you"
                                                                   : ", you are in it";
            limits += QLatin1String(mark);
        }
        lines << (a.name.trimmed().isEmpty() ? QStringLiteral("(no name)") : a.name.trimmed()) << limits;
    }
    if (found.size() > shown) lines << QStringLiteral("and %1 more").arg(found.size() - shown);
    return {QStringLiteral("Airspace here"), lines.join(QLatin1Char('\n'))};
}

// ---- the layer

AirspaceLayer::AirspaceLayer(std::function<void()> redraw)
    : redraw_(std::move(redraw)), nameFont_(platform::ui::style::font(11, true)), limitsFont_(platform::ui::style::font(10)) {}

AirspaceLayer::~AirspaceLayer() { waitForPicture(); }

void AirspaceLayer::invalidate() {
    kept_.reset();
    ++generation_;
}

void AirspaceLayer::waitForPicture() const {
    if (prepared_ && prepared_->picture.valid()) prepared_->picture.wait();
}

namespace {

// The box of an area of the view (points) in latitude and longitude: the circle about the aircraft
// through the area's farthest corner. Near a pole every longitude.
airspace::GeoBox viewBox(const MapProjection& map, const QRectF& area) {
    const QPointF c = map.centre();
    const double farX = std::max(c.x() - area.left(), area.right() - c.x()), farY = std::max(c.y() - area.top(), area.bottom() - c.y());
    const double radiusNM = std::hypot(farX, farY) / double(map.scale()) + 1.0;
    const double dLat = radiusNM / 60.0;
    airspace::GeoBox box;
    box.minLat = std::max(-90.0, map.latitude() - dLat);
    box.maxLat = std::min(90.0, map.latitude() + dLat);
    const double cosLat = std::cos(std::min(89.0, std::abs(map.latitude()) + dLat) * M_PI / 180.0);
    const double dLon = radiusNM / 60.0 / std::max(cosLat, 1e-6);
    if (std::abs(map.latitude()) + dLat >= 89.0 || dLon >= 180.0) {
        box.minLon = -180.0;
        box.maxLon = 180.0;
    } else {
        // Past the 180th meridian the index tries the box a turn of the world apart.
        box.minLon = map.longitude() - dLon;
        box.maxLon = map.longitude() + dLon;
    }
    return box;
}

// The map's projection over the view's box, taken exactly at a grid of nodes and interpolated
// bilinearly between them (as the base map's tiles are): a few hundredths of a point off (at most
// 0.15 at 70 degrees of latitude zoomed out), at a fraction of the cost of the exact one's trigonometry for each of thousands of points. Points
// outside the box, and every point when the box reaches a pole, are projected exactly.
class GridProjection {
public:
    static constexpr int kCells = 20;
    GridProjection(const MapProjection& map, const airspace::GeoBox& box) : map_(map), box_(box) {
        // Where the meridians converge fast (a box 30 degrees of longitude wide, at 70 degrees
        // of latitude zoomed out) the interpolation would be off by a fifth of a point and more.
        if (box.maxLon - box.minLon > 30.0 || box.minLat <= -89.0 || box.maxLat >= 89.0) return;
        for (int j = 0; j <= kCells; ++j)
            for (int i = 0; i <= kCells; ++i) {
                const std::optional<QPointF> p = map.project(box.minLat + (box.maxLat - box.minLat) * j / kCells,
                                                             box.minLon + (box.maxLon - box.minLon) * i / kCells);
                if (!p) return;  // the antipode in the box: exactly everywhere
                nodes_[size_t(j * (kCells + 1) + i)] = *p;
            }
        ready_ = true;
    }
    std::optional<QPointF> operator()(double lat, double lon) const {
        if (!ready_) return map_.project(lat, lon);
        double l = lon;
        normalizeLongitude(map_.longitude(), &l);
        const double u = (l - box_.minLon) / (box_.maxLon - box_.minLon) * kCells;
        const double v = (lat - box_.minLat) / (box_.maxLat - box_.minLat) * kCells;
        if (!(u >= 0 && u <= kCells && v >= 0 && v <= kCells)) return map_.project(lat, lon);
        return interpolateGrid(nodes_.data(), kCells, u, v);
    }

private:
    const MapProjection& map_;
    airspace::GeoBox box_;
    bool ready_ = false;
    std::array<QPointF, (kCells + 1) * (kCells + 1)> nodes_;
};

// Where the horizontal line at y runs inside the outline: the widest stretch, clipped to [left, right].
std::optional<std::pair<double, double>> widestSpan(const QPolygonF& outline, double y, double left, double right) {
    std::vector<double> xs;
    const qsizetype n = outline.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF& a = outline[i];
        const QPointF& b = outline[(i + 1) % n];
        if ((a.y() <= y) == (b.y() <= y)) continue;
        xs.push_back(a.x() + (y - a.y()) * (b.x() - a.x()) / (b.y() - a.y()));
    }
    std::sort(xs.begin(), xs.end());
    std::optional<std::pair<double, double>> best;
    for (size_t i = 0; i + 1 < xs.size(); i += 2) {
        const double x0 = std::max(xs[i], left), x1 = std::min(xs[i + 1], right);
        if (x1 > x0 && (!best || x1 - x0 > best->second - best->first)) best = std::pair{x0, x1};
    }
    return best;
}

}  // namespace

std::optional<QRectF> AirspaceLayer::labelPlace(const QPolygonF& outline, const QRectF& visible, QSizeF label,
                                                const QRectF& view, const std::vector<QRectF>& avoid,
                                                const std::vector<const QPolygonF*>& inner) {
    const double w = label.width(), h = label.height();
    const auto free = [&](const QRectF& box) {
        if (!view.contains(box)) return false;
        for (const QRectF& area : avoid)
            if (area.intersects(box)) return false;
        const QPointF c = box.center();
        const QPointF points[] = {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight(), c,
                                  QPointF(c.x(), box.top()), QPointF(c.x(), box.bottom()), QPointF(box.left(), c.y()), QPointF(box.right(), c.y())};
        for (const QPointF p : points) {
            if (!outline.containsPoint(p, Qt::OddEvenFill)) return false;
            for (const QPolygonF* other : inner)
                if (other->boundingRect().contains(p) && other->containsPoint(p, Qt::OddEvenFill)) return false;
        }
        return true;
    };
    // From just inside the northern edge of its visible part southwards (a chart's place for it, and
    // where the labels of airspaces stacked inside one another stay apart): the first place where
    // the airspace holds the label, clear of the map's own texts and of the labels placed before.
    const double first = visible.top() + kLabelMargin, last = visible.bottom() - kLabelMargin - h;
    const double step = std::max(6.0, (last - first) / 40.0);
    for (double top = first; top <= last; top += step) {
        // The narrower of the stretches at the label's top and bottom must hold it.
        const auto upper = widestSpan(outline, top, view.left() + 2, view.right() - 2);
        const auto lower = widestSpan(outline, top + h, view.left() + 2, view.right() - 2);
        if (!upper || !lower) continue;
        const double x0 = std::max(upper->first, lower->first) + kLabelMargin;
        const double x1 = std::min(upper->second, lower->second) - kLabelMargin;
        if (x1 - x0 < w) continue;
        // Centred in the stretch, else the first free place along it from its western end.
        if (const QRectF box((x0 + x1 - w) / 2, top, w, h); free(box)) return box;
        for (double left = x0; left <= x1 - w; left += 8.0)
            if (const QRectF box(left, top, w, h); free(box)) return box;
    }
    return std::nullopt;
}

const AirspaceLayer::Look& AirspaceLayer::look(const airspace::AirspaceIndex& index, size_t i) {
    Look& l = looks_[i];
    if (!l.ready) {
        const Airspace& a = index.at(i);
        l.style = airspaceStyle(a);
        l.name = a.name.trimmed();
        l.limits = airspaceLimitsLabel(a);
        const QFontMetricsF nameMetrics(nameFont_), limitsMetrics(limitsFont_);
        l.label = QSizeF(std::max(nameMetrics.horizontalAdvance(l.name), limitsMetrics.horizontalAdvance(l.limits)) + 4,
                         nameMetrics.height() + limitsMetrics.height());
        l.ready = true;
    }
    return l;
}

std::vector<AirspaceLayer::Visible> AirspaceLayer::project(const airspace::AirspaceIndex& index, const MapProjection& map,
                                                           const QRectF& area) {
    std::vector<Visible> visible;
    const QRectF reach = area.adjusted(-8, -8, 8, 8);
    // Points closer on the screen than kMinimumStep to the last one kept add nothing to the
    // drawing but cost the projection and the stroking: zoomed out, an arc's hundred points
    // shrink to a few. They are told apart before projecting, by their distance in miles.
    const double stepNM = 0.7 * kMinimumStep / double(map.scale());
    const airspace::GeoBox box = viewBox(map, area);
    const GridProjection projection(map, box);
    for (size_t id : index.inBox(box)) {
        const Airspace& a = index.at(id);
        if (a.outline.empty()) continue;
        QPolygonF outline;
        bool whole = true;
        const double milesPerDegreeOfLongitude = 60.0 * std::cos(a.outline.front().lat * M_PI / 180.0);
        const airspace::LatLon* last = nullptr;
        for (const airspace::LatLon& p : a.outline) {
            if (last && std::abs(p.lat - last->lat) * 60.0 + std::abs(p.lon - last->lon) * milesPerDegreeOfLongitude < stepNM)
                continue;
            const std::optional<QPointF> at = projection(p.lat, p.lon);
            if (!at) {
                whole = false;  // the aircraft's antipode: no shape to draw
                break;
            }
            outline.append(*at);
            last = &p;
        }
        if (!whole || outline.size() < 3) continue;
        const QRectF box = outline.boundingRect();
        if (!box.intersects(reach)) continue;
        visible.push_back({id, std::move(outline), box});
    }
    // The large ones first: the smaller ones inside them choose their label's place first.
    std::stable_sort(visible.begin(), visible.end(), [](const Visible& a, const Visible& b) {
        return a.box.width() * a.box.height() > b.box.width() * b.box.height();
    });
    return visible;
}

void AirspaceLayer::paint(QPainter& painter, const airspace::AirspaceIndex& index, const std::vector<Visible>& visible,
                          qreal pixels) {
    // The airspaces of one look go into one path, filled once and stroked once; the looks are
    // drawn lesser classes first, so that the binding ones stay on top. Within one look the tints
    // join rather than darken one another (the outlines all turned one way, filled by the
    // winding rule).
    struct Batch {
        AirspaceStyle style;
        QPainterPath fill;
        std::vector<QPainterPath> edges;  // in pieces of a few hundred elements, faster to stroke
        QPainterPath smallEdges;          // of the shapes too small to tint: a single pixel wide
    };
    std::vector<Batch> batches;
    constexpr int kPieceElements = 256;
    for (const Visible& v : visible) {
        const AirspaceStyle style = airspaceStyle(index.at(v.index));
        auto batch = std::find_if(batches.begin(), batches.end(), [&](const Batch& b) {
            return b.style.kind == style.kind && b.style.edge == style.edge;
        });
        if (batch == batches.end()) {
            batches.push_back({style, QPainterPath(), {QPainterPath()}, QPainterPath()});
            batch = batches.end() - 1;
            batch->fill.setFillRule(Qt::WindingFill);
        }
        // A tint and a full edge only where they show: on a shape a few points across, the edge
        // covers it all, and a hairline outlines it as well (zoomed out, hundreds of them).
        const bool small = v.box.width() < kSmallestTinted || v.box.height() < kSmallestTinted;
        if (small) {
            batch->smallEdges.addPolygon(v.outline);
            batch->smallEdges.closeSubpath();
        } else if (style.tint.alpha() > 0) {
            double area = 0;  // twice the signed area: its sign is the outline's turn
            for (qsizetype k = 0, n = v.outline.size(); k < n; ++k) {
                const QPointF& p = v.outline[k];
                const QPointF& q = v.outline[(k + 1) % n];
                area += p.x() * q.y() - q.x() * p.y();
            }
            if (area >= 0) batch->fill.addPolygon(v.outline);
            else batch->fill.addPolygon(QPolygonF(v.outline.rbegin(), v.outline.rend()));
            batch->fill.closeSubpath();
        }
        if (!small) {
            if (batch->edges.back().elementCount() >= kPieceElements) batch->edges.emplace_back();
            batch->edges.back().addPolygon(v.outline);
            batch->edges.back().closeSubpath();
        }
    }
    std::stable_sort(batches.begin(), batches.end(), [](const Batch& a, const Batch& b) { return a.style.kind < b.style.kind; });
    painter.save();
    // The tints without antialiasing: their edges lie under the lines anyway.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    for (const Batch& b : batches)
        if (!b.fill.isEmpty()) painter.fillPath(b.fill, b.style.hatched ? QBrush(b.style.tint, Qt::BDiagPattern) : QBrush(b.style.tint));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    for (const Batch& b : batches) {
        // One device pixel wide, the raster engine draws a line's segments directly; any wider, it
        // first outlines the whole line, several times slower (10 ms of a frame with 300 airspaces
        // in view). A wider edge is drawn as one-pixel lines side by side instead: moved by a pixel
        // across, down, or both ways.
        QPen pen(b.style.edge, 0);
        pen.setCosmetic(true);
        if (b.style.line != Qt::SolidLine) {
            // The dashes in pixels, as long as those of a line of the style's width.
            QList<qreal> dashes = QPen(b.style.line).dashPattern();
            for (qreal& d : dashes) d *= b.style.width * pixels;
            pen.setDashPattern(dashes);
        }
        painter.setPen(pen);
        if (!b.smallEdges.isEmpty()) painter.drawPath(b.smallEdges);
        const int across = std::clamp(int(std::lround(b.style.width * pixels * 0.75)), 1, 3);
        static const QPoint kOne[] = {{0, 0}};
        static const QPoint kTwo[] = {{0, 0}, {1, 0}, {0, 1}};
        static const QPoint kThree[] = {{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        const std::pair<const QPoint*, size_t> shifts = across == 1   ? std::pair{kOne, std::size(kOne)}
                                                        : across == 2 ? std::pair{kTwo, std::size(kTwo)}
                                                                      : std::pair{kThree, std::size(kThree)};
        const double centre = across == 2 ? 0.5 : 0.0;
        for (size_t k = 0; k < shifts.second; ++k) {
            const QPointF shift((shifts.first[k].x() - centre) / pixels, (shifts.first[k].y() - centre) / pixels);
            painter.translate(shift);
            for (const QPainterPath& piece : b.edges)
                if (!piece.isEmpty()) painter.drawPath(piece);
            painter.translate(-shift);
        }
    }
    painter.restore();
}

std::optional<AirspaceLayer::Fit> AirspaceLayer::fitOf(const Kept& k, const std::shared_ptr<const airspace::AirspaceIndex>& index,
                                                      const MapProjection& map, QSizeF bounds, qreal pixels) {
    if (!k.reusable || k.index != index || k.scale != map.scale() || k.pixels != pixels || k.bounds != bounds) return std::nullopt;
    const std::optional<QPointF> reference = map.project(k.latitude, k.longitude);
    if (!reference) return std::nullopt;
    Fit fit;
    fit.shift = *reference - k.centre;
    // In shares of the room the margin leaves, and of kStaleShape.
    fit.moved = std::max(std::abs(fit.shift.x()), std::abs(fit.shift.y())) / (k.marginPixels / pixels - 2.0);
    for (size_t c = 0; c < k.corners.size(); ++c) {
        const std::optional<QPointF> corner = map.project(k.corners[c].first, k.corners[c].second);
        if (!corner) return std::nullopt;
        const QPointF off = *corner - (k.cornersAt[c] + fit.shift);
        fit.drifted = std::max({fit.drifted, std::abs(off.x()) / kStaleShape, std::abs(off.y()) / kStaleShape});
    }
    return fit;
}

std::optional<AirspaceLayer::Kept> AirspaceLayer::drawPicture(std::shared_ptr<const airspace::AirspaceIndex> index,
                                                              const MapProjection& map, QSizeF bounds, qreal pixels) {
    Kept k;
    k.index = std::move(index);
    k.scale = map.scale();
    k.pixels = pixels;
    k.bounds = bounds;
    k.latitude = map.latitude();
    k.longitude = map.longitude();
    k.centre = map.centre();
    k.marginPixels = int(std::ceil(kPictureMargin * pixels));
    const double margin = k.marginPixels / pixels;
    const QRectF area = QRectF(QPointF(0, 0), bounds).adjusted(-margin, -margin, margin, margin);
    k.image = QImage(int(std::ceil(bounds.width() * pixels)) + 2 * k.marginPixels,
                     int(std::ceil(bounds.height() * pixels)) + 2 * k.marginPixels, QImage::Format_ARGB32_Premultiplied);
    if (k.image.isNull()) return std::nullopt;
    k.image.fill(Qt::transparent);
    // The picture's corners as positions: from the aircraft along their bearing and distance.
    const QPointF cornersAt[] = {area.topLeft(), area.topRight(), area.bottomLeft(), area.bottomRight()};
    const double phi = map.latitude() * M_PI / 180.0, lambda = map.longitude() * M_PI / 180.0;
    bool cornersKnown = true;
    for (size_t c = 0; c < 4; ++c) {
        const QPointF nm = (cornersAt[c] - map.centre()) / double(map.scale());
        const double d = std::hypot(nm.x(), nm.y()) * kMetresPerNauticalMile / positioning::Geodesy::kEarthRadiusMetres;
        const double bearing = std::atan2(nm.x(), -nm.y());
        const double lat = std::asin(std::clamp(std::sin(phi) * std::cos(d) + std::cos(phi) * std::sin(d) * std::cos(bearing), -1.0, 1.0));
        const double lon = lambda + std::atan2(std::sin(bearing) * std::sin(d) * std::cos(phi), std::cos(d) - std::sin(phi) * std::sin(lat));
        k.corners[c] = {lat * 180.0 / M_PI, std::remainder(lon * 180.0 / M_PI, 360.0)};
        const std::optional<QPointF> at = map.project(k.corners[c].first, k.corners[c].second);
        cornersKnown = cornersKnown && at;
        k.cornersAt[c] = at ? *at : cornersAt[c];
    }
    k.visible = project(*k.index, map, area);
    QPainter picture(&k.image);
    picture.setRenderHint(QPainter::Antialiasing);
    picture.scale(pixels, pixels);
    picture.translate(margin, margin);
    paint(picture, *k.index, k.visible, pixels);
    picture.end();
    // A corner with no place (the antipode near it): the picture serves the frame it was drawn for only.
    k.reusable = cornersKnown;
    return k;
}

void AirspaceLayer::prepare(const std::shared_ptr<const airspace::AirspaceIndex>& index, const MapProjection& map,
                            QSizeF bounds, qreal pixels) {
    if (prepared_) {
        if (prepared_->picture.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;  // one at a time
        // Done, but not taken up by the frame that asks for another: for another place or scale.
        prepared_.reset();
    }
    ++renders_;
    std::function<void()> redraw = redraw_;
    prepared_ = Prepared{std::async(std::launch::async,
                                    [index, map, bounds, pixels, redraw = std::move(redraw)] {
                                        std::optional<Kept> k = drawPicture(index, map, bounds, pixels);
                                        // At the end of the run nobody draws again (and the
                                        // main thread's loop may be gone).
                                        if (redraw && !platform::isShuttingDown()) platform::performOnMainThread(redraw, false);
                                        return k;
                                    }),
                         generation_};
}

std::optional<AirspaceLayer::Kept> AirspaceLayer::takePrepared() {
    if (!prepared_ || prepared_->picture.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return std::nullopt;
    std::optional<Kept> k = prepared_->picture.get();
    const bool current = prepared_->generation == generation_;
    prepared_.reset();
    return current ? std::move(k) : std::nullopt;
}

void AirspaceLayer::draw(QPainter& painter, const MapProjection& map, QSizeF bounds,
                         const std::shared_ptr<const airspace::AirspaceIndex>& airspaces, basemap::LabelPlacer& labels,
                         const std::vector<QRectF>& keepClear) {
    drawn_.clear();
    if (!airspaces || airspaces->size() == 0) {
        kept_.reset();
        return;
    }
    const airspace::AirspaceIndex& index = *airspaces;
    if (lookIndex_ != airspaces) {
        lookIndex_ = airspaces;
        looks_.assign(index.size(), Look());
    }
    const QRectF view(QPointF(0, 0), bounds);
    // A picture in device pixels needs a painter that only scales (alike both ways) and moves.
    const QTransform toDevice = painter.deviceTransform();
    const qreal pixels = toDevice.m11();
    const auto drawDirectly = [&](qreal paintPixels) {
        kept_.reset();
        const std::vector<Visible> visible = project(index, map, view);
        ++renders_;
        ++rendersInFrame_;
        paint(painter, index, visible, paintPixels);
        placeLabels(index, visible, QPointF(), bounds, labels, keepClear);
    };
    if (!(toDevice.type() <= QTransform::TxScale && toDevice.m11() == toDevice.m22() && pixels > 0 && pixels <= 8)) {
        drawDirectly(platform::ui::View::paintScale(painter));
        return;
    }

    // The kept picture serves while it moved no farther than its margin and its shape holds (by
    // shift, in points); soon, the next is started.
    bool soon = false;
    QPointF shift;
    const auto serves = [&](const Kept& k, bool* nearlySpent) {
        const std::optional<Fit> fit = fitOf(k, airspaces, map, bounds, pixels);
        if (!fit || fit->moved > 1.0 || fit->drifted > 1.0) return false;
        shift = fit->shift;
        *nearlySpent = fit->moved > kPrepareShare || fit->drifted > kPrepareShare;
        return true;
    };
    bool fits = kept_ && serves(*kept_, &soon);
    if (!fits || soon) {
        // The picture drawn on the worker, once done, if it serves this frame.
        if (std::optional<Kept> fresh = takePrepared()) {
            bool freshSoon = false;
            if (serves(*fresh, &freshSoon)) {
                kept_ = std::move(fresh);
                fits = true;
                soon = freshSoon;
            }
        }
    }
    if (!fits && zooming_ && kept_ && kept_->reusable && kept_->index == airspaces && kept_->pixels == pixels &&
        kept_->bounds == bounds && kept_->scale != map.scale()) {
        // The scale changes: the kept picture stretched about its reference point, while the
        // picture of this scale is drawn on the worker. No labels meanwhile: their places in the
        // stretched picture are not worked out.
        if (const std::optional<QPointF> reference = map.project(kept_->latitude, kept_->longitude)) {
            prepare(airspaces, map, bounds, pixels);
            const double stretch = double(map.scale()) / double(kept_->scale);
            const double margin = kept_->marginPixels / pixels;
            painter.save();
            painter.translate(*reference);
            painter.scale(stretch, stretch);
            painter.translate(-kept_->centre);
            painter.drawImage(QRectF(-margin, -margin, kept_->image.width() / pixels, kept_->image.height() / pixels),
                              kept_->image);
            painter.restore();
            return;
        }
    }
    if (!fits && redraw_) {
        // Drawn on the worker, and the map drawn again when it is done: meanwhile a kept picture
        // just past its margin or its shape still shows where it reaches (the worker fell behind),
        // and after a jump, or with other airspaces, this frame has none.
        prepare(airspaces, map, bounds, pixels);
        const std::optional<Fit> spent = kept_ ? fitOf(*kept_, airspaces, map, bounds, pixels) : std::nullopt;
        if (!spent || spent->moved > 2.0 || spent->drifted > 2.0) return;
        shift = spent->shift;
        fits = true;
        soon = false;
    }
    if (!fits) {
        std::optional<Kept> k = drawPicture(airspaces, map, bounds, pixels);
        if (!k) {
            // No memory for it: drawn directly, as a turned painter is.
            platform::logLine(QStringLiteral("Airspaces: no memory for the map's picture; drawn at each frame"));
            drawDirectly(pixels);
            return;
        }
        ++renders_;
        ++rendersInFrame_;
        kept_ = std::move(k);
        shift = QPointF();
    } else if (soon) {
        prepare(airspaces, map, bounds, pixels);
    }

    // Copied on whole device pixels, as kept; the labels move by the same amount.
    const QPointF origin = toDevice.map(QPointF(0, 0));
    const QPoint topLeft(int(std::lround(origin.x() + shift.x() * pixels)) - kept_->marginPixels,
                         int(std::lround(origin.y() + shift.y() * pixels)) - kept_->marginPixels);
    const QPointF drawnShift((topLeft.x() + kept_->marginPixels - origin.x()) / pixels,
                             (topLeft.y() + kept_->marginPixels - origin.y()) / pixels);
    painter.save();
    painter.setWorldTransform(painter.worldTransform() * toDevice.inverted());
    painter.drawImage(topLeft, kept_->image);
    painter.restore();
    std::optional<Kept::Labels>& memo = kept_->labels;
    if (memo && memo->shift == drawnShift && memo->keepClear == keepClear) {
        drawn_ = memo->drawn;
        for (const auto& [i, priority] : memo->offered) drawn_[i].label = labels.add(drawn_[i].box, priority);
        return;
    }
    memo.emplace();
    placeLabels(index, kept_->visible, drawnShift, bounds, labels, keepClear, &memo->offered);
    memo->shift = drawnShift;
    memo->keepClear = keepClear;
    memo->drawn = drawn_;
}

void AirspaceLayer::placeLabels(const airspace::AirspaceIndex& index, const std::vector<Visible>& all, QPointF shift,
                                QSizeF bounds, basemap::LabelPlacer& labels, const std::vector<QRectF>& keepClear,
                                std::vector<std::pair<size_t, int>>* offered) {
    // The places are worked out where the outlines were projected: the view and the areas to keep
    // clear moved back by the shift, the labels' boxes moved forward by it.
    const QRectF view = QRectF(QPointF(0, 0), bounds).translated(-shift);
    const QRectF reach = view.adjusted(-8, -8, 8, 8);
    std::vector<const Visible*> visible;
    for (const Visible& v : all)
        if (v.box.intersects(reach)) visible.push_back(&v);
    for (const Visible* v : visible) {
        const Look& l = look(index, v->index);
        DrawnAirspace drawn;
        drawn.name = l.name;
        drawn.index = v->index;
        drawn.limits = l.limits;
        drawn.colour = l.style.edge.darker(140);
        drawn_.push_back(std::move(drawn));
    }

    // The labels: a label only where the airspace's visible part can hold it, so that zoomed out
    // the small airspaces go unnamed rather than covering the map with text. The more binding
    // classes choose their places first, and of one class the smaller airspace (a zone inside a
    // terminal area).
    std::vector<size_t> order;
    for (size_t i = 0; i < visible.size(); ++i) {
        const QRectF shown = visible[i]->box & view;
        if (!drawn_[i].name.isEmpty() && shown.width() >= kLabelBesideSize && shown.height() >= kLabelBesideSize) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int pa = look(index, visible[a]->index).style.labelPriority;
        const int pb = look(index, visible[b]->index).style.labelPriority;
        return pa != pb ? pa < pb : a > b;
    });
    std::vector<QRectF> avoid;
    avoid.reserve(keepClear.size() + order.size());
    for (const QRectF& r : keepClear) avoid.push_back(r.translated(-shift));
    for (size_t i : order) {
        DrawnAirspace& drawn = drawn_[i];
        const Look& l = look(index, drawn.index);
        const QSizeF size = l.label;
        const QRectF shown = visible[i]->box & view;
        std::optional<QRectF> box;
        if (shown.width() >= size.width() + 2 * kLabelMargin && shown.height() >= size.height() + 2 * kLabelMargin) {
            // Clear of the smaller airspaces inside it, so that a terminal area's name does not sit
            // in the zone beneath it.
            std::vector<const QPolygonF*> inner;
            for (size_t j = i + 1; j < visible.size(); ++j)
                if (visible[j]->box.intersects(shown)) inner.push_back(&visible[j]->outline);
            box = labelPlace(visible[i]->outline, shown, size, view, avoid, inner);
        }
        if (!box) {
            // Too narrow to hold its name, yet plain to see: the name just under it, else over it,
            // at its right or left; never over a neighbouring airspace, whose name it would seem to be
            // (over those that hold this one it may go).
            const QRectF& whole = visible[i]->box;
            const QPointF c = whole.center();
            const double w = size.width(), h = size.height();
            const auto clear = [&](const QRectF& beside) {
                if (!view.contains(beside)) return false;
                for (const QRectF& a : avoid)
                    if (a.intersects(beside)) return false;
                for (size_t j = 0; j < visible.size(); ++j)
                    if (j != i && visible[j]->box.intersects(beside) && !visible[j]->box.contains(whole)) return false;
                return true;
            };
            for (const QPointF topLeft : {QPointF(c.x() - w / 2, whole.bottom() + 2), QPointF(c.x() - w / 2, whole.top() - 2 - h),
                                          QPointF(whole.right() + 3, c.y() - h / 2), QPointF(whole.left() - 3 - w, c.y() - h / 2)}) {
                if (const QRectF beside(topLeft, size); clear(beside)) {
                    box = beside;
                    break;
                }
            }
        }
        if (box) {
            avoid.push_back(box->adjusted(-2, -2, 2, 2));
            drawn.box = box->translated(shift);
            drawn.at = QPointF(drawn.box.center().x(), drawn.box.top());
            drawn.label = labels.add(drawn.box, l.style.labelPriority);
            if (offered) offered->emplace_back(i, l.style.labelPriority);
        }
    }
}

void AirspaceLayer::drawLabels(QPainter& painter, const basemap::LabelPlacer& labels) {
    painter.save();
    const QFontMetricsF nameMetrics(nameFont_), limitsMetrics(limitsFont_);
    const QColor halo(255, 255, 255, 210);
    for (DrawnAirspace& a : drawn_) {
        a.labelled = labels.placed(a.label);
        if (!a.labelled) continue;
        const auto line = [&](const QString& text, const QFont& font, const QFontMetricsF& metrics, double top) {
            const QPointF at(a.at.x() - metrics.horizontalAdvance(text) / 2, top + metrics.ascent());
            painter.setFont(font);
            painter.setPen(halo);
            for (const QPointF d : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)}) painter.drawText(at + d, text);
            painter.setPen(a.colour);
            painter.drawText(at, text);
        };
        line(a.name, nameFont_, nameMetrics, a.at.y());
        line(a.limits, limitsFont_, limitsMetrics, a.at.y() + nameMetrics.height());
    }
    painter.restore();
}

}  // namespace vantrel::instruments
