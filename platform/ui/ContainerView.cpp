#include "ContainerView.h"

#include "Style.h"

#include <QPalette>

namespace vantrel::platform::ui {

ContainerView::ContainerView(std::function<void()> layout, QWidget* parent)
    : QWidget(parent), layout_(std::move(layout)) {
    QPalette p = palette();
    p.setColor(QPalette::Window, style::background());
    setPalette(p);
    setAutoFillBackground(true);
}

void ContainerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (layout_) layout_();
}

}  // namespace vantrel::platform::ui
