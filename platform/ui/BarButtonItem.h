#pragma once
// A button of a navigation bar: a title, a style and the action run when the pilot taps it.
// The standard "Edit" and "Done" buttons are made by systemItem().
//
// Threads: may be made on any thread; its action runs on the main thread. Shared by
// std::shared_ptr between the screen that made it and its navigation item.

#include "ChangeNotifier.h"

#include <QString>
#include <functional>
#include <memory>

namespace vantrel::platform::ui {

enum class BarButtonItemStyle { Plain, Bordered, Done };
enum class BarButtonSystemItem { Done, Cancel, Edit, Save };

class BarButtonItem : public ChangeNotifier {
public:
    BarButtonItem(QString title, BarButtonItemStyle style, std::function<void()> action);
    static std::shared_ptr<BarButtonItem> systemItem(BarButtonSystemItem item, std::function<void()> action);

    QString title() const { return title_; }
    void setTitle(const QString& title);

    BarButtonItemStyle style() const { return style_; }
    void setStyle(BarButtonItemStyle style);

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);

    void setAction(std::function<void()> action) { action_ = std::move(action); }
    // Runs the action, as a tap on the button does.
    void trigger() const;

private:
    QString title_;
    BarButtonItemStyle style_;
    std::function<void()> action_;
    bool enabled_ = true;
};

}  // namespace vantrel::platform::ui
