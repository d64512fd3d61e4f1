#pragma once
// Shared pieces of the app's tests: clean user defaults, a recorder of notifications, a window
// with two tabs to come and go between, and pictures of the window checked pixel by pixel.

#include "platform/core/NotificationCenter.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/ViewController.h"

#include "ui/UiTestSupport.h"

#include <QImage>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>

namespace vantrel::test {

// Removes the app's user-default keys now and again at the end of the test.
class CleanDefaults {
public:
    CleanDefaults();
    ~CleanDefaults();
};

// The names of the notifications posted while it lives, among those asked for, with "(by X)"
// when the poster is one of the named objects.
class NotificationLog {
public:
    NotificationLog(std::initializer_list<const char*> names, std::vector<std::pair<const void*, QString>> posters = {});
    ~NotificationLog();
    QStringList take();

private:
    QStringList lines_;
};

// A shown window whose root is a tab bar with the screens given.
class TabWindow {
public:
    explicit TabWindow(std::vector<std::shared_ptr<platform::ui::ViewController>> screens);
    platform::ui::Window* window() { return window_.get(); }
    platform::ui::TabBarController& tabs() { return *tabs_; }

private:
    ShownWindow window_;
    std::shared_ptr<platform::ui::TabBarController> tabs_;
};

// A plain screen to switch to, so that the one under test disappears.
std::shared_ptr<platform::ui::ViewController> otherScreen(const QString& title);

// A picture of the window, also saved as <name>.png under tests/app/pictures in the build tree
// so that it can be looked at.
QImage picture(platform::ui::Window* window, const QString& name);

bool hasColour(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& test);
bool isOrange(const QColor& c);
// The grey-to-black gradient of a black bar (no blue in it).
bool isBlackBar(const QColor& c);

}  // namespace vantrel::test
