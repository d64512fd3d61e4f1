#pragma once
// What a screen shows in the navigation bar while it is on top: its title, and its left and right
// bar buttons. Without a left button the bar shows a Back button titled with the previous screen's
// title (or backButtonTitle of that screen's item, when set).
//
// Threads: may be filled on any thread before the screen is shown; once shown, main thread only.
// Owned by its view controller; the bar buttons are shared (std::shared_ptr).

#include "BarButtonItem.h"
#include "ChangeNotifier.h"

#include <QString>
#include <memory>

namespace vantrel::platform::ui {

class NavigationItem : public ChangeNotifier {
public:
    QString title() const { return title_; }
    void setTitle(const QString& title);

    // The title of the Back button that leads back to this screen; empty = the screen's title.
    QString backButtonTitle() const { return backButtonTitle_; }
    void setBackButtonTitle(const QString& title);

    BarButtonItem* leftBarButtonItem() const { return left_.get(); }
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item);

    BarButtonItem* rightBarButtonItem() const { return right_.get(); }
    void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item);

    bool hidesBackButton() const { return hidesBackButton_; }
    void setHidesBackButton(bool hides);

private:
    void watch(BarButtonItem* item);

    QString title_;
    QString backButtonTitle_;
    std::shared_ptr<BarButtonItem> left_;
    std::shared_ptr<BarButtonItem> right_;
    bool hidesBackButton_ = false;
};

}  // namespace vantrel::platform::ui
