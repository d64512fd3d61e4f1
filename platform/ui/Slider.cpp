#include "Slider.h"

#include <algorithm>
#include <cmath>

namespace vantrel::platform::ui {

namespace {
constexpr int kSteps = 10000;
}

Slider::Slider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    QSlider::setRange(0, kSteps);
    setStyleSheet(QStringLiteral(
        "QSlider::groove:horizontal { height: 9px; border-radius: 4px; background: #505050; }"
        "QSlider::sub-page:horizontal { height: 9px; border-radius: 4px; background: #ff9900; }"
        "QSlider::handle:horizontal { width: 23px; height: 23px; margin: -7px 0; border-radius: 11px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #c8c8c8);"
        " border: 1px solid #808080; }"));
    connect(this, &QSlider::valueChanged, this, [this](int position) {
        if (placing_) return;
        value_ = minimum_ + (maximum_ - minimum_) * position / kSteps;
        emit valueChanged(value_);
    });
}

void Slider::setMinimumValue(double minimum) {
    if (!std::isfinite(minimum)) return;
    minimum_ = minimum;
    maximum_ = std::max(maximum_, minimum_);
    setValue(value_);
}

void Slider::setMaximumValue(double maximum) {
    if (!std::isfinite(maximum)) return;
    maximum_ = maximum;
    minimum_ = std::min(minimum_, maximum_);
    setValue(value_);
}

void Slider::setValue(double value) {
    value_ = std::isfinite(value) ? std::clamp(value, minimum_, maximum_) : minimum_;
    placeKnob();
}

void Slider::placeKnob() {
    placing_ = true;
    const double span = maximum_ - minimum_;
    QSlider::setValue(span > 0 ? int(std::lround((value_ - minimum_) / span * kSteps)) : 0);
    placing_ = false;
}

}  // namespace vantrel::platform::ui
