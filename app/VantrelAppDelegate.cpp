#include "VantrelAppDelegate.h"

#include "AirspaceWatch.h"
#include "AirspaceLoading.h"
#include "DisclaimerView.h"
#include "FlightBanners.h"
#include "HelpController.h"
#include "InstrumentViewController.h"
#include "LoopMonitor.h"
#include "NoticeAlerts.h"
#include "PlanFlight.h"
#include "PositioningStartup.h"
#include "SettingsController.h"
#include "TabOrder.h"
#include "TrafficWatch.h"
#include "ui_MainWindow.h"

#include "instruments/ADFView.h"
#include "instruments/CompassView.h"
#include "instruments/GPSView.h"
#include "instruments/InstrumentArtwork.h"
#include "instruments/VORView.h"
#include "logbook/FlightRecorder.h"
#include "logbook/FlightsView.h"
#include "navplans/NavplansController.h"
#include "platform/core/Bundle.h"
#include "platform/core/DocumentsLock.h"
#include "platform/core/Log.h"
#include "platform/core/Threads.h"
#include "platform/core/UserDefaults.h"
#include "platform/core/UserNotice.h"
#include "platform/ui/Images.h"
#include "platform/ui/Style.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "positioning/LocationManager.h"
#include "traffic/TrafficFeed.h"
#include "waypoints/ActiveCountriesController.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointCell.h"

#include <QElapsedTimer>
#include <QTimer>

namespace vantrel::app {

using platform::NotificationCenter;
using platform::ui::ViewController;
using waypoints::POISelectorPaneController;

namespace {
// The first four tabs of a first run.
const QStringList kDefaultTabOrder{QStringLiteral("VOR 1"), QStringLiteral("ADF"), QStringLiteral("Map"),
                                   QStringLiteral("Logbook")};
const QColor kDarkGray(0x55, 0x55, 0x55);
}  // namespace

VantrelAppDelegate::VantrelAppDelegate(QString gpsOption) : gpsOption_(std::move(gpsOption)) {
    noticeAlerts_ = std::make_unique<NoticeAlerts>();
    window_ = std::make_unique<platform::ui::Window>();
    overlay_ = new QWidget(window_->stage());
    Ui::MainWindow mainInterface;
    mainInterface.setupUi(overlay_);
    // The overlay lies along the bottom of the splash image.
    overlay_->move(0, platform::ui::Window::kHeight - overlay_->height());
    progressView_ = mainInterface.progressView;
    progressLabel_ = mainInterface.progressLabel;
    versionLabel_ = mainInterface.versionLabel;
    overlay_->hide();
    window_->show();
    // No widget is made before the tab bar controller's view is asked for, at load done.
    tabBarController_ = std::make_shared<platform::ui::TabBarController>();
    tabBarController_->setDelegate(this);
}

VantrelAppDelegate::~VantrelAppDelegate() {
    NotificationCenter::defaultCenter().removeObserver(this);
    trafficWatch_.reset();
    airspaceWatch_.reset();
    planFlight_.reset();
    banners_.reset();
    flightRecorder_.reset();
    // The screens on the window leave the screen before it goes (a screen that saves when left
    // saves now); the shared screens outlive this delegate.
    window_->hide();
    tabBarController_->setDelegate(nullptr);
    tabBarController_->moreNavigationController()->setDelegate(nullptr);
}

void VantrelAppDelegate::applicationDidFinishLaunching() {
    POISelectorPaneController& database = POISelectorPaneController::sharedPOIDatabase();

    splashView_ = new QLabel();
    splashView_->setGeometry(0, 0, platform::ui::Window::kWidth, platform::ui::Window::kHeight);
    // Shown only while the database loads: not kept in the image cache (2.3 MB at 2x).
    splashView_->setPixmap(platform::ui::renderImageNamed(QStringLiteral("Default.png")));

    platform::Value version = platform::infoDictionaryValue("CFBundleVersion");
    versionLabel_->setText(QStringLiteral("Version %1").arg(version.isNull() ? QStringLiteral("(null)") : version.toQString()));

    window_->addSubview(splashView_);
    window_->addSubview(overlay_);

    platform::ui::setIdleTimerDisabled(true);
    platform::ui::setStatusBarStyle(1);

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, "UPDATE_LOAD_PROGRESSION", nullptr,
                       [this](const platform::Notification& n) { updateLoadProgression(n); });
    center.addObserver(this, "UPDATE_LOAD_DONE", nullptr, [this](const platform::Notification& n) { loadControllers(n); });

    platform::detachNewThread([&database] {
        database.loadDatabase();
        // The pilot's airspace files, once the screens are up; the map and warnings hear
        // "airspaceDidChange" when they are in.
        loadAirspaceFiles(airspace::AirspaceStore(airspace::AirspaceStore::defaultFolder()));
    });
    // While the database loads, the instruments' artwork is rendered beside it, so that the first
    // showing of each instrument screen only copies it.
    instruments::prepareInstrumentArtwork();
}

