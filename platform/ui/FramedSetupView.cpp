#include "FramedSetupView.h"

#include <QLineF>
#include <QPainter>
#include <utility>
#include <cmath>

namespace vantrel::platform::ui {

FramedSetupView::FramedSetupView(QWidget* parent) : View(parent) {}

QRectF FramedSetupView::frameRect(const QRectF& bounds) {
    const QRectF inset = bounds.adjusted(5, 5, -5, -5);
    // Outward to whole points, as an integral rectangle grows to the smallest whole one holding it.
    const double left = std::floor(inset.left()), top = std::floor(inset.top());
    return QRectF(left, top, std::ceil(inset.right()) - left, std::ceil(inset.bottom()) - top);
}

void FramedSetupView::drawRect(QPainter& painter, const QRectF&) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(0xAA, 0xAA, 0xAA), 1.0));
    painter.setBrush(Qt::NoBrush);
    // A 1-point line on whole points lies half outside; move it in by half a point so it is crisp.
    painter.drawRect(frameRect(bounds()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void FramedSetupView::touchesBegan(const TouchSet& touches) {
    // A second finger makes no tap.
    if (touches.all.size() == 1) down_ = touches.anyObject().location;
    else down_.reset();
}

void FramedSetupView::touchesMoved(const TouchSet& touches) {
    if (down_ && (touches.all.size() != 1 || QLineF(*down_, touches.anyObject().location).length() > kTapSlop)) down_.reset();
}

void FramedSetupView::touchesEnded(const TouchSet& touches) {
    const std::optional<QPointF> down = std::exchange(down_, std::nullopt);
    if (down && !touches.changed.empty() && QLineF(*down, touches.anyObject().location).length() <= kTapSlop)
        emit tapped(touches.anyObject().location);
}

}  // namespace vantrel::platform::ui
