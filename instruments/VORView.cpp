#include "VORView.h"

#include "SharedInstrument.h"

#include <QPainter>
#include <QPainterPath>

namespace vantrel::instruments {

VORView& VORView::primaryVOR() {
    static QPointer<VORView> instance;
    return sharedInstrument(instance, "primaryVOR");
}

VORView& VORView::secondaryVOR() {
    static QPointer<VORView> instance;
    return sharedInstrument(instance, "secondaryVOR");
}

VORView::VORView(positioning::LocationManager& locationManager, units::UnitSettings& units)
    : CircularInstrumentView(locationManager, units) {}

void VORView::increaseAngle() {
    ringAngle_ = increasedAngle(ringAngle_);
    setNeedsDisplay();
}

std::function<void()> VORView::actionNamed(const QString& action) {
    if (action == QLatin1String("increaseAngle:")) return [this] { increaseAngle(); };
    return CircularInstrumentView::actionNamed(action);
}

VorIndication VORView::indication() const { return vorIndication(differentialAngle(), navIsValid_); }

void VORView::drawBackground(QPainter& painter) { drawCenterImage(painter, QStringLiteral("vorBackground.png"), 0.0f); }

void VORView::drawIndicators(QPainter& painter) {
    const VorIndication shown = indication();
    const QRectF face = bounds().adjusted(50, 50, -50, -50);
    if (shown.flag != VorFlag::None)
        drawCenterImage(painter, shown.flag == VorFlag::From ? QStringLiteral("vorFrom.png") : QStringLiteral("vorTo.png"), 0.0f);
    QPainterPath circle;
    circle.addEllipse(face);
    painter.setClipPath(circle);
    const QRectF needle = vorNeedleArea(bounds());
    painter.fillRect(QRectF(vorNeedleLeft(bounds(), shown.deflection), needle.y(), 6.0, needle.height()), Qt::white);
    painter.setClipping(false);
}

}  // namespace vantrel::instruments
