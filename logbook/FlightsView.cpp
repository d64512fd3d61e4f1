#include "FlightsView.h"

#include "FlightCell.h"
#include "FlightDetailView.h"
#include "FlightRecorder.h"
#include "FlightTrack.h"
#include "ui_FlightsView.h"

#include "navplans/NavplansController.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"

#include <algorithm>

namespace vantrel::logbook {

using platform::ui::IndexPath;
using platform::ui::TableView;

FlightsView::FlightsView(std::shared_ptr<FlightLog> log) : log_(std::move(log)), ui_(std::make_unique<Ui::FlightsView>()) {
    setTitle(QStringLiteral("Logbook"));
    navigationItem().setRightBarButtonItem(
        platform::ui::BarButtonItem::systemItem(platform::ui::BarButtonSystemItem::Edit, [this] { editFlights(); }));
    navigationItem().setLeftBarButtonItem(std::make_shared<platform::ui::BarButtonItem>(
        QStringLiteral("Plans"), platform::ui::BarButtonItemStyle::Bordered, [this] { showPlans(); }));
    // The rows show the times the flight recorder stamps as they come.
    platform::NotificationCenter::defaultCenter().addObserver(this, FlightRecorder::kDidStampNotification, nullptr,
                                                              [this](const platform::Notification&) {
                                                                  if (isViewLoaded()) flightsTable()->reloadData();
                                                              });
}

FlightsView::~FlightsView() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // The view goes later (from the event loop); its table must not call back into this screen.
    if (isViewLoaded()) {
        ui_->flightsTable->setDataSource(nullptr);
        ui_->flightsTable->setDelegate(nullptr);
    }
}

// The shared screens are never destroyed: they live until the process ends, past the QApplication,
// after which no widget may be touched (as destroying a navigation controller would).
std::shared_ptr<FlightsView> FlightsView::sharedController() {
    static const auto* const controller =
        new std::shared_ptr<FlightsView>(std::make_shared<FlightsView>(std::make_shared<FlightLog>(FlightLog::defaultSavePath())));
    return *controller;
}

std::shared_ptr<platform::ui::NavigationController> FlightsView::sharedNavigationController() {
    static const auto* const navigation = [] {
        auto made = std::make_shared<platform::ui::NavigationController>(sharedController());
        made->navigationBar()->setBarStyle(platform::ui::BarStyle::Black);
        return new std::shared_ptr<platform::ui::NavigationController>(std::move(made));
    }();
    return *navigation;
}

std::shared_ptr<FlightDetailView> FlightsView::detailView() {
    if (!detail_) detail_ = std::make_shared<FlightDetailView>(log_);
    return detail_;
}

void FlightsView::loadView() { loadViewFromForm(*ui_); }

void FlightsView::viewDidLoad() {
    ui_->flightsTable->setDataSource(this);
    ui_->flightsTable->setDelegate(this);
    ui_->flightsTable->setEmptyText(QStringLiteral("No flights yet. Tap Edit, then New."));
}

TableView* FlightsView::flightsTable() {
    view();
    return ui_->flightsTable;
}

void FlightsView::sortContent() {
    log_->sortContent();
    flightsTable()->reloadData();
}

platform::DictionaryPtr FlightsView::contentForIndexPath(const IndexPath& indexPath) const {
    return log_->contentForIndexPath(indexPath.section, indexPath.row);
}

void FlightsView::openFlight(const platform::DictionaryPtr& record) {
    platform::ui::NavigationController* navigation = navigationController();
    if (!navigation) {
        platform::logLine("The logbook list is not in a navigation controller: the flight cannot be opened");
        return;
    }
    std::shared_ptr<FlightDetailView> detail = detailView();
    detail->setContent(record);
    navigation->pushViewController(detail, true);
}

void FlightsView::showPlans() {
    platform::ui::NavigationController* navigation = navigationController();
    if (!navigation) {
        platform::logLine("The logbook list is not in a navigation controller: the plans cannot be opened");
        return;
    }
    navigation->pushViewController(navplans::NavplansController::sharedNavigationController(), true);
}

void FlightsView::newFlight() {
    platform::DictionaryPtr record = log_->newFlight();
    flightsTable()->reloadData();
    openFlight(record);
}

void FlightsView::editFlights() {
    TableView* table = flightsTable();
    if (table->isEditing()) {
        table->setEditing(false, true);
        return;
    }
    alert_ = new platform::ui::AlertView(  // owned by the window it covers; deletes itself when answered
        QStringLiteral("Edit flights"),
        QStringLiteral("Do you want to create a new flight or delete one or more existing flights ?"), this,
        QStringLiteral("Cancel"), {QStringLiteral("New"), QStringLiteral("Delete")});
    alert_->show();
}

void FlightsView::alertViewClickedButtonAtIndex(platform::ui::AlertView*, int buttonIndex) {
    if (buttonIndex == 1) {
        newFlight();
    } else if (buttonIndex == 2) {
        TableView* table = flightsTable();
        table->setEditing(!table->isEditing(), true);
    }
}

int FlightsView::numberOfSectionsInTableView(TableView*) { return std::max<int>(1, int(log_->sections().size())); }

int FlightsView::numberOfRowsInSection(TableView*, int section) {
    const auto& sections = log_->sections();
    if (section < 0 || size_t(section) >= sections.size()) return 0;
    return int(sections[size_t(section)].flights->size());
}

QString FlightsView::titleForHeaderInSection(TableView*, int section) {
    const auto& sections = log_->sections();
    if (section < 0 || size_t(section) >= sections.size()) return QString();
    return sections[size_t(section)].title;
}

platform::ui::TableViewCell* FlightsView::cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    static const QString identifier = QStringLiteral("FlightCell");
    auto* cell = qobject_cast<FlightCell*>(tableView->dequeueReusableCellWithIdentifier(identifier));
    if (!cell) cell = new FlightCell(identifier, tableView);  // owned by the table
    if (platform::DictionaryPtr record = contentForIndexPath(indexPath)) cell->updateWithCellContent(*record);
    return cell;
}

std::optional<platform::ui::TableViewCellAccessoryType> FlightsView::accessoryTypeForRowWithIndexPath(TableView*,
                                                                                                       const IndexPath&) {
    return platform::ui::TableViewCellAccessoryType::DetailDisclosureButton;
}

bool FlightsView::canEditRowAtIndexPath(TableView*, const IndexPath&) { return true; }

platform::ui::TableViewCellEditingStyle FlightsView::editingStyleForRowAtIndexPath(TableView*, const IndexPath&) {
    return platform::ui::TableViewCellEditingStyle::Delete;
}

void FlightsView::commitEditingStyle(TableView* tableView, platform::ui::TableViewCellEditingStyle style,
                                     const IndexPath& indexPath) {
    if (style != platform::ui::TableViewCellEditingStyle::Delete) return;
    const platform::DictionaryPtr record = contentForIndexPath(indexPath);
    bool saved = false;
    if (!log_->deleteFlight(record, &saved)) return;
    // A flight that stays in the file (the save failed) keeps its track for the next start.
    if (saved) FlightTrack::remove(*record);
    tableView->reloadData();
}

void FlightsView::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    if (platform::DictionaryPtr record = contentForIndexPath(indexPath)) openFlight(record);
    tableView->deselectRowAtIndexPath(indexPath, true);
}

void FlightsView::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    sortContent();
}

}  // namespace vantrel::logbook
