#include "BarButton.h"

#include "Style.h"

#include <QFontMetrics>
#include <QPainter>

namespace vantrel::platform::ui {

namespace {
constexpr int kMaxWidth = 110;
constexpr int kPadding = 10;
constexpr int kBackTip = 10;
}  // namespace

BarButton::BarButton(QWidget* parent) : QAbstractButton(parent) {
    setFont(style::font(12, true));
    setFocusPolicy(Qt::NoFocus);
}

void BarButton::setBackShape(bool back) {
    back_ = back;
    updateGeometry();
    update();
}

void BarButton::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    update();
}

void BarButton::setTint(const QColor& tint) {
    tint_ = tint;
    update();
}

QSize BarButton::sizeHint() const {
    int width = QFontMetrics(font()).horizontalAdvance(text()) + 2 * kPadding + (back_ ? kBackTip : 0);
    return {qBound(40, width, kMaxWidth), kHeight};
}

void BarButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style::paintBarButton(painter, rect(), tint_, isDown(), back_, highlighted_);
    painter.setPen(isEnabled() ? Qt::white : QColor(0x80, 0x80, 0x80));
    painter.setFont(font());
    QRect textRect = rect().adjusted(back_ ? kBackTip : 4, 0, -4, 0);
    painter.drawText(textRect, Qt::AlignCenter,
                     QFontMetrics(font()).elidedText(text(), Qt::ElideRight, textRect.width()));
}

}  // namespace vantrel::platform::ui
