#include "waypoints/DatabaseFixture.h"

#include "app/DatabaseOverviewView.h"
#include "app/DisclaimerView.h"
#include "app/VantrelAppDelegate.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Transition.h"
#include "waypoints/DatabaseDirectory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

using namespace vantrel;
using test::makeRecord;

namespace {
void waitForLoadDone(app::VantrelAppDelegate& delegate) {
    QElapsedTimer timer;
    timer.start();
    while (!delegate.window()->rootViewController() && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
}

QStringList tabTitles(platform::ui::TabBarController& tabs) {
    QStringList titles;
    for (const auto& screen : tabs.viewControllers()) titles << screen->title();
    return titles;
}
}  // namespace

// The whole launch: splash with the version, "Loading <country>" for each country in load order
// with the bar moving, then the tabs on screen, splash and overlay gone, the disclaimer over the
// tabs, and the unit broadcast last.
TEST(Startup, SplashShowsEachCountryThenTheTabsUnderTheDisclaimer) {
    platform::UserDefaults::standardUserDefaults().removeObjectForKey("disableDisclaimer");
    platform::UserDefaults::standardUserDefaults().removeObjectForKey("instrumentsLayout");
    platform::ui::Transition::setAnimationsEnabled(false);
    test::DatabaseFixture db;
    db.writeStates({"Bavaria"});
    db.writeCountry(QStringLiteral("Germany"), {makeRecord("EDDM", 48.35, 11.78, 1, 0), makeRecord("EDDF", 50.03, 8.57)});
    db.writeCountry(QStringLiteral("France"), {makeRecord("LFPG", 49.0, 2.55)});
    db.writeCountry(QStringLiteral("Italy"), {makeRecord("LIRF", 41.8, 12.25)});

    app::VantrelAppDelegate delegate;
    std::vector<QString> labels;
    std::vector<int> bar;
    std::vector<std::string> order;
    bool splashDuringLoad = true;
    int observer = 0;
    auto& center = platform::NotificationCenter::defaultCenter();

    delegate.applicationDidFinishLaunching();
    // Registered after the delegate, so each handler sees what the delegate just showed.
    center.addObserver(&observer, "UPDATE_LOAD_PROGRESSION", nullptr, [&](const platform::Notification&) {
        labels.push_back(delegate.progressLabel()->text());
        bar.push_back(delegate.progressView()->value());
        splashDuringLoad = splashDuringLoad && delegate.splashView() && delegate.overlay()->isVisible() &&
                           !delegate.tabBarController()->isViewLoaded();
        order.push_back("progress");
    });
    center.addObserver(&observer, "UPDATE_LOAD_DONE", nullptr, [&](const platform::Notification&) { order.push_back("done"); });
    center.addObserver(&observer, "UnitsChanged", nullptr, [&](const platform::Notification& n) {
        EXPECT_EQ(n.object, &delegate);
        // By then the tabs are up and the disclaimer covers them.
        EXPECT_EQ(delegate.window()->rootViewController(), delegate.tabBarController());
        EXPECT_EQ(delegate.tabBarController()->modalViewController(), &app::DisclaimerView::sharedController());
        order.push_back("units");
    });

    EXPECT_TRUE(delegate.versionLabel()->text().startsWith(QStringLiteral("Version ")));
    EXPECT_NE(delegate.versionLabel()->text(), QStringLiteral("Version (null)"));
    EXPECT_FALSE(delegate.splashView()->pixmap().isNull());
    EXPECT_EQ(delegate.splashView()->parentWidget(), delegate.window());
    EXPECT_EQ(delegate.overlay()->parentWidget(), delegate.window());

    waitForLoadDone(delegate);
    center.removeObserver(&observer);

    QStringList listing = waypoints::countryNamesOf(waypoints::directoryContents(db.databaseDirectory()));
    ASSERT_EQ(labels.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(labels[size_t(k)], QStringLiteral("Loading %1").arg(listing[k]));
        EXPECT_EQ(bar[size_t(k)], (k + 1) * delegate.progressView()->maximum() / 3);
    }
    EXPECT_TRUE(splashDuringLoad);
    // The done handler of the delegate runs before ours, and posts the unit broadcast last.
    EXPECT_EQ(order, (std::vector<std::string>{"progress", "progress", "progress", "units", "done"}));

    platform::ui::TabBarController* tabs = delegate.tabBarController();
    ASSERT_EQ(delegate.window()->rootViewController(), tabs);
    EXPECT_EQ(tabs->view()->parentWidget(), delegate.window());
    EXPECT_FALSE(delegate.splashView());
    EXPECT_FALSE(delegate.overlay()->isVisible());
    EXPECT_EQ(tabTitles(*tabs), QStringList({"Logbook", "Database", "Settings", "Active Countries", "Help"}));
    EXPECT_EQ(tabs->selectedIndex(), 0);

    app::DisclaimerView& disclaimer = app::DisclaimerView::sharedController();
    ASSERT_EQ(tabs->modalViewController(), &disclaimer);
    EXPECT_TRUE(disclaimer.isOnScreen());
    EXPECT_TRUE(disclaimer.titleBar()->isVisible());
    EXPECT_TRUE(disclaimer.bottomBar()->isVisible());

    auto* overview = dynamic_cast<app::DatabaseOverviewView*>(tabs->viewControllers().at(1).get());
    ASSERT_TRUE(overview);
    platform::ui::TableView* list = overview->countryList();
    ASSERT_EQ(list->numberOfRowsInSection(0), 3);
    // The tab is not on screen under the disclaimer: ask the list's data source for the rows.
    EXPECT_EQ(overview->cellForRowAtIndexPath(list, {0, 0})->text(), QStringLiteral("France  (1)"));
    EXPECT_EQ(overview->cellForRowAtIndexPath(list, {0, 1})->text(), QStringLiteral("Germany  (2)"));
    EXPECT_EQ(overview->summaryLabel()->text(), QStringLiteral("4 waypoints in 3 countries"));

    disclaimer.agree();
    EXPECT_EQ(tabs->modalViewController(), nullptr);
    EXPECT_TRUE(tabs->isOnScreen());
    EXPECT_TRUE(tabs->view()->isVisible());
    platform::ui::Transition::setAnimationsEnabled(true);
}

// With the disclaimer switched off the tabs show at once, in the order the pilot saved, and the
// unit broadcast still comes last.
TEST(Startup, WithoutTheDisclaimerTheSavedTabOrderShowsAtOnce) {
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {makeRecord("LFPG", 49.0, 2.55)});
    auto& defaults = platform::UserDefaults::standardUserDefaults();
    defaults.setObject("disableDisclaimer", platform::Value::boolean(true));
    auto saved = platform::Array::create();
    for (const char* title : {"Help", "VOR 1", "Help", "Settings"}) saved->append(platform::Value(title));
    defaults.setObject("instrumentsLayout", platform::Value(saved));
    platform::ui::Transition::setAnimationsEnabled(false);

