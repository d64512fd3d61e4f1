// What the pilot must see of a failure: a save that failed or a file that could not be read is
// said on screen in one plain sentence with the file name and the reason, once per cause.

#include "AppTestSupport.h"

#include "app/NoticeAlerts.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/core/UserNotice.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Automation.h"
#include "support/TestSupport.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/DatabaseFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

using namespace vantrel;
using platform::ui::Automation;

namespace {
void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}
}  // namespace

TEST(UserNotice, AFailedSaveReadsAsOnePlainSentence) {
    EXPECT_EQ(platform::plainReason("cannot write /home/p/.local/share/vantrel/flights.plist: Permission denied"),
              "permission denied");
    EXPECT_EQ(platform::plainReason("cannot write /x/a.plist: the folder /x does not exist"), "the folder /x does not exist");
    EXPECT_EQ(platform::plainReason("NFS stale handle."), "NFS stale handle");
    EXPECT_EQ(platform::plainReason(""), "unknown reason");
    EXPECT_EQ(platform::saveFailureSentence("The logbook", "/home/p/flights.plist", "permission denied",
                                            "Your flights are kept until the next try."),
              "The logbook could not be saved to flights.plist: permission denied. Your flights are kept until the next try.");
    EXPECT_EQ(platform::saveFailureSentence("The logbook", "", "there is no documents folder", ""),
              "The logbook could not be saved: there is no documents folder.");
}

TEST(NoticeAlerts, EachCauseIsShownOnceAndTheNextWaitsItsTurn) {
    test::TabWindow window({test::otherScreen("Map")});
    app::NoticeAlerts alerts;
    int poster = 0;
    platform::postSaveFailure(&poster, "The logbook", "/d/flights.plist", "cannot write /d/flights.plist: Permission denied",
                              "Your flights are kept until the next try.");
    platform::postSaveFailure(&poster, "The logbook", "/d/flights.plist", "cannot write /d/flights.plist: Permission denied",
                              "Your flights are kept until the next try.");
    platform::postUserNotice(&poster, "database", "No waypoints", "The waypoint database folder /b does not exist.");
    EXPECT_EQ(alerts.alert(), nullptr) << "shown on a later turn, over the screens made in this one";
    settle();
    ASSERT_NE(alerts.alert(), nullptr);
    EXPECT_EQ(alerts.alert()->title(), "Not saved");
    EXPECT_EQ(alerts.alert()->message(),
              "The logbook could not be saved to flights.plist: permission denied. Your flights are kept until the next try.");
    EXPECT_EQ(alerts.waitingCount(), 1u) << "the same cause again is not queued";

    Automation robot(window.window());
    ASSERT_EQ(robot.tapButton("OK"), "");
    settle();
    ASSERT_NE(alerts.alert(), nullptr);
    EXPECT_EQ(alerts.alert()->title(), "No waypoints");
    ASSERT_EQ(robot.tapButton("OK"), "");
    settle();
    EXPECT_EQ(alerts.alert(), nullptr);

    // A cause already shown stays quiet for the rest of the run.
    platform::postSaveFailure(&poster, "The logbook", "/d/flights.plist", "Permission denied", "");
    settle();
    EXPECT_EQ(alerts.alert(), nullptr);
}

// The stores post their failures: the active countries and the settings.
TEST(NoticeAlerts, TheActiveCountriesAndTheSettingsSayWhenTheyCannotBeSaved) {
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry("France", {});
    test::TabWindow window({test::otherScreen("Map")});
    app::NoticeAlerts alerts;
    test::TempDir blocked;
    QFile file(blocked.file("documents"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));  // a file where the documents folder should be
    file.close();
    platform::Paths::setDocumentsDirectory(blocked.file("documents"));
    waypoints::ActiveCountriesStore store;
    store.toggleCountry("France");
    {
        test::LogCapture log;
        EXPECT_FALSE(store.save());
    }
    platform::Paths::setDocumentsDirectory(db.documentsDirectory());
    settle();
    ASSERT_NE(alerts.alert(), nullptr);
    EXPECT_TRUE(alerts.alert()->message().startsWith("The active countries could not be saved to DismissedCountries.plist: "))
        << alerts.alert()->message().toStdString();
    ASSERT_EQ(Automation(window.window()).tapButton("OK"), "");

    platform::UserDefaults defaults(blocked.file("documents") + "/defaults.plist");
    {
        test::LogCapture log;
        defaults.setObject("units", platform::Value::integer(2));
        EXPECT_TRUE(log.contains("Error writing user defaults"));
    }
    settle();
    ASSERT_NE(alerts.alert(), nullptr);
    EXPECT_TRUE(alerts.alert()->message().startsWith("The settings could not be saved to defaults.plist: "))
        << alerts.alert()->message().toStdString();
    EXPECT_EQ(defaults.objectForKey("units"), platform::Value::integer(2)) << "kept in memory";
}
