#include "TrafficLayer.h"

#include "platform/core/NotificationCenter.h"
#include "platform/ui/Style.h"
#include "traffic/TrafficFeed.h"

#include <QFontMetricsF>
#include <algorithm>
#include <array>
#include <cmath>

namespace vantrel::instruments {

using traffic::AlarmLevel;

namespace {

constexpr double kMetresPerFoot = 0.3048;
constexpr double kSymbolHalf = 9.0;      // points: the arrow's reach from its middle
constexpr double kMargin = 20.0;         // a target this far off the view still shows its edge
constexpr double kClimbArrowWidth = 8.0;
constexpr double kPlatePad = 2.0;
const QColor kPlate(0, 0, 0, 160);       // under the texts: they read over land, sea and routes

// The arrow pointing up (north), about its middle, in points.
constexpr QPointF kArrow[] = {{0, -kSymbolHalf}, {6.5, 7.5}, {0, 3.5}, {-6.5, 7.5}};

int priorityOf(AlarmLevel alarm, bool faded) {
    return basemap::labelPriority::kTraffic + (faded ? 4 : 0) + 3 - int(alarm);
}

}  // namespace

TrafficLayer::TrafficLayer(std::function<void()> redraw, std::function<bool()> visible)
    : redraw_(std::move(redraw)), visible_(std::move(visible)) {
    redrawTimer_.setSingleShot(true);
    QObject::connect(&redrawTimer_, &QTimer::timeout, [this] {
        if (visible_ && visible_()) {
            sinceRedraw_.start();
            redraw_();
        }
    });
    heightFont_ = platform::ui::style::font(12, true);
    callsignFont_ = platform::ui::style::font(12);
    textHeight_ = QFontMetricsF(heightFont_).height();
}

TrafficLayer::~TrafficLayer() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void TrafficLayer::setFeed(traffic::TrafficFeed* feed) {
    platform::NotificationCenter& centre = platform::NotificationCenter::defaultCenter();
    centre.removeObserver(this);
    feed_ = feed;
    placed_.clear();
    if (feed) centre.addObserver(this, "trafficDidUpdate", feed, [this](const platform::Notification&) { feedUpdated(); });
}

void TrafficLayer::feedUpdated() {
    // A hidden map is drawn afresh when it comes back on screen.
    if (!visible_ || !visible_() || redrawTimer_.isActive()) return;
    const qint64 since = sinceRedraw_.isValid() ? sinceRedraw_.elapsed() : kRedrawIntervalMs;
    if (since >= kRedrawIntervalMs) {
        sinceRedraw_.start();
        redraw_();
    } else {
        redrawTimer_.start(int(kRedrawIntervalMs - since));
    }
}

QColor TrafficLayer::colour(AlarmLevel level) {
    switch (level) {
    case AlarmLevel::None: return trafficColours::kQuiet;
    case AlarmLevel::Low: return trafficColours::kLow;
    case AlarmLevel::Important: return trafficColours::kImportant;
    case AlarmLevel::Urgent: return trafficColours::kUrgent;
    }
    return trafficColours::kQuiet;
}

QString TrafficLayer::heightText(double vertical) {
    if (!std::isfinite(vertical)) return {};
    const long hundreds = std::lround(vertical / kMetresPerFoot / 100.0);
    if (hundreds == 0) return QStringLiteral("0 ft");
    return QStringLiteral("%1%2 ft").arg(hundreds > 0 ? QLatin1Char('+') : QLatin1Char('-')).arg(std::labs(hundreds) * 100);
}

TrafficLayer::Text TrafficLayer::laidOut(const QString& text, const QFont& font) {
    QStaticText laid(text);
    laid.setTextFormat(Qt::PlainText);
    laid.setPerformanceHint(QStaticText::AggressiveCaching);
    laid.prepare(QTransform(), font);
    return {laid, QFontMetricsF(font).horizontalAdvance(text)};
}

int TrafficLayer::heightTextIndex(double vertical) {
    if (!std::isfinite(vertical)) return -1;
    const int key = int(std::clamp(std::lround(vertical / kMetresPerFoot / 100.0), -100000L, 100000L));
    auto it = heightIndex_.constFind(key);
    if (it != heightIndex_.constEnd()) return *it;
    heightTexts_.push_back(laidOut(heightText(vertical), heightFont_));
    return *heightIndex_.insert(key, int(heightTexts_.size() - 1));
}

const TrafficLayer::Text& TrafficLayer::callsignText(const QString& callsign) {
    auto it = callsignTexts_.constFind(callsign);
    if (it == callsignTexts_.constEnd()) {
        if (callsignTexts_.size() > 5000) callsignTexts_.clear();  // more than a receiver hears
        it = callsignTexts_.insert(callsign, laidOut(callsign, callsignFont_));
    }
    return *it;
}

void TrafficLayer::place(const MapProjection& map, QSizeF bounds, basemap::LabelPlacer& labels) {
    placed_.clear();
    if (!feed_) return;
    const std::vector<traffic::Target>& targets = feed_->targets();
    const QRectF visible = QRectF(QPointF(0, 0), bounds).adjusted(-kMargin, -kMargin, kMargin, kMargin);
    const double pointsPerMetre = double(map.scale()) / kMetresPerNauticalMile;
    for (const traffic::Target& t : targets) {
        if (!t.hasBearing()) continue;
        const QPointF at = map.centre() + QPointF(t.east, -t.north) * pointsPerMetre;
        if (!visible.contains(at)) continue;
        Placed p;
        p.id = t.id;
        p.distance = t.distance;
        p.at = at;
        p.track = t.track;
        p.climb = t.climbRate;
        p.callsign = t.callsign;
        p.alarm = t.alarm;
        p.faded = std::abs(t.vertical) > kFadedBeyond;
        p.height = heightTextIndex(t.vertical);
        placed_.push_back(std::move(p));
    }
    // The loudest first, then those near the aircraft's height, then the nearest: the placer keeps
    // the first of equal priority, and the drawing goes the other way so these end on top.
    std::sort(placed_.begin(), placed_.end(), [](const Placed& a, const Placed& b) {
        if (a.alarm != b.alarm) return a.alarm > b.alarm;
        if (a.faded != b.faded) return !a.faded;
        return a.distance < b.distance;
    });
    // A text's places that lie wholly on the map: one cut by the edge cannot be read.
    const QRectF view(QPointF(0, 0), bounds);
    std::array<QRectF, 4> places;
    const auto within = [&view, &places](std::initializer_list<QRectF> boxes) {
        size_t n = 0;
        for (const QRectF& box : boxes)
            if (view.contains(box)) places[n++] = box;
        return std::span<const QRectF>(places.data(), n);
    };
    for (Placed& p : placed_) {
        const int priority = priorityOf(p.alarm, p.faded);
        const double x = p.at.x(), y = p.at.y();
        p.symbolLabel = labels.add(QRectF(x - kSymbolHalf, y - kSymbolHalf, 2 * kSymbolHalf, 2 * kSymbolHalf), priority);
        if (p.height >= 0) {
            const bool climbs = std::abs(p.climb) >= kNotableClimb;
            const double width = heightTexts_[size_t(p.height)].width + (climbs ? kClimbArrowWidth + 2 : 0) + 2 * kPlatePad;
            // Below the symbol, else above, right or left of it.
            const double h = textHeight_;
            p.heightLabel = labels.add(within({QRectF(x - width * 0.5, y + kSymbolHalf + 1, width, h),
                                               QRectF(x - width * 0.5, y - kSymbolHalf - 1 - h, width, h),
                                               QRectF(x + kSymbolHalf + 2, y - h * 0.5, width, h),
                                               QRectF(x - kSymbolHalf - 2 - width, y - h * 0.5, width, h)}),
                                       priority);
        }
        if (!p.callsign.isEmpty()) {
            const double width = callsignText(p.callsign).width + 2 * kPlatePad;
            // Right of the symbol, else left, above or below it.
            const double h = textHeight_;
            p.callsignLabel = labels.add(within({QRectF(x + kSymbolHalf + 2, y - h * 0.5, width, h),
                                                 QRectF(x - kSymbolHalf - 2 - width, y - h * 0.5, width, h),
                                                 QRectF(x - width * 0.5, y - kSymbolHalf - 1 - h, width, h),
                                                 QRectF(x - width * 0.5, y + kSymbolHalf + 1, width, h)}),
                                         p.alarm != AlarmLevel::None ? priority + 8 : basemap::labelPriority::kTrafficName);
        }
    }
}

void TrafficLayer::drawSymbol(QPainter& painter, QPointF at, AlarmLevel alarm, double track) {
    painter.setPen(QPen(alarm == AlarmLevel::None ? trafficColours::kQuietEdge : QColor(Qt::black), 1.5));
    painter.setBrush(colour(alarm));
    if (std::isfinite(track)) {
        // Turned clockwise from north by the track, y down.
        const double a = track * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
        QPointF arrow[4];
        for (int i = 0; i < 4; ++i)
            arrow[i] = at + QPointF(kArrow[i].x() * c - kArrow[i].y() * s, kArrow[i].x() * s + kArrow[i].y() * c);
        painter.drawPolygon(arrow, 4);
    } else {
        painter.drawEllipse(at, 4.5, 4.5);
    }
}

const QImage& TrafficLayer::symbolStamp(AlarmLevel alarm, double track, double scale) {
    if (scale != stampScale_) {
        stamps_.clear();
        stampScale_ = scale;
    }
    const int turn = std::isfinite(track) ? int(std::lround(track / kStampStep)) % int(360 / kStampStep) : -1;
    const int key = int(alarm) << 8 | (turn + 1);
    auto it = stamps_.constFind(key);
    if (it == stamps_.constEnd()) {
        const int size = int(std::ceil((2 * kSymbolHalf + 4) * scale)) | 1;  // odd: the symbol's middle on a pixel's
        QImage stamp(size, size, QImage::Format_ARGB32_Premultiplied);
        stamp.fill(Qt::transparent);
        QPainter p(&stamp);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(size * 0.5, size * 0.5);
        p.scale(scale, scale);
        drawSymbol(p, QPointF(0, 0), alarm, turn < 0 ? traffic::kNoValue : turn * kStampStep);
        p.end();
        it = stamps_.insert(key, stamp);
    }
    return *it;
}

void TrafficLayer::drawText(QPainter& painter, const QRectF& box, const Text& text, const QFont& font, AlarmLevel alarm,
                            double climb) {
    // A quiet target's texts white on a dark plate; an alerting one's on a plate of its colour.
    const QColor plate = alarm == AlarmLevel::None ? kPlate : colour(alarm);
    const QColor ink = alarm == AlarmLevel::Urgent || alarm == AlarmLevel::None ? QColor(Qt::white) : QColor(Qt::black);
    painter.fillRect(box, plate);
    painter.setPen(ink);
    painter.setFont(font);
    const double left = box.left() + kPlatePad;
    painter.drawStaticText(QPointF(left, box.top()), text.text);
    if (std::isfinite(climb) && std::abs(climb) >= kNotableClimb) {
        // An arrow up or down right of the figures, as tall as the digits.
        const double x = left + text.width + 2 + kClimbArrowWidth * 0.5;
        const double top = box.top() + 3, bottom = box.bottom() - 3;
        const double tip = climb > 0 ? top : bottom, tail = climb > 0 ? bottom : top;
        const double head = climb > 0 ? 4.5 : -4.5;
        painter.setPen(QPen(ink, 1.6));
        painter.drawLine(QPointF(x, tail), QPointF(x, tip + head * 0.5));
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        const QPointF head3[] = {{x, tip}, {x + 3.5, tip + head}, {x - 3.5, tip + head}};
        painter.drawPolygon(head3, 3);
    }
}

const QImage& TrafficLayer::textStamp(const QRectF& box, const Text& text, const QFont& font, AlarmLevel alarm,
                                      double climb, double scale) {
    if (scale != textStampScale_ || textStamps_.size() > 4000) {
        textStamps_.clear();
        textStampScale_ = scale;
    }
    const int climbing = !(std::abs(climb) >= kNotableClimb) ? 0 : climb > 0 ? 1 : 2;
    const QPair<QString, int> key(text.text.text(), int(alarm) << 4 | climbing << 2 | (&font == &heightFont_));
    auto it = textStamps_.constFind(key);
    if (it == textStamps_.constEnd()) {
        QImage stamp(int(std::ceil(box.width() * scale)), int(std::ceil(box.height() * scale)), QImage::Format_ARGB32_Premultiplied);
        stamp.fill(Qt::transparent);
        QPainter p(&stamp);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        drawText(p, QRectF(QPointF(0, 0), box.size()), text, font, alarm, climb);
        p.end();
        it = textStamps_.insert(key, stamp);
    }
    return *it;
}

void TrafficLayer::draw(QPainter& painter, const basemap::LabelPlacer& labels) {
    // This frame shows the latest traffic: the next traffic redraw waits a whole interval.
    sinceRedraw_.start();
    redrawTimer_.stop();
    drawn_.clear();
    if (placed_.empty()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // The symbols first, the quiet and faded ones under the loud ones, then the texts the declutter
    // kept (which cover no symbol of a louder target). Drawn in place, an antialiased arrow went
    // through Qt's thread pool at 2x and a text took tens of microseconds: each symbol and each
    // text is a ready picture (a symbol for its colour and track to kStampStep degrees), set down
    // on whole device pixels, when the view is only scaled and moved (as on screen).
    const QTransform toDevice = painter.deviceTransform();
    const double scale = toDevice.m11();
    const bool stamps = toDevice.type() <= QTransform::TxScale && toDevice.m11() == toDevice.m22() && scale > 0 && scale <= 8;
    if (stamps) painter.setWorldTransform(painter.worldTransform() * toDevice.inverted());
    const auto onPixels = [&toDevice](QPointF at) {
        const QPointF device = toDevice.map(at);
        return QPoint(int(std::floor(device.x() + 0.5)), int(std::floor(device.y() + 0.5)));
    };
    for (auto p = placed_.rbegin(); p != placed_.rend(); ++p) {
        painter.setOpacity(p->faded ? kFadedOpacity : 1.0);
        if (stamps) {
            const QImage& stamp = symbolStamp(p->alarm, p->track, scale);
            const QPointF device = toDevice.map(p->at);
            painter.drawImage(QPoint(int(std::floor(device.x())) - stamp.width() / 2, int(std::floor(device.y())) - stamp.height() / 2),
                              stamp);
        } else {
            drawSymbol(painter, p->at, p->alarm, p->track);
        }
    }
    for (auto p = placed_.rbegin(); p != placed_.rend(); ++p) {
        painter.setOpacity(p->faded ? kFadedOpacity : 1.0);
        DrawnTarget drawn{p->id, p->at.x(), p->at.y(), p->alarm, p->faded};
        if (labels.placed(p->heightLabel)) {
            drawn.heightShown = true;
            const QRectF& box = labels.box(p->heightLabel);
            const Text& text = heightTexts_[size_t(p->height)];
            if (stamps)
                painter.drawImage(onPixels(box.topLeft()), textStamp(box, text, heightFont_, p->alarm, p->climb, scale));
            else
                drawText(painter, box, text, heightFont_, p->alarm, p->climb);
        }
        if (labels.placed(p->callsignLabel)) {
            drawn.callsignShown = true;
            const QRectF& box = labels.box(p->callsignLabel);
            const Text& text = callsignText(p->callsign);
            if (stamps)
                painter.drawImage(onPixels(box.topLeft()), textStamp(box, text, callsignFont_, p->alarm, traffic::kNoValue, scale));
            else
                drawText(painter, box, text, callsignFont_, p->alarm, traffic::kNoValue);
        }
        drawn_.push_back(drawn);
    }
    painter.restore();
}

}  // namespace vantrel::instruments
