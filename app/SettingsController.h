#pragma once
// The settings screen: a table of the three unit systems with a check mark on the one chosen, the
// disclaimer switch, and the logbook's "Automatic take off and landing" switch (off by default),
// stored under "automaticTakeOffAndLanding" as soon as it is turned and read by the flight
// recorder at each fix (logbook/FlightRecorder.h), and the row "Airspace" (last section), which
// pushes the Airspace screen (AirspaceController.h) on the navigation stack the screen is in: its
// own (sharedNavigationController, the app's tab) or the More list's. The choice of units is kept in UnitSettings
// (one source of truth for every reader of the factors); this screen edits its selectedUnit, and
// each time the screen is left it writes "units" and "disableDisclaimer" to the user defaults and
// posts UnitsChanged, then UnitsChangedGPS, so that the instruments and the location manager
// reload their units.
//
// Ownership: the shared screen lives for the whole process (enable_shared_from_this lets the tab
// bar share it); its view and outlets belong to its view. It reads and edits the UnitSettings it is
// given, which must outlive it. Threads: the constructor on any thread; the rest on the main thread.

#include "units/UnitSettings.h"

#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/ViewController.h"

#include <memory>

namespace Ui {
class SettingsController;
}

namespace vantrel::platform::ui {
class NavigationController;
class Switch;
class TableView;
class TableViewCell;
}  // namespace vantrel::platform::ui

namespace vantrel::app {

class SettingsController : public platform::ui::ViewController,
                           public platform::ui::TableViewDataSource,
                           public platform::ui::TableViewDelegate,
                           public std::enable_shared_from_this<SettingsController> {
public:
    // The one settings screen, titled "Settings" with the tab image "settings.png", editing
    // UnitSettings::shared().
    static SettingsController& sharedController();
    // The app's Settings tab: a navigation controller (black bar) whose root is sharedController(),
    // so that the Airspace screen has a stack to be pushed on wherever the tab is.
    static std::shared_ptr<platform::ui::NavigationController> sharedNavigationController();

    // A screen editing `settings`. A stored unit index that names no unit system is logged and
    // taken as nautical (0), the units such an index has always given.
    explicit SettingsController(vantrel::units::UnitSettings& settings);
    ~SettingsController() override;

    int selectedUnit() const { return settings_.selectedUnit(); }
    void setSelectedUnit(int unit) { settings_.setSelectedUnit(unit); }

    double distanceFactor() const { return settings_.distanceFactor(); }
    double speedFactor() const { return settings_.speedFactor(); }
    double heightFactor() const { return settings_.heightFactor(); }
    QString distanceUnit() const { return settings_.distanceUnit(); }
    QString speedUnit() const { return settings_.speedUnit(); }
    QString heightUnit() const { return settings_.heightUnit(); }
    static const QStringList& units() { return vantrel::units::UnitSettings::units(); }
    static bool showDisclaimer() { return vantrel::units::UnitSettings::showDisclaimer(); }

    // Outlets (load the view). The switch carries the title "Show disclaimer at start", which it
    // does not draw: scripts tap it by that title.
    platform::ui::TableView* settingsView();
    platform::ui::TableViewCell* disclaimerCell();
    platform::ui::Switch* disclaimerSwitch();
    // The switch carries the title "Automatic take off and landing"; its row shows "Automatic"
    // under the header "Take off and landing".
    platform::ui::TableViewCell* automaticStampsCell();
    platform::ui::Switch* automaticStampsSwitch();

    // The screen the "Airspace" row pushes; none set: AirspaceController::sharedController().
    void setAirspaceScreen(std::shared_ptr<platform::ui::ViewController> screen) { airspaceScreen_ = std::move(screen); }
    // The "Airspace" row: pushes the Airspace screen; false (and logged) outside a navigation stack.
    bool showAirspace();

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    int numberOfSectionsInTableView(platform::ui::TableView*) override { return 5; }
    int numberOfRowsInSection(platform::ui::TableView* tableView, int section) override;
    QString titleForHeaderInSection(platform::ui::TableView* tableView, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* tableView,
                                                       const platform::ui::IndexPath& indexPath) override;
    std::optional<platform::ui::TableViewCellAccessoryType> accessoryTypeForRowWithIndexPath(
        platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;

protected:
    void loadView() override;

private:
    vantrel::units::UnitSettings& settings_;
    std::unique_ptr<Ui::SettingsController> ui_;
    std::shared_ptr<platform::ui::ViewController> airspaceScreen_;
};

}  // namespace vantrel::app
