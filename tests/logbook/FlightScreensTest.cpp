// The logbook screens as the pilot works them: the list with its "Edit flights" alert, new and
// deleted flights, the rows drawn by the flight cell, and the detail screen whose four buttons
// stamp the block times one after the other while the places are typed.

#include "LogbookTestSupport.h"

#include "logbook/FlightCell.h"
#include "logbook/FlightDetailView.h"
#include "logbook/FlightKeys.h"
#include "logbook/FlightLog.h"
#include "logbook/FlightsView.h"
#include "ui_FlightDetailView.h"

#include "platform/core/Paths.h"
#include "platform/ui/Automation.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"
#include "support/TestSupport.h"
#include "ui/UiTestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace vantrel;
using logbook::FlightCell;
using logbook::FlightDetailView;
using logbook::FlightLog;
using logbook::FlightsView;
using platform::DictionaryPtr;
using platform::Value;
using platform::ui::Automation;
using platform::ui::NavigationController;
using test::utc;

namespace {

// A logbook list on its own file, in a navigation controller in a shown window, with a clock the
// test sets.
struct LogbookOnScreen {
    explicit LogbookOnScreen(const QString& path)
        : log(std::make_shared<FlightLog>(path)),
          list(std::make_shared<FlightsView>(log)),
          navigation(std::make_shared<NavigationController>(list)),
          robot(window.get()) {
        log->setClock([this] { return now; });
        window->setRootViewController(navigation);
        robot.waitForIdle();
    }
    FlightDetailView& detail() { return *list->detailView(); }
    Ui::FlightDetailView& form() { return detail().form(); }
    // The enabled stamp buttons, by title.
    QStringList enabledButtons() {
        QStringList out;
        for (QPushButton* b : {form().blockOffButton, form().takeOffButton, form().landingButton, form().blockOnButton})
            if (b->isEnabled()) out << b->text();
        return out;
    }
    QStringList times() {
        return {form().blockOffField->text(), form().takeOffField->text(), form().landingField->text(),
                form().blockOnField->text(), form().totalTimeField->text(), form().trueFlightTimeField->text()};
    }
    void type(platform::ui::TextField* field, const QString& text) {
        ASSERT_EQ(robot.tap(Automation::Target{field, field->rect().center(), field->objectName()}), "");
        field->selectAll();
        ASSERT_EQ(robot.typeText(text), "");
    }
    FlightCell* cell(int section, int row) {
        return qobject_cast<FlightCell*>(list->flightsTable()->cellForRowAtIndexPath({section, row}));
    }

    double now = 0;
    std::shared_ptr<FlightLog> log;
    std::shared_ptr<FlightsView> list;
    std::shared_ptr<NavigationController> navigation;
    test::ShownWindow window;
    Automation robot;
};

}  // namespace

// The whole life of one flight: made through the alert, four stamps (five button states), the
// places typed, the app quit and started again.
TEST(FlightScreens, ANewFlightIsStampedInOrderAndFoundAgainAfterARestart) {
    test::ScopedTimeZone zone("Europe/Berlin");
    test::TempDir dir;
    const QString path = dir.file("flights.plist");
    {
        LogbookOnScreen app(path);
        app.now = utc(2024, 5, 1, 9, 58, 12.5);
        ASSERT_EQ(app.robot.tapButton("Edit"), "");
        ASSERT_EQ(app.robot.tapButton("New"), "");
        app.robot.waitForIdle();
        ASSERT_EQ(app.navigation->topViewController(), &app.detail());
        EXPECT_EQ(app.detail().title(), "Flight details");
        EXPECT_EQ(app.form().dateField->text(), "2024/05/01");
        EXPECT_EQ(app.times(), QStringList(6, "-"));
        EXPECT_EQ(app.enabledButtons(), QStringList{"Block off"});
        EXPECT_EQ(test::readFlights(path)->size(), 1u);

        const QStringList titles{"Block off", "Take off", "Landing", "Block on"};
        const double stamps[] = {utc(2024, 5, 1, 10, 0, 41), utc(2024, 5, 1, 10, 10, 5), utc(2024, 5, 1, 11, 10, 59),
                                 utc(2024, 5, 1, 11, 35, 30)};
        for (int i = 0; i < 4; ++i) {
            app.now = stamps[i];
            ASSERT_EQ(app.robot.tapButton(titles[i]), "") << i;
            // A disabled button does nothing when tapped.
            if (i < 3) {
                EXPECT_NE(app.robot.tapButton(titles[i]), "");
            }
            EXPECT_EQ(app.enabledButtons(), i < 3 ? QStringList{titles[i + 1]} : QStringList()) << i;
            EXPECT_EQ(test::readFlights(path)->at(0).dictionary()->size(), size_t(i) + 2) << "saved at each stamp";
            if (i == 1) {
                EXPECT_EQ(app.times(), (QStringList{"12:00", "12:10", "-", "-", "-", "-"}));
            }
        }
        EXPECT_EQ(app.times(), (QStringList{"12:00", "12:10", "13:10", "13:35", "01:35", "01:00"}));
        DictionaryPtr flight = app.detail().content();
        EXPECT_EQ(flight->get("block_off").toQString(), QString::number(qint64(utc(2024, 5, 1, 10, 0))));

        app.type(app.form().departureLocationField, "EDDF");
        app.type(app.form().arrivalLocationField, "EDDM\n");
        EXPECT_FALSE(app.form().arrivalLocationField->hasFocus());
        ASSERT_EQ(app.robot.tapButton("Logbook"), "");
        app.robot.waitForIdle();
        FlightCell* cell = app.cell(0, 0);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->departure()->text(), "EDDF");
        EXPECT_EQ(cell->arrival()->text(), "EDDM");
    }
    test::ScopedTimeZone west("America/New_York");
    LogbookOnScreen again(path);
    EXPECT_EQ(again.list->flightsTable()->numberOfSections(), 1);
    EXPECT_EQ(again.list->titleForHeaderInSection(nullptr, 0), "May 2024");
    FlightCell* cell = again.cell(0, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->date()->text(), "2024/05/01");
    EXPECT_EQ(cell->blockOffTime()->text(), "06:00");  // the clock time moves with the zone
    EXPECT_EQ(cell->blockOnTime()->text(), "07:35");
    EXPECT_EQ(cell->totalTime()->text(), "01:35");     // the totals do not
    EXPECT_EQ(cell->trueFlightTime()->text(), "01:00");
}

