#include "ProgressView.h"

#include <algorithm>
#include <cmath>

namespace vantrel::platform::ui {

namespace {
constexpr int kSteps = 1000;
}

ProgressView::ProgressView(QWidget* parent) : QProgressBar(parent) {
    setRange(0, kSteps);
    setTextVisible(false);
    setFixedHeight(11);
    setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid #707070; border-radius: 5px; background: #303030; }"
                                 "QProgressBar::chunk { border-radius: 4px; background: qlineargradient(x1:0, y1:0,"
                                 " x2:0, y2:1, stop:0 #ffc060, stop:1 #ff9900); }"));
    setValue(0);
}

void ProgressView::setProgress(float progress) {
    progress_ = std::isfinite(progress) ? std::clamp(progress, 0.0f, 1.0f) : 0.0f;
    setValue(int(std::lround(progress_ * kSteps)));
}

}  // namespace vantrel::platform::ui
