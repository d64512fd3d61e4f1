#include "WaypointEditor.h"

#include "NavPlanKeys.h"
#include "NavplansController.h"
#include "PlanCoordinates.h"
#include "XmlSafeText.h"
#include "ui_WaypointEditor.h"

#include "platform/core/Log.h"
#include "waypoints/POISelectorPaneController.h"

#include <array>
#include <cmath>
#include <mutex>

namespace vantrel::navplans {

using platform::Key;
using platform::Value;
using platform::ui::TextField;

WaypointEditor::WaypointEditor() : ui_(std::make_unique<Ui::WaypointEditor>()) {}

WaypointEditor::~WaypointEditor() = default;

std::shared_ptr<WaypointEditor> WaypointEditor::sharedController() { return NavplansController::sharedController()->waypointEditor(); }

void WaypointEditor::loadView() { loadViewFromForm(*ui_); }

void WaypointEditor::viewDidLoad() {
    for (TextField* field : {ui_->nameField, ui_->latField, ui_->lonField, ui_->miscField}) field->setDelegate(this);
}

Ui::WaypointEditor& WaypointEditor::form() {
    view();
    return *ui_;
}

namespace {
struct FieldKey {
    TextField* field;
    Key key;
    bool coordinate;
};
std::array<FieldKey, 4> fieldsOf(Ui::WaypointEditor& u) {
    return {{{u.nameField, keys::waypointName, false},
             {u.latField, keys::waypointLatitude, true},
             {u.lonField, keys::waypointLongitude, true},
             {u.miscField, keys::misc, false}}};
}
}  // namespace

void WaypointEditor::fillFields() {
    for (const FieldKey& f : fieldsOf(form())) {
        f.field->setText(currentWaypoint_ ? recordText(currentWaypoint_->get(f.key)) : QString());
        f.field->setCursorPosition(0);  // a long text shows its beginning
    }
}

void WaypointEditor::writeFields() {
    if (!currentWaypoint_) return;
    std::shared_ptr<waypoints::NearbyWaypointCache> cache = waypoints::POISelectorPaneController::sharedPOIDatabase().nearbyCache();
    std::lock_guard lock(cache->dbLock());
    for (const FieldKey& f : fieldsOf(form())) {
        const QString typed = xmlSafeText(f.field->text());
        const Value old = currentWaypoint_->get(f.key);
        // A value of another kind (a date, a list) that the pilot left as shown stays as it was.
        if (!old.isNull() && !old.isString() && !old.isNumber() && typed == recordText(old)) continue;
        if (f.coordinate && !std::isfinite(platform::leadingDouble(typed.toStdString()))) {
            platform::logLine(QStringLiteral("The waypoint \"%1\" keeps its %2: \"%3\" is too large to be a coordinate")
                                  .arg(currentWaypoint_->get(keys::waypointName).toQString(), f.key.toQString(), typed));
            continue;
        }
        currentWaypoint_->set(f.key, Value(typed));
    }
}

void WaypointEditor::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    fillFields();
}

void WaypointEditor::viewWillDisappear(bool animated) {
    ViewController::viewWillDisappear(animated);
    writeFields();
}

bool WaypointEditor::textFieldShouldReturn(TextField* textField) {
    textField->resignFirstResponder();
    textField->setCursorPosition(0);
    return true;
}

}  // namespace vantrel::navplans
