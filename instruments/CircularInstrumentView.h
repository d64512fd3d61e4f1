#pragma once
// The base of the three round instruments (VOR, ADF, compass): a ring the pilot turns with a
// finger (or the mouse, or its wheel), an indicator that moves towards its target 2 degrees every
// 0.1 s by the shorter way, navigation valid only with a good fix and a waypoint closer than
// 463 000 m, the three labels of the setup pane (waypoint, distance, GPS accuracy), and the drawing
// order ring, background, invalid overlay, indicators that the subclasses fill in.
//
// The animation keeps at most one step pending: an update that comes while a step is due only moves
// the target, so a fast stream of fixes never piles up timers and the indicator still moves at
// 2 degrees every 0.1 s.
//
// Ownership and threads: as AbstractInstrumentView; the step timer is the view's own.

#include "AbstractInstrumentView.h"
#include "LayeredPicture.h"

#include <QPixmap>
#include <QSizeF>
#include <QTimer>
#include <functional>

namespace vantrel::instruments {

class CircularInstrumentView : public AbstractInstrumentView {
    Q_OBJECT
public:
    // A record replaces the waypoint, its name label and its position; nothing (no record) keeps
    // the waypoint chosen before. The origin is left as it is.
    void setWaypoint(const platform::Value& waypoint) override;
    void updateDisplay(const platform::Notification* notification) override;

    // One step of the indicator towards its target; schedules the next while it is not there.
    void animate();
    // The course deviation of the bearing to the waypoint from the ring, in [-180, 180).
    float differentialAngle() const;
    // Metres from the aircraft to the waypoint (0 without a fix).
    double distanceToPOI() const;

    platform::DictionaryPtr settings() const override;
    void setSettings(const platform::DictionaryPtr& settings) override;

    float ringAngle() const { return ringAngle_; }
    void setRingAngle(float angle);
    float indicatorAngle() const { return indicatorAngle_; }
    float targetIndicatorAngle() const { return targetIndicatorAngle_; }

    // The animation's timer, for a test's own clock: whether a step is due, and running it now.
    bool isAnimationStepPending() const { return stepTimer_.isActive(); }
    void runPendingAnimationStep();

    QStringList labelOutlets() const override;
    qsizetype keptPictureBytes() const override;
    // Whether the last frame was copied whole from a kept picture, nothing turned.
    bool lastFrameWasKept() const { return underlay_.lastFrameWasKept(); }

protected:
    using AbstractInstrumentView::AbstractInstrumentView;

    void drawRect(QPainter& painter, const QRectF& rect) override;
    virtual void drawBackground(QPainter&) {}
    virtual void drawRing(QPainter& painter);
    virtual void drawInvalidNav(QPainter& painter);
    virtual void drawIndicators(QPainter&) {}
    // The light grey circle 5 points inside the bounds, around the ring.
    void strokeRingCircle(QPainter& painter) const;
    // Draws the layers under the indicators through kept pictures: what does not turn is kept
    // while the validity stays as it is, and the turned ring or card adds only its marks at each
    // frame (see LayeredPicture). The layers draw through drawCenterImage and strokeRingCircle
    // alone, and turn only by ringAngle and indicatorAngle.
    void drawUnderlay(QPainter& painter, const std::function<void(QPainter&)>& draw);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void touchesBegan(const TouchSet& touches) override;
    void touchesMoved(const TouchSet& touches) override;
    void wheelTurned(double notches, const QPointF& location) override;

    float ringAngle_ = 0.0f;
    float indicatorAngle_ = 0.0f;
    float targetIndicatorAngle_ = 0.0f;
    QPointF startTouch_;
    float startTouchAngle_ = 0.0f;

private:
    void step();

    LayeredPicture underlay_;

    QTimer stepTimer_;
    bool stepTimerReady_ = false;
};

}  // namespace vantrel::instruments
