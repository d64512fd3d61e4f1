#include "NavigationBar.h"

#include "BarButton.h"
#include "NavigationItem.h"
#include "ViewController.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPointer>

namespace vantrel::platform::ui {

namespace {
constexpr int kMargin = 5;
}

NavigationBar::NavigationBar(QWidget* parent)
    : QWidget(parent), back_(new BarButton(this)), left_(new BarButton(this)), right_(new BarButton(this)) {
    back_->setBackShape(true);
    applyTint();
    back_->hide();
    left_->hide();
    right_->hide();
    connect(back_, &QAbstractButton::clicked, this, [this] {
        // The action pops the screen whose item this bar shows: run a copy.
        auto action = backAction_;
        if (action) action();
    });
    connect(left_, &QAbstractButton::clicked, this, [this] {
        if (item_ && item_->leftBarButtonItem()) item_->leftBarButtonItem()->trigger();
    });
    connect(right_, &QAbstractButton::clicked, this, [this] {
        if (item_ && item_->rightBarButtonItem()) item_->rightBarButtonItem()->trigger();
    });
    setFont(style::font(20, true));
}

void NavigationBar::setBarStyle(BarStyle style) {
    barStyle_ = style;
    applyTint();
}

void NavigationBar::setTintColor(const QColor& tint) {
    tint_ = tint;
    applyTint();
}

QColor NavigationBar::effectiveTint() const {
    if (tint_.isValid()) return tint_;
    // The default bar is the steel blue of the handheld; the black style has no tint.
    return barStyle_ == BarStyle::Black ? QColor() : QColor(0x6D, 0x84, 0xA2);
}

void NavigationBar::applyTint() {
    for (BarButton* b : {back_, left_, right_}) b->setTint(effectiveTint());
    update();
}

void NavigationBar::showItem(NavigationItem* item, const QString& backTitle, std::function<void()> backAction) {
    if (item_ && item_ != item) item_->clearListener();
    item_ = item;
    backTitle_ = backTitle;
    backAction_ = std::move(backAction);
    if (item_) {
        QPointer<NavigationBar> self(this);
        item_->setListener([self] {
            if (self) self->refresh();
        });
    }
    refresh();
}

QString NavigationBar::titleText() const { return item_ ? item_->title() : QString(); }

void NavigationBar::refresh() {
    BarButtonItem* left = item_ ? item_->leftBarButtonItem() : nullptr;
    BarButtonItem* right = item_ ? item_->rightBarButtonItem() : nullptr;
    const bool showBack = !left && !backTitle_.isEmpty() && !(item_ && item_->hidesBackButton());

    back_->setText(backTitle_);
    back_->setVisible(showBack);
    left_->setVisible(left != nullptr);
    if (left) {
        left_->setText(left->title());
        left_->setEnabled(left->isEnabled());
        left_->setHighlighted(left->style() == BarButtonItemStyle::Done);
    }
    right_->setVisible(right != nullptr);
    if (right) {
        right_->setText(right->title());
        right_->setEnabled(right->isEnabled());
        right_->setHighlighted(right->style() == BarButtonItemStyle::Done);
    }
    layoutButtons();
    update();
}

void NavigationBar::layoutButtons() {
    const int y = (height() - BarButton::kHeight) / 2;
    for (BarButton* b : {back_, left_}) b->setGeometry(QRect(QPoint(kMargin, y), b->sizeHint()));
    QSize rightSize = right_->sizeHint();
    right_->setGeometry(QRect(QPoint(width() - kMargin - rightSize.width(), y), rightSize));
}

void NavigationBar::resizeEvent(QResizeEvent*) { layoutButtons(); }

void NavigationBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style::paintBarBackground(painter, rect(), effectiveTint());
    const QString title = titleText();
    if (title.isEmpty()) return;
    int leftEdge = kMargin;
    for (BarButton* b : {back_, left_}) {
        if (b->isVisible()) leftEdge = std::max(leftEdge, b->geometry().right() + kMargin);
    }
    int rightEdge = right_->isVisible() ? right_->geometry().left() - kMargin : width() - kMargin;
    // Centred on the bar when there is room, else in the space between the buttons.
    int side = std::max(leftEdge, width() - rightEdge);
    QRect titleRect(side, 0, width() - 2 * side, height());
    QFont f = font();
    if (QFontMetrics(f).horizontalAdvance(title) > titleRect.width()) {
        titleRect = QRect(leftEdge, 0, rightEdge - leftEdge, height());
        f.setPixelSize(16);
    }
    painter.setFont(f);
    painter.setPen(QColor(0, 0, 0, 160));
    const QString shown = QFontMetrics(f).elidedText(title, Qt::ElideRight, titleRect.width());
    painter.drawText(titleRect.translated(0, -1), Qt::AlignCenter, shown);
    painter.setPen(Qt::white);
    painter.drawText(titleRect, Qt::AlignCenter, shown);
}

void NavigationBar::showItemUnlessNavigated(ViewController& screen) {
    const bool standsAlone = screen.navigationController() == nullptr;
    setVisible(standsAlone);
    if (standsAlone) showItem(&screen.navigationItem(), QString(), {});
}

}  // namespace vantrel::platform::ui
