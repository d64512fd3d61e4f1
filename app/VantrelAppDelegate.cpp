#include "VantrelAppDelegate.h"

#include "DatabaseOverviewView.h"
#include "DisclaimerView.h"
#include "HelpController.h"
#include "PositioningStartup.h"
#include "SettingsController.h"
#include "TabOrder.h"
#include "ui_MainWindow.h"

#include "logbook/FlightsView.h"
#include "platform/core/Bundle.h"
#include "platform/core/Log.h"
#include "platform/core/Threads.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Images.h"
#include "platform/ui/Style.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "waypoints/ActiveCountriesController.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointCell.h"

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
    window_ = std::make_unique<platform::ui::Window>();
    overlay_ = new QWidget(window_.get());
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
    splashView_->setPixmap(platform::ui::imageNamed(QStringLiteral("Default.png")));

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

    platform::detachNewThread([&database] { database.loadDatabase(); });
}

void VantrelAppDelegate::updateLoadProgression(const platform::Notification& notification) {
    platform::Value country = notification.userInfo ? notification.userInfo->get("country") : platform::Value();
    platform::Value progression = notification.userInfo ? notification.userInfo->get("progression") : platform::Value();
    float fraction = progression.floatValue();
    progressView_->setValue(static_cast<int>(fraction * static_cast<float>(progressView_->maximum())));
    progressLabel_->setText(QStringLiteral("Loading %1").arg(country.isNull() ? QStringLiteral("(null)") : country.toQString()));
}

void VantrelAppDelegate::loadControllers(const platform::Notification&) {
    startPositioning(gpsOption_);

    // The tab screens, in the order the pilot saved. The More list has a black bar with a dark
    // grey tint, and this delegate colours its rows.
    std::shared_ptr<platform::ui::NavigationController> logbook = logbook::FlightsView::sharedNavigationController();
    logbook->setTitle(QStringLiteral("Logbook"));
    logbook->tabBarItem().setImageName(QStringLiteral("plane.png"));
    std::vector<std::shared_ptr<ViewController>> screens{
        std::make_shared<DatabaseOverviewView>(POISelectorPaneController::sharedPOIDatabase()),
        logbook,
        SettingsController::sharedController().shared_from_this(),
        waypoints::ActiveCountriesController::sharedController().shared_from_this(),
        HelpController::sharedController().shared_from_this(),
    };
    platform::ui::NavigationController* more = tabBarController_->moreNavigationController();
    more->navigationBar()->setBarStyle(platform::ui::BarStyle::Black);
    more->navigationBar()->setTintColor(kDarkGray);
    more->setDelegate(this);
    auto& defaults = platform::UserDefaults::standardUserDefaults();
    platform::ArrayPtr savedOrder = defaults.arrayForKey("instrumentsLayout");
    if (!savedOrder && !defaults.objectForKey("instrumentsLayout").isNull())
        platform::logLine("The saved tab order is not a list of titles; the tabs take their first-run order");
    std::vector<std::shared_ptr<ViewController>> tabs = orderTabs(screens, savedOrder, kDefaultTabOrder);
    tabBarController_->setViewControllers(tabs);
    tabBarController_->setCustomizableViewControllers(tabs);

    // The selector pane's navigator and the type symbols of its rows.
    POISelectorPaneController::POINavigator();
    waypoints::WaypointCell::cacheSymbols();

    window_->setRootViewController(tabBarController_);
    if (splashView_) {
        splashView_->hide();
        splashView_->deleteLater();
        splashView_ = nullptr;
    }
    overlay_->hide();

    if (SettingsController::showDisclaimer()) DisclaimerView::sharedController().display(*tabBarController_);

    NotificationCenter::defaultCenter().postNotificationName("UnitsChanged", this);
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

void VantrelAppDelegate::applicationWillTerminate() {}

}  // namespace vantrel::app
