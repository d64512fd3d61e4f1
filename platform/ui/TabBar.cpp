#include "TabBar.h"

#include "Style.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

namespace vantrel::platform::ui {

namespace {
constexpr int kIconSize = 30;
constexpr int kIconTop = 3;
}  // namespace

TabBar::TabBar(QWidget* parent) : QWidget(parent) { setFont(style::font(10, true)); }

TabBar::~TabBar() {
    for (auto& item : items_) item->clearListener();
}

void TabBar::setItems(std::vector<std::shared_ptr<TabBarItem>> items) {
    for (auto& item : items_) item->clearListener();
    items_ = std::move(items);
    auto it = std::find_if(items_.begin(), items_.end(), [this](auto& i) { return i.get() == selected_; });
    if (it == items_.end()) selected_ = nullptr;
    pressed_ = -1;
    listen();
    update();
}

void TabBar::listen() {
    QPointer<TabBar> self(this);
    for (auto& item : items_) {
        item->setListener([self] {
            if (self) self->update();
        });
    }
}

void TabBar::setSelectedItem(TabBarItem* item) {
    selected_ = item;
    update();
}

void TabBar::setCustomizing(bool customizing) {
    customizing_ = customizing;
    dropTarget_ = -1;
    update();
}

void TabBar::setDropTarget(int index) {
    if (index == dropTarget_) return;
    dropTarget_ = index;
    update();
}

QRect TabBar::itemRect(int index) const {
    if (index < 0 || index >= int(items_.size())) return {};
    const int n = int(items_.size());
    const int left = index * width() / n;
    const int right = (index + 1) * width() / n;
    return QRect(left, 0, right - left, height());
}

int TabBar::indexOfItemAt(const QPoint& point) const {
    if (!rect().contains(point) || items_.empty()) return -1;
    return std::min(int(items_.size()) - 1, point.x() * int(items_.size()) / std::max(1, width()));
}

void TabBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    style::paintBarBackground(painter, rect(), QColor());
    for (int i = 0; i < int(items_.size()); ++i) {
        TabBarItem* item = items_[size_t(i)].get();
        const QRect r = itemRect(i);
        const bool selected = item == selected_;
        if (selected || i == dropTarget_) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(i == dropTarget_ ? QColor(255, 153, 0, 90) : QColor(255, 255, 255, 38));
            painter.drawRoundedRect(QRectF(r).adjusted(2, 2, -2, -2), 4, 4);
        }
        const QPixmap image = item->image();
        if (!image.isNull()) {
            QSizeF size = image.deviceIndependentSize();
            size.scale(QSizeF(kIconSize, kIconSize).boundedTo(size), Qt::KeepAspectRatio);
            QRectF target(QPointF(r.center().x() + 1 - size.width() / 2, kIconTop + (kIconSize - size.height()) / 2),
                          size);
            painter.drawPixmap(target, style::tinted(image, selected ? style::orange() : QColor(0x99, 0x99, 0x99)),
                               QRectF(QPointF(0, 0), image.size()));
        }
        painter.setFont(font());
        painter.setPen(selected ? Qt::white : QColor(0x99, 0x99, 0x99));
        QRect textRect(r.left() + 1, height() - 15, r.width() - 2, 13);
        painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignBottom,
                         painter.fontMetrics().elidedText(item->title(), Qt::ElideRight, textRect.width()));
    }
}

void TabBar::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton ? indexOfItemAt(event->position().toPoint()) : -1;
}

void TabBar::mouseMoveEvent(QMouseEvent* event) {
    if (customizing_ && pressed_ >= 0) {
        const int over = indexOfItemAt(event->position().toPoint());
        setDropTarget(over != pressed_ ? over : -1);
    }
}

void TabBar::mouseReleaseEvent(QMouseEvent* event) {
    const int from = pressed_;
    pressed_ = -1;
    if (from < 0 || event->button() != Qt::LeftButton) return;
    const int to = indexOfItemAt(event->position().toPoint());
    setDropTarget(-1);
    if (customizing_) {
        if (to >= 0 && to != from && delegate_) delegate_->tabBarDidDragItem(this, from, to);
        return;
    }
    if (to != from) return;
    std::shared_ptr<TabBarItem> item = items_[size_t(from)];
    setSelectedItem(item.get());
    if (delegate_) delegate_->tabBarDidSelectItem(this, item.get());
}

}  // namespace vantrel::platform::ui
