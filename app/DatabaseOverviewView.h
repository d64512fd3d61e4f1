#pragma once
// The screen shown once the waypoint database is loaded: the loaded countries in the tree's order
// with their waypoint counts, and the totals.
//
// Threads: main thread only; made after the load is done.

#include <QWidget>

class QLabel;
class QListWidget;

namespace vantrel::waypoints {
class POISelectorPaneController;
}

namespace vantrel::app {

class DatabaseOverviewView : public QWidget {
    Q_OBJECT
public:
    explicit DatabaseOverviewView(waypoints::POISelectorPaneController& database, QWidget* parent = nullptr);

    QListWidget* countryList() const { return list_; }
    QLabel* summaryLabel() const { return summary_; }

private:
    QListWidget* list_;
    QLabel* summary_;
};

}  // namespace vantrel::app
