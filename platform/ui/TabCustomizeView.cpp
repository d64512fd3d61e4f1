#include "TabCustomizeView.h"

#include "NavigationBar.h"
#include "Style.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace vantrel::platform::ui {

namespace {
constexpr int kColumns = 4;
constexpr int kCellWidth = 80;
constexpr int kCellHeight = 74;
constexpr int kGridTop = NavigationBar::kHeight + 36;
constexpr int kIconSize = 30;
constexpr int kDragThreshold = 6;
}  // namespace

TabCustomizeView::TabCustomizeView(std::vector<Icon> icons, QWidget* parent)
    : QWidget(parent), icons_(std::move(icons)), bar_(new NavigationBar(this)) {
    setAttribute(Qt::WA_StyledBackground);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x1C, 0x1C, 0x1C));
    setPalette(p);
    setAutoFillBackground(true);
    bar_->setBarStyle(BarStyle::Black);
    item_.setTitle(QStringLiteral("Configure"));
    item_.setRightBarButtonItem(BarButtonItem::systemItem(BarButtonSystemItem::Done, [this] {
        if (onDone) onDone();
    }));
    bar_->showItem(&item_, QString(), nullptr);
    setFont(style::font(10, true));
}

TabCustomizeView::~TabCustomizeView() {
    if (floating_) floating_->deleteLater();
}

void TabCustomizeView::setControllerIndices(const std::function<int(const TabBarItem*)>& indexOf) {
    for (Icon& icon : icons_) icon.controllerIndex = indexOf(icon.item.get());
}

QRect TabCustomizeView::iconRect(int icon) const {
    const int left = (width() - kColumns * kCellWidth) / 2;
    return QRect(left + (icon % kColumns) * kCellWidth, kGridTop + (icon / kColumns) * kCellHeight, kCellWidth,
                 kCellHeight);
}

int TabCustomizeView::iconAt(const QPoint& point) const {
    for (int i = 0; i < iconCount(); ++i) {
        if (iconRect(i).contains(point)) return i;
    }
    return -1;
}

QPixmap TabCustomizeView::iconImage(int icon) const {
    return style::tinted(icons_[size_t(icon)].item->image(), QColor(0xDD, 0xDD, 0xDD));
}

void TabCustomizeView::resizeEvent(QResizeEvent*) { bar_->setGeometry(0, 0, width(), NavigationBar::kHeight); }

void TabCustomizeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setFont(style::font(13));
    painter.setPen(QColor(0xAA, 0xAA, 0xAA));
    painter.drawText(QRect(10, NavigationBar::kHeight, width() - 20, kGridTop - NavigationBar::kHeight),
                     Qt::AlignCenter, QStringLiteral("Drag an icon onto a tab to put it there."));
    painter.setFont(font());
    for (int i = 0; i < iconCount(); ++i) {
        const QRect r = iconRect(i);
        const QPixmap image = iconImage(i);
        if (!image.isNull()) {
            QSizeF size = image.deviceIndependentSize();
            size.scale(size.boundedTo(QSizeF(kIconSize, kIconSize)), Qt::KeepAspectRatio);
            painter.setOpacity(i == pressed_ && floating_ ? 0.3 : 1.0);
            painter.drawPixmap(QRectF(QPointF(r.center().x() - size.width() / 2, r.top() + 10), size), image,
                               QRectF(QPointF(0, 0), image.size()));
            painter.setOpacity(1.0);
        }
        painter.setPen(QColor(0xDD, 0xDD, 0xDD));
        painter.drawText(QRect(r.left() + 2, r.top() + 10 + kIconSize + 4, r.width() - 4, 14), Qt::AlignCenter,
                         painter.fontMetrics().elidedText(icons_[size_t(i)].item->title(), Qt::ElideRight, r.width() - 4));
    }
}

void TabCustomizeView::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton ? iconAt(event->position().toPoint()) : -1;
    pressPos_ = event->position().toPoint();
}

void TabCustomizeView::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_ < 0) return;
    const QPoint pos = event->position().toPoint();
    if (!floating_ && (pos - pressPos_).manhattanLength() < kDragThreshold) return;
    if (!floating_) {
        floating_ = new QLabel(parentWidget());
        floating_->setAttribute(Qt::WA_TransparentForMouseEvents);
        floating_->setPixmap(iconImage(pressed_));
        floating_->setAlignment(Qt::AlignCenter);
        floating_->resize(kIconSize + 20, kIconSize + 20);
        floating_->show();
        update();
    }
    floating_->move(parentWidget()->mapFromGlobal(event->globalPosition().toPoint()) -
                    QPoint(floating_->width() / 2, floating_->height() / 2));
    floating_->raise();
    if (onHover) onHover(event->globalPosition().toPoint());
}

void TabCustomizeView::mouseReleaseEvent(QMouseEvent* event) {
    const int icon = pressed_;
    pressed_ = -1;
    if (!floating_) return;
    floating_->deleteLater();
    floating_ = nullptr;
    update();
    if (icon >= 0 && onDrop) onDrop(icons_[size_t(icon)].controllerIndex, event->globalPosition().toPoint());
}

}  // namespace vantrel::platform::ui
