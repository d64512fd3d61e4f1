#include "waypoints/DatabaseFixture.h"

#include "app/DatabaseOverviewView.h"
#include "app/VantrelAppDelegate.h"
#include "platform/core/NotificationCenter.h"
#include "waypoints/DatabaseDirectory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProcess>
#include <gtest/gtest.h>

using namespace vantrel;
using test::makeRecord;

// The whole launch: splash with the version, "Loading <country>" for each country in load order
// with the bar moving, then the loaded database on screen, splash and overlay gone, and the unit
// broadcast last.
TEST(Startup, SplashShowsEachCountryThenTheLoadedDatabase) {
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
                           !delegate.rootView();
        order.push_back("progress");
    });
    center.addObserver(&observer, "UPDATE_LOAD_DONE", nullptr, [&](const platform::Notification&) { order.push_back("done"); });
    center.addObserver(&observer, "UnitsChanged", nullptr, [&](const platform::Notification& n) {
        EXPECT_EQ(n.object, &delegate);
        order.push_back("units");
    });

    EXPECT_TRUE(delegate.versionLabel()->text().startsWith(QStringLiteral("Version ")));
    EXPECT_NE(delegate.versionLabel()->text(), QStringLiteral("Version (null)"));
    EXPECT_FALSE(delegate.splashView()->pixmap().isNull());
    EXPECT_EQ(delegate.splashView()->parentWidget(), delegate.window());
    EXPECT_EQ(delegate.overlay()->parentWidget(), delegate.window());

    QElapsedTimer timer;
    timer.start();
    while (!delegate.rootView() && timer.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
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

    ASSERT_TRUE(delegate.rootView());
    EXPECT_EQ(delegate.rootView()->parentWidget(), delegate.window());
    EXPECT_TRUE(delegate.rootView()->isVisible());
    EXPECT_FALSE(delegate.splashView());
    EXPECT_FALSE(delegate.overlay()->isVisible());

    auto* overview = qobject_cast<app::DatabaseOverviewView*>(delegate.rootView());
    ASSERT_TRUE(overview);
    ASSERT_EQ(overview->countryList()->count(), 3);
    EXPECT_EQ(overview->countryList()->item(0)->text(), QStringLiteral("France  (1)"));
    EXPECT_EQ(overview->countryList()->item(1)->text(), QStringLiteral("Germany  (2)"));
    EXPECT_EQ(overview->summaryLabel()->text(), QStringLiteral("4 waypoints in 3 countries"));
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
