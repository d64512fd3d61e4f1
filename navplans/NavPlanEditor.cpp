#include "NavPlanEditor.h"

#include "NavPlanKeys.h"
#include "NavPlanStore.h"
#include "NavplansController.h"
#include "WaypointEditor.h"
#include "ui_NavPlanEditor.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Style.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "waypoints/POISelectorPaneController.h"

namespace vantrel::navplans {

using platform::DictionaryPtr;
using platform::Value;
using platform::ui::IndexPath;
using platform::ui::TableView;

NavPlanEditor::NavPlanEditor(std::shared_ptr<NavPlanStore> store, std::shared_ptr<WaypointEditor> waypointEditor,
                             platform::ui::NavigationController* stack)
    : store_(std::move(store)), waypointEditor_(std::move(waypointEditor)), stack_(stack),
      ui_(std::make_unique<Ui::NavPlanEditor>()) {
    setTitle(QStringLiteral("Navplan Editor"));
    navigationItem().setRightBarButtonItem(std::make_shared<platform::ui::BarButtonItem>(
        QStringLiteral("Add"), platform::ui::BarButtonItemStyle::Bordered, [this] { addWaypoint(); }));
}

NavPlanEditor::~NavPlanEditor() {
    // The view goes later (from the event loop); its table and field must not call back into this editor.
    if (isViewLoaded()) {
        ui_->waypointsTable->setDataSource(nullptr);
        ui_->waypointsTable->setDelegate(nullptr);
        ui_->nameField->setDelegate(nullptr);
    }
}

std::shared_ptr<NavPlanEditor> NavPlanEditor::sharedController() {
    NavplansController::sharedNavigationController();  // the app's list is the root of that stack
    return NavplansController::sharedController()->makeEditor();
}

void NavPlanEditor::loadView() { loadViewFromForm(*ui_); }

void NavPlanEditor::viewDidLoad() {
    flyButton_ = new platform::ui::Button(QStringLiteral("Fly"));
    flyButton_->setFontSize(15);
    flyButton_->setHorizontalPadding(8);
    flyButton_->setAction([this] { flyOrStop(); });
    ui_->nameRow->addWidget(flyButton_);  // the row's layout takes it in
    ui_->nameField->setDelegate(this);
    ui_->waypointsTable->setDataSource(this);
    ui_->waypointsTable->setDelegate(this);
}

platform::ui::TextField* NavPlanEditor::nameField() {
    view();
    return ui_->nameField;
}

TableView* NavPlanEditor::waypointsTable() {
    view();
    return ui_->waypointsTable;
}

void NavPlanEditor::displayEditor(DictionaryPtr plan) {
    if (!plan) return;
    currentNavPlan_ = std::move(plan);
    waypointsArray_ = NavPlanStore::waypointsOf(*currentNavPlan_);
    const Value* name = currentNavPlan_->find(keys::waypointName);
    nameField()->setText(name && name->isString() ? name->toQString() : QString());
    nameField()->setCursorPosition(0);
    waypointsTable()->reloadData();
    if (stack_)
        stack_->pushViewController(shared_from_this(), true);
    else
        platform::logLine("The plan editor has no navigation stack to be shown on");
}

namespace {

// The question after a plan was renamed to the name of another plan: "Replace" gives this plan
// that name and removes the other plan (its file too); "Keep both" leaves both as they are, this
// one under its numbered name. It outlives the editor, which may be gone when the pilot answers.
class PlanNameQuestion : public platform::ui::AlertViewDelegate {
public:
    PlanNameQuestion(std::shared_ptr<NavPlanStore> store, DictionaryPtr plan, QString wanted,
                     std::weak_ptr<NavPlanEditor> editor)
        : store_(std::move(store)), plan_(std::move(plan)), wanted_(std::move(wanted)), editor_(std::move(editor)) {}

