// The settings screen: the unit table with its check mark, the disclaimer switch, the North
// choice, and what leaving the screen writes and posts.

#include "AppTestSupport.h"

#include "app/SettingsController.h"
#include "logbook/FlightRecorder.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Automation.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vantrel;
using platform::ui::Automation;
using platform::ui::TableViewCellAccessoryType;
using Accessory = TableViewCellAccessoryType;

namespace {
platform::Value stored(const char* key) { return platform::UserDefaults::standardUserDefaults().objectForKey(key); }

// The check marks of the three unit rows, as shown.
std::vector<Accessory> unitMarks(app::SettingsController& settings) {
    std::vector<Accessory> marks;
    for (int row = 0; row < 3; ++row) {
        platform::ui::TableViewCell* cell = settings.settingsView()->cellForRowAtIndexPath({0, row});
        marks.push_back(cell ? cell->shownAccessory() : Accessory::DetailDisclosureButton);
    }
    return marks;
}

// The unit choice of a start of the app, after `prepare` has set the stored values.
units::UnitSettings unitsAfter(const std::function<void()>& prepare) {
    if (prepare) prepare();
    return units::UnitSettings();
}

struct SettingsOnScreen {
    test::CleanDefaults clean;
    units::UnitSettings units;
    std::shared_ptr<app::SettingsController> settings;
    std::unique_ptr<test::TabWindow> window;

    // Defaults are set by `prepare` before the unit choice is read, as at a start of the app.
    explicit SettingsOnScreen(const std::function<void()>& prepare = {})
        : units(unitsAfter(prepare)),
          settings(std::make_shared<app::SettingsController>(units)) {
        window = std::make_unique<test::TabWindow>(
            std::vector<std::shared_ptr<platform::ui::ViewController>>{settings, test::otherScreen("Map")});
    }
    Automation robot() { return Automation(window->window()); }
};
}  // namespace

TEST(Settings, FirstStartIsNauticalWithTheDisclaimerOn) {
    SettingsOnScreen screen;
    app::SettingsController& settings = *screen.settings;
    EXPECT_EQ(settings.title(), "Settings");
    EXPECT_EQ(settings.tabBarItem().imageName(), "settings.png");
    EXPECT_FALSE(settings.tabBarItem().image().isNull());
    EXPECT_TRUE(app::SettingsController::showDisclaimer());
    EXPECT_EQ(settings.distanceUnit(), "nm");

    // Units, Disclaimer, the logbook's automatic take off and landing, North, and the Airspace row.
    EXPECT_EQ(settings.settingsView()->numberOfSections(), 5);
    EXPECT_EQ(settings.settingsView()->numberOfRowsInSection(1), 1);
    EXPECT_EQ(settings.settingsView()->numberOfRowsInSection(2), 1);
    EXPECT_EQ(settings.settingsView()->cellForRowAtIndexPath({0, 2})->text(), "Metric");
    EXPECT_EQ(unitMarks(settings), (std::vector<Accessory>{Accessory::Checkmark, Accessory::None, Accessory::None}));
    EXPECT_EQ(settings.settingsView()->cellForRowAtIndexPath({1, 0}), settings.disclaimerCell());
    EXPECT_EQ(settings.disclaimerCell()->shownAccessory(), Accessory::None);
    EXPECT_TRUE(settings.disclaimerSwitch()->isOn());
    EXPECT_TRUE(settings.disclaimerSwitch()->isVisible());

    QImage image = test::picture(screen.window->window(), "settings");
    // A black title bar, and the check mark drawn at the right end of the first row only.
    EXPECT_TRUE(test::isBlackBar(image.pixelColor(160, 5)));
    QRect first = settings.settingsView()->cellForRowAtIndexPath({0, 0})->geometry().translated(
        settings.settingsView()->mapTo(screen.window->window(), QPoint()));
    QRect third = settings.settingsView()->cellForRowAtIndexPath({0, 2})->geometry().translated(
        settings.settingsView()->mapTo(screen.window->window(), QPoint()));
    EXPECT_TRUE(test::hasColour(image, first.adjusted(first.width() - 40, 0, 0, 0), test::isOrange));
    EXPECT_FALSE(test::hasColour(image, third.adjusted(third.width() - 40, 0, 0, 0), test::isOrange));
}

