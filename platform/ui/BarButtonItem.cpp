#include "BarButtonItem.h"

namespace vantrel::platform::ui {

BarButtonItem::BarButtonItem(QString title, BarButtonItemStyle style, std::function<void()> action)
    : title_(std::move(title)), style_(style), action_(std::move(action)) {}

std::shared_ptr<BarButtonItem> BarButtonItem::systemItem(BarButtonSystemItem item, std::function<void()> action) {
    switch (item) {
    case BarButtonSystemItem::Done:
        return std::make_shared<BarButtonItem>(QStringLiteral("Done"), BarButtonItemStyle::Done, std::move(action));
    case BarButtonSystemItem::Cancel:
        return std::make_shared<BarButtonItem>(QStringLiteral("Cancel"), BarButtonItemStyle::Bordered, std::move(action));
    case BarButtonSystemItem::Edit:
        return std::make_shared<BarButtonItem>(QStringLiteral("Edit"), BarButtonItemStyle::Bordered, std::move(action));
    case BarButtonSystemItem::Save:
        return std::make_shared<BarButtonItem>(QStringLiteral("Save"), BarButtonItemStyle::Done, std::move(action));
    }
    return nullptr;
}

void BarButtonItem::setTitle(const QString& title) {
    if (title == title_) return;
    title_ = title;
    notifyChanged();
}

void BarButtonItem::setStyle(BarButtonItemStyle style) {
    if (style == style_) return;
    style_ = style;
    notifyChanged();
}

void BarButtonItem::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    notifyChanged();
}

void BarButtonItem::trigger() const {
    if (!enabled_ || !action_) return;
    // The action may replace this button (a screen swapping "Edit" for "Done"): run a copy.
    auto action = action_;
    action();
}

}  // namespace vantrel::platform::ui
