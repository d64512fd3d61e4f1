#pragma once
// The application delegate: the splash screen with the version and the load progress, the load
// of the waypoint database on its own thread, the tab bar with the screens once the database is
// loaded (then the disclaimer over it, unless switched off, and the first unit broadcast), and the
// saving of the instruments' settings at the end of the run. From load done on, the flight
// recorder follows the location manager for the logbook (tracks, automatic take off and landing).
// It is the delegate of the tab bar controller (saves the tab order the pilot arranges) and of its
// More navigation controller (colours the More list).
//
// The ten tabs are the five instrument screens (VOR 1, VOR 2, Map, ADF, Compass), the Logbook,
// Settings, Active Countries, Help and the Disclaimer, in the order the pilot saved; the five
// instrument screens restore their instruments' settings at load done and save them at the end.
//
// Threads: main thread only. The delegate lives for the whole application loop and owns the
// window and the tab bar controller; the window shows the tab bar controller as its root.

#include "platform/core/NotificationCenter.h"
#include "platform/ui/Application.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <memory>
#include <vector>

namespace vantrel::logbook {
class FlightRecorder;
}

namespace vantrel::app {

class AirspaceWatch;
class FlightBanners;
class InstrumentViewController;
class LoopMonitor;
class NoticeAlerts;
class PlanFlight;
class TrafficWatch;

class VantrelAppDelegate : public platform::ui::ApplicationDelegate,
                           public platform::ui::TabBarControllerDelegate,
                           public platform::ui::NavigationControllerDelegate {
public:
    // Why a second copy on the same documents writes none of the pilot's files (main.cpp sets it
    // with platform::setPilotFilesReadOnly); the alert at load done says so.
    static constexpr const char* kReadOnlyReason = "another copy of Vantrel holds these documents";
    static constexpr const char* kReadOnlyMessage =
        "Vantrel is already running on these documents; this window is read-only. Nothing changed here is saved.";
    // How often the instruments' settings are looked at, and saved when they changed and then held
    // still for one look (a drag of the ring is saved once it ends).
    static constexpr int kSettingsSaveIntervalMs = 1000;

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
    // The root of every screen; its view is on the window from load done on.
    platform::ui::TabBarController* tabBarController() const { return tabBarController_.get(); }
    // The recorder of the logbook's flights, from load done on (null before).
    logbook::FlightRecorder* flightRecorder() const { return flightRecorder_.get(); }
    // The plan being flown and the instruments following it, from load done on (null before).
    PlanFlight* planFlight() const { return planFlight_.get(); }
    // The banners over every screen, and the airspace and traffic watchers that fill them, from
    // load done on (null before).
    FlightBanners* banners() const { return banners_.get(); }
    AirspaceWatch* airspaceWatch() const { return airspaceWatch_.get(); }
    TrafficWatch* trafficWatch() const { return trafficWatch_.get(); }
    // The instrument screens whose settings are saved and restored: VOR 1, ADF, Compass, Map, VOR 2.
    const std::vector<std::shared_ptr<InstrumentViewController>>& persistentStateControllers() const {
        return persistentStateControllers_;
    }

    // The pilot closed the tab customisation: with a change, the new order of the titles is
    // logged and stored under "instrumentsLayout".
    void tabBarControllerDidEndCustomizingViewControllers(
        platform::ui::TabBarController* tabBarController,
        const std::vector<std::shared_ptr<platform::ui::ViewController>>& controllers, bool changed) override;
    // The More list gets its dark grey background and orange rows each time it comes into view.
    void navigationControllerWillShowViewController(platform::ui::NavigationController* navigationController,
                                                    platform::ui::ViewController* viewController,
                                                    bool animated) override;

private:
    // The ten screens in the order of their configuration, each with its title and tab image.
    std::vector<std::shared_ptr<platform::ui::ViewController>> buildTabScreens();

    QString gpsOption_;
    std::unique_ptr<platform::ui::Window> window_;
    QPointer<QLabel> splashView_;
    QWidget* overlay_ = nullptr;
    QProgressBar* progressView_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    std::shared_ptr<platform::ui::TabBarController> tabBarController_;
    std::vector<std::shared_ptr<InstrumentViewController>> persistentStateControllers_;
    QPointer<QTimer> settingsSaveTimer_;  // from load done on
    std::unique_ptr<LoopMonitor> loopMonitor_;  // with VANTREL_LOOP_MONITOR set
    std::unique_ptr<NoticeAlerts> noticeAlerts_;  // failed saves and unreadable files, as alerts
    std::unique_ptr<logbook::FlightRecorder> flightRecorder_;
    std::unique_ptr<FlightBanners> banners_;
    std::unique_ptr<PlanFlight> planFlight_;
    std::unique_ptr<AirspaceWatch> airspaceWatch_;
    std::unique_ptr<TrafficWatch> trafficWatch_;
};

}  // namespace vantrel::app
