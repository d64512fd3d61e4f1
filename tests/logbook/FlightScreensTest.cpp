// The logbook screens as the pilot works them: the list with its "Edit flights" alert, new and
// deleted flights, the rows drawn by the flight cell, and the detail screen whose four buttons
// stamp the block times one after the other while the places are typed.

#include "LogbookTestSupport.h"

#include "logbook/FlightCell.h"
#include "logbook/FlightDetailView.h"
#include "logbook/FlightKeys.h"
#include "logbook/FlightLog.h"
#include "logbook/FlightsView.h"
#include "logbook/StampPicker.h"
#include "ui_FlightDetailView.h"

#include "platform/core/Paths.h"
#include "platform/ui/Automation.h"
#include "platform/ui/CellControl.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"
#include "support/TestSupport.h"
#include "ui/UiTestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QFontMetricsF>
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
        app.now = utc(2024, 5, 1, 9, 58, 12);
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

// Typed places reach the record with Return (both fields are taken then) and when the screen is
// left without it, so that nothing typed is lost; they are upper-cased as identifiers are written.
TEST(FlightScreens, TypedPlacesAreKeptOnReturnAndWhenTheScreenIsLeftUpperCased) {
    test::TempDir dir;
    const QString path = dir.file("flights.plist");
    LogbookOnScreen app(path);
    app.now = utc(2024, 6, 3, 8);
    app.list->newFlight();
    app.robot.waitForIdle();
    DictionaryPtr flight = app.detail().content();

    app.type(app.form().departureLocationField, "lfpg");
    EXPECT_EQ(app.form().departureLocationField->text(), "LFPG");
    ASSERT_EQ(app.robot.tapButton("Logbook"), "");
    app.robot.waitForIdle();
    EXPECT_EQ(flight->get(logbook::keys::departure), Value("LFPG"));
    EXPECT_FALSE(flight->find(logbook::keys::arrival)) << "an untouched empty field adds no place";
    EXPECT_EQ(app.cell(0, 0)->departure()->text(), "LFPG");
    EXPECT_EQ(app.cell(0, 0)->arrival()->text(), "-");
    EXPECT_EQ(test::readFlights(path)->at(0).dictionary()->get("departure"), Value("LFPG"));

    ASSERT_EQ(app.robot.tapRow(0, 0), "");
    app.robot.waitForIdle();
    ASSERT_EQ(app.navigation->topViewController(), &app.detail());
    EXPECT_EQ(app.form().departureLocationField->text(), "LFPG");
    EXPECT_FALSE(app.list->flightsTable()->indexPathForSelectedRow());

    app.type(app.form().arrivalLocationField, "eddm\n");
    EXPECT_EQ(flight->get(logbook::keys::departure), Value("LFPG"));
    EXPECT_EQ(flight->get(logbook::keys::arrival), Value("EDDM"));
    EXPECT_EQ(test::readFlights(path)->at(0).dictionary()->get("arrival"), Value("EDDM"));

    // Clearing a place and pressing Return stores the empty text: the row shows it empty.
    app.type(app.form().arrivalLocationField, "\b\n");
    EXPECT_EQ(flight->get(logbook::keys::arrival), Value(""));
    ASSERT_EQ(app.robot.tapButton("Logbook"), "");
    app.robot.waitForIdle();
    EXPECT_EQ(app.cell(0, 0)->arrival()->text(), "");
}

