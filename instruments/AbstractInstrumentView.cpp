#include "AbstractInstrumentView.h"

#include "InstrumentInterfaceFiles.h"
#include "InstrumentMath.h"
#include "LayeredPicture.h"
#include "TurnedArtwork.h"

#include "platform/core/FreedMemory.h"
#include "platform/core/Log.h"
#include "platform/ui/Images.h"
#include "positioning/LocationManager.h"
#include "positioning/MagneticVariation.h"
#include "units/UnitSettings.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointKeys.h"

#include <QHash>
#include <QImage>
#include <QLabel>
#include <QTransform>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vantrel::instruments {

using platform::Value;
namespace keys = waypoints::keys;

AbstractInstrumentView::AbstractInstrumentView(positioning::LocationManager& locationManager, units::UnitSettings& units)
    : location_(locationManager), units_(units) {}

AbstractInstrumentView::~AbstractInstrumentView() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void AbstractInstrumentView::initWithFrame(const QRectF& frame) {
    setFrame(frame);
    setBackgroundColor(Qt::black);
    setOpaque(true);
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, "locationDidUpdate", &location_,
                       [this](const platform::Notification& n) { updateDisplay(&n); });
    center.addObserver(this, "UnitsChanged", nullptr, [this](const platform::Notification& n) { updateUnits(&n); });
    // The map shows the source's state under its notices; the others draw what they draw anyway.
    center.addObserver(this, "positionSourceStateDidChange", &location_, [this](const platform::Notification&) { setNeedsDisplay(); });
    location_.start();
}

void AbstractInstrumentView::updateUnits(const platform::Notification*) {
    distanceFactor_ = units_.distanceFactor();
    speedFactor_ = units_.speedFactor();
    heightFactor_ = units_.heightFactor();
    distanceUnit_ = units_.distanceUnit();
    speedUnit_ = units_.speedUnit();
    heightUnit_ = units_.heightUnit();
    magneticNorth_ = units_.magneticNorth();
    if (!magneticNorth_) magneticVariation_.reset();
    updateDisplay(nullptr);
}

void AbstractInstrumentView::selectPOI() {
    waypoints::POISelectorPaneController& pane = waypoints::POISelectorPaneController::presentPOISelectorPane();
    pane.setOwner(this);
}

void AbstractInstrumentView::setWaypoint(const Value& waypoint) {
    const std::optional<positioning::Fix> here = location_.currentLocation();
    setSelectedWaypoint(waypoint);
    if (const platform::Dictionary* record = waypoint.asDictionary()) {
        referenceLat_ = record->get(keys::waypointLatitude).doubleValue();
        referenceLon_ = record->get(keys::waypointLongitude).doubleValue();
        // Without a fix the route starts where the waypoint is: nothing is drawn from 0 N 0 E.
        originLon_ = here ? here->longitude : referenceLon_;
        originLat_ = here ? here->latitude : referenceLat_;
    } else {
        originLat_ = originLon_ = referenceLon_ = referenceLat_ = 0.0;
    }
    updateDisplay(nullptr);
    emit waypointChanged();
}

void AbstractInstrumentView::updateDisplay(const platform::Notification*) {
    if (magneticNorth_) {
        // Without a fix the aircraft has not moved: the last variation stays.
        if (const std::optional<positioning::Fix> here = location_.currentLocation())
            if (std::optional<double> v = positioning::MagneticVariation::shared().atFix(*here)) magneticVariation_ = v;
    }
    const float course = location_.course();
    trackAngle_ = std::isfinite(course) ? bearingFromNorth(course, magneticVariation_) : 0.0f;
    navIsValid_ = location_.accuracyValidForNav();
    setNeedsDisplay();
}

QWidget* AbstractInstrumentView::setupView() {
    if (!setupView_) {
        registerInstrumentInterfaceFiles();
        QWidget* pane = platform::ui::loadNibNamed(instrumentSetupNib(), *this);
        // The pane is the instrument's until a screen takes it in; it goes with the instrument.
        if (pane && !pane->parent()) pane->setParent(this, pane->windowFlags() & ~Qt::Window);
        if (pane) pane->hide();
        setupView_ = pane;
        // The labels show the state at once, not only from the next fix.
        if (pane) updateDisplay(nullptr);
    }
    return setupView_;
}

