#pragma once
// The plan list: one row per navigation plan (NavPlanStore), in orange with the detail button,
// under the header "Navigation plans", and the "Edit" bar button that asks whether to make a new
// plan or delete plans ("Edit flight plans": Cancel, New, Delete). A row opens its plan in a new
// plan editor; "New" opens a new plan there, which joins the list once it is saved. The empty
// list says "No plans yet. Tap Edit, then New." In editing
// mode each row has the delete control, which removes the plan and its file; "Edit" leaves
// editing mode.
//
// The list is reloaded each time it comes on screen, so a plan saved or renamed in the editor
// shows at once. The app's list (sharedController) is the root of its own navigation controller
// (sharedNavigationController, black bar), which the logbook's "Plans" button pushes; the editors
// and the waypoint form are pushed on that same stack. Tests make lists of their own on stores of
// their own.
//
// Flying a plan belongs to the app (navigation/ActivePlan builds on these plans): the app hands
// its actions in through setFlightActions. A row's detail button asks what to do with its plan
// (the alert titled with the plan's name: Cancel, "Fly" or "Stop" for the plan being flown,
// "Open"); the editor has the same "Fly"/"Stop" button beside the name. Without actions set,
// nothing offers to fly.
//
// Ownership: the list shares its store with the editors it opens and owns the waypoint form
// (shared with the editors). The form's widgets are children of the screen's view; the shared
// instances live until the process ends. Threads: main thread only.

#include "platform/core/Value.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/ViewController.h"

#include <QPointer>
#include <functional>
#include <memory>

namespace Ui {
class NavPlans;
}

namespace vantrel::platform::ui {
class NavigationController;
class TableView;
}  // namespace vantrel::platform::ui

namespace vantrel::navplans {

class NavPlanEditor;
class NavPlanStore;
class WaypointEditor;

// What the app does when the pilot flies a plan or stops (main thread).
struct FlightActions {
    std::function<QString(const QString& planName)> fly;  // answers what went wrong, or an empty text
    std::function<void()> stop;
    std::function<QString()> flownPlan;  // the name of the plan being flown, or an empty text
};

class NavplansController : public platform::ui::ViewController,
                           public platform::ui::TableViewDataSource,
                           public platform::ui::TableViewDelegate,
                           public platform::ui::AlertViewDelegate {
public:
    explicit NavplansController(std::shared_ptr<NavPlanStore> store);
    ~NavplansController() override;

    // The app's list, titled "Navigation plans", on the plans folder of the documents folder,
    // read when it is first asked for.
    static std::shared_ptr<NavplansController> sharedController();
    // The navigation controller (black bar) whose root is sharedController().
    static std::shared_ptr<platform::ui::NavigationController> sharedNavigationController();
    // The app's plans folder, created when missing.
    static QString savePath();

    static void setFlightActions(FlightActions actions);
    static const FlightActions& flightActions();
    // "Fly" the plan of that name, or "Stop" when it is the one being flown; an alert tells what
    // went wrong. False without actions.
    static bool flyOrStop(const QString& planName);

    // The row's detail button: the plan's alert (Cancel, Fly or Stop, Open).
    void accessoryButtonTappedForRowWithIndexPath(platform::ui::TableView* tableView,
                                                  const platform::ui::IndexPath& indexPath) override;
    platform::ui::AlertView* planAlert() const { return planAlert_; }

    NavPlanStore& store() { return *store_; }
    const std::shared_ptr<NavPlanStore>& sharedStore() const { return store_; }
    platform::ArrayPtr navigationPlansArray() const;
    // The waypoint form of this list's editors, made on first use.
    std::shared_ptr<WaypointEditor> waypointEditor();
    // A new plan editor on this list's store, pushed on the stack this list is shown in.
    std::shared_ptr<NavPlanEditor> makeEditor();

    // The outlets of the form "NavPlans" (load the view).
    platform::ui::TableView* navplansTable();
    platform::ui::TableView* waypointsTable();

    // Opens a new plan ("name" = "untitled") in a new editor; it is not listed before it is saved.
    void newFlightplan();
    // The "Edit" button: leaves editing mode, or asks "Edit flight plans".
    void editFlightplans();
    platform::ui::AlertView* editAlert() const { return alert_; }
    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alertView, int buttonIndex) override;

    int numberOfRowsInSection(platform::ui::TableView* tableView, int section) override;
    QString titleForHeaderInSection(platform::ui::TableView* tableView, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* tableView,
                                                       const platform::ui::IndexPath& indexPath) override;
    std::optional<platform::ui::TableViewCellAccessoryType> accessoryTypeForRowWithIndexPath(
        platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    bool canEditRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    platform::ui::TableViewCellEditingStyle editingStyleForRowAtIndexPath(
        platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    void commitEditingStyle(platform::ui::TableView* tableView, platform::ui::TableViewCellEditingStyle style,
                            const platform::ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;

    void viewDidAppear(bool animated) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    std::shared_ptr<NavPlanStore> store_;
    std::unique_ptr<Ui::NavPlans> ui_;
    std::shared_ptr<WaypointEditor> waypointEditor_;
    QPointer<platform::ui::AlertView> alert_;
    QPointer<platform::ui::AlertView> planAlert_;
    int planAlertRow_ = -1;
};

}  // namespace vantrel::navplans
