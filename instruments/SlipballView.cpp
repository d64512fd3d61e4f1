#include "SlipballView.h"

#include "platform/ui/Images.h"
#include "positioning/AccelerationManager.h"

#include <QPainter>
#include <cmath>

namespace vantrel::instruments {

std::unique_ptr<SlipballView> SlipballView::slipballView() {
    return std::make_unique<SlipballView>(QRectF(0, 55, 320, 40), positioning::AccelerationManager::sharedManager());
}

SlipballView::SlipballView(const QRectF& frame, positioning::AccelerationManager& accelerations)
    : accelerations_(accelerations) {
    setFrame(frame);
    tubeSize_ = platform::ui::imageNamed(QStringLiteral("glasstube.png")).deviceIndependentSize();
    halfTubeWidth_ = float(0.5 * frame.width());
    halfBallSize_ = float(0.5 * platform::ui::imageNamed(QStringLiteral("slipball.png")).deviceIndependentSize().width());
    platform::NotificationCenter::defaultCenter().addObserver(
        this, "AccelerationUpdate", nullptr, [this](const platform::Notification& n) { updateValue(&n); });
}

SlipballView::~SlipballView() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void SlipballView::updateValue(const platform::Notification*) {
    const float lateral = float(accelerations_.accelerationX());
    acceleration_ = std::isfinite(lateral) ? lateral * 2.0f : 0.0f;
    setNeedsDisplay();
}

QPointF SlipballView::ballPosition() const {
    const float h = halfTubeWidth_, b = halfBallSize_, a = acceleration_;
    const float x = (h - b) + h * a * 0.9f;
    const float y = float(4.0 - 8.0 * std::abs(double(a)));
    return {x, y};
}

void SlipballView::drawRect(QPainter& painter, const QRectF&) {
    painter.fillRect(QRectF(QPointF(0, 0), tubeSize_), QColor(0xAA, 0xAA, 0xAA));
    // The artwork is rendered at the screen's scale: drawn pixel for pixel, the raster engine
    // copies it line by line instead of resampling it on its thread pool at every frame. The ball
    // then moves by whole device pixels.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(ballPosition(), platform::ui::imageNamed(QStringLiteral("slipball.png"), painter));
    painter.drawPixmap(QPointF(0, 0), platform::ui::imageNamed(QStringLiteral("glasstube.png"), painter));
    painter.restore();
}

}  // namespace vantrel::instruments