// A place stored before in lower case shows upper-cased; leaving the screen without typing does
// not count that as a change, and the file is not rewritten.
TEST(FlightScreens, LeavingWithoutTypingChangesNothing) {
    test::TempDir dir;
    const QString path = dir.file("flights.plist");
    test::writeFlights(path, {Value(test::record({"timestamp=1714557600", "departure=lfpg"}))});
    LogbookOnScreen app(path);
    ASSERT_EQ(app.robot.tapRow(0, 0), "");
    app.robot.waitForIdle();
    EXPECT_EQ(app.form().departureLocationField->text(), "LFPG");
    QFile::remove(path);  // any write would make the file again
    ASSERT_EQ(app.robot.tapButton("Logbook"), "");
    app.robot.waitForIdle();
    EXPECT_EQ(app.detail().content()->get(logbook::keys::departure), Value("lfpg"));
    EXPECT_FALSE(app.detail().content()->find(logbook::keys::arrival));
    EXPECT_FALSE(QFile::exists(path));
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

// The widest texts of a row fit their frames in the list: the date ends before "Dep.", a place
// before the time, the block-off time before "TT", and the totals before the round detail
// button; a place too long for its room is elided there.
TEST(FlightScreens, TheWidestTextsOfARowFitTheirFrames) {
    test::ScopedTimeZone zone("UTC");
    test::TempDir dir;
    const QString path = dir.file("flights.plist");
    const long blockOff = long(utc(2026, 12, 6, 23, 59, 0));
    const long blockOn = blockOff + 24 * 3600 + 60;  // the next day's 00:00 UTC
    test::writeFlights(path, {Value(test::record({QStringLiteral("timestamp=%1").arg(utc(2026, 12, 6, 12, 0, 0), 0, 'f', 6),
                                                  "departure=LFPG", "arrival=Lausanne-Blecherette",
                                                  QStringLiteral("block_off=%1").arg(blockOff),
                                                  QStringLiteral("take_off=%1").arg(blockOff),
                                                  QStringLiteral("landing=%1").arg(blockOff + 1440 * 60),
                                                  QStringLiteral("block_on=%1").arg(blockOn)}))});
    LogbookOnScreen app(path);
    FlightCell* cell = app.cell(0, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->date()->text(), "2026/12/06");
    EXPECT_EQ(cell->blockOffTime()->text(), "23:59");
    EXPECT_EQ(cell->blockOnTime()->text(), "00:00");
    EXPECT_EQ(cell->trueFlightTime()->text(), "00:00");
    auto* button = qobject_cast<platform::ui::CellControl*>(cell->detailDisclosureButton());
    ASSERT_NE(button, nullptr);
    const double round = button->drawnRect().translated(button->pos()).left() - cell->contentView()->x();
    auto caption = [cell](const char* name) { return cell->contentView()->findChild<platform::ui::Label*>(name); };
    auto end = [](platform::ui::Label* label) {
        return label->x() + QFontMetricsF(label->font()).horizontalAdvance(label->shownText());
    };
    for (platform::ui::Label* value : {cell->date(), cell->departure(), cell->blockOffTime(), cell->blockOnTime(),
                                       cell->totalTime(), cell->trueFlightTime()})
        EXPECT_EQ(value->shownText(), value->text()) << value->objectName().toStdString();
    EXPECT_LE(end(cell->date()), caption("depLabel")->x());
    EXPECT_LE(end(cell->departure()), cell->blockOffTime()->x());
    EXPECT_LE(end(cell->blockOffTime()), caption("totaltimeLabel")->x());
    EXPECT_LE(end(cell->blockOnTime()), caption("trueFlightTimeLabel")->x());
    EXPECT_LE(end(caption("totaltimeLabel")), cell->totalTime()->x());
    EXPECT_LE(end(cell->totalTime()), round);
    EXPECT_LE(end(cell->trueFlightTime()), round);
    EXPECT_TRUE(cell->arrival()->shownText().endsWith(QChar(0x2026))) << cell->arrival()->shownText().toStdString();
    EXPECT_LE(end(cell->arrival()), cell->blockOnTime()->x());
}

TEST(FlightScreens, AnEmptyLogbookSaysHowToBegin) {
    test::TempDir dir;
    LogbookOnScreen app(dir.file("flights.plist"));
    platform::ui::TableView* table = app.list->flightsTable();
    EXPECT_EQ(table->emptyText(), "No flights yet. Tap Edit, then New.");
    EXPECT_TRUE(table->isShowingEmptyText());
    app.list->newFlight();
    app.robot.waitForIdle();
    EXPECT_FALSE(table->isShowingEmptyText());
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

// A stamped time is corrected by tapping it: the picker takes a clock time in the device's time
// zone, nearest the old stamp (a flight across midnight stays on its days), keeps the four times
// in order, and TT and TFT follow; what it refuses changes nothing. Run in every test time zone.
TEST(FlightScreens, AStampedTimeIsCorrectedWithThePickerAndTheTotalsFollow) {
    auto local = [](int month, int day, int hour, int minute) {
        return QString::number(QDateTime(QDate(2024, month, day), QTime(hour, minute), Qt::LocalTime).toSecsSinceEpoch());
    };
    test::TempDir dir;
    const QString path = dir.file("flights.plist");
    test::writeFlights(path, {Value(test::record({"timestamp=" + local(5, 31, 23, 0), "block_off=" + local(5, 31, 23, 40),
                                                  "take_off=" + local(5, 31, 23, 50), "landing=" + local(6, 1, 0, 35),
                                                  "block_on=" + local(6, 1, 0, 45)}))});
    LogbookOnScreen app(path);
    ASSERT_EQ(app.robot.tapRow(0, 0), "");
    app.robot.waitForIdle();
    ASSERT_EQ(app.times(), (QStringList{"23:40", "23:50", "00:35", "00:45", "01:05", "00:45"}));

    struct Case {
        const char* time;     // the field tapped, by the time it shows
        const char* typed;
        const char* problem;  // the start of what the picker says, or nullptr when it takes the time
        QStringList times;    // the six times shown afterwards
    };
    const Case cases[] = {
        {"23:50", "23:55", nullptr, {"23:40", "23:55", "00:35", "00:45", "01:05", "00:40"}},
        // Across midnight both ways: 00:05 is the next day's, 23:45 the evening's.
        {"00:35", "0:05", nullptr, {"23:40", "23:55", "00:05", "00:45", "01:05", "00:10"}},
        {"00:45", "2350", "Block on cannot be before landing (00:05).", {"23:40", "23:55", "00:05", "00:45", "01:05", "00:10"}},
        {"23:40", "hello", "Type a time as HH:MM", {"23:40", "23:55", "00:05", "00:45", "01:05", "00:10"}},
        {"23:40", "24:10", "Type a time as HH:MM", {"23:40", "23:55", "00:05", "00:45", "01:05", "00:10"}},
        {"23:40", "23:58", "Block off cannot be after take off (23:55).", {"23:40", "23:55", "00:05", "00:45", "01:05", "00:10"}},
        {"23:40", "23.30", nullptr, {"23:30", "23:55", "00:05", "00:45", "01:15", "00:10"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.time) + " -> " + c.typed);
        ASSERT_EQ(app.robot.tapButton(c.time), "");
        app.robot.waitForIdle();
        logbook::StampPicker* picker = app.detail().picker();
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(picker->field()->text(), c.time);
        EXPECT_TRUE(picker->field()->hasFocus());
        ASSERT_EQ(app.robot.typeText(QString::fromUtf8(c.typed) + "\n"), "");
        app.robot.waitForIdle();
        if (c.problem) {
            ASSERT_NE(app.detail().picker(), nullptr) << "the picker stays";
            EXPECT_TRUE(picker->problem().startsWith(c.problem)) << picker->problem().toStdString();
            ASSERT_EQ(app.robot.tapButton("Cancel"), "");
            app.robot.waitForIdle();
        }
        EXPECT_EQ(app.detail().picker(), nullptr);
        EXPECT_EQ(app.times(), c.times);
        // What is on screen is what is on disk.
        FlightLog reread(path);
        const DictionaryPtr stored = reread.flightsArray()->at(0).dictionary();
        EXPECT_EQ(Value(stored), Value(app.detail().content()));
    }
}