    app::VantrelAppDelegate delegate;
    bool coveredAtUnits = true;
    int observer = 0;
    delegate.applicationDidFinishLaunching();
    platform::NotificationCenter::defaultCenter().addObserver(&observer, "UnitsChanged", nullptr,
                                                              [&](const platform::Notification&) {
                                                                  coveredAtUnits = delegate.tabBarController()->modalViewController();
                                                              });
    waitForLoadDone(delegate);
    platform::NotificationCenter::defaultCenter().removeObserver(&observer);

    platform::ui::TabBarController* tabs = delegate.tabBarController();
    EXPECT_FALSE(coveredAtUnits);
    EXPECT_EQ(tabs->modalViewController(), nullptr);
    // Saved titles first (the unknown and the repeated one skipped), then the others in their order.
    EXPECT_EQ(tabTitles(*tabs), QStringList({"Help", "Settings", "Database", "Logbook", "Active Countries"}));
    EXPECT_TRUE(tabs->viewControllers().front()->isOnScreen());

    defaults.removeObjectForKey("disableDisclaimer");
    defaults.removeObjectForKey("instrumentsLayout");
    platform::ui::Transition::setAnimationsEnabled(true);
}

// The real app, ended by SIGTERM as a desktop session ends it, leaves through the normal exit,
// even while its database is still loading.
TEST(Startup, TheAppEndsNormallyOnSigterm) {
    test::TempDir home;
    for (int delayMs : {300, 1500}) {
        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(VANTREL_APP_PATH), {QStringLiteral("--documents"), home.path()});
        ASSERT_TRUE(app.waitForStarted(5000));
        app.waitForFinished(delayMs);  // time to install its signal handlers and start loading
        ASSERT_EQ(app.state(), QProcess::Running) << app.readAllStandardError().toStdString();
        app.terminate();
        ASSERT_TRUE(app.waitForFinished(15000));
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << "after " << delayMs << " ms";
        EXPECT_EQ(app.exitCode(), 0) << app.readAllStandardError().toStdString();
    }
}
