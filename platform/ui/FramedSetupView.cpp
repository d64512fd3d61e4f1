#include "FramedSetupView.h"

#include <QPainter>
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

}  // namespace vantrel::platform::ui