// Typed places reach the record only with Return, and then both fields are taken.
TEST(FlightScreens, PlacesAreStoredOnlyWhenTypingEndsWithReturn) {
    test::TempDir dir;
    const QString path = dir.file("flights.plist");
    LogbookOnScreen app(path);
    app.now = utc(2024, 6, 3, 8);
    app.list->newFlight();
    app.robot.waitForIdle();
    DictionaryPtr flight = app.detail().content();

    app.type(app.form().departureLocationField, "LFPG");
    ASSERT_EQ(app.robot.tapButton("Logbook"), "");
    app.robot.waitForIdle();
    EXPECT_FALSE(flight->find(logbook::keys::departure));
    EXPECT_EQ(app.cell(0, 0)->departure()->text(), "-");

    ASSERT_EQ(app.robot.tapRow(0, 0), "");
    app.robot.waitForIdle();
    ASSERT_EQ(app.navigation->topViewController(), &app.detail());
    EXPECT_EQ(app.form().departureLocationField->text(), "") << "the unsaved text is gone";
    EXPECT_FALSE(app.list->flightsTable()->indexPathForSelectedRow());

    app.type(app.form().departureLocationField, "LFPG\n");
    EXPECT_EQ(flight->get(logbook::keys::departure), Value("LFPG"));
    EXPECT_EQ(flight->get(logbook::keys::arrival), Value(""));
    EXPECT_EQ(test::readFlights(path)->at(0).dictionary()->get("departure"), Value("LFPG"));
    ASSERT_EQ(app.robot.tapButton("Logbook"), "");
    app.robot.waitForIdle();
    EXPECT_EQ(app.cell(0, 0)->arrival()->text(), "");
}

TEST(FlightScreens, EditAlertMakesFlightsOrSwitchesEditingAndRowsAreDeleted) {
    test::TempDir dir;
    const QString path = dir.file("flights.plist");
    test::writeFlights(path, {Value(test::record({"timestamp=1714557600", "departure=MAY"})),
                              Value(test::record({"timestamp=1709553600", "departure=MARCH"}))});
    LogbookOnScreen app(path);
    EXPECT_EQ(app.list->title(), "Logbook");
    platform::ui::TableView* table = app.list->flightsTable();
    EXPECT_EQ(table->numberOfSections(), 2);

    ASSERT_EQ(app.robot.tapButton("Edit"), "");
    platform::ui::AlertView* alert = app.list->editAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Edit flights");
    EXPECT_EQ(alert->message(), "Do you want to create a new flight or delete one or more existing flights ?");
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "Cancel");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "New");
    EXPECT_EQ(alert->buttonTitleAtIndex(2), "Delete");
    ASSERT_EQ(app.robot.tapButton("Cancel"), "");
    EXPECT_FALSE(table->isEditing());
    EXPECT_EQ(app.log->flightsArray()->size(), 2u);

    ASSERT_EQ(app.robot.tapButton("Edit"), "");
    ASSERT_EQ(app.robot.tapButton("Delete"), "");
    EXPECT_TRUE(table->isEditing());
    // Delete the only March flight: its section goes, the file follows.
    platform::ui::TableViewCell* march = table->cellForRowAtIndexPath({1, 0});
    ASSERT_NE(march, nullptr);
    ASSERT_NE(march->deleteControl(), nullptr);
    ASSERT_EQ(app.robot.tap(Automation::Target{march->deleteControl(), march->deleteControl()->rect().center(), "minus"}), "");
    ASSERT_EQ(app.robot.tapButton("Delete"), "");
    EXPECT_EQ(table->numberOfSections(), 1);
    EXPECT_EQ(test::readFlights(path)->size(), 1u);
    EXPECT_EQ(test::readFlights(path)->at(0).dictionary()->get("departure"), Value("MAY"));

    // "Edit" while editing only ends editing.
    ASSERT_EQ(app.robot.tapButton("Edit"), "");
    EXPECT_FALSE(table->isEditing());
    EXPECT_EQ(app.list->editAlert(), nullptr);

    // Deleting the last flight leaves one empty section without a title.
    app.list->commitEditingStyle(table, platform::ui::TableViewCellEditingStyle::Insert, {0, 0});
    EXPECT_EQ(app.log->flightsArray()->size(), 1u);
    app.list->commitEditingStyle(table, platform::ui::TableViewCellEditingStyle::Delete, {0, 0});
    EXPECT_EQ(table->numberOfSections(), 1);
    EXPECT_EQ(table->numberOfRowsInSection(0), 0);
    EXPECT_EQ(app.list->titleForHeaderInSection(table, 0), "");
    EXPECT_EQ(test::readFlights(path)->size(), 0u);
}

