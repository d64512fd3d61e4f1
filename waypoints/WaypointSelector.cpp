#include "WaypointSelector.h"

#include "WaypointKeys.h"
#include "WaypointSearch.h"
#include "WaypointTree.h"

namespace vantrel::waypoints {

using platform::Array;
using platform::Value;

WaypointSelector::WaypointSelector(const WaypointDatabase& database)
    : database_(database), pathStack_(Array::create(10)), titlesStack_(Array::create(10)),
      searchDB_(Array::create(500)) {}

bool WaypointSelector::appear() {
    rightButtonTitle_ = QStringLiteral("Done");
    return !content_;
}

void WaypointSelector::showCountries() {
    title_ = titlesStack_->empty() ? QStringLiteral("Countries") : titlesStack_->items().back().toQString();
    // Without a database the countries are an empty list, not "nothing shown yet".
    show(database_.byCountryDB() ? database_.byCountryDB() : Array::create());
}

void WaypointSelector::showNearby(int rangeUnits, double distanceFactor, NearbyWaypointCache& cache,
                                  const std::optional<GeoPoint>& aircraft) {
    title_ = QStringLiteral("Nearby waypoints");
    show(nearby_.nearbyDB());
    setRange(rangeUnits, distanceFactor, cache, aircraft);
}

void WaypointSelector::setRange(int rangeUnits, double distanceFactor, NearbyWaypointCache& cache,
                                const std::optional<GeoPoint>& aircraft) {
    nearby_.setRange(rangeUnits, distanceFactor, cache, aircraft);
}

void WaypointSelector::cacheChanged(int rangeUnits, double distanceFactor, NearbyWaypointCache& cache,
                                    const std::optional<GeoPoint>& aircraft) {
    nearby_.invalidate();
    setRange(rangeUnits, distanceFactor, cache, aircraft);
}

void WaypointSelector::showSearch() {
    title_ = searchID_.isEmpty() ? QStringLiteral("Search") : QStringLiteral("Search results");
    if (searchID_.isEmpty()) searchDB_->clear();
    show(searchDB_);
}

WaypointSelector::Tapped WaypointSelector::tapRow(size_t row) {
    const Value& item = rowAt(row);
    if (!item.isDictionary()) return Tapped::Nothing;
    if (isNode(item)) {
        titlesStack_->append(Value(title_));
        pathStack_->append(Value(content_));
        title_ = item.asDictionary()->get(keys::waypointName).toQString();
        show(childrenOf(item));
        return Tapped::Node;
    }
    rightButtonTitle_ = QStringLiteral("Select");
    selectedWaypoint_ = item;
    return Tapped::Waypoint;
}

void WaypointSelector::back() {
    searchID_.clear();
    showCountries();
    if (!pathStack_->empty()) {
        show(pathStack_->items().back().array());
        pathStack_->removeAt(pathStack_->size() - 1);
        title_ = titlesStack_->items().back().toQString();
        titlesStack_->removeAt(titlesStack_->size() - 1);
    }
    rightButtonTitle_ = QStringLiteral("Cancel");
    selectedWaypoint_ = Value();
}

void WaypointSelector::search(const QString& text, const std::optional<GeoPoint>& aircraft) {
    searchID_ = searchKeyFor(text);
    title_ = QStringLiteral("Search results");
    searchWaypoints(database_.identifierIndex(), text, aircraft, *searchDB_);
    show(searchDB_);
}

void WaypointSelector::clearSearch() {
    searchID_.clear();
    showCountries();
}

void WaypointSelector::show(platform::ArrayPtr content) {
    content_ = std::move(content);
    listSwitched_ = true;
}

QString WaypointSelector::emptyText() const {
    if (rowCount() > 0 || !content_) return {};
    if (content_ == searchDB_ && !searchID_.isEmpty())
        return QStringLiteral("No waypoint begins with \u201C%1\u201D.").arg(searchID_);
    if (content_ == searchDB_) return QStringLiteral("Type an identifier or a name.");
    if (!database_.waypointsDB() || database_.waypointsDB()->empty()) return QStringLiteral("No waypoints are loaded.");
    return {};
}

const Value& WaypointSelector::rowAt(size_t row) const {
    static const Value none;
    return content_ ? content_->at(row) : none;
}

bool WaypointSelector::isSelected(const Value& record) const {
    return selectedWaypoint_.isDictionary() && record.identity() == selectedWaypoint_.identity();
}

}  // namespace vantrel::waypoints
