#include "POISelectorPaneController.h"

#include "ActiveCountriesController.h"
#include "WaypointCell.h"
#include "WaypointDistance.h"
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
#include "positioning/MagneticVariation.h"

#include <cmath>
#include <mutex>
#include <vector>

namespace vantrel::waypoints {

using namespace platform::ui;
using platform::Value;

namespace {
const QString kPlainCell = QStringLiteral("plainCell");

// The aircraft's position when its fix is good enough to navigate by.
std::optional<GeoPoint> aircraftPosition() {
    positioning::LocationManager& manager = positioning::LocationManager::sharedManager();
    const std::optional<positioning::Fix> here = manager.currentLocation();
    if (!here || !manager.accuracyValidForNav()) return std::nullopt;
    return GeoPoint{here->latitude, here->longitude};
}

// "12.3 nm 045°T" from the aircraft to the record, or empty without a position or coordinates.
// With magnetic north the bearing is turned by the variation at the aircraft and marked M; until
// the variation is known it stays true and says so.
QString distanceAndBearing(const std::optional<GeoPoint>& aircraft, const platform::Dictionary& record) {
    std::optional<double> metres = aircraft ? distanceFrom(*aircraft, record) : std::nullopt;
    if (!metres) return {};
    const double lat = record.get(keys::waypointLatitude).doubleValue();
    const double lon = record.get(keys::waypointLongitude).doubleValue();
    const float bearing = positioning::Geodesy::calcAngle({float(aircraft->longitude), float(aircraft->latitude)},
                                                          {float(lon), float(lat)});
    positioning::LocationManager& manager = positioning::LocationManager::sharedManager();
    std::optional<double> variation;
    if (units::UnitSettings::shared().magneticNorth())
        if (const std::optional<positioning::Fix> here = manager.currentLocation())
            variation = positioning::MagneticVariation::shared().atFix(*here);
    const int degrees = (int(std::lround(bearing - variation.value_or(0.0))) % 360 + 360) % 360;
    return QStringLiteral("%1 %2\u00B0%3")
        .arg(positioning::LocationManager::formattedDistance(*metres, manager.distanceFactor(), manager.distanceUnit()))
        .arg(degrees, 3, 10, QLatin1Char('0'))
        .arg(variation ? QStringLiteral("M") : QStringLiteral("T"));
}
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
    platform::NotificationCenter::defaultCenter().addObserver(
        this, "locationDidUpdate", nullptr, [this](const platform::Notification&) { aircraftMoved(); });
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
        selector_.showNearby(units, units::UnitSettings::shared().distanceFactor(), *nearbyCache_, aircraftPosition());
        showRangeLabel(units);
        refresh();
    } else if (item == search_.get()) {
        // The search tab shows the last search's results and offers the search field, ready for typing.
        showBars(true, false);
        selector_.showSearch();
        refresh();
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
    selector_.setRange(units, units::UnitSettings::shared().distanceFactor(), *nearbyCache_, aircraftPosition());
    showRangeLabel(units);
    refresh();
}

void POISelectorPaneController::updateNearbyList() {
    // Before the pane's first showing there is no slider and no list to rebuild: the first visit
    // of the nearby tab takes the list from the cache anyway.
    if (!isViewLoaded()) return;
    int units = rangeUnits();
    selector_.cacheChanged(units, units::UnitSettings::shared().distanceFactor(), *nearbyCache_, aircraftPosition());
    showRangeLabel(units);
    refresh();
}

void POISelectorPaneController::aircraftMoved() {
    if (!isViewLoaded() || !ui_->waypointsTableView->isVisible()) return;
    if (remeasured_.isValid() && remeasured_.elapsed() < kRemeasureMs) return;
    remeasured_.start();
    if (selector_.showsNearby())
        setRange();  // the list measured again, nearest first
    else
        ui_->waypointsTableView->reloadData();  // the rows' distances and bearings
}

void POISelectorPaneController::searchBarSearchButtonClicked(SearchBar* searchBar) {
    selector_.search(searchBar->text(), aircraftPosition());
    searchBar->resignFirstResponder();
    refresh();
}

void POISelectorPaneController::searchBarTextDidChange(SearchBar* searchBar, const QString& text) {
    if (text.isEmpty()) {
        selector_.clearSearch();
        showCountriesView();
        searchBar->resignFirstResponder();
        return;
    }
    // Results as the pilot types, from the second letter on; the field keeps the focus.
    if (text.trimmed().size() < kLettersBeforeSearching) return;
    selector_.search(text, aircraftPosition());
    refresh();
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
    if (const platform::Dictionary* record = item.asDictionary())
        cell->setPlace(database_.countryOf(*record), distanceAndBearing(aircraftPosition(), *record));
    return cell;
}

std::optional<TableViewCellAccessoryType> POISelectorPaneController::accessoryTypeForRowWithIndexPath(
    TableView*, const IndexPath& indexPath) {
    const Value& item = selector_.rowAt(size_t(indexPath.row));
    if (isNode(item)) return TableViewCellAccessoryType::DetailDisclosureButton;
    return selector_.isSelected(item) ? TableViewCellAccessoryType::Checkmark : TableViewCellAccessoryType::None;
}

std::optional<double> POISelectorPaneController::heightForRowAtIndexPath(TableView*, const IndexPath& indexPath) {
    const Value& item = selector_.rowAt(size_t(indexPath.row));
    if (!item.isDictionary() || isNode(item)) return std::nullopt;
    return double(WaypointCell::kRowHeight);
}

void POISelectorPaneController::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    ui_->theSearchBar->resignFirstResponder();
    selector_.tapRow(size_t(indexPath.row));
    refresh();
    tableView->deselectRowAtIndexPath(indexPath, true);
}

}  // namespace vantrel::waypoints
