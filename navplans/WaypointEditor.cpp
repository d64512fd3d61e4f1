#include "WaypointEditor.h"

#include "NavPlanKeys.h"
#include "NavplansController.h"
#include "PlanCoordinates.h"
#include "XmlSafeText.h"
#include "ui_WaypointEditor.h"

#include "platform/core/Log.h"
#include "platform/ui/AlertView.h"
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

namespace {
// Degrees to six decimals (a tenth of a metre), without trailing zeros: "46.238333", "7".
QString degreesText(double degrees) {
    QString text = QString::number(degrees, 'f', 6);
    while (text.endsWith(u'0')) text.chop(1);
    if (text.endsWith(u'.')) text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}
}  // namespace

std::optional<QString> WaypointEditor::coordinateProblem(TextField* field) {
    Ui::WaypointEditor& u = form();
    if (field != u.latField && field != u.lonField) return std::nullopt;
    const Axis axis = field == u.latField ? Axis::Latitude : Axis::Longitude;
    const QString typed = field->text().trimmed();
    // Empty: no position yet. A value shown as it was stored (a number of a database record) is kept.
    if (typed.isEmpty() || parseCoordinate(typed, axis)) return std::nullopt;
    if (currentWaypoint_) {
        const Value old = currentWaypoint_->get(axis == Axis::Latitude ? keys::waypointLatitude : keys::waypointLongitude);
        if (!old.isNull() && recordText(old) == field->text()) return std::nullopt;
    }
    return QStringLiteral("%1 \u201c%2\u201d is not a %3: it must be %4.")
        .arg(axis == Axis::Latitude ? QStringLiteral("Latitude") : QStringLiteral("Longitude"), typed,
             axis == Axis::Latitude ? QStringLiteral("latitude") : QStringLiteral("longitude"), coordinateRule(axis));
}

void WaypointEditor::showCoordinateProblems(const QStringList& problems) {
    if (problems.isEmpty()) return;
    for (const QString& problem : problems) platform::logLine(QStringLiteral("Waypoint form: %1").arg(problem));
    alert_ = new platform::ui::AlertView(  // owned by the window it covers; deletes itself when answered
        QStringLiteral("Position not saved"), problems.join(u'\n'), nullptr, QStringLiteral("OK"), {});
    alert_->show();
}

void WaypointEditor::writeFields() {
    if (!currentWaypoint_) return;
    std::shared_ptr<waypoints::NearbyWaypointCache> cache = waypoints::POISelectorPaneController::sharedPOIDatabase().nearbyCache();
    QStringList problems;
    {
        std::lock_guard lock(cache->dbLock());
        for (const FieldKey& f : fieldsOf(form())) {
            QString typed = xmlSafeText(f.field->text());
            const Value old = currentWaypoint_->get(f.key);
            // A value of another kind (a date, a list) that the pilot left as shown stays as it was.
            if (!old.isNull() && !old.isString() && !old.isNumber() && typed == recordText(old)) continue;
            if (f.coordinate) {
                if (std::optional<QString> problem = coordinateProblem(f.field)) {
                    // Refused: the record keeps its former value, and the pilot is told which field.
                    problems << *problem;
                    continue;
                }
                const Axis axis = f.field == ui_->latField ? Axis::Latitude : Axis::Longitude;
                // Degrees and minutes are kept as degrees with decimals, which every reader of the
                // record takes; a decimal text stays as typed.
                if (!typed.trimmed().isEmpty() && !strictDecimal(typed.toStdString()) && !(typed == recordText(old)))
                    if (std::optional<double> degrees = parseCoordinate(typed, axis))
                        typed = degreesText(*degrees);
            }
            currentWaypoint_->set(f.key, Value(typed));
        }
    }
    showCoordinateProblems(problems);
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
    // A latitude or longitude that cannot be one is said at once; the field keeps the focus.
    if (std::optional<QString> problem = coordinateProblem(textField)) {
        showCoordinateProblems({*problem});
        return false;
    }
    textField->resignFirstResponder();
    textField->setCursorPosition(0);
    return true;
}

}  // namespace vantrel::navplans
