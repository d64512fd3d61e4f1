#include "NavplansController.h"

#include "NavPlanEditor.h"
#include "NavPlanKeys.h"
#include "NavPlanStore.h"
#include "WaypointEditor.h"
#include "ui_NavPlans.h"

#include "platform/core/NotificationCenter.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Style.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"

namespace vantrel::navplans {

using platform::DictionaryPtr;
using platform::Value;
using platform::ui::IndexPath;
using platform::ui::TableView;

NavplansController::NavplansController(std::shared_ptr<NavPlanStore> store)
    : store_(std::move(store)), ui_(std::make_unique<Ui::NavPlans>()) {
    setTitle(QStringLiteral("Navigation plans"));
    navigationItem().setRightBarButtonItem(
        platform::ui::BarButtonItem::systemItem(platform::ui::BarButtonSystemItem::Edit, [this] { editFlightplans(); }));
    platform::NotificationCenter::defaultCenter().addObserver(this, NavPlanStore::kDidChangeNotification, store_.get(),
                                                              [this](const platform::Notification&) {
                                                                  if (isViewLoaded()) navplansTable()->reloadData();
                                                              });
}

NavplansController::~NavplansController() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // The view goes later (from the event loop); its tables must not call back into this list.
    if (isViewLoaded()) {
        for (TableView* table : {ui_->navplansTable, ui_->waypointsTable}) {
            table->setDataSource(nullptr);
            table->setDelegate(nullptr);
        }
    }
}

// The shared screens are never destroyed: they live until the process ends, past the QApplication,
// after which no widget may be touched (as destroying a navigation controller would).
std::shared_ptr<NavplansController> NavplansController::sharedController() {
    static const auto* const controller = new std::shared_ptr<NavplansController>(
        std::make_shared<NavplansController>(std::make_shared<NavPlanStore>(NavPlanStore::defaultFolder())));
    return *controller;
}

std::shared_ptr<platform::ui::NavigationController> NavplansController::sharedNavigationController() {
    static const auto* const navigation = [] {
        auto made = std::make_shared<platform::ui::NavigationController>(sharedController());
        made->navigationBar()->setBarStyle(platform::ui::BarStyle::Black);
        return new std::shared_ptr<platform::ui::NavigationController>(std::move(made));
    }();
    return *navigation;
}

QString NavplansController::savePath() { return NavPlanStore::defaultFolder(); }

namespace {
FlightActions& flightActionsStore() {
    static FlightActions actions;
    return actions;
}
}  // namespace

void NavplansController::setFlightActions(FlightActions actions) { flightActionsStore() = std::move(actions); }

const FlightActions& NavplansController::flightActions() { return flightActionsStore(); }

bool NavplansController::flyOrStop(const QString& planName) {
    const FlightActions& actions = flightActions();
    if (!actions.fly || !actions.stop || !actions.flownPlan) return false;
    if (!planName.isEmpty() && actions.flownPlan() == planName) {
        actions.stop();
        return true;
    }
    if (const QString problem = actions.fly(planName); !problem.isEmpty()) {
        // Owned by the window it covers; deletes itself when answered.
        (new platform::ui::AlertView(QStringLiteral("Cannot fly this plan"), problem, nullptr, QStringLiteral("OK"), {}))->show();
    }
    return true;
}

platform::ArrayPtr NavplansController::navigationPlansArray() const { return store_->navigationPlansArray(); }

std::shared_ptr<WaypointEditor> NavplansController::waypointEditor() {
    if (!waypointEditor_) waypointEditor_ = std::make_shared<WaypointEditor>();
    return waypointEditor_;
}

std::shared_ptr<NavPlanEditor> NavplansController::makeEditor() {
    return std::make_shared<NavPlanEditor>(store_, waypointEditor(), navigationController());
}

void NavplansController::loadView() { loadViewFromForm(*ui_); }

void NavplansController::viewDidLoad() {
    for (TableView* table : {ui_->navplansTable, ui_->waypointsTable}) {
        table->setDataSource(this);
        table->setDelegate(this);
    }
    ui_->navplansTable->setEmptyText(QStringLiteral("No plans yet. Tap Edit, then New."));
}

TableView* NavplansController::navplansTable() {
    view();
    return ui_->navplansTable;
}

TableView* NavplansController::waypointsTable() {
    view();
    return ui_->waypointsTable;
}

void NavplansController::newFlightplan() { makeEditor()->displayEditor(NavPlanStore::newPlan()); }

