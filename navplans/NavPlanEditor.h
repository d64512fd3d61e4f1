#pragma once
// The plan editor: one navigation plan's name in a text field and its waypoints in a table, one
// row per waypoint showing its name. "Add" asks whether to add a new user waypoint (made and
// opened in the waypoint form at once) or an existing one from the database (the selector pane,
// whose choice arrives through setWaypoint and is kept as the database's own record). A row opens
// its waypoint in the waypoint form; the table's delete gesture takes a waypoint out. The plan is
// written to its file (NavPlanStore::savePlan) whenever the editor leaves the screen and when
// typing the name ends with Return.
//
// The editor changes the very record it was given (the list's own object, or a new plan) and the
// record's "wp" array in place. A name that another plan has is not taken silently: the plan is
// saved under the first free numbered name ("Name 2") and an alert asks whether to replace the
// other plan instead (NavPlanStore moves the plan's file either way). Saving ends with cancel, which closes the plans' screens only when
// they were presented modally; a screen put over the editor, such as the selector pane being
// shown (which is what made the editor leave the screen), stays until the pilot answers it.
//
// Ownership: a new editor for every plan opened; the navigation stack it is pushed on owns it
// (std::shared_ptr), and it goes when popped. It shares the list's store and waypoint form. The
// selector pane names the editor as its owner without owning it (WaypointOwner forgets it when
// the editor goes). The form's widgets are children of the screen's view.
// Threads: main thread only.

#include "platform/core/Value.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "waypoints/WaypointOwner.h"

#include <QPointer>
#include <memory>

namespace Ui {
class NavPlanEditor;
}

namespace vantrel::platform::ui {
class Button;
class NavigationController;
class TableView;
}  // namespace vantrel::platform::ui

namespace vantrel::navplans {

class NavPlanStore;
class WaypointEditor;

class NavPlanEditor : public platform::ui::ViewController,
                      public std::enable_shared_from_this<NavPlanEditor>,
                      public platform::ui::TableViewDataSource,
                      public platform::ui::TableViewDelegate,
                      public platform::ui::AlertViewDelegate,
                      public platform::ui::TextFieldDelegate,
                      public waypoints::WaypointOwner {
public:
    // An editor that saves into the store, opens waypoints in the waypoint form and is pushed on
    // the stack (which must outlive the call of displayEditor).
    NavPlanEditor(std::shared_ptr<NavPlanStore> store, std::shared_ptr<WaypointEditor> waypointEditor,
                  platform::ui::NavigationController* stack);
    ~NavPlanEditor() override;

    // A new editor, titled "Navplan Editor", for the app's plan list and its navigation stack.
    static std::shared_ptr<NavPlanEditor> sharedController();

    // Pushes the editor (animated) and shows this very record: its name and its waypoints (a
    // record without "wp" gets an empty list).
    void displayEditor(platform::DictionaryPtr plan);
    const platform::DictionaryPtr& currentNavPlan() const { return currentNavPlan_; }
    const platform::ArrayPtr& waypointsArray() const { return waypointsArray_; }

    // Writes the plan under the name field's text ("Untitled" when empty), then cancel(). False
    // when there is no plan or the file could not be written (the plan stays in memory).
    bool save();
    void cancel();

    // The "Fly" button beside the name ("Stop" while this plan is flown): saves the plan, then
    // flies it through the list's flight actions (NavplansController::flyOrStop). Hidden when
    // the app set no actions.
    void flyOrStop();
    platform::ui::Button* flyButton();

    // The "Add" button: the "Add waypoint" alert (Cancel, New, Existing).
    void addWaypoint();
    platform::ui::AlertView* addAlert() const { return alert_; }
    // The question shown when the plan was saved under a numbered name because another plan has
    // the typed one ("Plan name in use": Keep both, Replace); null when none is showing.
    platform::ui::AlertView* nameAlert() const { return nameAlert_; }
    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alertView, int buttonIndex) override;
    // The selector pane's choice: appended to the plan as that very record.
    void setWaypoint(const platform::Value& waypoint) override;

    // The outlets of the form "NavPlanEditor" (load the view).
    platform::ui::TextField* nameField();
    platform::ui::TableView* waypointsTable();

    bool textFieldShouldReturn(platform::ui::TextField* textField) override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    int numberOfRowsInSection(platform::ui::TableView* tableView, int section) override;
    QString titleForHeaderInSection(platform::ui::TableView* tableView, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* tableView,
                                                       const platform::ui::IndexPath& indexPath) override;
    std::optional<platform::ui::TableViewCellAccessoryType> accessoryTypeForRowWithIndexPath(
        platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    bool canEditRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    void commitEditingStyle(platform::ui::TableView* tableView, platform::ui::TableViewCellEditingStyle style,
                            const platform::ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    void openWaypoint(const platform::DictionaryPtr& waypoint);
    void showFlyState();
    // save() without leaving: writes under the typed name (a name in use: numbered, and asked).
    bool writePlan();

    std::shared_ptr<NavPlanStore> store_;
    std::shared_ptr<WaypointEditor> waypointEditor_;
    platform::ui::NavigationController* stack_;
    std::unique_ptr<Ui::NavPlanEditor> ui_;
    platform::DictionaryPtr currentNavPlan_;
    platform::ArrayPtr waypointsArray_;
    QPointer<platform::ui::AlertView> alert_;
    QPointer<platform::ui::AlertView> nameAlert_;
    QPointer<platform::ui::Button> flyButton_;
};

}  // namespace vantrel::navplans
