#include "Button.h"

#include "Style.h"

#include <QPainter>

namespace vantrel::platform::ui {

Button::Button(QWidget* parent) : Button(QString(), parent) {}

Button::Button(const QString& title, QWidget* parent) : QPushButton(title, parent) {
    setFont(style::font(15, true));
    setFocusPolicy(Qt::NoFocus);
    applyStyle();
    connect(this, &QPushButton::clicked, this, [this] {
        if (action_) {
            auto action = action_;
            action();
        }
    });
}

void Button::applyStyle() {
    setStyleSheet(QStringLiteral(
        "QPushButton { color: #ff9900; border: 1px solid #707070; border-radius: 8px; padding: 0px %1px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4a4a4a, stop:1 #1c1c1c); }"
        "QPushButton:pressed { color: white; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #2f7bef, stop:1 #0b4fc0); }"
        "QPushButton:disabled { color: #707070; }").arg(horizontalPadding_));
}

void Button::setFontSize(double points) { setFont(style::font(points, true)); }

void Button::setHorizontalPadding(int points) {
    horizontalPadding_ = points;
    applyStyle();
}

void Button::setBackgroundImage(const QPixmap& image) {
    background_ = image;
    update();
}

void Button::paintEvent(QPaintEvent* event) {
    if (background_.isNull()) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(isEnabled() ? (isDown() ? 0.6 : 1.0) : 0.4);
    painter.drawPixmap(rect(), background_);
    painter.setOpacity(1.0);
    painter.setFont(font());
    painter.setPen(isEnabled() ? Qt::white : QColor(0x70, 0x70, 0x70));
    painter.drawText(rect(), Qt::AlignCenter, text());
}

}  // namespace vantrel::platform::ui