void NavplansController::editFlightplans() {
    TableView* table = navplansTable();
    if (table->isEditing()) {
        table->setEditing(false, false);
        return;
    }
    alert_ = new platform::ui::AlertView(  // owned by the window it covers; deletes itself when answered
        QStringLiteral("Edit flight plans"),
        QStringLiteral("Do you want to create a new flight plan or delete one or more existing flight plans ?"), this,
        QStringLiteral("Cancel"), {QStringLiteral("New"), QStringLiteral("Delete")});
    alert_->show();
}

void NavplansController::accessoryButtonTappedForRowWithIndexPath(TableView* tableView, const IndexPath& indexPath) {
    if (tableView != ui_->navplansTable || indexPath.row < 0 || size_t(indexPath.row) >= store_->planCount()) return;
    const FlightActions& actions = flightActions();
    if (!actions.flownPlan) {
        didSelectRowAtIndexPath(tableView, indexPath);
        return;
    }
    const QString name = store_->planNameAt(size_t(indexPath.row));
    planAlertRow_ = indexPath.row;
    planAlert_ = new platform::ui::AlertView(  // owned by the window it covers; deletes itself when answered
        name, actions.flownPlan() == name ? QStringLiteral("This plan is being flown.") : QString(), this,
        QStringLiteral("Cancel"),
        {actions.flownPlan() == name ? QStringLiteral("Stop") : QStringLiteral("Fly"), QStringLiteral("Open")});
    planAlert_->show();
}

void NavplansController::alertViewClickedButtonAtIndex(platform::ui::AlertView* alertView, int buttonIndex) {
    if (alertView && alertView == planAlert_) {
        const int row = planAlertRow_;
        planAlertRow_ = -1;
        if (row < 0 || size_t(row) >= store_->planCount()) return;
        if (buttonIndex == 1) {
            flyOrStop(store_->planNameAt(size_t(row)));
            navplansTable()->reloadData();
        } else if (buttonIndex == 2) {
            didSelectRowAtIndexPath(navplansTable(), {0, row});
        }
        return;
    }
    if (buttonIndex == 1) {
        newFlightplan();
    } else if (buttonIndex == 2) {
        TableView* table = navplansTable();
        table->setEditing(!table->isEditing(), true);
    }
}

int NavplansController::numberOfRowsInSection(TableView* tableView, int) {
    return tableView == ui_->navplansTable ? int(store_->planCount()) : 0;
}

QString NavplansController::titleForHeaderInSection(TableView* tableView, int) {
    if (tableView == ui_->navplansTable) return QStringLiteral("Navigation plans");
    if (tableView == ui_->waypointsTable) return QStringLiteral("Waypoints");
    return {};
}

platform::ui::TableViewCell* NavplansController::cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    static const QString identifier = QStringLiteral("PlanCell");
    platform::ui::TableViewCell* cell = tableView->dequeueReusableCellWithIdentifier(identifier);
    if (!cell) {
        cell = new platform::ui::TableViewCell(identifier, tableView);  // owned by the table
        cell->setTextColor(platform::ui::style::orange());
    }
    // The name alone: listing does not read the plans whole.
    cell->setText(tableView == ui_->navplansTable ? store_->planNameAt(size_t(indexPath.row)) : QString());
    return cell;
}

std::optional<platform::ui::TableViewCellAccessoryType> NavplansController::accessoryTypeForRowWithIndexPath(TableView*,
                                                                                                             const IndexPath&) {
    return platform::ui::TableViewCellAccessoryType::DetailDisclosureButton;
}

bool NavplansController::canEditRowAtIndexPath(TableView* tableView, const IndexPath&) {
    return tableView == ui_->navplansTable;
}

platform::ui::TableViewCellEditingStyle NavplansController::editingStyleForRowAtIndexPath(TableView*, const IndexPath&) {
    return platform::ui::TableViewCellEditingStyle::Delete;
}

void NavplansController::commitEditingStyle(TableView* tableView, platform::ui::TableViewCellEditingStyle style,
                                            const IndexPath& indexPath) {
    if (style != platform::ui::TableViewCellEditingStyle::Delete || tableView != ui_->navplansTable) return;
    if (indexPath.row >= 0 && store_->deletePlan(size_t(indexPath.row))) tableView->reloadData();
}

void NavplansController::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    DictionaryPtr plan = tableView == ui_->navplansTable ? store_->planAt(size_t(indexPath.row)) : DictionaryPtr();
    if (plan) makeEditor()->displayEditor(plan);
    tableView->deselectRowAtIndexPath(indexPath, true);
}

void NavplansController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    waypointsTable()->reloadData();
    navplansTable()->reloadData();
}

}  // namespace vantrel::navplans
