#include "VORView.h"

#include "positioning/LocationManager.h"
#include "positioning/MagneticVariation.h"
#include "waypoints/WaypointKeys.h"

#include <QDateTime>
#include <cmath>

#include "SharedInstrument.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

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

QStringList VORView::labelOutlets() const {
    return CircularInstrumentView::labelOutlets() << QStringLiteral("courseReadout");
}

QString VORView::courseText(float ringAngle, bool magnetic) {
    const QChar north = magnetic ? u'M' : u'T';
    if (!std::isfinite(ringAngle)) return QStringLiteral("CRS ---°") + north;
    const long course = std::lround(ringAngle) % 360;
    return QStringLiteral("CRS %1°").arg(course < 0 ? course + 360 : course, 3, 10, QLatin1Char('0')) + north;
}

std::optional<double> VORView::magneticVariation() const {
    if (!magneticNorth_) return std::nullopt;
    if (const platform::Dictionary* record = selectedWaypoint().asDictionary()) {
        const platform::Value declared = record->get(waypoints::keys::waypointMagneticVariation);
        if (declared.isNumber() && std::isfinite(declared.doubleValue()) && std::abs(declared.doubleValue()) <= 180.0)
            return declared.doubleValue();
    }
    if (!stationVariation_ || stationVariation_->latitude != referenceLat_ || stationVariation_->longitude != referenceLon_) {
        const std::optional<positioning::Fix> here = locationManager().currentLocation();
        const double when = here ? here->timestamp : double(QDateTime::currentSecsSinceEpoch());
        stationVariation_ = StationVariation{referenceLat_, referenceLon_,
                                             positioning::MagneticVariation::shared().at(referenceLat_, referenceLon_, 0.0, when)};
    }
    return stationVariation_->variation;
}

VorIndication VORView::indication() const { return vorIndication(differentialAngle(), navIsValid_); }

void VORView::drawBackground(QPainter& painter) { drawCenterImage(painter, QStringLiteral("vorBackground.png"), 0.0f); }

void VORView::drawIndicators(QPainter& painter) {
    // Every change of the ring redraws the instrument, so the readout follows here.
    const QString course = courseText(ringAngle_, magneticNorth());
    if (labelText(QStringLiteral("courseReadout")) != course) setLabelText(QStringLiteral("courseReadout"), course);
    const VorIndication shown = indication();
    const QRectF face = bounds().adjusted(50, 50, -50, -50);
    if (shown.flag != VorFlag::None)
        drawCenterImage(painter, shown.flag == VorFlag::From ? QStringLiteral("vorFrom.png") : QStringLiteral("vorTo.png"), 0.0f);
    const QRectF needle = vorNeedleArea(bounds());
    const QRectF bar(vorNeedleLeft(bounds(), shown.deflection), needle.y(), 6.0, needle.height());
    // The needle is only seen inside the face's circle. It is filled as the bar cut by that circle
    // rather than through a clip, whose smooth edge costs more than the rest of the frame.
    const QPainterPath shape = barInsideCircle(bar, face.center(), face.width() * 0.5);
    if (!shape.isEmpty()) painter.fillPath(shape, Qt::white);
}

QPainterPath VORView::barInsideCircle(const QRectF& bar, QPointF centre, qreal radius) {
    QPainterPath shape;
    const qreal left = std::max(bar.left(), centre.x() - radius);
    const qreal right = std::min(bar.right(), centre.x() + radius);
    if (!(left < right)) return shape;
    // Half the height of the circle at x, and the bar's edges there: the cut follows the circle in
    // short straight pieces, each far below a pixel from the arc over a needle's width.
    constexpr int pieces = 16;
    const auto half = [&](qreal x) {
        const qreal dx = x - centre.x();
        return std::sqrt(std::max(qreal(0), radius * radius - dx * dx));
    };
    const auto top = [&](qreal x) { return std::max(bar.top(), centre.y() - half(x)); };
    // Where the bar's end lies beyond the circle, the cut closes on the top edge.
    const auto bottom = [&](qreal x) { return std::max(top(x), std::min(bar.bottom(), centre.y() + half(x))); };
    bool meets = false;
    for (int i = 0; i <= pieces && !meets; ++i) {
        const qreal x = left + (right - left) * i / pieces;
        meets = top(x) < bottom(x);
    }
    if (!meets) return shape;
    QPolygonF outline;
    for (int i = 0; i <= pieces; ++i) {
        const qreal x = left + (right - left) * i / pieces;
        outline << QPointF(x, top(x));
    }
    for (int i = pieces; i >= 0; --i) {
        const qreal x = left + (right - left) * i / pieces;
        outline << QPointF(x, bottom(x));
    }
    shape.addPolygon(outline);
    shape.closeSubpath();
    return shape;
}

}  // namespace vantrel::instruments
