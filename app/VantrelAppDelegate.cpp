#include "VantrelAppDelegate.h"

#include "DatabaseOverviewView.h"
#include "PositioningStartup.h"
#include "ui_MainWindow.h"

#include "platform/core/Bundle.h"
#include "platform/core/Threads.h"
#include "platform/ui/Images.h"
#include "waypoints/POISelectorPaneController.h"

namespace vantrel::app {

using platform::NotificationCenter;
using waypoints::POISelectorPaneController;

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
}

VantrelAppDelegate::~VantrelAppDelegate() { NotificationCenter::defaultCenter().removeObserver(this); }

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
    rootView_ = new DatabaseOverviewView(POISelectorPaneController::sharedPOIDatabase());
    rootView_->setGeometry(0, 0, platform::ui::Window::kWidth, platform::ui::Window::kHeight);
    window_->addSubview(rootView_);

    if (splashView_) {
        splashView_->hide();
        splashView_->deleteLater();
        splashView_ = nullptr;
    }
    overlay_->hide();

    NotificationCenter::defaultCenter().postNotificationName("UnitsChanged", this);
}

void VantrelAppDelegate::applicationWillTerminate() {}

}  // namespace vantrel::app