qsizetype AbstractInstrumentView::keptPictureBytes() const {
    qsizetype total = 0;
    for (const TurnedImage& turned : turnedImages_)
        total += qsizetype(turned.picture.width()) * turned.picture.height() * turned.picture.depth() / 8;
    return total;
}

void AbstractInstrumentView::hideEvent(QHideEvent* event) {
    turnedImages_.clear();
    platform::releaseFreedMemorySoon();
    View::hideEvent(event);
}

QString AbstractInstrumentView::instrumentSetupNib() const { return QStringLiteral("InstrumentSetupView"); }

namespace {
// The part of an image that is not fully transparent, in its own points, measured once per image
// given by its pixmap: the instruments' overlays are full-size images with a small drawing, and
// blending the empty rest would cost every frame.
QRectF opaqueRect(const QPixmap& image) {
    static QHash<qint64, QRectF> known;
    auto it = known.constFind(image.cacheKey());
    if (it == known.constEnd()) it = known.insert(image.cacheKey(), platform::ui::opaqueRect(image.toImage()));
    return *it;
}
}  // namespace

void AbstractInstrumentView::drawCenterImage(QPainter& painter, const QPixmap& image, float angle) const {
    if (image.isNull()) return;
    const QRectF part = opaqueRect(image);
    drawArtwork(painter, {image, part, part, image.deviceIndependentSize()}, angle);
}

const AbstractInstrumentView::Artwork& AbstractInstrumentView::artworkNamed(const QString& name, qreal scale) {
    // Only the drawn part of each full-size image is kept: most of an overlay is transparent.
    static QHash<QPair<QString, qreal>, Artwork> kept;
    const QPair<QString, qreal> key(name, scale);
    auto it = kept.constFind(key);
    if (it != kept.constEnd()) return *it;
    // Usually rendered, cut and, for a picture that turns, split ahead on another thread while the
    // database loaded (see prepareInstrumentArtwork).
    platform::ui::ImagePart part = platform::ui::renderImagePartNamed(name, scale);
    if (const auto* split = std::any_cast<std::shared_ptr<const TurnedArtwork>>(&part.prepared))
        LayeredPicture::rememberSplit(part.pixmap, *split);
    return *kept.insert(key, {part.pixmap, QRectF(QPointF(0, 0), part.place.size()), part.place, part.fullSize});
}

void AbstractInstrumentView::drawArtwork(QPainter& painter, const Artwork& image, float angle) const {
    if (image.pixmap.isNull() || image.place.isEmpty()) return;
    if (!std::isfinite(angle)) angle = 0.0f;
    const QRectF b = bounds();
    const float radians = (360.0f - angle) * kDegreesToRadians;
    // The single-precision factor makes a whole turn 359.9986 degrees: drawn as no turn at all (a
    // difference of 0.004 points at the rim), so that an upright image takes the fast, exact path.
    const double degrees = std::remainder(double(radians) * 180.0 / M_PI, 360.0);
    const double shown = std::abs(degrees) <= 0.01 ? 0.0 : degrees;
    if (layeredPicture_ &&
        layeredPicture_->takeImage(painter, image.pixmap, image.source, image.place, image.size, shown, b.center()))
        return;
    if (shown == 0.0) {
        drawImagePart(painter, image, 0.0);
        return;
    }
    // A turned image is resampled at every draw; once it holds still for a second frame, the turned
    // picture is kept and later frames only copy it.
    const qreal scale = paintScale(painter);
    TurnedImage& turned = turnedImages_[image.pixmap.cacheKey()];
    if (turned.degrees != degrees || turned.scale != scale || turned.size != b.size()) {
        turned = {degrees, scale, b.size(), QPixmap(), QPointF()};
        drawImagePart(painter, image, degrees);
        return;
    }
    if (turned.picture.isNull()) {
        // Only the area that the turned drawing covers, whole pixels, so that copying it is cheap.
        const QRectF part = image.place.translated((b.width() - image.size.width()) * 0.5, (b.height() - image.size.height()) * 0.5);
        QTransform turn;
        turn.translate(b.width() * 0.5, b.height() * 0.5).rotate(degrees).translate(b.width() * -0.5, b.height() * -0.5);
        QRectF covered = turn.mapRect(part).adjusted(-1, -1, 1, 1);
        covered = QRectF(std::floor(covered.left() * scale) / scale, std::floor(covered.top() * scale) / scale,
                         std::ceil(covered.width() * scale + 1) / scale, std::ceil(covered.height() * scale + 1) / scale);
        QPixmap picture((covered.size() * scale).toSize());
        picture.setDevicePixelRatio(scale);
        picture.fill(Qt::transparent);
        QPainter cache(&picture);
        cache.setRenderHints(painter.renderHints());
        cache.translate(-covered.topLeft());
        drawImagePart(cache, image, degrees);
        cache.end();
        turned.picture = picture;
        turned.origin = covered.topLeft();
    }
    // The picture lies on whole pixels: copied pixel for pixel, without the smoothing that would
    // send it through the raster engine's generic (and threaded) path.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(turned.origin, turned.picture);
    painter.restore();
}

