#pragma once
// The waypoint form of the plans: name, latitude, longitude and a free note of one waypoint record
// of a plan, filled from the record as the form comes on screen and written back into the record
// as it leaves (all four keys, as texts). Numbers in the record (database waypoints) are shown as
// the shortest decimal text that reads back as the same number, so a waypoint only looked at keeps
// its position.
//
// What is typed is stored as typed, with exceptions that keep the record sound: characters no plan
// file can hold are left out; a latitude or longitude must read as one (PlanCoordinates'
// parseCoordinate: -90..90 and -180..180, degrees with decimals or degrees and minutes) or stay
// empty; degrees and minutes are stored as degrees with decimals. A coordinate that does not read
// ("95", "hello", "1e999") is refused: the record keeps its former value and the alert "Position
// not saved" names the field and what it takes; Return in such a field says so at once and keeps
// the focus. A value shown as the record holds it (a foreign file's text) may be left as it is.
//
// Ownership: the form works on the plan's own record object (for a database waypoint the
// database's record, shared with the whole app); it writes that record while holding the nearby
// cache's dbLock, as every change of a database record must be made. The form's widgets are
// children of the screen's view. One form per plan list (NavplansController::waypointEditor).
// Threads: main thread only.

#include "platform/core/Value.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <QPointer>
#include <QStringList>
#include <memory>
#include <optional>

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
    // The alert of the last refused coordinate, while it shows.
    platform::ui::AlertView* coordinateAlert() const { return alert_; }

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    void fillFields();
    void writeFields();
    // Why the field's text cannot be stored, for the latitude and longitude fields.
    std::optional<QString> coordinateProblem(platform::ui::TextField* field);
    void showCoordinateProblems(const QStringList& problems);

    std::unique_ptr<Ui::WaypointEditor> ui_;
    platform::DictionaryPtr currentWaypoint_;
    QPointer<platform::ui::AlertView> alert_;
};

}  // namespace vantrel::navplans
