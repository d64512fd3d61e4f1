#include "ADFView.h"

#include "InstrumentMath.h"
#include "SharedInstrument.h"

#include <QPainter>
#include <QPainterPath>

namespace vantrel::instruments {

ADFView& ADFView::primaryADF() {
    static QPointer<ADFView> instance;
    return sharedInstrument(instance, "primaryADF");
}

ADFView::ADFView(positioning::LocationManager& locationManager, units::UnitSettings& units)
    : CircularInstrumentView(locationManager, units) {}

void ADFView::updateDisplay(const platform::Notification* notification) {
    CircularInstrumentView::updateDisplay(notification);
    if (!(locationManager().speed() >= kAdfMinimumSpeed)) navIsValid_ = false;
    targetIndicatorAngle_ = adfTargetAngle(angleToReference_, trackAngle_);
    animate();
}

void ADFView::drawRing(QPainter& painter) {
    CircularInstrumentView::drawRing(painter);
    drawCenterImage(painter, QStringLiteral("adfOverlay.png"), 0.0f);
}

void ADFView::drawBackground(QPainter& painter) { drawCenterImage(painter, QStringLiteral("adfBackground.png"), 0.0f); }

void ADFView::drawIndicators(QPainter& painter) {
    QPainterPath circle;
    circle.addEllipse(bounds().adjusted(50, 50, -50, -50));
    painter.setClipPath(circle);
    drawCenterImage(painter, QStringLiteral("needle.png"), indicatorAngle_);
    painter.setClipping(false);
}

}  // namespace vantrel::instruments
