#include "waypoints/DatabaseFixture.h"

#include "app/InstrumentViewController.h"
#include "instruments/AbstractInstrumentView.h"
#include "instruments/SlipballView.h"
#include "app/DisclaimerView.h"
#include "app/VantrelAppDelegate.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Transition.h"
#include "waypoints/DatabaseDirectory.h"
#include "waypoints/POISelectorPaneController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

#include <set>

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
        // The first tab, an instrument screen, posts it when it comes on screen.
        if (n.object != &delegate) {
            order.push_back("units from a screen");
            return;
        }
        // By then the tabs are up and the disclaimer covers them.
        EXPECT_EQ(delegate.window()->rootViewController(), delegate.tabBarController());
        EXPECT_EQ(delegate.tabBarController()->modalViewController(), &app::DisclaimerView::sharedController());
        order.push_back("units");
    });

    EXPECT_TRUE(delegate.versionLabel()->text().startsWith(QStringLiteral("Version ")));
    EXPECT_NE(delegate.versionLabel()->text(), QStringLiteral("Version (null)"));
    EXPECT_FALSE(delegate.splashView()->pixmap().isNull());
    EXPECT_EQ(delegate.splashView()->parentWidget(), delegate.window()->stage());
    EXPECT_EQ(delegate.overlay()->parentWidget(), delegate.window()->stage());

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
    EXPECT_EQ(order, (std::vector<std::string>{"progress", "progress", "progress", "units from a screen", "units", "done"}));

    platform::ui::TabBarController* tabs = delegate.tabBarController();
    ASSERT_EQ(delegate.window()->rootViewController(), tabs);
    EXPECT_EQ(tabs->view()->parentWidget(), delegate.window()->stage());
    EXPECT_FALSE(delegate.splashView());
    EXPECT_FALSE(delegate.overlay()->isVisible());
    // A first run: VOR 1, ADF, Map and Logbook on the bar, the six others in the More list.
    EXPECT_EQ(tabTitles(*tabs), QStringList({"VOR 1", "ADF", "Map", "Logbook", "VOR 2", "Settings", "Active Countries",
                                             "Compass", "Help", "Disclaimer"}));
    EXPECT_EQ(tabs->selectedIndex(), 0);

    app::DisclaimerView& disclaimer = app::DisclaimerView::sharedController();
    ASSERT_EQ(tabs->modalViewController(), &disclaimer);
    EXPECT_TRUE(disclaimer.isOnScreen());
    EXPECT_TRUE(disclaimer.titleBar()->isVisible());
    EXPECT_TRUE(disclaimer.bottomBar()->isVisible());

    // The five instrument screens, saved and restored in this order, each with its own instrument,
    // the instrument's setup pane and a slip ball of its own below it.
    QStringList persistent;
    std::set<const void*> instruments, balls;
    for (const auto& screen : delegate.persistentStateControllers()) {
        persistent << screen->title();
        ASSERT_TRUE(screen->theInstrument());
        EXPECT_EQ(screen->theInstrument()->parentWidget(), screen->mainInstrumentView());
        EXPECT_EQ(screen->theInstrument()->size(), QSize(320, 320));
        ASSERT_TRUE(screen->theInstrument()->setupView());
        EXPECT_EQ(screen->theInstrument()->setupView()->parentWidget(), screen->secondaryInstrumentsView());
        ASSERT_TRUE(screen->slipball());
        EXPECT_EQ(screen->slipball()->parentWidget(), screen->secondaryInstrumentsView());
        EXPECT_EQ(screen->slipball()->geometry(), QRect(0, 55, 320, 40));
        instruments.insert(screen->theInstrument());
        balls.insert(screen->slipball());
    }
    EXPECT_EQ(persistent, QStringList({"VOR 1", "ADF", "Compass", "Map", "VOR 2"}));
    EXPECT_EQ(instruments.size(), 5u);
    EXPECT_EQ(balls.size(), 5u);

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
    EXPECT_EQ(tabTitles(*tabs), QStringList({"Help", "VOR 1", "Settings", "VOR 2", "Map", "Logbook", "Active Countries",
                                             "ADF", "Compass", "Disclaimer"}));
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
        app.setReadChannel(QProcess::StandardError);
        app.start(QStringLiteral(VANTREL_APP_PATH), {QStringLiteral("--documents"), home.path()});
        ASSERT_TRUE(app.waitForStarted(5000));
        // The app's own first log line comes after its signal handlers are in place (a loaded
        // machine or a sanitizer build can take longer than the delay to get there).
        QByteArray log;
        while (!log.contains("vantrel[") && app.waitForReadyRead(15000)) log += app.readAllStandardError();
        ASSERT_TRUE(log.contains("vantrel[")) << log.toStdString();
        app.waitForFinished(delayMs);  // time to start loading, or to finish
        ASSERT_EQ(app.state(), QProcess::Running) << log.toStdString();
        app.terminate();
        ASSERT_TRUE(app.waitForFinished(15000));
        log += app.readAllStandardError();
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << "after " << delayMs << " ms";
        EXPECT_EQ(app.exitCode(), 0) << log.toStdString();
    }
}

