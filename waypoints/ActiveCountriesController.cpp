#include "ActiveCountriesController.h"

#include "ui_ActiveCountriesController.h"

#include "platform/ui/Style.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace vantrel::waypoints {

using namespace platform::ui;

namespace {
const QString kCellIdentifier = QStringLiteral("plainCell");
}

ActiveCountriesController& ActiveCountriesController::sharedController() {
    // Thread-safe first use: the load thread and the main thread may both ask. Never destroyed: the
    // screen lives until the process ends, past the application object after which its widgets may
    // no longer be touched.
    static const auto* controller =
        new std::shared_ptr<ActiveCountriesController>(std::make_shared<ActiveCountriesController>());
    return **controller;
}

ActiveCountriesController::ActiveCountriesController() {
    setTitle(QStringLiteral("Active Countries"));
    tabBarItem().setImageName(QStringLiteral("earth.png"));
}

ActiveCountriesController::~ActiveCountriesController() = default;

void ActiveCountriesController::loadView() {
    ui_ = std::make_unique<Ui::ActiveCountriesController>();
    loadViewFromForm(*ui_);
}

TableView* ActiveCountriesController::activeCountriesTab() {
    view();
    return ui_->activeCountriesTab;
}

void ActiveCountriesController::viewDidLoad() {
    rows_ = store_.allCountries();
    QCollator collator{QLocale(QLocale::English)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(rows_.begin(), rows_.end(), collator);
    ui_->titleBar->setBarStyle(BarStyle::Black);
    ui_->activeCountriesTab->setDataSource(this);
    ui_->activeCountriesTab->setDelegate(this);
    ui_->allButton->setAction([this] { setAllCountriesActive(true); });
    ui_->noneButton->setAction([this] { setAllCountriesActive(false); });
}

void ActiveCountriesController::setAllCountriesActive(bool active) {
    store_.setAllCountriesActive(active);
    if (isViewLoaded()) ui_->activeCountriesTab->reloadData();
}

void ActiveCountriesController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    ui_->titleBar->showItemUnlessNavigated(*this);
}

void ActiveCountriesController::viewWillDisappear(bool animated) {
    // A failed write is logged and shown by the store; the list in memory stays as it is.
    store_.save();
    ViewController::viewWillDisappear(animated);
}

int ActiveCountriesController::numberOfRowsInSection(TableView*, int) { return int(rows_.size()); }

TableViewCell* ActiveCountriesController::cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    TableViewCell* cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell) {
        cell = new TableViewCell(kCellIdentifier, tableView);
        cell->setTextColor(style::orange());
        cell->setBackgroundColor(style::background());
        cell->setSelectionStyle(TableViewCellSelectionStyle::None);
    }
    cell->setText(rows_.value(indexPath.row));
    return cell;
}

std::optional<TableViewCellAccessoryType> ActiveCountriesController::accessoryTypeForRowWithIndexPath(
    TableView*, const IndexPath& indexPath) {
    const bool active = store_.isCountryActive(rows_.value(indexPath.row));
    return active ? TableViewCellAccessoryType::Checkmark : TableViewCellAccessoryType::None;
}

void ActiveCountriesController::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    if (indexPath.row >= 0 && indexPath.row < int(rows_.size())) store_.toggleCountry(rows_[indexPath.row]);
    tableView->deselectRowAtIndexPath(indexPath, true);
    tableView->reloadData();
}

}  // namespace vantrel::waypoints