// A reused cell is refilled completely: nothing of the previous flight stays.
TEST(FlightScreens, CellRefillsEveryValueLabel) {
    test::ScopedTimeZone zone("UTC");
    FlightCell cell("FlightCell");
    EXPECT_EQ(cell.contentView()->children().size(), 11);
    cell.updateWithCellContent(*test::record({"timestamp=1714557600", "departure=EDDF", "arrival=EDDM",
                                              "block_off=1714557600", "take_off=1714558200", "landing=1714561800",
                                              "block_on=1714563300"}));
    EXPECT_EQ(cell.totalTime()->text(), "01:35");
    cell.updateWithCellContent(*test::record({"timestamp=1714557600"}));
    for (platform::ui::Label* value : {cell.departure(), cell.arrival(), cell.blockOffTime(), cell.blockOnTime(),
                                       cell.totalTime(), cell.trueFlightTime()})
        EXPECT_EQ(value->text(), "-") << value->objectName().toStdString();
    EXPECT_EQ(cell.date()->text(), "2024/05/01");
}

TEST(FlightScreens, DetailScreenStampsNothingWithoutAFlightOrForAnotherSender) {
    test::TempDir dir;
    LogbookOnScreen app(dir.file("flights.plist"));
    FlightDetailView& detail = app.detail();
    detail.setContent({});
    EXPECT_TRUE(app.enabledButtons().isEmpty());
    detail.setCurrentTime(detail.form().blockOffButton);  // no flight: nothing to stamp, no crash

    app.now = utc(2024, 6, 3, 8);
    DictionaryPtr flight = app.log->newFlight();
    detail.setContent(flight);
    detail.setCurrentTime(detail.form().dateField);
    EXPECT_EQ(flight->size(), 1u);
    EXPECT_EQ(app.enabledButtons(), QStringList{"Block off"});
}

// The list screen the detail screen can go back to is the root of the stack: going there pops
// back instead of pushing the root a second time.
TEST(FlightScreens, ListActionGoesBackToTheList) {
    test::TempDir dir;
    LogbookOnScreen app(dir.file("flights.plist"));
    app.list->newFlight();
    app.robot.waitForIdle();
    ASSERT_EQ(app.navigation->viewControllers().size(), 2u);
    app.detail().list();
    app.robot.waitForIdle();
    ASSERT_EQ(app.navigation->viewControllers().size(), 1u);
    EXPECT_EQ(app.navigation->topViewController(), app.list.get());
}

TEST(FlightScreens, SharedInstancesReadTheDocumentsFolderOnce) {
    test::TempDir dir;
    platform::Paths::setDocumentsDirectory(dir.path());
    test::writeFlights(dir.file("flights.plist"), {Value(test::record({"timestamp=1714557600", "departure=EDDF"}))});

    std::shared_ptr<FlightsView> list = FlightsView::sharedController();
    EXPECT_EQ(FlightsView::sharedController(), list);
    EXPECT_EQ(list->title(), "Logbook");
    ASSERT_NE(list->navigationItem().rightBarButtonItem(), nullptr);
    EXPECT_EQ(list->navigationItem().rightBarButtonItem()->title(), "Edit");
    EXPECT_EQ(list->flightLog().savePath(), dir.file("flights.plist"));
    EXPECT_EQ(list->flightLog().flightsArray()->size(), 1u);

    std::shared_ptr<NavigationController> navigation = FlightsView::sharedNavigationController();
    EXPECT_EQ(FlightsView::sharedNavigationController(), navigation);
    EXPECT_EQ(navigation->topViewController(), list.get());
    EXPECT_EQ(navigation->navigationBar()->barStyle(), platform::ui::BarStyle::Black);
    EXPECT_EQ(FlightDetailView::sharedController(), list->detailView());

    test::ShownWindow window;
    window->setRootViewController(navigation);
    Automation robot(window.get());
    ASSERT_EQ(robot.tapRow(0, 0), "");
    robot.waitForIdle();
    EXPECT_EQ(FlightDetailView::sharedController()->form().departureLocationField->text(), "EDDF");
    EXPECT_FALSE(FlightDetailView::sharedController()->form().arrivalLocationField->backgroundImage().isNull());
}