// Saved settings hold a copy of the chosen record. At the next start an instrument points at the
// database's own record when the database holds the same waypoint (so record equality, the map's
// yellow mark, works after a restart); a waypoint the database no longer holds stays the copy.
// Showing an instrument tab posts the unit broadcast.
TEST(Startup, RestoredInstrumentsPointAtTheDatabasesOwnRecords) {
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {makeRecord("LFPG", 49.0, 2.55), makeRecord("LFPO", 48.72, 2.38)});
    auto& defaults = platform::UserDefaults::standardUserDefaults();
    defaults.setObject("disableDisclaimer", platform::Value::boolean(true));
    auto savedAs = [&](const char* title, platform::Value record, double ring) {
        auto settings = platform::Dictionary::create();
        settings->set("waypoint", record);
        settings->set("ringAngle", platform::Value::real(ring));
        defaults.setObject(title, platform::Value(settings));
    };
    savedAs("VOR 1", makeRecord("LFPG", 49.0, 2.55), 33);
    savedAs("VOR 2", makeRecord("LFPO", 48.0, 2.0), 44);  // moved since: not the database's
    platform::ui::Transition::setAnimationsEnabled(false);

    app::VantrelAppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    waitForLoadDone(delegate);
    const auto& screens = delegate.persistentStateControllers();
    ASSERT_EQ(screens.size(), 5u);
    platform::ArrayPtr records = waypoints::POISelectorPaneController::sharedPOIDatabase().waypointsDB();
    auto databaseRecord = [&](const char* id) -> const void* {
        for (const platform::Value& r : *records)
            if (r.asDictionary()->get("waypoint_id").toQString() == id) return r.identity();
        return nullptr;
    };
    const platform::Value& vor1 = screens[0]->theInstrument()->selectedWaypoint();
    ASSERT_TRUE(vor1.isDictionary());
    EXPECT_EQ(vor1.identity(), databaseRecord("LFPG"));
    const platform::Value& vor2 = screens[4]->theInstrument()->selectedWaypoint();
    ASSERT_TRUE(vor2.isDictionary());
    EXPECT_NE(vor2.identity(), databaseRecord("LFPO"));
    EXPECT_DOUBLE_EQ(screens[4]->theInstrument()->referenceLat(), 48.0);

    std::vector<const void*> posters;
    int observer = 0;
    platform::NotificationCenter::defaultCenter().addObserver(
        &observer, "UnitsChanged", nullptr, [&](const platform::Notification& n) { posters.push_back(n.object); });
    delegate.tabBarController()->setSelectedViewController(screens[1].get());  // ADF
    platform::NotificationCenter::defaultCenter().removeObserver(&observer);
    EXPECT_EQ(posters, std::vector<const void*>{screens[1].get()});

    for (const char* key : {"disableDisclaimer", "VOR 1", "VOR 2"}) defaults.removeObjectForKey(key);
    platform::ui::Transition::setAnimationsEnabled(true);
}