void VantrelAppDelegate::updateLoadProgression(const platform::Notification& notification) {
    platform::Value country = notification.userInfo ? notification.userInfo->get("country") : platform::Value();
    platform::Value progression = notification.userInfo ? notification.userInfo->get("progression") : platform::Value();
    float fraction = progression.floatValue();
    progressView_->setValue(static_cast<int>(fraction * static_cast<float>(progressView_->maximum())));
    progressLabel_->setText(QStringLiteral("Loading %1").arg(country.isNull() ? QStringLiteral("(null)") : country.toQString()));
}

std::vector<std::shared_ptr<ViewController>> VantrelAppDelegate::buildTabScreens() {
    SettingsController& settings = SettingsController::sharedController();

    std::shared_ptr<InstrumentViewController> vor1 = InstrumentViewController::newController();
    std::shared_ptr<InstrumentViewController> adf = InstrumentViewController::newController();
    std::shared_ptr<InstrumentViewController> compass = InstrumentViewController::newController();
    persistentStateControllers_ = {vor1, adf, compass};
    std::shared_ptr<InstrumentViewController> vor2 = InstrumentViewController::newController();
    std::shared_ptr<platform::ui::NavigationController> logbook = logbook::FlightsView::sharedNavigationController();
    std::shared_ptr<InstrumentViewController> map = InstrumentViewController::newController();
    persistentStateControllers_.push_back(map);
    persistentStateControllers_.push_back(vor2);

    auto& activeCountries = waypoints::ActiveCountriesController::sharedController();
    auto& help = HelpController::sharedController();
    auto& disclaimer = DisclaimerView::sharedController();

    // The More list has a black bar with a dark grey tint, and this delegate colours its rows.
    platform::ui::NavigationController* more = tabBarController_->moreNavigationController();
    more->navigationBar()->setBarStyle(platform::ui::BarStyle::Black);
    more->navigationBar()->setTintColor(kDarkGray);
    more->setDelegate(this);

    waypoints::WaypointCell::cacheSymbols();

    std::vector<std::shared_ptr<ViewController>> screens;
    auto configure = [&](std::shared_ptr<ViewController> screen, const QString& title, const char* image) {
        if (!title.isEmpty()) screen->setTitle(title);
        screen->tabBarItem().setImageName(QString::fromLatin1(image));
        screens.push_back(std::move(screen));
    };
    auto instrument = [&](const std::shared_ptr<InstrumentViewController>& screen,
                          instruments::AbstractInstrumentView& view, const QString& title, const char* image) {
        screen->setInstrument(view);
        configure(screen, title, image);
    };
    instrument(vor1, instruments::VORView::primaryVOR(), QStringLiteral("VOR 1"), "vordme_o.png");
    instrument(vor2, instruments::VORView::secondaryVOR(), QStringLiteral("VOR 2"), "vordme_o.png");
    instrument(map, instruments::GPSView::sharedView(), QStringLiteral("Map"), "airfield_o.png");
    configure(logbook, QStringLiteral("Logbook"), "plane.png");
    // In a stack of its own, on which it opens the Airspace screen.
    configure(SettingsController::sharedNavigationController(), settings.title(), "settings.png");
    configure(activeCountries.shared_from_this(), QStringLiteral("Active Countries"), "earth.png");
    instrument(adf, instruments::ADFView::primaryADF(), QStringLiteral("ADF"), "ndb_o.png");
    instrument(compass, instruments::CompassView::sharedCompassView(), QStringLiteral("Compass"), "compass.png");
    configure(help.shared_from_this(), QStringLiteral("Help"), "help_i.png");
    configure(disclaimer.shared_from_this(), QStringLiteral("Disclaimer"), "help_i.png");
    return screens;
}

