#pragma once
// The application delegate: the splash screen with the version and the load progress, the load
// of the waypoint database on its own thread, the screens once the database is loaded, and the
// saving of the instruments' settings at the end of the run.
//
// Threads: main thread only. The delegate lives for the whole application loop; the window and
// every screen are Qt children of the window it owns.

#include "platform/core/NotificationCenter.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <memory>
#include <vector>

namespace vantrel::app {

class VantrelAppDelegate : public platform::ui::ApplicationDelegate {
public:
    // gpsOption: the --gps text; the location manager starts on it once the database is loaded.
    explicit VantrelAppDelegate(QString gpsOption = {});
    ~VantrelAppDelegate() override;

    void applicationDidFinishLaunching() override;
    void applicationWillTerminate() override;

    void updateLoadProgression(const platform::Notification& notification);
    void loadControllers(const platform::Notification& notification);

    platform::ui::Window* window() const { return window_.get(); }
    QWidget* overlay() const { return overlay_; }
    QProgressBar* progressView() const { return progressView_; }
    QLabel* progressLabel() const { return progressLabel_; }
    QLabel* versionLabel() const { return versionLabel_; }
    QLabel* splashView() const { return splashView_; }
    // The screen shown once the database is loaded (null before).
    QWidget* rootView() const { return rootView_; }

private:
    QString gpsOption_;
    std::unique_ptr<platform::ui::Window> window_;
    QPointer<QLabel> splashView_;
    QWidget* overlay_ = nullptr;
    QProgressBar* progressView_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QWidget* rootView_ = nullptr;
};

}  // namespace vantrel::app
