#include "CircularInstrumentView.h"

#include "InstrumentMath.h"

#include "platform/ui/PictureMemory.h"
#include "positioning/LocationManager.h"
#include "waypoints/WaypointKeys.h"

#include <QPainter>
#include <functional>
#include <cmath>

namespace vantrel::instruments {

using platform::Value;
namespace keys = waypoints::keys;

void CircularInstrumentView::setWaypoint(const Value& waypoint) {
    const platform::Dictionary* record = waypoint.asDictionary();
    if (!record) return;  // nothing chosen: the previous waypoint stays
    setSelectedWaypoint(waypoint);
    setLabelText(QStringLiteral("poiName"), QStringLiteral("%1, %2").arg(record->get(keys::waypointId).toQString(),
                                                                         record->get(keys::waypointName).toQString()));
    referenceLat_ = record->get(keys::waypointLatitude).doubleValue();
    referenceLon_ = record->get(keys::waypointLongitude).doubleValue();
    updateDisplay(nullptr);
    emit waypointChanged();
}

double CircularInstrumentView::distanceToPOI() const { return locationManager().distanceTo(referenceLat_, referenceLon_); }

void CircularInstrumentView::updateDisplay(const platform::Notification* notification) {
    positioning::LocationManager& manager = locationManager();
    const std::optional<positioning::Fix> here = manager.currentLocation();
    const double d = distanceToPOI();
    AbstractInstrumentView::updateDisplay(notification);
    const bool accuracyValid = manager.accuracyValidForNav();
    navIsValid_ = circularNavigationValid(accuracyValid, d);
    if (navIsValid_) {
        angleToReference_ = truncatedBearing(bearingFromNorth(manager.angleTo(referenceLat_, referenceLon_), magneticVariation()));
        setLabelText(QStringLiteral("poiDistance"),
                     positioning::LocationManager::formattedDistance(d, manager.distanceFactor(), manager.distanceUnit()));
    } else {
        angleToReference_ = 0;
        setLabelText(QStringLiteral("poiDistance"), QStringLiteral("--"));
    }
    setLabelText(QStringLiteral("gpsAccuracy"),
                 accuracyValid && here ? positioning::LocationManager::formattedDistance(
                                             here->horizontalAccuracy, manager.distanceFactor(), manager.distanceUnit())
                                       : QStringLiteral("No signal"));
    setNeedsDisplay();
}

void CircularInstrumentView::animate() {
    // A step already due carries on towards the new target; a second timer would double the pace.
    if (stepTimer_.isActive()) {
        setNeedsDisplay();
        return;
    }
    step();
}

void CircularInstrumentView::step() {
    const AnimationStep next = animationStep(indicatorAngle_, targetIndicatorAngle_);
    indicatorAngle_ = next.indicatorAngle;
    if (next.again) {
        if (!stepTimerReady_) {
            stepTimerReady_ = true;
            stepTimer_.setSingleShot(true);
            stepTimer_.setInterval(int(kAnimationStepSeconds * 1000));
            connect(&stepTimer_, &QTimer::timeout, this, [this] { step(); });
        }
        stepTimer_.start();
    }
    setNeedsDisplay();
}

void CircularInstrumentView::runPendingAnimationStep() {
    if (!stepTimer_.isActive()) return;
    stepTimer_.stop();
    step();
}

float CircularInstrumentView::differentialAngle() const { return instruments::differentialAngle(ringAngle_, angleToReference_); }

void CircularInstrumentView::setRingAngle(float angle) {
    ringAngle_ = std::isfinite(angle) ? angle : 0.0f;
    setNeedsDisplay();
}

platform::DictionaryPtr CircularInstrumentView::settings() const {
    platform::DictionaryPtr result = AbstractInstrumentView::settings();
    result->set("ringAngle", Value::real(double(ringAngle_)));
    return result;
}

void CircularInstrumentView::setSettings(const platform::DictionaryPtr& settings) {
    double ring = settingsNumber(settings, "ringAngle", 0.0);
    if (ring < 0.0 || ring > 360.0) {
        noteDamagedSetting(QStringLiteral("ringAngle %1").arg(ring));
        ring = 0.0;
    }
    ringAngle_ = float(ring);
    AbstractInstrumentView::setSettings(settings);
}

void CircularInstrumentView::drawRect(QPainter& painter, const QRectF&) {
    drawUnderlay(painter, [this](QPainter& p) {
        drawRing(p);
        drawBackground(p);
        drawInvalidNav(p);
    });
    drawIndicators(painter);
}

void CircularInstrumentView::drawUnderlay(QPainter& painter, const std::function<void(QPainter&)>& draw) {
    const qreal scale = paintScale(painter);
    const LayeredPicture::Frame frame{bounds().size(), scale, backgroundColor(), navIsValid_, painter.renderHints()};
    layeredPicture_ = &underlay_;
    underlay_.draw(painter, frame, draw);
    layeredPicture_ = nullptr;
}

qsizetype CircularInstrumentView::keptPictureBytes() const {
    return AbstractInstrumentView::keptPictureBytes() + underlay_.bytes();
}

void CircularInstrumentView::strokeRingCircle(QPainter& painter) const {
    // Stroked into the kept picture only, when it is made: frames copy it from there.
    if (underlay_.skipsDrawing()) return;
    painter.save();
    painter.setPen(QPen(QColor(0xAA, 0xAA, 0xAA), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(bounds().adjusted(5, 5, -5, -5));
    painter.restore();
}

void CircularInstrumentView::drawRing(QPainter& painter) {
    drawCenterImage(painter, QStringLiteral("ring.png"), ringAngle_);
    strokeRingCircle(painter);
}

void CircularInstrumentView::drawInvalidNav(QPainter& painter) {
    if (!navIsValid_) drawCenterImage(painter, QStringLiteral("invalidNav.png"), 0.0f);
}

void CircularInstrumentView::showEvent(QShowEvent* event) {
    // The next round instrument shown finds memory in place for the one picture more than this
    // one may let go of (the compass keeps two where the VOR keeps one).
    platform::ui::keepPictureReady((bounds().size() * devicePixelRatioF() * contentScale()).toSize(), QImage::Format_ARGB32_Premultiplied);
    AbstractInstrumentView::showEvent(event);
}

void CircularInstrumentView::hideEvent(QHideEvent* event) {
    underlay_.clear();
    AbstractInstrumentView::hideEvent(event);
}

void CircularInstrumentView::touchesBegan(const TouchSet& touches) {
    startTouch_ = touches.anyObject().location;
    startTouchAngle_ = ringAngle_;
}

void CircularInstrumentView::touchesMoved(const TouchSet& touches) {
    ringAngle_ = ringAngleForDrag(startTouchAngle_, startTouch_, touches.anyObject().location, bounds().width());
    setNeedsDisplay();
}

void CircularInstrumentView::wheelTurned(double notches, const QPointF&) {
    ringAngle_ = ringAngleTurnedBy(ringAngle_, float(notches));
    setNeedsDisplay();
}

QStringList CircularInstrumentView::labelOutlets() const {
    return {QStringLiteral("poiName"), QStringLiteral("poiDistance"), QStringLiteral("gpsAccuracy")};
}

}  // namespace vantrel::instruments
