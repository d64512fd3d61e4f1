#pragma once
// The application loop and its delegate.
//
// UIApplicationMain makes the QApplication, asks the factory for the delegate, calls its
// applicationDidFinishLaunching() on the first turn of the event loop and its
// applicationWillTerminate() when the loop ends normally (the window closed, quit() called,
// SIGINT/SIGTERM), then returns the loop's exit status.
//
// The whole application is drawn at a scale: the window chooses the one that fits its size (see
// Window), unless VANTREL_SCALE or Qt's own QT_SCALE_FACTOR forces one. The window carries the
// application icon and the desktop file name (org.vantrel.Vantrel).
//
// Threads: main thread only.

#include <QString>
#include <functional>
#include <memory>

namespace vantrel::platform::ui {

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching() = 0;
    virtual void applicationWillTerminate() {}
};

using DelegateFactory = std::function<std::unique_ptr<ApplicationDelegate>()>;

int UIApplicationMain(int argc, char** argv, const DelegateFactory& makeDelegate);

// Keeps the screen from dimming or locking while the app runs (the desktop's screen-saver
// inhibition over the session bus). Logs once and carries on where there is no such service.
void setIdleTimerDisabled(bool disabled);
bool isIdleTimerDisabled();

// Status bar style of the handheld (0 default, 1 black translucent). A desktop window has no
// status bar: the value is kept for the screens that ask for it.
void setStatusBarStyle(int style);
int statusBarStyle();

}  // namespace vantrel::platform::ui
