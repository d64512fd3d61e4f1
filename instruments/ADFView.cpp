#include "ADFView.h"

#include "InstrumentMath.h"
#include "SharedInstrument.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

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
    const QRectF face = bounds().adjusted(50, 50, -50, -50);
    // The needle is only seen inside the face's circle; a smooth clip costs more than the rest of
    // the frame, so it is set only when the needle, turned any way, could reach beyond the circle.
    const bool clipped = !(imageReach(painter, QStringLiteral("needle.png")) < std::min(face.width(), face.height()) * 0.5 - 1.0);
    if (clipped) {
        QPainterPath circle;
        circle.addEllipse(face);
        painter.setClipPath(circle);
    }
    drawCenterImage(painter, QStringLiteral("needle.png"), indicatorAngle_);
    if (clipped) painter.setClipping(false);
}

}  // namespace vantrel::instruments
