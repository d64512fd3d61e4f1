#include "NavigationItem.h"

namespace vantrel::platform::ui {

void NavigationItem::setTitle(const QString& title) {
    if (title == title_) return;
    title_ = title;
    notifyChanged();
}

void NavigationItem::setBackButtonTitle(const QString& title) {
    if (title == backButtonTitle_) return;
    backButtonTitle_ = title;
    notifyChanged();
}

void NavigationItem::watch(BarButtonItem* item) {
    if (item) item->setListener([this] { notifyChanged(); });
}

void NavigationItem::setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item) {
    if (left_ && left_ != right_) left_->clearListener();
    left_ = std::move(item);
    watch(left_.get());
    notifyChanged();
}

void NavigationItem::setRightBarButtonItem(std::shared_ptr<BarButtonItem> item) {
    if (right_ && right_ != left_) right_->clearListener();
    right_ = std::move(item);
    watch(right_.get());
    notifyChanged();
}

void NavigationItem::setHidesBackButton(bool hides) {
    if (hides == hidesBackButton_) return;
    hidesBackButton_ = hides;
    notifyChanged();
}

}  // namespace vantrel::platform::ui
