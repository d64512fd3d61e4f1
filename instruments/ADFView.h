#pragma once
// The ADF: a needle that points at the waypoint relative to the aircraft's track (up = straight
// ahead), swinging there by the indicator animation. It needs the aircraft moving (3 m/s and more)
// besides a good fix and a waypoint in range. One shared instance, "ADF"; it shares the VOR's pane.
//
// Ownership and threads: as AbstractInstrumentView.

#include "CircularInstrumentView.h"

namespace vantrel::instruments {

class ADFView : public CircularInstrumentView {
    Q_OBJECT
public:
    static ADFView& primaryADF();

    ADFView(positioning::LocationManager& locationManager, units::UnitSettings& units);

    QString instrumentSetupNib() const override { return QStringLiteral("VORSetupView"); }
    void updateDisplay(const platform::Notification* notification) override;

protected:
    void drawBackground(QPainter& painter) override;
    void drawRing(QPainter& painter) override;
    void drawIndicators(QPainter& painter) override;
};

}  // namespace vantrel::instruments
