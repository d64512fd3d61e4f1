// The active-countries screen: one row per country file with a check mark on the active ones, a
// tap switching a country, and the dismissed list written each time the screen is left.

#include "AppTestSupport.h"

#include "platform/core/Paths.h"
#include "platform/plist/PropertyList.h"
#include "platform/ui/Automation.h"
#include "platform/ui/Button.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "support/TestSupport.h"
#include "waypoints/ActiveCountriesController.h"
#include "waypoints/DatabaseFixture.h"

#include <QFile>
#include <QLabel>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace vantrel;
using platform::ui::Automation;
using platform::ui::TableViewCellAccessoryType;
using waypoints::ActiveCountriesController;

namespace {
// The file as written, or "absent".
QString storedFile() {
    const QString path = ActiveCountriesController::dismissedCountriesPath();
    if (!QFile::exists(path)) return QStringLiteral("absent");
    platform::Value root = platform::plist::readFile(path);
    if (!root.isArray()) return QStringLiteral("not an array");
    QStringList names;
    for (const platform::Value& v : *root.array()) names << v.toQString();
    return QStringLiteral("[%1]").arg(names.join(QLatin1Char(',')));
}

QStringList rows(ActiveCountriesController& screen) {
    QStringList shown;
    platform::ui::TableView* table = screen.activeCountriesTab();
    for (int r = 0; r < table->numberOfRowsInSection(0); ++r) {
        platform::ui::TableViewCell* cell = table->cellForRowAtIndexPath({0, r});
        if (!cell) continue;
        shown << cell->text() + (cell->shownAccessory() == TableViewCellAccessoryType::Checkmark ? " ✓" : "");
    }
    return shown;
}

struct Countries {
    test::DatabaseFixture db;
    Countries() {
        db.writeStates({});
        for (const char* country : {"Spain", "France", "Italy"}) db.writeCountry(QString::fromLatin1(country), {});
    }
};
}  // namespace

TEST(ActiveCountriesScreen, FirstLaunchShowsEveryCountryCheckedAndLeavingWritesAnEmptyList) {
    Countries countries;
    auto screen = std::make_shared<ActiveCountriesController>();
    EXPECT_EQ(screen->title(), "Active Countries");
    EXPECT_EQ(screen->tabBarItem().imageName(), "earth.png");
    test::TabWindow window({screen, test::otherScreen("Map")});
    EXPECT_EQ(rows(*screen), QStringList({"France ✓", "Italy ✓", "Spain ✓"}));
    EXPECT_EQ(storedFile(), "absent");

    QImage image = test::picture(window.window(), "active-countries");
    EXPECT_TRUE(test::isBlackBar(image.pixelColor(160, 5)));
    EXPECT_TRUE(test::hasColour(image, QRect(10, 90, 100, 30), test::isOrange));  // under the All/None bar

    ASSERT_EQ(Automation(window.window()).tapTab("Map"), "");
    EXPECT_EQ(storedFile(), "[]");
}

TEST(ActiveCountriesScreen, ATapSwitchesACountryAndTwoTapsRestoreIt) {
    Countries countries;
    auto screen = std::make_shared<ActiveCountriesController>();
    test::TabWindow window({screen, test::otherScreen("Map")});
    Automation robot(window.window());

    ASSERT_EQ(robot.tapRow("Italy"), "");
    EXPECT_EQ(rows(*screen), QStringList({"France ✓", "Italy", "Spain ✓"}));
    EXPECT_FALSE(screen->isCountryActive("Italy"));
    EXPECT_FALSE(screen->activeCountriesTab()->indexPathForSelectedRow());
    ASSERT_EQ(robot.tapRow("Italy"), "");
    EXPECT_EQ(rows(*screen), QStringList({"France ✓", "Italy ✓", "Spain ✓"}));
    ASSERT_EQ(robot.tapTab("Map"), "");
    EXPECT_EQ(storedFile(), "[]");

    ASSERT_EQ(robot.tapTab("Active Countries"), "");
    ASSERT_EQ(robot.tapRow("Spain"), "");
    ASSERT_EQ(robot.tapRow("France"), "");
    EXPECT_EQ(storedFile(), "[]");  // written when the screen is left, not at the tap
    ASSERT_EQ(robot.tapTab("Map"), "");
    EXPECT_EQ(storedFile(), "[Spain,France]");

    // The next start reads the choice; the dismissed countries are still listed, unchecked.
    auto next = std::make_shared<ActiveCountriesController>();
    test::TabWindow again({next});
    EXPECT_EQ(rows(*next), QStringList({"France", "Italy ✓", "Spain"}));
}

