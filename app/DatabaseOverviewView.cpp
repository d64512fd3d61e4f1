#include "DatabaseOverviewView.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/Style.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "waypoints/POISelectorPaneController.h"
#include "positioning/LocationManager.h"
#include "waypoints/WaypointKeys.h"
#include "waypoints/WaypointTree.h"

#include <QVBoxLayout>

namespace vantrel::app {

using namespace platform::ui;

namespace {
const QString kCellIdentifier = QStringLiteral("plainCell");
}

DatabaseOverviewView::DatabaseOverviewView(waypoints::POISelectorPaneController& database) : database_(database) {
    setTitle(QStringLiteral("Database"));
    navigationItem().setTitle(database_.title());
    tabBarItem().setImageName(QStringLiteral("database.png"));
    navigationItem().setRightBarButtonItem(std::make_shared<BarButtonItem>(
        QStringLiteral("Select"), BarButtonItemStyle::Bordered,
        [this] { waypoints::POISelectorPaneController::presentPOISelectorPane().setOwner(this); }));
}

void DatabaseOverviewView::setWaypoint(const platform::Value& waypoint) {
    selectedWaypoint_ = waypoint;
    view();
    const platform::Dictionary* record = waypoint.asDictionary();
    if (!record) return;
    chosen_->setText(QStringLiteral("Chosen: %1  %2\n%3  %4")
                         .arg(record->get(waypoints::keys::waypointId).toQString(),
                              record->get(waypoints::keys::waypointName).toQString(),
                              positioning::LocationManager::formattedCoordinates(
                                  record->get(waypoints::keys::waypointLatitude).doubleValue(), false),
                              positioning::LocationManager::formattedCoordinates(
                                  record->get(waypoints::keys::waypointLongitude).doubleValue(), true)));
    chosen_->show();
}

TableView* DatabaseOverviewView::countryList() {
    view();
    return list_;
}

QLabel* DatabaseOverviewView::summaryLabel() {
    view();
    return summary_;
}

void DatabaseOverviewView::loadView() {
    size_t total = 0;
    platform::ArrayPtr countries = database_.byCountryDB();
    rows_.clear();
    if (countries) {
        for (const platform::Value& node : *countries) {
            size_t count = waypoints::countWaypoints(node);
            total += count;
            rows_.append(QStringLiteral("%1  (%2)").arg(node.dictionary()->get("waypoint_name").toQString()).arg(count));
        }
    }

    QWidget* root = makeBlackView();
    auto* titleBar = new NavigationBar(root);
    titleBar->setFixedHeight(NavigationBar::kHeight);
    titleBar->setBarStyle(BarStyle::Black);
    titleBar->showItem(&navigationItem(), QString(), {});

    auto* summary = new Label(root);
    summary->setFont(style::font(13));
    summary->setContentsMargins(10, 4, 10, 4);
    summary->setText(rows_.isEmpty() ? QStringLiteral("No waypoints loaded")
                                     : QStringLiteral("%1 waypoints in %2 countries").arg(total).arg(rows_.size()));
    summary_ = summary;

    chosen_ = new Label(root);
    chosen_->setFont(style::font(13));
    chosen_->setContentsMargins(10, 2, 10, 4);
    chosen_->hide();

    list_ = new TableView(root);
    list_->setDataSource(this);

    auto* layout = new QVBoxLayout(root);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(titleBar);
    layout->addWidget(summary_);
    layout->addWidget(chosen_);
    layout->addWidget(list_, 1);
    setView(root);
}

int DatabaseOverviewView::numberOfRowsInSection(TableView*, int) { return int(rows_.size()); }

TableViewCell* DatabaseOverviewView::cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    TableViewCell* cell = tableView->dequeueReusableCellWithIdentifier(kCellIdentifier);
    if (!cell) {
        cell = new TableViewCell(kCellIdentifier, tableView);
        cell->setSelectionStyle(TableViewCellSelectionStyle::None);
    }
    cell->setText(rows_.value(indexPath.row));
    return cell;
}

}  // namespace vantrel::app
