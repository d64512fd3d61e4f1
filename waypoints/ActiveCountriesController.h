#pragma once
// The active-countries store shared by the whole process, and the screen on which the pilot
// switches countries on and off: one row per country file of the database, with a check mark on
// the active ones. The rows are in alphabetical order: the listing order of the database folder
// is the file system's, which on Linux is no order a pilot can search. Tapping a row switches
// its country; "All" and "None" above the list switch every country; leaving the screen writes
// DismissedCountries.plist (atomically, every time). The database is loaded at launch only, so a
// change takes effect at the next start, as the line above the list says. The data and its rules
// live in ActiveCountriesStore.
//
// Ownership: the shared instance lives until the process ends (enable_shared_from_this lets the
// tab bar or a navigation controller share it); it owns its store; its view and outlets belong to
// its view. Threads: sharedController() may be called first from the database load thread, so the
// constructor makes no widget (the view is made on first use, on the main thread); the loader only
// reads isCountryActive. The screen and every change run on the main thread, after the load.

#include "ActiveCountriesStore.h"

#include "platform/ui/TableViewDataSource.h"
#include "platform/ui/ViewController.h"

#include <memory>

namespace Ui {
class ActiveCountriesController;
}

namespace vantrel::platform::ui {
class TableView;
}

namespace vantrel::waypoints {

class ActiveCountriesController : public platform::ui::ViewController,
                                  public platform::ui::TableViewDataSource,
                                  public platform::ui::TableViewDelegate,
                                  public std::enable_shared_from_this<ActiveCountriesController> {
public:
    // The one instance, titled "Active Countries" with the tab image "earth.png".
    static ActiveCountriesController& sharedController();

    // Reads the database listing and the dismissed list now.
    ActiveCountriesController();
    ~ActiveCountriesController() override;

    ActiveCountriesStore& store() { return store_; }
    const QStringList& allCountries() const { return store_.allCountries(); }
    platform::ArrayPtr dismissedCountries() const { return store_.dismissedCountries(); }
    bool isCountryActive(const QString& country) const { return store_.isCountryActive(country); }
    static QString dismissedCountriesPath() { return ActiveCountriesStore::dismissedCountriesPath(); }

    // Outlet (loads the view).
    platform::ui::TableView* activeCountriesTab();
    // "All" and "None": every country on or off.
    void setAllCountriesActive(bool active);

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    // Saves the dismissed list, then passes the call on.
    void viewWillDisappear(bool animated) override;

    int numberOfRowsInSection(platform::ui::TableView* tableView, int section) override;
    platform::ui::TableViewCell* cellForRowAtIndexPath(platform::ui::TableView* tableView,
                                                       const platform::ui::IndexPath& indexPath) override;
    std::optional<platform::ui::TableViewCellAccessoryType> accessoryTypeForRowWithIndexPath(
        platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(platform::ui::TableView* tableView, const platform::ui::IndexPath& indexPath) override;

protected:
    void loadView() override;

private:
    ActiveCountriesStore store_;
    QStringList rows_;  // allCountries in alphabetical order, made with the view
    std::unique_ptr<Ui::ActiveCountriesController> ui_;
};

}  // namespace vantrel::waypoints