// The check mark follows the tap at once; the choice is written, and the two broadcasts go out in
// order, only when the screen is left.
TEST(Settings, MetricIsStoredAsTwoWhenTheScreenIsLeft) {
    SettingsOnScreen screen;
    app::SettingsController& settings = *screen.settings;
    test::NotificationLog posts({"UnitsChanged", "UnitsChangedGPS"}, {{&settings, "settings"}});

    ASSERT_EQ(screen.robot().tapRow("Metric"), "");
    EXPECT_EQ(unitMarks(settings), (std::vector<Accessory>{Accessory::None, Accessory::None, Accessory::Checkmark}));
    EXPECT_FALSE(settings.settingsView()->indexPathForSelectedRow());
    // The accessors answer for the new choice at once.
    EXPECT_EQ(settings.distanceFactor(), 1000.0);
    EXPECT_NEAR(10 * settings.speedFactor(), 35.999999, 1e-6);
    EXPECT_TRUE(posts.take().isEmpty());
    EXPECT_TRUE(stored("units").isNull());

    ASSERT_EQ(screen.robot().tapTab("Map"), "");
    EXPECT_EQ(posts.take(), QStringList({"UnitsChanged (by settings)", "UnitsChangedGPS (by settings)"}));
    EXPECT_EQ(stored("units").type(), platform::ValueType::Integer);
    EXPECT_EQ(stored("units").intValue(), 2);
    EXPECT_EQ(stored("disableDisclaimer").type(), platform::ValueType::Boolean);
    EXPECT_FALSE(stored("disableDisclaimer").boolValue());

    // A later start reads the choice back.
    units::UnitSettings next;
    EXPECT_EQ(next.selectedUnit(), 2);
    EXPECT_EQ(next.distanceUnit(), "km");

    // Leaving again without a change writes and posts again.
    platform::UserDefaults::standardUserDefaults().removeObjectForKey("units");
    ASSERT_EQ(screen.robot().tapTab("Settings"), "");
    ASSERT_EQ(screen.robot().tapTab("Map"), "");
    EXPECT_EQ(posts.take(), QStringList({"UnitsChanged (by settings)", "UnitsChangedGPS (by settings)"}));
    EXPECT_EQ(stored("units").intValue(), 2);
}

// The switch is read from the store at every appearance, and its state stored at every departure.
TEST(Settings, TheDisclaimerSwitchIsStoredAndReadBack) {
    SettingsOnScreen screen;
    app::SettingsController& settings = *screen.settings;
    ASSERT_EQ(screen.robot().tapButton("Show disclaimer at start"), "");
    EXPECT_FALSE(settings.disclaimerSwitch()->isOn());
    // Tapping the row itself changes nothing.
    ASSERT_EQ(screen.robot().tapRow(1, 0), "");
    EXPECT_EQ(settings.selectedUnit(), 0);
    ASSERT_EQ(screen.robot().tapTab("Map"), "");
    EXPECT_TRUE(stored("disableDisclaimer").boolValue());
    EXPECT_FALSE(app::SettingsController::showDisclaimer());
    EXPECT_EQ(stored("units").intValue(), 0);

    platform::UserDefaults::standardUserDefaults().setObject("disableDisclaimer", platform::Value::boolean(false));
    ASSERT_EQ(screen.robot().tapTab("Settings"), "");
    EXPECT_TRUE(settings.disclaimerSwitch()->isOn());
}

// A stored index that names no unit system gives the nautical units and a log line; no row is
// checked and the value stays as stored until the pilot picks a unit.
TEST(Settings, AnUnknownStoredUnitIsNauticalAndKeptUntilAChoice) {
    test::LogCapture log;
    SettingsOnScreen screen(
        [] { platform::UserDefaults::standardUserDefaults().setObject("units", platform::Value::integer(7)); });
    EXPECT_TRUE(log.contains("units value 7"));
    EXPECT_EQ(screen.settings->distanceUnit(), "nm");
    EXPECT_EQ(screen.settings->selectedUnit(), 7);
    EXPECT_EQ(unitMarks(*screen.settings), (std::vector<Accessory>{Accessory::None, Accessory::None, Accessory::None}));
    ASSERT_EQ(screen.robot().tapTab("Map"), "");
    EXPECT_EQ(stored("units").intValue(), 7);
}