    void alertViewClickedButtonAtIndex(platform::ui::AlertView*, int buttonIndex) override {
        if (buttonIndex == 1) replace();
        delete this;
    }

private:
    void replace() {
        // Written under the name first: a failed save leaves the other plan as it is.
        if (!store_->savePlan(plan_, wanted_).ok()) return;
        while (DictionaryPtr other = store_->otherPlanNamed(plan_, wanted_)) {
            const ptrdiff_t row = store_->navigationPlansArray()->indexOfIdentical(Value(other));
            if (row < 0 || !store_->deletePlan(size_t(row))) break;
        }
        platform::logLine(QStringLiteral("The plan \"%1\" replaced the plan of that name").arg(wanted_));
        if (std::shared_ptr<NavPlanEditor> editor = editor_.lock(); editor && editor->currentNavPlan() == plan_)
            editor->nameField()->setText(wanted_);
        platform::NotificationCenter::defaultCenter().postNotificationName(NavPlanStore::kDidChangeNotification, store_.get());
    }

    std::shared_ptr<NavPlanStore> store_;
    DictionaryPtr plan_;
    QString wanted_;
    std::weak_ptr<NavPlanEditor> editor_;
};

}  // namespace

platform::ui::Button* NavPlanEditor::flyButton() {
    view();
    return flyButton_;
}

void NavPlanEditor::showFlyState() {
    if (!flyButton_) return;
    const FlightActions& actions = NavplansController::flightActions();
    flyButton_->setVisible(bool(actions.flownPlan));
    const bool flown = actions.flownPlan && currentNavPlan_ &&
                       actions.flownPlan() == currentNavPlan_->get(keys::waypointName).toQString() && !actions.flownPlan().isEmpty();
    flyButton_->setTitle(flown ? QStringLiteral("Stop") : QStringLiteral("Fly"));
}

void NavPlanEditor::flyOrStop() {
    if (!currentNavPlan_) return;
    // The plan is flown as stored: what the pilot typed is saved first (a name in use is kept
    // numbered and asked about, as on leaving).
    if (!writePlan()) return;
    NavplansController::flyOrStop(currentNavPlan_->get(keys::waypointName).toQString());
    showFlyState();
}

bool NavPlanEditor::save() {
    const bool written = writePlan();
    cancel();
    return written;
}

bool NavPlanEditor::writePlan() {
    if (!currentNavPlan_) return false;
    QString name = nameField()->text();
    // A name another plan has is never taken silently: the plan is kept under a numbered name
    // at once (nothing is lost whatever the answer), and the pilot is asked.
    QString wanted;
    if (store_->otherPlanNamed(currentNavPlan_, name)) {
        wanted = NavPlanStore::storedName(name);
        name = store_->numberedName(name);
        nameField()->setText(name);
    }
    const bool written = store_->savePlan(currentNavPlan_, name).ok();
    if (written && !wanted.isEmpty()) {
        nameAlert_ = new platform::ui::AlertView(  // owned by the window it covers; deletes itself when answered
            QStringLiteral("Plan name in use"),
            QStringLiteral("A plan named \u201c%1\u201d exists already. Replace it with this plan, or keep both and name this one \u201c%2\u201d?")
                .arg(wanted, name),
            new PlanNameQuestion(store_, currentNavPlan_, wanted, weak_from_this()), QStringLiteral("Keep both"),
            {QStringLiteral("Replace")});
        nameAlert_->show();
    }
    return written;
}

void NavPlanEditor::cancel() {
    // The modal screen that holds this editor, if the plans were presented modally. A screen
    // presented over the plans (the selector pane, whose arrival made the editor leave the screen
    // and save) is no parent of the editor: it stays, and so do the plans under it.
    for (ViewController* c = this; ViewController* parent = c->parentViewController(); c = parent) {
        if (parent->modalViewController() == c) {
            if (!c->modalViewController()) c->dismissModalViewControllerAnimated(true);
            return;
        }
    }
}

void NavPlanEditor::addWaypoint() {
    alert_ = new platform::ui::AlertView(  // owned by the window it covers; deletes itself when answered
        QStringLiteral("Add waypoint"),
        QStringLiteral("Do you want to add a new waypoint or an existing waypoint from database ?"), this,
        QStringLiteral("Cancel"), {QStringLiteral("New"), QStringLiteral("Existing")});
    alert_->show();
}

void NavPlanEditor::alertViewClickedButtonAtIndex(platform::ui::AlertView*, int buttonIndex) {
    if (!waypointsArray_) return;
    if (buttonIndex == 1) {
        DictionaryPtr waypoint = platform::Dictionary::create(4);
        waypoint->set(keys::waypointName, Value("Untitled"));
        waypointsArray_->append(Value(waypoint));
        openWaypoint(waypoint);
        waypointsTable()->reloadData();
    } else if (buttonIndex == 2) {
        waypoints::POISelectorPaneController::presentPOISelectorPane().setOwner(this);
    }
}

void NavPlanEditor::setWaypoint(const Value& waypoint) {
    if (!waypointsArray_ || !waypoint.isDictionary()) return;
    waypointsArray_->append(waypoint);
    waypointsTable()->reloadData();
}

void NavPlanEditor::openWaypoint(const DictionaryPtr& waypoint) {
    platform::ui::NavigationController* navigation = navigationController();
    if (!navigation) {
        platform::logLine("The plan editor is not in a navigation controller: the waypoint cannot be opened");
        return;
    }
    waypointEditor_->setCurrentWaypoint(waypoint);
    navigation->pushViewController(waypointEditor_, true);
}

bool NavPlanEditor::textFieldShouldReturn(platform::ui::TextField* textField) {
    textField->resignFirstResponder();
    if (currentNavPlan_) currentNavPlan_->set(keys::waypointName, Value(textField->text()));
    save();
    return true;
}

void NavPlanEditor::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    waypointsTable()->reloadData();
    showFlyState();
}

