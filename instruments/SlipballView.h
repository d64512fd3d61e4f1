#pragma once
// The slip ball: a ball in a curved glass tube that moves sideways with twice the lateral
// acceleration (in g) and rises towards the tube's ends as it moves out. Each instrument screen has
// its own; each follows "AccelerationUpdate" from any sender and reads the acceleration manager.
// Nothing is clamped: a hard skid takes the ball past the ends of the tube.
//
// Ownership: whoever makes one owns it (a screen gives it a Qt parent). Threads: main thread only.

#include "platform/core/NotificationCenter.h"
#include "platform/ui/View.h"

#include <QPixmap>
#include <QPointF>
#include <QSizeF>
#include <memory>

namespace vantrel::positioning {
class AccelerationManager;
}

namespace vantrel::instruments {

class SlipballView : public platform::ui::View {
    Q_OBJECT
public:
    // A new slip ball at (0, 55) 320 x 40 on the shared acceleration manager.
    static std::unique_ptr<SlipballView> slipballView();

    // A slip ball on an acceleration manager of its own choosing (tests).
    SlipballView(const QRectF& frame, positioning::AccelerationManager& accelerations);
    ~SlipballView() override;

    // "AccelerationUpdate": the manager's lateral acceleration, doubled, then a redraw.
    void updateValue(const platform::Notification* notification);

    float acceleration() const { return acceleration_; }
    // Where the ball's top-left corner is drawn, in points.
    QPointF ballPosition() const;
    QSizeF tubeSize() const { return tubeSize_; }

protected:
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    positioning::AccelerationManager& accelerations_;
    float acceleration_ = 0.0f;
    QSizeF tubeSize_;
    float halfTubeWidth_ = 0.0f;
    float halfBallSize_ = 0.0f;
};

}  // namespace vantrel::instruments
