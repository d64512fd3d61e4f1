#pragma once
// The compass: a card turned so that the track comes to the top (by the indicator animation), the
// pilot's orange heading bug on a ring of its own above it, and the ground speed and track as large
// texts in the pane. It is valid whenever the aircraft moves faster than 3 m/s. One shared
// instance, "Compass".
//
// Ownership and threads: as AbstractInstrumentView.

#include "CircularInstrumentView.h"

namespace vantrel::instruments {

class CompassView : public CircularInstrumentView {
    Q_OBJECT
public:
    static CompassView& sharedCompassView();

    CompassView(positioning::LocationManager& locationManager, units::UnitSettings& units);

    QString instrumentSetupNib() const override { return QStringLiteral("CompassSetupView"); }
    void updateDisplay(const platform::Notification* notification) override;
    QStringList labelOutlets() const override;

protected:
    void drawRect(QPainter& painter, const QRectF& rect) override;
    void drawBackground(QPainter& painter) override;
    void drawRing(QPainter& painter) override;
    void drawIndicators(QPainter& painter) override;
};

}  // namespace vantrel::instruments
