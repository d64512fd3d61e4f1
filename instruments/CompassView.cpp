#include "CompassView.h"

#include "InstrumentMath.h"
#include "SharedInstrument.h"

#include <QPainter>

namespace vantrel::instruments {

CompassView& CompassView::sharedCompassView() {
    static QPointer<CompassView> instance;
    return sharedInstrument(instance, "sharedCompassView");
}

CompassView::CompassView(positioning::LocationManager& locationManager, units::UnitSettings& units)
    : CircularInstrumentView(locationManager, units) {}

void CompassView::updateDisplay(const platform::Notification* notification) {
    positioning::LocationManager& manager = locationManager();
    CircularInstrumentView::updateDisplay(notification);
    const float speed = manager.speed();
    navIsValid_ = speed > kCompassMinimumSpeed;
    setLabelText(QStringLiteral("speedLabel"), speedText(speed, speedFactor_, speedUnit_));
    setLabelText(QStringLiteral("trackLabel"), bearingText(trackAngle_, showsMagnetic()));
    if (const std::optional<positioning::Fix> here = manager.currentLocation()) {
        setLabelText(QStringLiteral("altitudeLabel"), heightText(here->altitude, here->pressureAltitude, heightFactor_, heightUnit_));
        setLabelText(QStringLiteral("verticalSpeedLabel"), verticalSpeedText(manager.verticalSpeed(), heightFactor_, heightUnit_));
    } else {
        setLabelText(QStringLiteral("altitudeLabel"), QStringLiteral("--"));
        setLabelText(QStringLiteral("verticalSpeedLabel"), QStringLiteral("--"));
    }
    targetIndicatorAngle_ = trackAngle_;
    animate();
}

void CompassView::drawRect(QPainter& painter, const QRectF&) {
    // Everything is kept: the card and the bug add only their marks while they turn.
    drawUnderlay(painter, [this](QPainter& p) {
        drawBackground(p);
        drawInvalidNav(p);
        drawIndicators(p);
        drawRing(p);
    });
}

void CompassView::drawBackground(QPainter& painter) {
    drawCenterImage(painter, QStringLiteral("compassBackground.png"), 0.0f);
}

void CompassView::drawIndicators(QPainter& painter) {
    drawCenterImage(painter, QStringLiteral("ring.png"), indicatorAngle_);
    strokeRingCircle(painter);
}

void CompassView::drawRing(QPainter& painter) {
    drawCenterImage(painter, QStringLiteral("orangeRing.png"), ringAngle_);
    strokeRingCircle(painter);
}

QStringList CompassView::labelOutlets() const {
    return CircularInstrumentView::labelOutlets() << QStringLiteral("speedLabel") << QStringLiteral("trackLabel")
                                                   << QStringLiteral("altitudeLabel") << QStringLiteral("verticalSpeedLabel");
}

}  // namespace vantrel::instruments
