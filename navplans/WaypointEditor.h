#pragma once
// The waypoint form of the plans: name, latitude, longitude and a free note of one waypoint record
// of a plan, filled from the record as the form comes on screen and written back into the record
// as it leaves (all four keys, as texts). Numbers in the record (database waypoints) are shown as
// the shortest decimal text that reads back as the same number, so a waypoint only looked at keeps
// its position.
//
// What is typed is stored as typed, with two exceptions that keep the record sound: characters no
// plan file can hold are left out, and a latitude or longitude whose leading number is too large
// to be a finite number ("1e999") is refused (logged; the record keeps its former value), since the
// rest of the app reads that leading number and would otherwise compute with infinity.
//
// Ownership: the form works on the plan's own record object (for a database waypoint the
// database's record, shared with the whole app); it writes that record while holding the nearby
// cache's dbLock, as every change of a database record must be made. The form's widgets are
// children of the screen's view. One form per plan list (NavplansController::waypointEditor).
// Threads: main thread only.

#include "platform/core/Value.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <memory>

namespace Ui {
class WaypointEditor;
}

namespace vantrel::navplans {

class WaypointEditor : public platform::ui::ViewController, public platform::ui::TextFieldDelegate {
public:
    WaypointEditor();
    ~WaypointEditor() override;

    // The form of the app's plan list.
    static std::shared_ptr<WaypointEditor> sharedController();

    void setCurrentWaypoint(platform::DictionaryPtr waypoint) { currentWaypoint_ = std::move(waypoint); }
    const platform::DictionaryPtr& currentWaypoint() const { return currentWaypoint_; }

    // The outlets of the form "WaypointEditor" (loads the view).
    Ui::WaypointEditor& form();

    // Filling happens before the form slides in, so that it never shows the previous record's texts.
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    bool textFieldShouldReturn(platform::ui::TextField* textField) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    void fillFields();
    void writeFields();

    std::unique_ptr<Ui::WaypointEditor> ui_;
    platform::DictionaryPtr currentWaypoint_;
};

}  // namespace vantrel::navplans