// "All" and "None" switch every country at once; the screen says when a change takes effect.
TEST(ActiveCountriesScreen, AllAndNoneSwitchEveryCountryAndTheScreenSaysWhen) {
    Countries countries;
    auto screen = std::make_shared<ActiveCountriesController>();
    test::TabWindow window({screen, test::otherScreen("Map")});
    Automation robot(window.window());
    auto* note = screen->view()->findChild<QLabel*>("nextStartNote");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), "A change takes effect at the next start.");
    for (const char* name : {"allButton", "noneButton"}) {
        auto* button = screen->view()->findChild<platform::ui::Button*>(name);
        ASSERT_NE(button, nullptr);
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 2 * button->horizontalPadding(),
                  button->width() - 2)
            << name << ": the title fits inside the border";
    }

    ASSERT_EQ(robot.tapButton("None"), "");
    EXPECT_EQ(rows(*screen), QStringList({"France", "Italy", "Spain"}));
    ASSERT_EQ(robot.tapRow("Italy"), "");
    ASSERT_EQ(robot.tapTab("Map"), "");
    const QString stored = storedFile();  // in the folder's listing order
    EXPECT_TRUE(stored == "[France,Spain]" || stored == "[Spain,France]") << stored.toStdString();

    ASSERT_EQ(robot.tapTab("Active Countries"), "");
    ASSERT_EQ(robot.tapButton("All"), "");
    EXPECT_EQ(rows(*screen), QStringList({"France ✓", "Italy ✓", "Spain ✓"}));
    ASSERT_EQ(robot.tapTab("Map"), "");
    EXPECT_EQ(storedFile(), "[]");
}

// A list that cannot be written is logged; the choice stays in memory and the screen goes on.
TEST(ActiveCountriesScreen, AFailedWriteIsLoggedAndTheChoiceKept) {
    Countries countries;
    test::TempDir blocked;
    QFile file(blocked.file("documents"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));  // a file where the documents folder should be
    file.close();
    auto screen = std::make_shared<ActiveCountriesController>();
    test::TabWindow window({screen, test::otherScreen("Map")});
    platform::Paths::setDocumentsDirectory(blocked.file("documents"));
    test::LogCapture log;
    Automation robot(window.window());
    ASSERT_EQ(robot.tapRow("France"), "");
    ASSERT_EQ(robot.tapTab("Map"), "");
    EXPECT_TRUE(log.contains("Error writing dismissed countries"));
    EXPECT_FALSE(screen->isCountryActive("France"));
    ASSERT_EQ(robot.tapTab("Active Countries"), "");
    EXPECT_EQ(rows(*screen).first(), "France");
    platform::Paths::setDocumentsDirectory(countries.db.documentsDirectory());
}

// The loader may make the shared store on its own thread: the screen makes no widget until its
// view is asked for on the main thread.
TEST(ActiveCountriesScreen, MadeOnAnotherThreadWithoutWidgets) {
    Countries countries;
    std::shared_ptr<ActiveCountriesController> screen;
    std::thread loader([&] { screen = std::make_shared<ActiveCountriesController>(); });
    loader.join();
    EXPECT_FALSE(screen->isViewLoaded());
    EXPECT_TRUE(screen->isCountryActive("Spain"));
    test::TabWindow window({screen});
    EXPECT_EQ(screen->view()->thread(), QThread::currentThread());
    EXPECT_EQ(rows(*screen).size(), 3);
}
