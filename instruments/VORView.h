#pragma once
// The VOR: the deviation of the bearing to the waypoint from the course set on its ring, as a
// white needle bar (full scale +-12 degrees, measured from the reciprocal course behind the
// station) clipped to the face, with a TO or FROM flag. Without navigation the needle lies full
// left and the flag is gone. The pane reads the course out in whole degrees ("CRS 048°"). Two
// shared instances, "VOR 1" and "VOR 2".
//
// With magnetic north its radials are those of a real station: the bearing less the station's own
// declared variation (the record's waypoint_magnetic_variation), else the model's variation at
// the station, so the ring is set from the chart.
//
// Ownership and threads: as AbstractInstrumentView.

#include "CircularInstrumentView.h"
#include "InstrumentMath.h"

#include <QPainterPath>

namespace vantrel::instruments {

class VORView : public CircularInstrumentView {
    Q_OBJECT
public:
    static VORView& primaryVOR();
    static VORView& secondaryVOR();

    VORView(positioning::LocationManager& locationManager, units::UnitSettings& units);

    QString instrumentSetupNib() const override { return QStringLiteral("VORSetupView"); }
    // The course one degree up; 360 and above start again at 0.
    void increaseAngle();
    // The flag and needle as drawn now.
    VorIndication indication() const;

    std::function<void()> actionNamed(const QString& action) override;
    QStringList labelOutlets() const override;
    // The course set on the ring as its readout shows it, with the north it is from: "CRS 048°M".
    static QString courseText(float ringAngle, bool magnetic);
    // The station's variation (see above); nothing with true north.
    std::optional<double> magneticVariation() const override;

    // The part of the bar inside the circle, as an outline (empty when they do not meet).
    static QPainterPath barInsideCircle(const QRectF& bar, QPointF centre, qreal radius);

protected:
    void drawBackground(QPainter& painter) override;
    void drawIndicators(QPainter& painter) override;

private:
    // The model's variation at the station, kept for the station it was computed for.
    struct StationVariation {
        double latitude = 0, longitude = 0;
        std::optional<double> variation;
    };
    mutable std::optional<StationVariation> stationVariation_;
};

}  // namespace vantrel::instruments