void AbstractInstrumentView::drawImagePart(QPainter& painter, const Artwork& image, double degrees) const {
    const QRectF b = bounds();
    painter.save();
    if (degrees != 0.0) {
        painter.translate(b.width() * 0.5, b.height() * 0.5);
        painter.rotate(degrees);
        painter.translate(b.width() * -0.5, b.height() * -0.5);
    }
    const QPointF topLeft((b.width() - image.size.width()) * 0.5, (b.height() - image.size.height()) * 0.5);
    const double ratio = image.pixmap.devicePixelRatio();
    const QRectF target(topLeft + image.place.topLeft(), image.place.size());
    const QRectF source(image.source.topLeft() * ratio, image.source.size() * ratio);
    if (degrees == 0.0) {
        // Upright on whole device pixels at its own scale, the image is copied pixel for pixel:
        // smoothing would change nothing but send it through the raster engine's generic path.
        const QTransform device = painter.deviceTransform();
        const QRectF pixels = device.mapRect(target);
        const auto whole = [](qreal v) { return std::abs(v - std::round(v)) < 1e-6; };
        if (device.type() <= QTransform::TxScale && whole(pixels.left()) && whole(pixels.top()) &&
            std::abs(pixels.width() - source.width()) < 1e-6 && std::abs(pixels.height() - source.height()) < 1e-6)
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    }
    painter.drawPixmap(target, image.pixmap, source);
    painter.restore();
}

qreal AbstractInstrumentView::imageReach(const QPainter& painter, const QString& imageName) const {
    const Artwork& image = artworkNamed(imageName, paintScale(painter));
    if (image.pixmap.isNull() || image.place.isEmpty()) return 0;
    const QPointF centre(image.size.width() * 0.5, image.size.height() * 0.5);
    qreal reach = 0;
    for (const QPointF corner : {image.place.topLeft(), image.place.topRight(), image.place.bottomLeft(), image.place.bottomRight()})
        reach = std::max(reach, std::hypot(corner.x() - centre.x(), corner.y() - centre.y()));
    return reach;
}

void AbstractInstrumentView::drawCenterImage(QPainter& painter, const QString& imageName, float angle) const {
    drawArtwork(painter, artworkNamed(imageName, paintScale(painter)), angle);
}

platform::DictionaryPtr AbstractInstrumentView::settings() const {
    platform::DictionaryPtr result = platform::Dictionary::create(10);
    if (selectedWaypoint_.isDictionary()) result->set("waypoint", selectedWaypoint_);
    result->set("waypoint_latitude", Value::real(referenceLat_));
    result->set("waypoint_longitude", Value::real(referenceLon_));
    result->set("original_latitude", Value::real(originLat_));
    result->set("original_longitude", Value::real(originLon_));
    return result;
}

