#pragma once
// The logbook list screen: the flights by month, newest month first, one FlightCell per flight,
// and the "Edit" bar button that asks whether to make a new flight or delete flights. A tapped row
// (or its detail button) opens the flight in the detail screen; a new flight opens there at once.
// In editing mode each row has the delete control (a deleted flight takes its recorded track with
// it); "Edit" leaves editing mode. "Plans" on the left
// of the bar opens the navigation plans (navplans/NavplansController.h) on this list's stack.
//
// The screen forwards the store's work to its FlightLog (FlightLog.h): the file, the sections and
// every save. The app shows the one shared list in the tab bar inside its own navigation
// controller (sharedNavigationController); tests make their own lists on a store of their own.
//
// Ownership: the store is shared with the detail screen this list opens (detailView); the form's
// widgets are children of the screen's view; the shared instances live until the process ends.
// Threads: main thread only.

#include "FlightLog.h"

#include "platform/core/Value.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/ViewController.h"

#include <QPointer>
#include <memory>

namespace Ui {
class FlightsView;
}

namespace vantrel::platform::ui {
class NavigationController;
class TableView;
}  // namespace vantrel::platform::ui

namespace vantrel::logbook {

class FlightDetailView;

class FlightsView : public platform::ui::ViewController,
                    public platform::ui::TableViewDataSource,
                    public platform::ui::TableViewDelegate,
                    public platform::ui::AlertViewDelegate {
public:
    explicit FlightsView(std::shared_ptr<FlightLog> log);
    ~FlightsView() override;

    // The app's logbook list, titled "Logbook", on "flights.plist" in the documents folder, read
    // when it is first asked for.
    static std::shared_ptr<FlightsView> sharedController();
    // The navigation controller (black bar) whose root is sharedController(): the logbook's tab.
    static std::shared_ptr<platform::ui::NavigationController> sharedNavigationController();

    FlightLog& flightLog() { return *log_; }
    const std::shared_ptr<FlightLog>& sharedFlightLog() const { return log_; }
    // The detail screen that opens this list's flights, made on first use.
    std::shared_ptr<FlightDetailView> detailView();
    // The table of the form "FlightsView" (loads the view).
    platform::ui::TableView* flightsTable();

    // Rebuilds the month sections and reloads the table.
    void sortContent();
    platform::DictionaryPtr contentForIndexPath(const platform::ui::IndexPath& indexPath) const;

    // The "Plans" button: pushes the app's plan list.
    void showPlans();
    // Makes, stores and saves a flight at the current time and opens it.
    void newFlight();
    // The "Edit" button: leaves editing mode, or asks "Edit flights" (Cancel, New, Delete).
    void editFlights();
    // The edit alert, while it shows (null otherwise).
    platform::ui::AlertView* editAlert() const { return alert_; }
    void alertViewClickedButtonAtIndex(platform::ui::AlertView* alertView, int buttonIndex) override;

    int numberOfSectionsInTableView(platform::ui::TableView* tableView) override;
    int numberOfRowsInSection(platform::ui::TableView* tableView, int section) override;
    QString titleForHeaderInSection(platform::ui::TableView* tableView, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* tableView,
                                                       const platform::ui::IndexPath& indexPath) override;
    std::optional<platform::ui::TableViewCellAccessoryType> accessoryTypeForRowWithIndexPath(
        platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    bool canEditRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    platform::ui::TableViewCellEditingStyle editingStyleForRowAtIndexPath(
        platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    void commitEditingStyle(platform::ui::TableView* tableView, platform::ui::TableViewCellEditingStyle style,
                            const platform::ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;

    void viewDidAppear(bool animated) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    void openFlight(const platform::DictionaryPtr& record);

    std::shared_ptr<FlightLog> log_;
    std::unique_ptr<Ui::FlightsView> ui_;
    std::shared_ptr<FlightDetailView> detail_;
    QPointer<platform::ui::AlertView> alert_;
};

}  // namespace vantrel::logbook
