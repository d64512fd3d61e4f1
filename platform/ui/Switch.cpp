#include "Switch.h"

#include "Style.h"
#include "Transition.h"

#include <QPainter>
#include <QPainterPath>

namespace vantrel::platform::ui {

Switch::Switch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setFont(style::font(16, true));
    resize(sizeHint());
    connect(this, &QAbstractButton::clicked, this, [this](bool on) {
        slideKnob(true);
        emit valueChanged(on);
    });
}

void Switch::setOn(bool on, bool animated) {
    if (on == isChecked()) return;
    setChecked(on);
    slideKnob(animated);
}

void Switch::slideKnob(bool animated) {
    Transition::finish(sliding_);
    const double from = knob_;
    const double to = isChecked() ? 1.0 : 0.0;
    sliding_ = Transition::start(
        this, animated,
        [this, from, to](double t) {
            knob_ = from + (to - from) * t;
            update();
        },
        nullptr, 200);
}

void Switch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = track.height() / 2;
    QPainterPath shape;
    shape.addRoundedRect(track, radius, radius);
    painter.setClipPath(shape);

    // The track is one long strip, blue "ON" to the left of the knob and grey "OFF" to its right.
    const double knobSize = track.height();
    const double travel = track.width() - knobSize;
    const double knobLeft = track.left() + knob_ * travel;
    QRectF onPart(track.left(), track.top(), knobLeft - track.left() + knobSize / 2, track.height());
    QRectF offPart(knobLeft + knobSize / 2, track.top(), track.right() - knobLeft - knobSize / 2, track.height());
    QLinearGradient blue(0, track.top(), 0, track.bottom());
    blue.setColorAt(0, QColor(0x1E, 0x5F, 0xD6));
    blue.setColorAt(1, QColor(0x4A, 0x8B, 0xF5));
    QLinearGradient grey(0, track.top(), 0, track.bottom());
    grey.setColorAt(0, QColor(0xD0, 0xD0, 0xD0));
    grey.setColorAt(1, QColor(0xFA, 0xFA, 0xFA));
    painter.fillRect(onPart, blue);
    painter.fillRect(offPart, grey);

    painter.setFont(font());
    painter.setPen(Qt::white);
    painter.drawText(QRectF(knobLeft - travel, track.top(), travel, track.height()), Qt::AlignCenter,
                     QStringLiteral("ON"));
    painter.setPen(QColor(0x7A, 0x7A, 0x7A));
    painter.drawText(QRectF(knobLeft + knobSize, track.top(), travel, track.height()), Qt::AlignCenter,
                     QStringLiteral("OFF"));

    QLinearGradient knob(0, track.top(), 0, track.bottom());
    knob.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    knob.setColorAt(1, QColor(0xD8, 0xD8, 0xD8));
    painter.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    painter.setBrush(knob);
    painter.drawEllipse(QRectF(knobLeft, track.top(), knobSize, knobSize).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setClipping(false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    painter.drawPath(shape);
}

}  // namespace vantrel::platform::ui