double AbstractInstrumentView::settingsNumber(const platform::DictionaryPtr& settings, std::string_view key,
                                              double fallback) {
    if (!settings) return fallback;
    const Value* value = settings->find(key);
    if (!value) return fallback;
    const double number = value->doubleValue();
    if (!value->isNumber() || !std::isfinite(number)) {
        noteDamagedSetting(QStringLiteral("%1 (%2)")
                               .arg(QString::fromUtf8(key.data(), qsizetype(key.size())),
                                    QString::fromStdString(value->description())));
        return fallback;
    }
    return number;
}

void AbstractInstrumentView::noteDamagedSetting(const QString& what) { damagedSettings_.append(what); }

Value AbstractInstrumentView::resolveSavedWaypoint(const Value& saved, QString* problem) {
    if (saved.isNull()) return {};
    const platform::Dictionary* record = saved.asDictionary();
    const auto finite = [](const Value& v) { return v.isNumber() || v.isString() ? std::isfinite(v.doubleValue()) : false; };
    if (!record || !record->get(keys::waypointId).isString() || !finite(record->get(keys::waypointLatitude)) ||
        !finite(record->get(keys::waypointLongitude))) {
        *problem = QStringLiteral("waypoint (%1)").arg(QString::fromStdString(saved.description()).left(80));
        return {};
    }
    // The saved copy stands for the database's own record when the database holds the same
    // waypoint, so that the instruments and the map compare records as they were chosen.
    const double lat = record->get(keys::waypointLatitude).doubleValue();
    const double lon = record->get(keys::waypointLongitude).doubleValue();
    platform::ArrayPtr matches = platform::Array::create();
    waypoints::POISelectorPaneController::sharedPOIDatabase().database().identifierIndex().search(
        record->get(keys::waypointId).stringView(), *matches);
    for (const Value& candidate : *matches) {
        const platform::Dictionary* other = candidate.asDictionary();
        if (other && other->get(keys::waypointId).stringView() == record->get(keys::waypointId).stringView() &&
            other->get(keys::waypointLatitude).doubleValue() == lat &&
            other->get(keys::waypointLongitude).doubleValue() == lon)
            return candidate;
    }
    return saved;
}

void AbstractInstrumentView::setSettings(const platform::DictionaryPtr& settings) {
    QString problem;
    const Value waypoint = resolveSavedWaypoint(settings ? settings->get("waypoint") : Value(), &problem);
    if (!problem.isEmpty()) noteDamagedSetting(problem);
    setWaypoint(waypoint);
    originLon_ = settingsNumber(settings, "original_longitude", 0.0);
    originLat_ = settingsNumber(settings, "original_latitude", 0.0);
    if (std::abs(originLat_) > 90.0 || std::abs(originLon_) > 540.0) {
        noteDamagedSetting(QStringLiteral("original position %1 %2").arg(originLat_).arg(originLon_));
        originLat_ = referenceLat_;
        originLon_ = referenceLon_;
    }
    if (!damagedSettings_.isEmpty()) {
        platform::logLine(QStringLiteral("The saved settings of %1 are damaged; restored without %2")
                              .arg(objectName(), damagedSettings_.join(QStringLiteral(", "))));
        damagedSettings_.clear();
    }
    setNeedsDisplay();
}

QString AbstractInstrumentView::labelText(const QString& name) const {
    auto* label = qobject_cast<QLabel*>(outlet(name));
    return label ? label->text() : QString();
}

QStringList AbstractInstrumentView::labelOutlets() const { return {}; }

void AbstractInstrumentView::setLabelText(const QString& name, const QString& text) {
    // The pane's labels end a text too wide for them in "…" themselves.
    if (auto* label = qobject_cast<QLabel*>(outlet(name))) label->setText(text);
}

void AbstractInstrumentView::setOutlet(const QString& name, QWidget* widget) { outlets_.insert(name, widget); }

std::function<void()> AbstractInstrumentView::actionNamed(const QString& action) {
    if (action == QLatin1String("selectPOI:")) return [this] { selectPOI(); };
    return {};
}

}  // namespace vantrel::instruments
