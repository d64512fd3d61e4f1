#include "GPSView.h"

#include "InstrumentMath.h"
#include "SharedInstrument.h"
#include "VORView.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Threads.h"
#include "airspace/AirspaceStore.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/FramedSetupView.h"
#include "platform/ui/Images.h"
#include "platform/ui/Style.h"
#include "positioning/LocationManager.h"
#include "traffic/TrafficFeed.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointCell.h"
#include "waypoints/WaypointKeys.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>

namespace vantrel::instruments {

using platform::Value;
namespace keys = waypoints::keys;

namespace {

const QColor kBackground(85, 85, 85);  // dark grey
const QColor kAirportColour(255, 0, 128);
const QColor kOtherColour(255, 128, 0);  // orange
const QColor kMarkedColour(255, 255, 0);
const QColor kScaleColour(170, 170, 170);  // light grey
const QColor kRouteColour(255, 0, 0);
const QColor kDirectToColour(0, 255, 0);
const QColor kPlanColour(200, 60, 220);         // the plan's legs and points
const QColor kPlanActiveColour(255, 0, 255);    // the active leg and its point
const QColor kNoticeColour(255, 96, 96);
const QColor kTextBackdrop(0, 0, 0, 120);  // under the scale and the direct-to texts

constexpr int kAirportType = 1;
// How long destroying a map waits for its refresh (a refresh takes milliseconds).
constexpr int kRefreshWaitMs = 10000;

// Airports with more runways are the larger ones: 0 for nine or more, 9 for none.
int airportSizeRank(const platform::Dictionary& record) {
    const platform::Array* runways = record.get(keys::waypointRunways).asArray();
    return std::max(0, 9 - int(runways ? runways->size() : 0));
}

constexpr qsizetype kMaxLabelWidths = 20000;  // more identifiers than a 180 NM cache holds
constexpr int kSquarePhases = 16;            // positions of a square's stamp within a device pixel

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

double distanceBetween(const platform::ui::View::Touch& a, const platform::ui::View::Touch& b) {
    return std::hypot(a.location.x() - b.location.x(), a.location.y() - b.location.y());
}

}  // namespace

GPSView& GPSView::sharedView() {
    static QPointer<GPSView> instance;
    return sharedInstrument(instance, "sharedView");
}

GPSView::GPSView(positioning::LocationManager& locationManager, units::UnitSettings& units)
    : GPSView(locationManager, units, waypoints::POISelectorPaneController::sharedPOIDatabase().nearbyCache(), {}) {}

GPSView::GPSView(positioning::LocationManager& locationManager, units::UnitSettings& units,
                 std::shared_ptr<waypoints::NearbyWaypointCache> cache, platform::ArrayPtr waypointsDB)
    : AbstractInstrumentView(locationManager, units),
      cache_(cache ? std::move(cache) : waypoints::NearbyWaypointCache::create()),
      ownDatabase_(std::move(waypointsDB)),
      self_(this),
      baseMap_(std::make_unique<BaseMapLayer>([map = QPointer<GPSView>(this)] {
          if (map) map->setNeedsDisplay();
      })),
      traffic_(std::make_unique<TrafficLayer>([this] { setNeedsDisplay(); }, [this] { return isVisible(); })),
      airspaceLayer_([map = QPointer<GPSView>(this)] {
          if (map) map->setNeedsDisplay();
      }) {
    cache_->setNotificationSender(this);
    traffic_->setFeed(&traffic::TrafficFeed::shared());
}

GPSView::~GPSView() {
    // The worker runs this map's _findNearbyWaypoints: it must be done before the map goes.
    if (!cache_->waitUntilIdle(kRefreshWaitMs))
        platform::logLine(QStringLiteral("The map went while its nearby cache was still being refreshed"));
    if (cache_->notificationSender() == this) cache_->setNotificationSender(cache_.get());
}

void GPSView::initWithFrame(const QRectF& frame) {
    // The units first: the base's first position update may already start the cache's query.
    updateUnits(nullptr);
    AbstractInstrumentView::initWithFrame(frame);
    setMultipleTouchEnabled(true);
}

// ---- direct-to -------------------------------------------------------------------------------

void GPSView::selectPOI() {
    if (!directToString_.isNull()) {
        originLat_ = originLon_ = referenceLon_ = referenceLat_ = 0.0;
        directToString_ = QString();
        // Forgotten too, so that a restart does not bring the cancelled route back from 0 N 0 E.
        setSelectedWaypoint(Value());
        showDirectToState();
        setNeedsDisplay();
        emit waypointChanged();
        return;
    }
    AbstractInstrumentView::selectPOI();
}

void GPSView::setWaypoint(const Value& waypoint) {
    const std::optional<positioning::Fix> here = locationManager().currentLocation();
    directToString_ = QString();
    setSelectedWaypoint(waypoint);
    if (const platform::Dictionary* record = waypoint.asDictionary()) {
        referenceLat_ = record->get(keys::waypointLatitude).doubleValue();
        referenceLon_ = record->get(keys::waypointLongitude).doubleValue();
        // Without a fix the route starts where the map last was, or else at the waypoint itself.
        const std::optional<positioning::Fix>& from = here ? here : mapPosition_;
        originLon_ = from ? from->longitude : referenceLon_;
        originLat_ = from ? from->latitude : referenceLat_;
        platform::logLine(QString::asprintf("Direct from %.03f %.03f to %.03f %.03f", originLon_, originLat_,
                                            referenceLon_, referenceLat_));
        directToString_ = directToText(record->get(keys::waypointId).toQString(), record->get(keys::waypointName).toQString());
    } else {
        originLat_ = originLon_ = referenceLon_ = referenceLat_ = 0.0;
    }
    showDirectToState();
    updateDisplay(nullptr);
    emit waypointChanged();
}

void GPSView::showDirectToState() {
    if (auto* button = qobject_cast<platform::ui::Button*>(outlet(QStringLiteral("selectButton"))))
        button->setTitle(directToString_.isNull() ? QStringLiteral("Direct") : QStringLiteral("Cancel"));
}

// ---- position updates and the cache -----------------------------------------------------------

void GPSView::updateDisplay(const platform::Notification* notification) {
    positioning::LocationManager& manager = locationManager();
    const std::optional<positioning::Fix> here = manager.currentLocation();
    AbstractInstrumentView::updateDisplay(notification);
    showDirectToState();
    if (!navIsValid_ || !here) {
        for (const char* name : {"lonField", "latField", "speed", "course"})
            setLabelText(QString::fromLatin1(name), QStringLiteral("?"));
        setLabelText(QStringLiteral("altitude"), QStringLiteral("--"));
        setLabelText(QStringLiteral("verticalSpeed"), QStringLiteral("--"));
        setLabelText(QStringLiteral("accuracy"), QStringLiteral("No signal"));
        return;
    }
    mapPosition_ = *here;
    if (!cacheStarted_) {
        findNearbyWaypoints();
    } else if (const std::optional<MapProjection> map = projection()) {
        if (refreshTest(*map, bounds().size(), cache_->lastArea()).refresh) findNearbyWaypoints();
    }
    setNeedsDisplay();
    setLabelText(QStringLiteral("lonField"), positioning::LocationManager::formattedCoordinates(here->longitude, true));
    setLabelText(QStringLiteral("latField"), positioning::LocationManager::formattedCoordinates(here->latitude, false));
    setLabelText(QStringLiteral("speed"), speedText(manager.speed(), speedFactor_, speedUnit_));
    setLabelText(QStringLiteral("course"), bearingText(trackAngle_, showsMagnetic()));
    setLabelText(QStringLiteral("altitude"), heightText(here->altitude, here->pressureAltitude, heightFactor_, heightUnit_));
    setLabelText(QStringLiteral("verticalSpeed"), verticalSpeedText(manager.verticalSpeed(), heightFactor_, heightUnit_));
    setLabelText(QStringLiteral("accuracy"),
                 positioning::LocationManager::formattedDistance(here->horizontalAccuracy, manager.distanceFactor(),
                                                                 manager.distanceUnit()));
}

void GPSView::findNearbyWaypoints() {
    if (!mapPosition_) return;
    const platform::ArrayPtr db =
        ownDatabase_ ? ownDatabase_ : waypoints::POISelectorPaneController::sharedPOIDatabase().waypointsDB();
    if (!db || !(distanceFactor_ > 0.0)) {
        platform::logLine(QStringLiteral("The map cannot cache nearby waypoints without a database and units"));
        return;
    }
    platform::logLine("Will cache nearby waypoints");
    {
        std::lock_guard lock(requestMutex_);
        request_ = CacheRequest{db, mapPosition_->longitude, mapPosition_->latitude, distanceFactor_};
    }
    cacheStarted_ = true;
    cache_->runOnWorker([this] { _findNearbyWaypoints(); });
}

void GPSView::_findNearbyWaypoints() {
    CacheRequest request;
    {
        std::lock_guard lock(requestMutex_);
        request = request_;
    }
    if (!request.waypointsDB) return;
    // Where the aircraft is at this moment; the position that asked, should the fix be gone.
    if (const std::optional<positioning::Fix> here = locationManager().currentLocation();
        here && here->hasValidCoordinate()) {
        request.longitude = here->longitude;
        request.latitude = here->latitude;
    }
    cache_->refresh(*request.waypointsDB, request.longitude, request.latitude, request.distanceFactor);
    platform::performOnMainThread(
        [map = self_] {
            if (map) map->notifyOnUpdates();
        },
        false);
}

void GPSView::notifyOnUpdates() {
    setNeedsDisplay();
    platform::NotificationCenter::defaultCenter().postNotificationName("cachedWaypointsDBDidChange", this);
}

size_t GPSView::cachedCount() {
    std::lock_guard lock(dbLock());
    return cachedNearbyWaypoints().size();
}

std::optional<MapProjection> GPSView::projection() const {
    if (!mapPosition_) return std::nullopt;
    return MapProjection(mapPosition_->latitude, mapPosition_->longitude, center(), currentScale_);
}

QRectF GPSView::waypointsCacheRect() const {
    const std::optional<MapProjection> map = projection();
    const std::optional<waypoints::NearbyArea> area = cache_->lastArea();
    if (!map || !area) return {};
    return cacheRect(*map, *area);
}

QRectF GPSView::displayedRect() const { return instruments::displayedRect(bounds().size(), currentScale_); }

// ---- settings ---------------------------------------------------------------------------------

platform::DictionaryPtr GPSView::settings() const {
    platform::DictionaryPtr result = AbstractInstrumentView::settings();
    result->set("currentScale", Value::real(double(currentScale_)));
    if (!directToString_.isNull()) result->set("directToString", Value(directToString_));
    return result;
}

void GPSView::setSettings(const platform::DictionaryPtr& settings) {
    double scale = settingsNumber(settings, "currentScale", 0.0);
    if (scale == 0.0) {
        scale = kInitialMapScale;
    } else if (!(scale >= kMinimumMapScale && scale <= kMaximumMapScale)) {
        noteDamagedSetting(QStringLiteral("currentScale %1").arg(scale));
        scale = kInitialMapScale;
    }
    currentScale_ = float(scale);
    const Value* text = settings ? settings->find("directToString") : nullptr;
    if (text && !text->isString())
        noteDamagedSetting(QStringLiteral("directToString (%1)").arg(QString::fromStdString(text->description())));
    directToString_ = text && text->isString() ? text->toQString() : QString();
    // The base hands the saved waypoint to setWaypoint, which builds the text again from it, and
    // then puts back the saved origin.
    AbstractInstrumentView::setSettings(settings);
    showDirectToState();
}

QStringList GPSView::labelOutlets() const {
    return {QStringLiteral("latField"), QStringLiteral("lonField"), QStringLiteral("speed"), QStringLiteral("course"),
            QStringLiteral("accuracy"), QStringLiteral("altitude"), QStringLiteral("verticalSpeed")};
}

// ---- drawing ----------------------------------------------------------------------------------

void GPSView::drawRect(QPainter& painter, const QRectF& rect) {
    painter.fillRect(rect, kBackground);
    labels_.clear();
    airspaceLayer_.clear();
    const std::optional<MapProjection> map = projection();
    if (map) {
        baseMap_->draw(painter, *map, bounds().size(), labels_);
        if (const std::shared_ptr<const airspace::AirspaceIndex> index = currentAirspaces()) {
            // Clear of the distance scale, the aircraft and the direct-to or plan texts.
            std::vector<QRectF> keepClear{QRectF(130, 0, bounds().width() - 130, 23),
                                          QRectF(center().x() - 16, center().y() - 16, 32, 32)};
            if (!directToString_.isNull() || (planRoute_ && !planRoute_->paneText.isEmpty()))
                keepClear.push_back(QRectF(0, 274, bounds().width(), 50));
            airspaceLayer_.setZooming(lastZoom_.isValid() && lastZoom_.elapsed() < kZoomSettleMs);
            airspaceLayer_.draw(painter, *map, bounds().size(), index, labels_, keepClear);
        }
        traffic_->place(*map, bounds().size(), labels_);
    }
    drawNearbyWaypoints(painter);  // places every label
    if (map) traffic_->draw(painter, labels_);
    if (mapPosition_) drawCenterImage(painter, QStringLiteral("plane.png"), 360.0f - trackAngle_);
    drawScale(painter);
    drawPositionNotice(painter);
}

void GPSView::drawImage(QPainter& painter, const QPixmap& image, QPointF point, uint16_t angle) const {
    if (image.isNull()) return;
    const QSizeF size = image.deviceIndependentSize();
    painter.save();
    painter.translate(point);
    painter.rotate(double(float(angle) * kDegreesToRadians) * 180.0 / M_PI);
    painter.translate(-point);
    painter.drawPixmap(QPointF(point.x() - double(int(size.width()) / 2), point.y() - double(int(size.height()) / 2)),
                       image);
    painter.restore();
}

double GPSView::labelWidth(const QString& id) {
    auto it = labelWidths_.constFind(id);
    if (it == labelWidths_.constEnd()) it = labelWidths_.insert(id, QFontMetricsF(labelFont_).horizontalAdvance(id));
    return *it;
}

QImage GPSView::squareStamp(const QColor& colour, double scale, int phaseX, int phaseY, bool antialiased, int pad) {
    const uint64_t key = (uint64_t(colour.rgba()) << 24) ^ (uint64_t(std::lround(scale * 64.0)) << 9) ^
                         (uint64_t(antialiased) << 8) ^ uint64_t(phaseX << 4 | phaseY);
    auto it = squareStamps_.constFind(key);
    if (it == squareStamps_.constEnd()) {
        QImage stamp(2 * pad + 1, 2 * pad + 1, QImage::Format_ARGB32_Premultiplied);
        stamp.fill(Qt::transparent);
        QPainter p(&stamp);
        p.setRenderHint(QPainter::Antialiasing, antialiased);
        p.translate(pad + (phaseX + 0.5) / kSquarePhases, pad + (phaseY + 0.5) / kSquarePhases);
        p.scale(scale, scale);
        p.setPen(QPen(colour, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(-2, -2, 4, 4));
        p.end();
        it = squareStamps_.insert(key, stamp);
    }
    return *it;
}

void GPSView::drawNearbyWaypoints(QPainter& painter) {
    drawnWaypoints_.clear();
    summaryLine_ = QString();
    const std::optional<MapProjection> map = projection();
    if (map) {
        painter.save();
        const QFont labelFont = platform::ui::style::font(13);
        const QFontMetricsF metrics(labelFont);
        if (labelFont != labelFont_ || labelWidths_.size() > kMaxLabelWidths) {
            labelFont_ = labelFont;
            labelWidths_.clear();
        }
        painter.setFont(labelFont);
        const QTransform toDevice = painter.deviceTransform();
        // Zoomed out, a square is a ready stamp set down on whole device pixels, when the view is
        // only scaled and moved (as on screen); else it is drawn.
        const bool stamps = toDevice.type() <= QTransform::TxScale && toDevice.m11() == toDevice.m22() &&
                            toDevice.m11() > 0 && toDevice.m11() <= 8;
        // Drawing 600-800 antialiased outlines one by one took most of a zoomed-out frame. Each
        // square is drawn once into a small picture for its colour and its place within a device
        // pixel (to a sixteenth), and these are set down on whole device pixels after the loop.
        struct Stamp {
            QImage image;
            QPoint at;  // device pixels
        };
        std::vector<Stamp> squareStamps;
        const int stampPad = int(std::ceil(3.0 * toDevice.m11())) + 1;  // the outline reaches 2.5 points out
        const bool antialiased = painter.testRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::NoBrush);
        const Value vor1 = VORView::primaryVOR().selectedWaypoint();
        const Value vor2 = VORView::secondaryVOR().selectedWaypoint();
        const bool symbols = currentScale_ > kSymbolsAboveScale;
        std::array<QPixmap, waypoints::WaypointCell::kSymbolSlots> symbolImages;
        if (symbols)
            for (int code = 0; code < waypoints::WaypointCell::kSymbolSlots; ++code)
                if (const QString name = waypoints::WaypointCell::symbolNameForType(code); !name.isEmpty())
                    symbolImages[size_t(code)] = platform::ui::imageNamed(name, painter);
        const QRectF visible = bounds().adjusted(-kVisibilityMargin, -kVisibilityMargin, kVisibilityMargin, kVisibilityMargin);
        const Value pointedTo = selectedWaypoint();
        struct PendingLabel {
            QPointF at;
            QString id;
            QColor colour;
            int handle;
        };
        std::vector<PendingLabel> pending;
        // The distance scale and the direct-to texts keep their place; the aircraft gives way only
        // to the labels of the waypoints the instruments point to.
        labels_.reserve(QRectF(130, 0, bounds().width() - 130, 22));
        labels_.add(QRectF(center().x() - 12, center().y() - 12, 24, 24), basemap::labelPriority::kPointedTo + 1);
        const bool planText = planRoute_ && !planRoute_->paneText.isEmpty();
        if (!directToString_.isNull() || planText) labels_.reserve(QRectF(0, 274, bounds().width(), 50));
        std::vector<RouteLabel> routeLabels;
        if (planRoute_) drawPlanRoute(painter, *map, metrics, &routeLabels);

        std::lock_guard lock(dbLock());
        for (const Value& item : cachedNearbyWaypoints()) {
            const platform::Dictionary* record = item.asDictionary();
            if (!record) continue;
            const std::optional<QPointF> at =
                map->project(record->get(keys::waypointLatitude).doubleValue(), record->get(keys::waypointLongitude).doubleValue());
            if (!at || !visible.contains(*at)) continue;
            const double x = at->x(), y = at->y();
            const int type = record->get(keys::waypointType).intValue();
            const bool airport = type == kAirportType;
            const bool marked = (!vor1.isNull() && item == vor1) || (!vor2.isNull() && item == vor2);
            const QColor colour = marked ? kMarkedColour : airport ? kAirportColour : kOtherColour;
            if (marked) painter.fillRect(QRectF(x - 4, y - 4, 8, 8), colour);

            const QString id = record->get(keys::waypointId).toQString();
            QPointF label;
            if (symbols) {
                const QPixmap& symbol = type >= 0 && type < waypoints::WaypointCell::kSymbolSlots ? symbolImages[size_t(type)]
                                                                                                : symbolImages[0];
                if (airport) {
                    QString problem;
                    const uint16_t angle = airportSymbolAngle(*record, &problem);
                    if (!problem.isEmpty()) noteDamagedRecord(item, problem);
                    drawImage(painter, symbol, *at, angle);
                    // Left of the symbol; a long identifier moves left rather than into it.
                    label = QPointF(std::min(x - 45, x - 13 - labelWidth(id)), y);
                } else {
                    if (!symbol.isNull()) {
                        const QSizeF size = symbol.deviceIndependentSize();
                        painter.drawPixmap(QPointF(x - size.width() * 0.5, y - size.height() * 0.5), symbol);
                    }
                    label = QPointF(x - 11, y - 16);
                }
            } else {
                if (stamps) {
                    const QPointF device = toDevice.map(QPointF(x, y));
                    const int64_t qx = int64_t(std::floor(device.x() * kSquarePhases));
                    const int64_t qy = int64_t(std::floor(device.y() * kSquarePhases));
                    const int phaseX = int(qx - floorDiv(qx, kSquarePhases) * kSquarePhases);
                    const int phaseY = int(qy - floorDiv(qy, kSquarePhases) * kSquarePhases);
                    squareStamps.push_back({squareStamp(colour, toDevice.m11(), phaseX, phaseY, antialiased, stampPad),
                                            QPoint(int(floorDiv(qx, kSquarePhases)) - stampPad,
                                                   int(floorDiv(qy, kSquarePhases)) - stampPad)});
                } else {
                    painter.setPen(QPen(colour, 1.0));
                    painter.drawRect(QRectF(x - 2, y - 2, 4, 4));
                }
                label = airport ? QPointF(std::min(x - 32, x - 4 - labelWidth(id)), y - 2)
                                : QPointF(x + 3, y - 2);
            }
            const int priority = marked || (!pointedTo.isNull() && item == pointedTo) ? basemap::labelPriority::kPointedTo
                                 : airport ? basemap::labelPriority::kAirport + airportSizeRank(*record)
                                 : type >= 10 ? basemap::labelPriority::kNavaid
                                              : basemap::labelPriority::kOtherWaypoint;
            const QRectF box(label.x(), label.y() - metrics.ascent(), labelWidth(id), metrics.height());
            pending.push_back({label, id, colour, labels_.add(box, priority)});
            drawnWaypoints_.push_back({id, x, y});
        }
        if (!squareStamps.empty()) {
            // In device pixels, where a picture is copied as it is.
            painter.save();
            painter.setWorldTransform(painter.worldTransform() * toDevice.inverted());
            for (const Stamp& stamp : squareStamps) painter.drawImage(stamp.at, stamp.image);
            painter.restore();
        }
        labels_.place();
        baseMap_->drawLabels(painter, labels_);
        airspaceLayer_.drawLabels(painter, labels_);
        for (size_t i = 0; i < pending.size(); ++i) {
            drawnWaypoints_[i].labelled = labels_.placed(pending[i].handle);
            if (!drawnWaypoints_[i].labelled) continue;
            if (pending[i].colour == kMarkedColour && !baseMap_->drawnTiles().isEmpty()) {
                // Yellow on the light land needs a dark edge to be read.
                painter.setPen(QColor(0, 0, 0, 160));
                for (const QPointF d : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)})
                    painter.drawText(pending[i].at + d, pending[i].id);
            }
            painter.setPen(pending[i].colour);
            painter.drawText(pending[i].at, pending[i].id);
        }
        for (const RouteLabel& label : routeLabels) {
            if (!labels_.placed(label.handle)) continue;
            // White on a dark plate reads over land, water and the route alike.
            painter.fillRect(label.box.adjusted(-2, 0, 2, 0), QColor(0, 0, 0, 170));
            painter.setPen(label.active ? QColor(255, 255, 255) : QColor(235, 235, 235));
            painter.drawText(label.at, label.text);
        }
        painter.restore();
    }
    const bool planText = planRoute_ && !planRoute_->paneText.isEmpty();
    if (!directToString_.isNull() && map) drawRoute(painter, *map);
    if (planText) {
        drawPlanTexts(painter);
    } else if (!directToString_.isNull()) {
        drawDirectToTexts(painter);
    }
}

