#include "POISelectorPaneController.h"

#include "ActiveCountriesController.h"
#include "WaypointCell.h"
#include "WaypointKeys.h"
#include "WaypointTree.h"

#include "ui_POISelector.h"

#include "units/UnitSettings.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Threads.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Style.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Window.h"
#include "positioning/LocationManager.h"

#include <cmath>
#include <mutex>
#include <vector>

namespace vantrel::waypoints {

using namespace platform::ui;
using platform::Value;

namespace {
const QString kPlainCell = QStringLiteral("plainCell");
const QString kWaypointCell = QStringLiteral("waypointCell");

// The panes that exist, for owners that go away (without making the shared pane for them).
struct LivePanes {
    std::mutex mutex;
    std::vector<POISelectorPaneController*> panes;
};
LivePanes& livePanes() {
    static LivePanes live;
    return live;
}
}  // namespace

// ---- shared instances ------------------------------------------------------------------------

// The shared pane and its navigator live until the process ends and are never destroyed: their
// widgets must not be torn down after the application object has gone, at exit.
std::shared_ptr<POISelectorPaneController> POISelectorPaneController::sharedPane() {
    static const auto* pane = new std::shared_ptr<POISelectorPaneController>(std::make_shared<POISelectorPaneController>());
    return *pane;
}

POISelectorPaneController& POISelectorPaneController::sharedPOIDatabase() { return *sharedPane(); }

std::shared_ptr<NavigationController> POISelectorPaneController::POINavigator() {
    static const auto* navigator = [] {
        auto nav = std::make_shared<NavigationController>(sharedPane());
        nav->navigationBar()->setBarStyle(BarStyle::Black);
        return new std::shared_ptr<NavigationController>(std::move(nav));
    }();
    return *navigator;
}

POISelectorPaneController& POISelectorPaneController::presentPOISelectorPane() {
    Window* window = Window::keyWindow();
    ViewController* root = window ? window->rootViewController() : nullptr;
    if (root)
        root->presentModalViewController(POINavigator(), true);
    else
        platform::logLine("There is no screen to show the waypoint selector over");
    return sharedPOIDatabase();
}

POISelectorPaneController::POISelectorPaneController()
    : selector_(database_), nearbyCache_(NearbyWaypointCache::create()),
      byCountry_(std::make_shared<TabBarItem>(QStringLiteral("Countries"), QStringLiteral("poi_countries.png"))),
      search_(std::make_shared<TabBarItem>(QStringLiteral("Search"), QStringLiteral("poi_search.png"))),
      nearby_(std::make_shared<TabBarItem>(QStringLiteral("Nearby"), QStringLiteral("poi_nearby.png"))) {
    setTitle(QStringLiteral("Waypoints Database"));
    platform::NotificationCenter::defaultCenter().addObserver(
        this, "cachedWaypointsDBDidChange", nullptr, [this](const platform::Notification&) { updateNearbyList(); });
    std::lock_guard lock(livePanes().mutex);
    livePanes().panes.push_back(this);
}

POISelectorPaneController::~POISelectorPaneController() {
    {
        std::lock_guard lock(livePanes().mutex);
        std::erase(livePanes().panes, this);
    }
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void POISelectorPaneController::ownerWillGo(WaypointOwner* owner) {
    std::lock_guard lock(livePanes().mutex);
    for (POISelectorPaneController* pane : livePanes().panes)
        if (pane->owner_ == owner) pane->owner_ = nullptr;
}

// ---- the database ----------------------------------------------------------------------------

void POISelectorPaneController::loadDatabase() {
    ActiveCountriesController& active = ActiveCountriesController::sharedController();
    database_.load(active.store(), [this](const char* name, platform::DictionaryPtr userInfo) {
        platform::Notification notification{name, this, std::move(userInfo)};
        platform::performOnMainThread(
            [&notification] { platform::NotificationCenter::defaultCenter().postNotification(notification); }, true);
    });
}

namespace {
NearbyArea inPilotsUnit(double longitude, double latitude, double radius) {
    return NearbyArea{longitude, latitude, radius, units::UnitSettings::shared().distanceFactor()};
}
}  // namespace

void POISelectorPaneController::addNearbyWaypoints(platform::Array& target, double longitude, double latitude,
                                                   double radiusNM, bool forceUpdate) {
    waypoints::addNearbyWaypoints(target, *database_.waypointsDB(), inPilotsUnit(longitude, latitude, radiusNM),
                                  forceUpdate);
}

void POISelectorPaneController::addNearbyWaypoints(WaypointSet& target, double longitude, double latitude,
                                                   double radiusNM, bool forceUpdate) {
    waypoints::addNearbyWaypoints(target, *database_.waypointsDB(), inPilotsUnit(longitude, latitude, radiusNM),
                                  forceUpdate);
}

// ---- outlets and life cycle ------------------------------------------------------------------

void POISelectorPaneController::loadView() {
    ui_ = std::make_unique<Ui::POISelector>();
    loadViewFromForm(*ui_);
}

TableView* POISelectorPaneController::waypointsTableView() { view(); return ui_->waypointsTableView; }
SearchBar* POISelectorPaneController::theSearchBar() { view(); return ui_->theSearchBar; }
QWidget* POISelectorPaneController::rangeView() { view(); return ui_->rangeView; }
Slider* POISelectorPaneController::rangeSlider() { view(); return ui_->rangeSlider; }
Label* POISelectorPaneController::rangeField() { view(); return ui_->rangeField; }
TabBar* POISelectorPaneController::tabBar() { view(); return ui_->tabBar; }

void POISelectorPaneController::viewDidLoad() {
    WaypointCell::cacheSymbols();  // the app caches them at load done; a pane shown earlier needs them too
    ui_->tabBar->setItems({byCountry_, search_, nearby_});
    ui_->tabBar->setSelectedItem(byCountry_.get());
    ui_->tabBar->setDelegate(this);
    ui_->theSearchBar->setAutocorrectionEnabled(false);
    ui_->theSearchBar->setDelegate(this);
    ui_->waypointsTableView->setDataSource(this);
    ui_->waypointsTableView->setDelegate(this);
    QObject::connect(ui_->rangeSlider, &Slider::valueChanged, ui_->rangeSlider, [this] { setRange(); });
    showBars(true, false);
}

void POISelectorPaneController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    navigationItem().setRightBarButtonItem(
        std::make_shared<BarButtonItem>(QStringLiteral("Done"), BarButtonItemStyle::Bordered, [this] { select(); }));
    navigationItem().setLeftBarButtonItem(
        std::make_shared<BarButtonItem>(QStringLiteral("Back"), BarButtonItemStyle::Bordered, [this] { back(); }));
    if (selector_.appear()) showCountriesView();
}

namespace {
// The table shows the selector's list: from its top when another list took its place (not at
// the offset of the list before), with the hint of an empty list.
void showRows(TableView& table, WaypointSelector& selector) {
    table.setEmptyText(selector.emptyText());
    table.reloadData();
    if (selector.takeListSwitched()) table.setContentOffset(0);
}
}  // namespace

void POISelectorPaneController::setContent(platform::ArrayPtr content) {
    selector_.setContent(std::move(content));
    if (isViewLoaded()) showRows(*ui_->waypointsTableView, selector_);
}

void POISelectorPaneController::refresh() {
    if (selector_.content()) setTitle(selector_.title());  // nothing shown yet: the pane keeps its title
    if (BarButtonItem* button = navigationItem().rightBarButtonItem()) button->setTitle(selector_.rightButtonTitle());
    if (isViewLoaded()) showRows(*ui_->waypointsTableView, selector_);
}

void POISelectorPaneController::showBars(bool searchBar, bool rangeView) {
    ui_->theSearchBar->setVisible(searchBar);
    ui_->rangeView->setVisible(rangeView);
}

// ---- the buttons -----------------------------------------------------------------------------

void POISelectorPaneController::select() {
    Value chosen = selector_.selectedWaypoint();
    if (chosen.isDictionary() && owner_) owner_->setWaypoint(chosen);
    cancel();
}

void POISelectorPaneController::cancel() { dismissModalViewControllerAnimated(true); }

void POISelectorPaneController::back() {
    view();
    ui_->theSearchBar->resignFirstResponder();
    ui_->theSearchBar->setText(QString());
    showBars(true, false);
    selector_.back();
    refresh();
}

// ---- tabs, nearby list and search ------------------------------------------------------------

void POISelectorPaneController::showCountriesView() {
    showBars(true, false);
    selector_.showCountries();
    refresh();
}

void POISelectorPaneController::tabBarDidSelectItem(TabBar*, TabBarItem* item) {
    view();
    if (item == byCountry_.get()) {
        showCountriesView();
    } else if (item == nearby_.get()) {
        showBars(false, true);
        int units = rangeUnits();
        selector_.showNearby(units, units::UnitSettings::shared().distanceFactor(), *nearbyCache_);
        showRangeLabel(units);
        refresh();
    } else if (item == search_.get()) {
        // The search tab keeps the list it shows and offers the search field, ready for typing.
        showBars(true, false);
        ui_->theSearchBar->becomeFirstResponder();
    }
}

int POISelectorPaneController::rangeUnits() { return static_cast<int>(std::trunc(ui_->rangeSlider->value())); }

void POISelectorPaneController::showRangeLabel(int units) {
    ui_->rangeField->setText(
        QStringLiteral("%1 %2").arg(units).arg(positioning::LocationManager::sharedManager().distanceUnit()));
}

void POISelectorPaneController::setRange() {
    view();
    int units = rangeUnits();
    selector_.setRange(units, units::UnitSettings::shared().distanceFactor(), *nearbyCache_);
    showRangeLabel(units);
    refresh();
}

void POISelectorPaneController::updateNearbyList() {
    // Before the pane's first showing there is no slider and no list to rebuild: the first visit
    // of the nearby tab takes the list from the cache anyway.
    if (!isViewLoaded()) return;
    int units = rangeUnits();
    selector_.cacheChanged(units, units::UnitSettings::shared().distanceFactor(), *nearbyCache_);
    showRangeLabel(units);
    refresh();
}

void POISelectorPaneController::searchBarSearchButtonClicked(SearchBar* searchBar) {
    selector_.search(searchBar->text());
    searchBar->resignFirstResponder();
    refresh();
}

void POISelectorPaneController::searchBarTextDidChange(SearchBar* searchBar, const QString& text) {
    if (!text.isEmpty()) return;
    selector_.clearSearch();
    showCountriesView();
    searchBar->resignFirstResponder();
}

// ---- the table -------------------------------------------------------------------------------

int POISelectorPaneController::numberOfRowsInSection(TableView*, int) { return int(selector_.rowCount()); }

TableViewCell* POISelectorPaneController::cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    const Value& item = selector_.rowAt(size_t(indexPath.row));
    if (isNode(item)) {
        TableViewCell* cell = tableView->dequeueReusableCellWithIdentifier(kPlainCell);
        if (!cell) {
            cell = new TableViewCell(kPlainCell, tableView);
            cell->setTextColor(style::orange());
            cell->setBackgroundColor(style::background());
        }
        cell->setText(item.asDictionary()->get(keys::waypointName).toQString());
        return cell;
    }
    auto* cell = static_cast<WaypointCell*>(tableView->dequeueReusableCellWithIdentifier(kWaypointCell));
    if (!cell) cell = new WaypointCell(kWaypointCell, tableView);
    cell->updateWithWaypoint(item, WaypointTypes::table());
    return cell;
}

std::optional<TableViewCellAccessoryType> POISelectorPaneController::accessoryTypeForRowWithIndexPath(
    TableView*, const IndexPath& indexPath) {
    const Value& item = selector_.rowAt(size_t(indexPath.row));
    if (isNode(item)) return TableViewCellAccessoryType::DetailDisclosureButton;
    return selector_.isSelected(item) ? TableViewCellAccessoryType::Checkmark : TableViewCellAccessoryType::None;
}

void POISelectorPaneController::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    ui_->theSearchBar->resignFirstResponder();
    selector_.tapRow(size_t(indexPath.row));
    refresh();
    tableView->deselectRowAtIndexPath(indexPath, true);
}

}  // namespace vantrel::waypoints