void VantrelAppDelegate::loadControllers(const platform::Notification&) {
    QElapsedTimer building;
    building.start();
    // The position source is in place before the first instrument starts the location manager.
    setUpPositioning(gpsOption_);
    // Listening before the first fix, so that a flight in progress goes on recording from it.
    flightRecorder_ = std::make_unique<logbook::FlightRecorder>(logbook::FlightsView::sharedController()->sharedFlightLog(),
                                                                positioning::LocationManager::sharedManager());

    std::vector<std::shared_ptr<ViewController>> screens = buildTabScreens();
    auto& defaults = platform::UserDefaults::standardUserDefaults();
    platform::ArrayPtr savedOrder = defaults.arrayForKey("instrumentsLayout");
    if (!savedOrder && !defaults.objectForKey("instrumentsLayout").isNull())
        platform::logLine("The saved tab order is not a list of titles; the tabs take their first-run order");
    std::vector<std::shared_ptr<ViewController>> tabs = orderTabs(screens, savedOrder, kDefaultTabOrder);
    tabBarController_->setViewControllers(tabs);
    tabBarController_->setCustomizableViewControllers(tabs);

    POISelectorPaneController::POINavigator();

    window_->setRootViewController(tabBarController_);
    if (splashView_) {
        splashView_->hide();
        splashView_->deleteLater();
        splashView_ = nullptr;
    }
    overlay_->hide();

    if (SettingsController::showDisclaimer()) DisclaimerView::sharedController().display(*tabBarController_);
    // A missing or empty database folder is said on screen, not only in the log.
    if (QString problem = POISelectorPaneController::sharedPOIDatabase().database().loadProblem(); !problem.isEmpty())
        platform::postUserNotice(this, problem, QStringLiteral("No waypoints"), problem);

    for (const auto& screen : persistentStateControllers_) screen->restore();
    showDemoWaypointOnFirstRun(gpsOption_, *persistentStateControllers_.front());
    // The map draws the airspaces in use; a reload of the files redraws it.
    NotificationCenter::defaultCenter().addObserver(this, kAirspaceDidChange, nullptr, [](const platform::Notification&) {
        instruments::GPSView::sharedView().airspacesChanged();
    });
    // Traffic alerts, airspace warnings and the plan's notices over every screen.
    banners_ = std::make_unique<FlightBanners>(window_->stage());
    trafficWatch_ = std::make_unique<TrafficWatch>(*banners_, traffic::TrafficFeed::shared());
    airspaceWatch_ = std::make_unique<AirspaceWatch>(*banners_, positioning::LocationManager::sharedManager());
    // The plan being flown takes its instruments back from what they saved.
    planFlight_ = std::make_unique<PlanFlight>(
        navplans::NavplansController::sharedController()->sharedStore(), instruments::VORView::primaryVOR(),
        instruments::ADFView::primaryADF(), instruments::GPSView::sharedView(),
        [banners = banners_.get()](const QString& text, int milliseconds) { banners->showNotice(text, milliseconds); });
    planFlight_->start();
    for (const auto& screen : persistentStateControllers_) screen->noteSaved();
    // The instruments' choices reach the disk shortly after each change, not only at a normal end:
    // a power cut or kill -9 in the cockpit keeps them.
    settingsSaveTimer_ = new QTimer(window_.get());  // owned by the window
    QObject::connect(settingsSaveTimer_, &QTimer::timeout, [this] {
        for (const auto& screen : persistentStateControllers_) screen->saveWhenSettled();
    });
    settingsSaveTimer_->start(kSettingsSaveIntervalMs);
    if (!platform::pilotFilesWriteRefusal().isEmpty())
        platform::postUserNotice(this, QStringLiteral("documents read-only"), QStringLiteral("Read-only"),
                                 QString::fromUtf8(kReadOnlyMessage));

    NotificationCenter::defaultCenter().postNotificationName("UnitsChanged", this);

    if (qEnvironmentVariableIsSet("VANTREL_LOOP_MONITOR")) {
        // The one long turn of the start, before the monitor's own count begins.
        platform::logLine(QStringLiteral("Main loop: the screens were built in %1 ms at load done")
                              .arg(double(building.nsecsElapsed()) / 1e6, 0, 'f', 1));
        loopMonitor_ = std::make_unique<LoopMonitor>(LoopMonitor::thresholdFromEnvironment(), nullptr);
    }
}

void VantrelAppDelegate::tabBarControllerDidEndCustomizingViewControllers(
    platform::ui::TabBarController*, const std::vector<std::shared_ptr<ViewController>>& controllers, bool changed) {
    if (!changed) return;
    platform::ArrayPtr titles = tabTitles(controllers);
    platform::logLine(QStringLiteral("Saving instruments layout %1")
                          .arg(QString::fromStdString(platform::Value(titles).description())));
    platform::UserDefaults::standardUserDefaults().setObject("instrumentsLayout", platform::Value(titles));
}

void VantrelAppDelegate::navigationControllerWillShowViewController(platform::ui::NavigationController* navigationController,
                                                                    ViewController* viewController, bool) {
    const auto& stack = navigationController->viewControllers();
    if (stack.empty() || stack.front().get() != viewController) return;
    auto* list = qobject_cast<platform::ui::TableView*>(viewController->view());
    if (!list) return;
    list->setBackgroundColor(kDarkGray);
    for (int row = 0; row < list->numberOfRowsInSection(0); ++row) {
        if (platform::ui::TableViewCell* cell = list->cellForRowAtIndexPath({0, row}))
            cell->setTextColor(platform::ui::style::orange());
    }
}

void VantrelAppDelegate::applicationWillTerminate() {
    if (settingsSaveTimer_) settingsSaveTimer_->stop();
    for (const auto& screen : persistentStateControllers_) screen->save();
    flightRecorder_.reset();  // the track file synced and closed
    loopMonitor_.reset();  // its line closes the run's log
}

}  // namespace vantrel::app