void GPSView::setPlanRoute(std::optional<PlanRoute> route) {
    planRoute_ = std::move(route);
    setNeedsDisplay();
}

void GPSView::drawPlanRoute(QPainter& painter, const MapProjection& map, const QFontMetricsF& metrics,
                            std::vector<RouteLabel>* labels) {
    const std::vector<PlanRoute::Point>& points = planRoute_->points;
    if (points.empty()) return;
    const size_t active = std::min(planRoute_->active, points.size() - 1);
    // Each leg as its great circle (ten pieces), from the leg's start. Only the pieces that reach
    // the map are drawn, as separate lines: one path through many crossing legs makes the
    // rasterizer fill a large self-intersecting outline, several times slower. A point with no
    // place on the map (the aircraft's antipode) leaves its pieces out.
    const QRectF onMap = bounds().adjusted(-8, -8, 8, 8);
    std::vector<QLineF> route;
    std::vector<QLineF> activeLeg;
    for (size_t i = 1; i < points.size(); ++i) {
        std::vector<QLineF>& lines = i == active ? activeLeg : route;
        const PlanRoute::Point& a = points[i - 1];
        const PlanRoute::Point& b = points[i];
        std::optional<QPointF> last = map.project(a.latitude, a.longitude);
        // A leg bends away from its chord by about L^2 tan(lat) / 8R: under a third of a point,
        // it is drawn as one line (most legs, at most scales), else in ten pieces.
        const double legNM = positioning::Geodesy::calcDistanceInMeters(a.longitude, a.latitude, b.longitude, b.latitude) / 1852.0;
        const double bend = legNM * legNM * std::tan(std::min(std::fabs(a.latitude) + 1.0, 89.0) * M_PI / 180.0) / (8.0 * 3440.0);
        if (bend * double(currentScale_) < 0.3) {
            const std::optional<QPointF> end = map.project(b.latitude, b.longitude);
            if (last && end && QRectF(*last, *end).normalized().adjusted(-1, -1, 1, 1).intersects(onMap))
                lines.emplace_back(*last, *end);
            continue;
        }
        for (const positioning::FloatPoint& q : routePoints(a.latitude, a.longitude, b.latitude, b.longitude, map.longitude())) {
            const std::optional<QPointF> next = map.project(double(q.y), double(q.x));
            if (last && next && QRectF(*last, *next).normalized().adjusted(-1, -1, 1, 1).intersects(onMap))
                lines.emplace_back(*last, *next);
            last = next;
        }
    }
    painter.save();
    painter.setBrush(Qt::NoBrush);
    // The other legs in one stroke (a dark edge under each doubled the frame's cost with a long
    // plan on screen); the active leg on a dark edge.
    painter.setPen(QPen(kPlanColour, 3.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawLines(route.data(), int(route.size()));
    painter.setPen(QPen(QColor(0, 0, 0, 150), 6.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawLines(activeLeg.data(), int(activeLeg.size()));
    painter.setPen(QPen(kPlanActiveColour, 4.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawLines(activeLeg.data(), int(activeLeg.size()));

    // The point marks, drawn once per pixel density and copied: a plan has hundreds of them.
    const qreal density = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const auto markPicture = [density](const QColor& fill) {
        QPixmap picture(QSize(int(std::ceil(12 * density)), int(std::ceil(12 * density))));
        picture.setDevicePixelRatio(density);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 1.5));
        p.setBrush(fill);
        p.drawEllipse(QPointF(6, 6), 4.5, 4.5);
        return picture;
    };
    if (planMarksDensity_ != density) {
        planMarks_[0] = markPicture(kPlanColour);
        planMarks_[1] = markPicture(kPlanActiveColour);
        planMarksDensity_ = density;
    }
    const QPixmap& otherMark = planMarks_[0];
    const QPixmap& activeMark = planMarks_[1];
    const QRectF visible = bounds().adjusted(-kVisibilityMargin, -kVisibilityMargin, kVisibilityMargin, kVisibilityMargin);
    for (size_t i = 0; i < points.size(); ++i) {
        const std::optional<QPointF> at = map.project(points[i].latitude, points[i].longitude);
        if (!at || !visible.contains(*at)) continue;
        const bool isActive = i == active;
        const QPixmap& mark = isActive ? activeMark : otherMark;
        painter.drawPixmap(*at - QPointF(6, 6), mark);
        const QString text = QStringLiteral("%1 %2").arg(points[i].number).arg(points[i].id);
        // Right of the mark, above its middle (left of it near the map's right edge, under it near
        // the top); the active point's label comes first.
        const double width = metrics.horizontalAdvance(text);
        QPointF place(at->x() + 7, at->y() - 5);
        if (place.x() + width > bounds().width() - 2) place.setX(at->x() - 7 - width);
        if (place.y() - metrics.ascent() < 2) place.setY(at->y() + 5 + metrics.ascent());
        const QRectF box(place.x(), place.y() - metrics.ascent(), width, metrics.height());
        const int priority = isActive ? basemap::labelPriority::kPointedTo : basemap::labelPriority::kAirport;
        labels->push_back({place, box, text, isActive, labels_.add(box, priority)});
    }
    painter.restore();
}

void GPSView::drawPlanTexts(QPainter& painter) {
    const double width = bounds().width() - 10.0;
    // "To LSGL (2/5) DIS 12.3 nm BRG 048°M" over "ETE 0:07 - ETA dest 14:52": the line breaks
    // before the times, so that it reads at 16 points in the map's width.
    const QString& text = planRoute_->paneText;
    const qsizetype cut = text.indexOf(QStringLiteral(" ETE "));
    const QString first = cut > 0 ? text.left(cut) : text;
    const QString second = cut > 0 ? text.mid(cut + 1) : QString();
    painter.save();
    painter.fillRect(QRectF(0, 274, bounds().width(), 46), kTextBackdrop);
    const QFont bold = platform::ui::style::font(16, true);
    painter.setFont(bold);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(5, 290), QFontMetricsF(bold).elidedText(first, Qt::ElideRight, width));
    painter.setPen(kDirectToColour);
    painter.drawText(QPointF(5, 312), QFontMetricsF(bold).elidedText(second, Qt::ElideRight, width));
    painter.restore();
}

void GPSView::drawRoute(QPainter& painter, const MapProjection& map) {
    QPainterPath path;
    ProjectedLine line(path);
    line.add(map.project(originLat_, originLon_));
    for (const positioning::FloatPoint& q : routePoints(originLat_, originLon_, referenceLat_, referenceLon_, map.longitude()))
        line.add(map.project(double(q.y), double(q.x)));
    painter.save();
    painter.setPen(QPen(kRouteColour, 2.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();

    const double metres = positioning::Geodesy::calcDistanceInMeters(map.longitude(), map.latitude(), referenceLon_,
                                                                     referenceLat_);
    double waypointLon = referenceLon_;
    normalizeLongitude(map.longitude(), &waypointLon);
    const float bearing = positioning::Geodesy::calcAngle({float(map.longitude()), float(map.latitude())},
                                                          {float(waypointLon), float(referenceLat_)});
    summaryLine_ = summaryText(metres, distanceFactor_, distanceUnit_, bearingFromNorth(bearing, magneticVariation_),
                               locationManager().speed(), showsMagnetic() ? u'M' : u'T');
}

void GPSView::drawDirectToTexts(QPainter& painter) {
    const double width = bounds().width() - 10.0;
    painter.save();
    if (!baseMap_->drawnTiles().isEmpty()) painter.fillRect(QRectF(0, 274, bounds().width(), 46), kTextBackdrop);
    painter.setPen(kDirectToColour);
    const QFont font = platform::ui::style::font(16);
    painter.setFont(font);
    painter.drawText(QPointF(5, 290), QFontMetricsF(font).elidedText(directToString_, Qt::ElideRight, width));
    if (!summaryLine_.isNull()) {
        const QFont bold = platform::ui::style::font(16, true);
        painter.setFont(bold);
        painter.drawText(QRectF(5, 295, width, 30), Qt::AlignLeft | Qt::AlignTop,
                         QFontMetricsF(bold).elidedText(summaryLine_, Qt::ElideRight, width));
    }
    painter.restore();
}

void GPSView::drawScale(QPainter& painter) {
    const ScaleBar bar = scaleBar(distanceFactor_, currentScale_);
    painter.save();
    // Over the base map's light land a dark band keeps the light grey scale legible.
    if (!baseMap_->drawnTiles().isEmpty()) painter.fillRect(QRectF(130, 0, bounds().width() - 130, 23), kTextBackdrop);
    const QPen pen(kScaleColour, 1.0);
    painter.setPen(pen);
    const QFont font = platform::ui::style::font(12);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.drawText(QPointF(135, 15), distanceUnit_);
    QPainterPath path;
    path.moveTo(kScaleBarStart, 5);
    for (const ScaleTick& tick : bar.ticks) {
        const QString label = QString::number(tick.value);
        // A tick whose figure would run off the map ends the bar.
        if (tick.x + metrics.horizontalAdvance(label) > bounds().width() - 1.0) break;
        path.lineTo(tick.x, 5);
        path.lineTo(tick.x, 10);
        path.moveTo(tick.x, 5);
        painter.drawText(QPointF(tick.x, 20), label);
    }
    painter.strokePath(path, pen);
    painter.restore();
}

void GPSView::drawPositionNotice(QPainter& painter) {
    if (mapPosition_ && navIsValid_) return;
    painter.save();
    // Under the notice, what the position source is doing ("waiting for gpsd at localhost:2947"),
    // elided to the map's width.
    const QString sourceState = locationManager().sourceStateText();
    const QFont stateFont = platform::ui::style::font(12, false);
    const QFontMetricsF stateMetrics(stateFont);
    const QString stateLine = stateMetrics.elidedText(sourceState, Qt::ElideMiddle, bounds().width() - 20.0);
    if (!mapPosition_) {
        painter.setPen(Qt::white);
        painter.setFont(platform::ui::style::font(16, true));
        const QRectF middle = bounds();
        painter.drawText(middle.adjusted(0, 0, 0, -20), Qt::AlignCenter, QStringLiteral("No GPS position"));
        if (!stateLine.isEmpty()) {
            painter.setPen(QColor(0xC0, 0xC0, 0xC0));
            painter.setFont(stateFont);
            painter.drawText(middle.adjusted(10, 20, -10, 0), Qt::AlignCenter, stateLine);
        }
    } else {
        const QFont font = platform::ui::style::font(13, true);
        const QString text = QStringLiteral("No GPS signal: last known position");
        const double width = std::max(QFontMetricsF(font).horizontalAdvance(text), stateMetrics.horizontalAdvance(stateLine)) + 12.0;
        const double height = stateLine.isEmpty() ? 20.0 : 36.0;
        const QRectF box((bounds().width() - width) * 0.5, 28, width, height);
        painter.fillRect(box, QColor(0, 0, 0, 170));
        painter.setPen(kNoticeColour);
        painter.setFont(font);
        painter.drawText(QRectF(box.left(), box.top(), box.width(), 20), Qt::AlignCenter, text);
        if (!stateLine.isEmpty()) {
            painter.setPen(QColor(0xC0, 0xC0, 0xC0));
            painter.setFont(stateFont);
            painter.drawText(QRectF(box.left(), box.top() + 18, box.width(), 16), Qt::AlignCenter, stateLine);
        }
    }
    painter.restore();
}

// ---- airspace ----------------------------------------------------------------------------------

void GPSView::setAirspaces(std::shared_ptr<const airspace::AirspaceIndex> index) {
    airspaces_ = std::move(index);
    airspaceLayer_.invalidate();
    setNeedsDisplay();
}

void GPSView::airspacesChanged() {
    airspaceLayer_.invalidate();
    setNeedsDisplay();
}

std::shared_ptr<const airspace::AirspaceIndex> GPSView::currentAirspaces() const {
    return airspaces_ ? airspaces_ : airspace::AirspaceLibrary::shared().current().index;
}

std::vector<GPSView::DrawnAirspace> GPSView::drawnAirspaces() const {
    std::vector<DrawnAirspace> out;
    for (const AirspaceLayer::DrawnAirspace& a : airspaceLayer_.drawnAirspaces()) out.push_back({a.name, a.labelled});
    return out;
}

std::optional<AirspacesHere> GPSView::airspacesHere() const {
    const std::optional<positioning::Fix> here = locationManager().currentLocation();
    // The aircraft where the map shows it: the current fix, else the last known position.
    const std::optional<positioning::Fix>& at = here && here->hasValidCoordinate() ? here : mapPosition_;
    if (!at) return std::nullopt;
    const std::shared_ptr<const airspace::AirspaceIndex> index = currentAirspaces();
    if (!index) return std::nullopt;
    // The altitude above sea level, else the pressure altitude; the limits are in feet.
    const std::optional<double> metres = at->altitude ? at->altitude : at->pressureAltitude;
    const std::optional<double> feet = metres ? std::optional<double>(*metres / airspace::kMetresPerFoot) : std::nullopt;
    return instruments::airspacesHere(*index, at->latitude, at->longitude, feet);
}

void GPSView::showAirspacesHere() {
    const std::optional<AirspacesHere> list = airspacesHere();
    if (!list) {
        platform::logLine(QStringLiteral("Airspace here: no position to look from"));
        return;
    }
    if (airspacesHereAlert_) {
        // A second tap while it shows: the list of now, in place of the old one.
        airspacesHereAlert_->disconnect(this);
        airspacesHereAlert_->deleteLater();
    }
    airspacesHereText_ = list->text();
    auto* alert = new platform::ui::AlertView(list->title, list->message, nullptr, QStringLiteral("OK"), {});
    airspacesHereAlert_ = alert;
    connect(alert, &QObject::destroyed, this, [this] { airspacesHereText_ = QString(); });
    alert->show();
}

void GPSView::setOutlet(const QString& name, QWidget* widget) {
    AbstractInstrumentView::setOutlet(name, widget);
    if (name == QLatin1String("setupView"))
        if (auto* pane = qobject_cast<platform::ui::FramedSetupView*>(widget))
            connect(pane, &platform::ui::FramedSetupView::tapped, this, [this] { showAirspacesHere(); });
}

void GPSView::noteDamagedRecord(const Value& record, const QString& problem) {
    if (!reportedRecords_.insert(record.identity()).second) return;
    const platform::Dictionary* r = record.asDictionary();
    platform::logLine(QStringLiteral("The airport %1 is drawn unturned: %2")
                          .arg(r ? r->get(keys::waypointId).toQString() : QString(), problem));
}

// ---- zoom -------------------------------------------------------------------------------------

void GPSView::touchesBegan(const TouchSet& touches) {
    if (touches.all.size() != 2) return;
    originalScale_ = currentScale_;
    originalTouchDistance_ = distanceBetween(touches.all[0], touches.all[1]);
}

void GPSView::touchesMoved(const TouchSet& touches) {
    if (touches.all.size() == 2) {
        // Two fingers that did not begin together start the pinch where they are now.
        if (!(originalTouchDistance_ > 0.0)) touchesBegan(touches);
        currentScale_ = pinchedScale(originalScale_, originalTouchDistance_, distanceBetween(touches.all[0], touches.all[1]));
        lastZoom_.start();
    }
    setNeedsDisplay();
}

void GPSView::touchesEnded(const TouchSet&) { originalTouchDistance_ = 0.0; }

void GPSView::wheelTurned(double notches, const QPointF&) {
    currentScale_ = wheelZoomedScale(currentScale_, notches);
    lastZoom_.start();
    setNeedsDisplay();
}

}  // namespace vantrel::instruments
