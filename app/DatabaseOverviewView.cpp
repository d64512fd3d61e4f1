#include "DatabaseOverviewView.h"

#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointTree.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace vantrel::app {

DatabaseOverviewView::DatabaseOverviewView(waypoints::POISelectorPaneController& database, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("databaseOverview"));
    setStyleSheet(QStringLiteral(
        "QWidget#databaseOverview { background: #000000; }"
        "QLabel#title { color: #ffffff; background: #000000; font: bold 17px 'Liberation Sans';"
        "  border-bottom: 1px solid #333333; }"
        "QLabel#summary { color: #ff9900; font: 12px 'Liberation Sans'; padding: 4px 10px; }"
        "QListWidget { background: #000000; color: #ff9900; border: none; font: 15px 'Liberation Sans'; }"
        "QListWidget::item { padding: 8px 10px; border-bottom: 1px solid #222222; }"
        "QScrollBar:vertical { background: #000000; width: 4px; }"
        "QScrollBar::handle:vertical { background: #7a4a00; border-radius: 2px; min-height: 24px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { height: 0px; }"));

    auto* title = new QLabel(database.title(), this);
    title->setObjectName(QStringLiteral("title"));
    title->setAlignment(Qt::AlignCenter);
    title->setFixedHeight(44);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summary"));
    list_ = new QListWidget(this);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setUniformItemSizes(true);

    size_t total = 0;
    platform::ArrayPtr countries = database.byCountryDB();
    if (countries) {
        for (const platform::Value& node : *countries) {
            size_t count = waypoints::countWaypoints(node);
            total += count;
            list_->addItem(QStringLiteral("%1  (%2)").arg(node.dictionary()->get("waypoint_name").toQString()).arg(count));
        }
    }
    size_t countryCount = countries ? countries->size() : 0;
    summary_->setText(countryCount == 0 ? QStringLiteral("No waypoints loaded")
                                        : QStringLiteral("%1 waypoints in %2 countries").arg(total).arg(countryCount));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addWidget(summary_);
    layout->addWidget(list_, 1);
}

}  // namespace vantrel::app