// The logbook's switch: off on a first start, stored the moment it is turned (the flight recorder
// reads it at the next fix), and shown from the store when the screen comes back.
TEST(Settings, TheAutomaticTakeOffAndLandingSwitchIsStoredAtOnce) {
    auto& defaults = platform::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey("automaticTakeOffAndLanding");
    SettingsOnScreen screen;
    app::SettingsController& settings = *screen.settings;
    EXPECT_FALSE(settings.automaticStampsSwitch()->isOn());
    EXPECT_FALSE(logbook::FlightRecorder::automaticStampsEnabled());
    EXPECT_EQ(settings.titleForHeaderInSection(settings.settingsView(), 2), QStringLiteral("Take off and landing"));
    EXPECT_EQ(settings.settingsView()->cellForRowAtIndexPath({2, 0}), settings.automaticStampsCell());

    ASSERT_EQ(screen.robot().tapButton("Automatic take off and landing"), "");
    EXPECT_TRUE(settings.automaticStampsSwitch()->isOn());
    EXPECT_TRUE(stored("automaticTakeOffAndLanding").boolValue());  // before the screen is left
    EXPECT_TRUE(logbook::FlightRecorder::automaticStampsEnabled());
    ASSERT_EQ(screen.robot().tapTab("Map"), "");
    EXPECT_TRUE(stored("automaticTakeOffAndLanding").boolValue());

    defaults.setObject("automaticTakeOffAndLanding", platform::Value::boolean(false));
    ASSERT_EQ(screen.robot().tapTab("Settings"), "");
    EXPECT_FALSE(settings.automaticStampsSwitch()->isOn());
    // The other rows are where they were.
    EXPECT_EQ(settings.settingsView()->cellForRowAtIndexPath({1, 0}), settings.disclaimerCell());
    defaults.removeObjectForKey("automaticTakeOffAndLanding");
}

// North is true at a first start and for any stored value but "magnetic"; a tap moves the check
// mark at once, and leaving the screen stores the choice and tells the instruments.
TEST(Settings, NorthIsTrueUnlessMagneticIsChosen) {
    struct Start {
        const char* stored;  // nullptr: nothing stored
        bool magnetic;
    };
    for (const Start& start : {Start{nullptr, false}, Start{"true", false}, Start{"magnetic", true}, Start{"grid", false}}) {
        SettingsOnScreen screen([&] {
            if (start.stored) platform::UserDefaults::standardUserDefaults().setObject("north", platform::Value(start.stored));
        });
        EXPECT_EQ(screen.units.magneticNorth(), start.magnetic) << (start.stored ? start.stored : "none");
        app::SettingsController& settings = *screen.settings;
        ASSERT_EQ(settings.settingsView()->numberOfRowsInSection(3), 2);
        // The section lies below the fold: shown, its rows' marks are those the table draws.
        settings.settingsView()->scrollToRowAtIndexPath({3, 1}, platform::ui::TableViewScrollPosition::Bottom, false);
        auto marks = [&] {
            std::vector<Accessory> shown;
            for (int row = 0; row < 2; ++row) {
                platform::ui::TableViewCell* cell = settings.settingsView()->cellForRowAtIndexPath({3, row});
                shown.push_back(cell ? cell->shownAccessory() : Accessory::DetailDisclosureButton);
            }
            return shown;
        };
        ASSERT_TRUE(settings.settingsView()->cellForRowAtIndexPath({3, 0}));
        EXPECT_EQ(settings.settingsView()->cellForRowAtIndexPath({3, 0})->text(), "True");
        EXPECT_EQ(settings.settingsView()->cellForRowAtIndexPath({3, 1})->text(), "Magnetic");
        const std::vector<Accessory> trueChecked{Accessory::Checkmark, Accessory::None};
        const std::vector<Accessory> magneticChecked{Accessory::None, Accessory::Checkmark};
        EXPECT_EQ(marks(), start.magnetic ? magneticChecked : trueChecked);
        const char* other = start.magnetic ? "True" : "Magnetic";
        test::NotificationLog posts({"UnitsChanged"}, {{&settings, "settings"}});
        ASSERT_EQ(screen.robot().tapRow(other), "");
        EXPECT_EQ(screen.units.magneticNorth(), !start.magnetic);
        EXPECT_EQ(marks(), start.magnetic ? trueChecked : magneticChecked);
        EXPECT_TRUE(posts.take().isEmpty());
        ASSERT_EQ(screen.robot().tapTab("Map"), "");
        EXPECT_EQ(posts.take(), QStringList({"UnitsChanged (by settings)"}));
        EXPECT_EQ(stored("north").toQString(), start.magnetic ? "true" : "magnetic");
        EXPECT_EQ(units::UnitSettings().magneticNorth(), !start.magnetic);
        // The units stay as they were.
        EXPECT_EQ(stored("units").intValue(), 0);
    }
}