void NavPlanEditor::viewWillDisappear(bool animated) {
    ViewController::viewWillDisappear(animated);
    save();
}

int NavPlanEditor::numberOfRowsInSection(TableView*, int) { return waypointsArray_ ? int(waypointsArray_->size()) : 0; }

QString NavPlanEditor::titleForHeaderInSection(TableView*, int) { return QStringLiteral("Waypoints"); }

platform::ui::TableViewCell* NavPlanEditor::cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    static const QString identifier = QStringLiteral("PlanCell");
    platform::ui::TableViewCell* cell = tableView->dequeueReusableCellWithIdentifier(identifier);
    if (!cell) {
        cell = new platform::ui::TableViewCell(identifier, tableView);  // owned by the table
        cell->setTextColor(platform::ui::style::orange());
    }
    const platform::Dictionary* waypoint =
        waypointsArray_ ? waypointsArray_->at(size_t(indexPath.row)).asDictionary() : nullptr;
    const Value name = waypoint ? waypoint->get(keys::waypointName) : Value();
    cell->setText(name.isString() ? name.toQString() : QString());
    return cell;
}

std::optional<platform::ui::TableViewCellAccessoryType> NavPlanEditor::accessoryTypeForRowWithIndexPath(TableView*,
                                                                                                         const IndexPath&) {
    return platform::ui::TableViewCellAccessoryType::DetailDisclosureButton;
}

bool NavPlanEditor::canEditRowAtIndexPath(TableView*, const IndexPath&) { return true; }

void NavPlanEditor::commitEditingStyle(TableView* tableView, platform::ui::TableViewCellEditingStyle style,
                                       const IndexPath& indexPath) {
    if (style != platform::ui::TableViewCellEditingStyle::Delete || !waypointsArray_) return;
    if (indexPath.row < 0 || size_t(indexPath.row) >= waypointsArray_->size()) return;
    waypointsArray_->removeAt(size_t(indexPath.row));
    tableView->reloadData();
}

void NavPlanEditor::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    DictionaryPtr waypoint = waypointsArray_ ? waypointsArray_->at(size_t(indexPath.row)).dictionary() : DictionaryPtr();
    if (waypoint)
        openWaypoint(waypoint);
    else
        platform::logLine(QStringLiteral("Row %1 of the plan is no waypoint record; it cannot be opened").arg(indexPath.row));
    tableView->deselectRowAtIndexPath(indexPath, true);
}

}  // namespace vantrel::navplans
