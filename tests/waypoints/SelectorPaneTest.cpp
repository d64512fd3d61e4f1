// The selector pane as the pilot works it: walking the tree, choosing, Back, Done, Select and
// Cancel, the search, the nearby list with its range, the state kept between presentations, and
// the shared navigator.

#include "DatabaseFixture.h"

#include "platform/core/NotificationCenter.h"
#include "positioning/Geodesy.h"
#include "positioning/LocationManager.h"
#include "positioning/MagneticModel.h"
#include "platform/ui/Automation.h"
#include "platform/ui/BarButton.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TabBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Transition.h"
#include "platform/ui/Window.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointCell.h"
#include "waypoints/WaypointKeys.h"
#include "waypoints/WaypointTree.h"
#include "units/UnitSettings.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::platform::ui;
using platform::Value;
using test::makeRecord;
using waypoints::POISelectorPaneController;

namespace {

class RecordingOwner : public waypoints::WaypointOwner {
public:
    void setWaypoint(const Value& waypoint) override { received.push_back(waypoint); }
    std::vector<Value> received;
};

QString rowText(const Value& item) {
    const platform::Dictionary* d = item.asDictionary();
    if (waypoints::isNode(item)) return QStringLiteral("[%1]").arg(d->get("waypoint_name").toQString());
    return d->get("waypoint_id").toQString();
}

}  // namespace

class SelectorPane : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.writeStates({QStringLiteral("Texas"), QStringLiteral("Alaska")});
        fixture.writeCountry(QStringLiteral("United States"),
                             {makeRecord("KAUS", 30.19, -97.67, 1, 0, "Austin"), makeRecord("PANC", 61.17, -150.0, 1, 1, "Anchorage"),
                              makeRecord("KDFW", 32.90, -97.04, 1, 0, "Dallas")});
        fixture.writeCountry(QStringLiteral("France"),
                             {makeRecord("LFPG", 49.01, 2.55, 1, -1, "Charles de Gaulle"),
                              makeRecord("LFPB", 48.96, 2.44, 1, -1, "Paris-Le Bourget"),
                              makeRecord("LFPO", 48.72, 2.38, 1, -1, "Orly"), makeRecord("lfxx", 48.90, 2.30, 1, -1, "Lower")});
        fixture.writeCountry(QStringLiteral("Germany"), {makeRecord("EDDF", 50.03, 8.57, 1, -1, "Frankfurt")});
        pane->database().load(waypoints::ActiveCountriesStore(), [](const char*, platform::DictionaryPtr) {});

        Transition::setAnimationsEnabled(false);
        window->setRootViewController(root);
        window->show();
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window.get());
    }
    void TearDown() override {
        window.reset();
        Transition::setAnimationsEnabled(true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void present(waypoints::WaypointOwner& owner) {
        root->presentModalViewController(navigator, false);
        pane->setOwner(&owner);
    }
    bool presented() const { return root->modalViewController() != nullptr; }

    QStringList rows() const {
        QStringList texts;
        for (size_t i = 0; i < pane->selector().rowCount(); ++i) texts << rowText(pane->selector().rowAt(i));
        return texts;
    }
    // The accessory shown on each row of the table.
    std::vector<TableViewCellAccessoryType> accessories() {
        std::vector<TableViewCellAccessoryType> shown;
        TableView* table = pane->waypointsTableView();
        for (int r = 0; r < table->numberOfRowsInSection(0); ++r)
            shown.push_back(*pane->accessoryTypeForRowWithIndexPath(table, {0, r}));
        return shown;
    }
    QString rightButton() { return navigator->navigationBar()->rightButton()->text(); }
    Value record(const char* id) {
        for (const Value& r : *pane->waypointsDB())
            if (r.dictionary()->get("waypoint_id").stringView() == id) return r;
        return {};
    }
    QString search(const QString& text) {
        QString error = robot.tap(Automation::Target{pane->theSearchBar()->field(), {10, 10}, "search field"});
        pane->theSearchBar()->field()->selectAll();
        return error.isEmpty() ? robot.typeText(text + QStringLiteral("\n")) : error;
    }

    test::DatabaseFixture fixture;
    std::shared_ptr<POISelectorPaneController> pane = std::make_shared<POISelectorPaneController>();
    std::shared_ptr<NavigationController> navigator = std::make_shared<NavigationController>(pane);
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    std::unique_ptr<Window> window = std::make_unique<Window>();
    Automation robot{window.get()};
};

TEST_F(SelectorPane, WalkingDownTheTreeAndChoosingAWaypoint) {
    RecordingOwner owner;
    present(owner);
    EXPECT_EQ(pane->title(), "Countries");
    EXPECT_EQ(rows(), QStringList({"[France]", "[Germany]", "[United States]"}));
    EXPECT_EQ(rightButton(), "Done");
    EXPECT_EQ(accessories()[0], TableViewCellAccessoryType::DetailDisclosureButton);
    EXPECT_TRUE(pane->theSearchBar()->isVisible());
    EXPECT_FALSE(pane->rangeView()->isVisible());

    ASSERT_EQ(robot.tapRow("United States"), "");
    EXPECT_EQ(pane->title(), "United States");
    EXPECT_EQ(rows(), QStringList({"[Texas]", "[Alaska]"}));
    // The detail disclosure button goes down as the row does.
    TableViewCell* texas = pane->waypointsTableView()->cellForRowAtIndexPath({0, 0});
    ASSERT_TRUE(texas && texas->detailDisclosureButton());
    ASSERT_EQ(robot.tap(Automation::Target{texas->detailDisclosureButton(), {5, 5}, "Texas detail"}), "");
    EXPECT_EQ(pane->title(), "Texas");
    EXPECT_EQ(rows(), QStringList({"KAUS", "KDFW"}));
    EXPECT_EQ(pane->pathStack()->size(), 2u);
    EXPECT_EQ(pane->titlesStack()->size(), 2u);

    // Tapping a waypoint marks it and keeps the pane open; the mark follows the next tap.
    ASSERT_EQ(robot.tapRow("KAUS, Austin"), "");
    EXPECT_TRUE(presented());
    EXPECT_EQ(rightButton(), "Select");
    EXPECT_EQ(accessories(), (std::vector{TableViewCellAccessoryType::Checkmark, TableViewCellAccessoryType::None}));
    ASSERT_EQ(robot.tapRow("KDFW, Dallas"), "");
    EXPECT_EQ(accessories(), (std::vector{TableViewCellAccessoryType::None, TableViewCellAccessoryType::Checkmark}));

    ASSERT_EQ(robot.tapButton("Select"), "");
    EXPECT_FALSE(presented());
    ASSERT_EQ(owner.received.size(), 1u);
    EXPECT_EQ(owner.received[0].identity(), record("KDFW").identity());  // the database's own record
}

TEST_F(SelectorPane, ThePaneKeepsItsStateAndDoneHandsThePreviousChoiceOn) {
    RecordingOwner vor1, vor2, adf;
    present(vor1);
    ASSERT_EQ(robot.tapRow("France"), "");
    ASSERT_EQ(robot.tapRow("LFPO, Orly"), "");
    ASSERT_EQ(robot.tapButton("Select"), "");

    // Opened again from another instrument: the same level, title and mark, and "Done".
    present(vor2);
    EXPECT_EQ(pane->title(), "France");
    EXPECT_EQ(rows(), QStringList({"LFPB", "LFPG", "LFPO", "lfxx"}));
    EXPECT_EQ(accessories()[2], TableViewCellAccessoryType::Checkmark);
    EXPECT_EQ(rightButton(), "Done");
    ASSERT_EQ(robot.tapButton("Done"), "");
    ASSERT_EQ(vor2.received.size(), 1u);
    EXPECT_EQ(vor2.received[0].identity(), record("LFPO").identity());

    // Back drops the choice: Done then hands nothing on.
    present(adf);
    ASSERT_EQ(robot.tapButton("Back"), "");
    EXPECT_EQ(pane->title(), "Countries");
    EXPECT_EQ(rightButton(), "Cancel");
    EXPECT_TRUE(pane->selectedWaypoint().isNull());
    ASSERT_EQ(robot.tapButton("Cancel"), "");
    EXPECT_FALSE(presented());
    EXPECT_TRUE(adf.received.empty());
    EXPECT_EQ(vor1.received.size(), 1u);
}

TEST_F(SelectorPane, BackAtTheTopOnlyClearsAndNeverCloses) {
    RecordingOwner owner;
    present(owner);
    ASSERT_EQ(robot.tapRow("France"), "");
    ASSERT_EQ(robot.tapButton("Back"), "");
    EXPECT_EQ(pane->title(), "Countries");
    ASSERT_EQ(robot.tapButton("Back"), "");
    EXPECT_TRUE(presented());
    EXPECT_EQ(pane->title(), "Countries");
    EXPECT_EQ(rows(), QStringList({"[France]", "[Germany]", "[United States]"}));
    EXPECT_EQ(rightButton(), "Cancel");
    ASSERT_EQ(robot.tapButton("Cancel"), "");
    EXPECT_FALSE(presented());
    EXPECT_TRUE(owner.received.empty());
}

TEST_F(SelectorPane, SearchUpperCasesTheTextAndBackReturnsToTheTree) {
    RecordingOwner owner;
    present(owner);
    ASSERT_EQ(robot.tapRow("France"), "");
    ASSERT_EQ(robot.tapRow("LFPB, Paris-Le Bourget"), "");

    ASSERT_EQ(search(QStringLiteral("lf")), "");
    EXPECT_EQ(pane->title(), "Search results");
    EXPECT_EQ(pane->selector().searchID(), "LF");
    // By identifier, all countries searched; the identifier stored in lower case is not found.
    EXPECT_EQ(rows(), QStringList({"LFPB", "LFPG", "LFPO"}));
    // The record chosen in the tree carries its mark here too: the same object.
    EXPECT_EQ(accessories()[0], TableViewCellAccessoryType::Checkmark);

    ASSERT_EQ(search(QStringLiteral("q")), "");
    EXPECT_EQ(pane->title(), "Search results");
    EXPECT_TRUE(rows().isEmpty());

    // Back leaves the results for the level above the one searched from (France was one below
    // the top), clears the search text and the choice.
    ASSERT_EQ(robot.tapButton("Back"), "");
    EXPECT_EQ(pane->title(), "Countries");
    EXPECT_EQ(rows(), QStringList({"[France]", "[Germany]", "[United States]"}));
    EXPECT_EQ(pane->theSearchBar()->text(), "");
    EXPECT_TRUE(pane->selector().searchID().isEmpty());
    EXPECT_TRUE(pane->pathStack()->empty());
}

TEST_F(SelectorPane, ErasingTheSearchTextReturnsToTheTopOfTheTree) {
    RecordingOwner owner;
    present(owner);
    ASSERT_EQ(robot.tapRow("Germany"), "");
    ASSERT_EQ(search(QStringLiteral("lfp")), "");
    ASSERT_EQ(robot.tapRow("LFPB, Paris-Le Bourget"), "");
    EXPECT_EQ(rows(), QStringList({"LFPB", "LFPG", "LFPO"}));

    robot.tap(Automation::Target{pane->theSearchBar()->field(), {10, 10}, "search field"});
    for (int i = 0; i < 3; ++i) QTest::keyClick(window->windowHandle(), Qt::Key_Backspace);
    // The top of the tree, titled by the last level above Germany; the levels stay as they were.
    EXPECT_EQ(pane->title(), "Countries");
    EXPECT_EQ(rows(), QStringList({"[France]", "[Germany]", "[United States]"}));
    EXPECT_EQ(pane->pathStack()->size(), 1u);
    EXPECT_TRUE(pane->theSearchBar()->isVisible());
    EXPECT_TRUE(pane->selector().searchID().isEmpty());
    // Picking from the results still works after the search went: Select hands LFPB on.
    ASSERT_EQ(robot.tapButton("Select"), "");
    ASSERT_EQ(owner.received.size(), 1u);
    EXPECT_EQ(owner.received[0].identity(), record("LFPB").identity());
}

TEST_F(SelectorPane, TheNearbyListFiltersTheMapsCacheByRange) {
    RecordingOwner owner;
    present(owner);
    ASSERT_EQ(robot.tapRow("France"), "");
    // The map's worker fills the cache around Le Bourget (25 nm: all four Paris records).
    pane->nearbyCache()->refresh(*pane->waypointsDB(), 2.44, 48.96, 1852.0);

    ASSERT_EQ(robot.tapTab("Nearby"), "");
    EXPECT_EQ(pane->title(), "Nearby waypoints");
    EXPECT_TRUE(pane->rangeView()->isVisible());
    EXPECT_FALSE(pane->theSearchBar()->isVisible());
    EXPECT_EQ(pane->rangeField()->text(), "25 nm");
    EXPECT_EQ(rows(), QStringList({"LFPB", "LFPG", "lfxx", "LFPO"}));  // nearest first: Le Bourget on top

    Slider* slider = pane->rangeSlider();
    slider->setValue(10.7);  // whole units: 10 nm
    Q_EMIT slider->valueChanged(slider->value());
    EXPECT_EQ(pane->rangeField()->text(), "10 nm");
    EXPECT_EQ(rows(), QStringList({"LFPB", "LFPG", "lfxx"}));  // Orly is 27 km away

    // The map's cache moves to Frankfurt: the list follows at the same range.
    pane->nearbyCache()->refresh(*pane->waypointsDB(), 8.57, 50.03, 1852.0);
    platform::NotificationCenter::defaultCenter().postNotificationName("cachedWaypointsDBDidChange", this);
    EXPECT_EQ(rows(), QStringList({"EDDF"}));

    ASSERT_EQ(robot.tapRow("EDDF, Frankfurt"), "");
    EXPECT_EQ(accessories(), std::vector{TableViewCellAccessoryType::Checkmark});

    // Back leaves the nearby list for the tree; the tab bar still shows the nearby tab.
    ASSERT_EQ(robot.tapButton("Back"), "");
    EXPECT_EQ(pane->title(), "Countries");
    EXPECT_TRUE(pane->theSearchBar()->isVisible());
    EXPECT_FALSE(pane->rangeView()->isVisible());
    EXPECT_EQ(pane->tabBar()->selectedItem(), pane->nearbyItem());
}

// The map's refresh runs on a worker of its own; the pane hears of it on the main thread.
TEST_F(SelectorPane, ARefreshOnTheMapsWorkerReachesTheNearbyList) {
    RecordingOwner owner;
    present(owner);
    ASSERT_EQ(robot.tapTab("Nearby"), "");
    EXPECT_TRUE(rows().isEmpty());

    test::LogCapture log;
    const void* sender = nullptr;
    int observer = 0;
    platform::NotificationCenter::defaultCenter().addObserver(
        &observer, "cachedWaypointsDBDidChange", nullptr, [&](const platform::Notification& n) { sender = n.object; });
    int map = 0;
    pane->nearbyCache()->setNotificationSender(&map);
    pane->nearbyCache()->findNearbyWaypoints(pane->waypointsDB(), 8.57, 50.03, 1852.0);
    EXPECT_TRUE(log.contains(QStringLiteral("Will cache nearby waypoints")));
    QElapsedTimer timer;
    timer.start();
    while (!sender && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    platform::NotificationCenter::defaultCenter().removeObserver(&observer);
    EXPECT_EQ(sender, &map);
    EXPECT_EQ(rows(), QStringList({"EDDF"}));
    pane->nearbyCache()->setNotificationSender(pane->nearbyCache().get());
}

TEST_F(SelectorPane, TheSearchTabOffersTheSearchFieldAndKeepsTheList) {
    RecordingOwner owner;
    present(owner);
    pane->nearbyCache()->refresh(*pane->waypointsDB(), 2.44, 48.96, 1852.0);
    ASSERT_EQ(robot.tapTab("Nearby"), "");
    ASSERT_EQ(robot.tapTab("Search"), "");
    // The search tab has its own title and list: no search yet, so no rows under "Search".
    EXPECT_EQ(pane->title(), "Search");
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(pane->theSearchBar()->isVisible());
    EXPECT_FALSE(pane->rangeView()->isVisible());
    EXPECT_TRUE(pane->theSearchBar()->field()->hasFocus());
    ASSERT_EQ(robot.typeText(QStringLiteral("ed\n")), "");
    EXPECT_EQ(rows(), QStringList({"EDDF"}));
    ASSERT_EQ(robot.tapTab("Countries"), "");
    EXPECT_EQ(pane->title(), "Countries");
}

// Results as the pilot types, from the second letter, by identifier and by name; each row shows
// its country and, with a fix, the distance and bearing from the aircraft.
TEST_F(SelectorPane, SearchAsThePilotTypesByNameWithCountryDistanceAndBearing) {
    RecordingOwner owner;
    present(owner);
    ASSERT_EQ(robot.tapTab("Search"), "");
    ASSERT_EQ(robot.typeText(QStringLiteral("a")), "");
    EXPECT_TRUE(rows().isEmpty());  // one letter: nothing yet
    ASSERT_EQ(robot.typeText(QStringLiteral("n")), "");
    EXPECT_EQ(pane->title(), "Search results");
    EXPECT_EQ(rows(), QStringList({"EDDF", "PANC"}));  // "Frankfurt" and "Anchorage" hold "an"
    EXPECT_TRUE(pane->theSearchBar()->field()->hasFocus());
    ASSERT_EQ(robot.typeText(QStringLiteral("ch")), "");
    EXPECT_EQ(rows(), QStringList({"PANC"}));

    // Over Frankfurt: the rows say where each record is, and how far.
    positioning::LocationManager& manager = positioning::LocationManager::sharedManager();
    positioning::Fix fix;
    fix.latitude = 50.0;
    fix.longitude = 8.5;
    fix.horizontalAccuracy = 5;
    fix.timestamp = 1000;
    manager.locationManagerDidUpdateToLocation(fix);
    pane->theSearchBar()->field()->selectAll();
    ASSERT_EQ(robot.typeText(QStringLiteral("an")), "");
    EXPECT_EQ(rows(), QStringList({"EDDF", "PANC"}));
    TableView* table = pane->waypointsTableView();
    auto* eddf = dynamic_cast<waypoints::WaypointCell*>(pane->cellForRowAtIndexPath(table, {0, 0}));
    ASSERT_NE(eddf, nullptr);
    EXPECT_EQ(eddf->country()->text(), "Germany");
    const double metres = positioning::Geodesy::calcDistanceInMeters(8.5, 50.0, 8.57, 50.03);
    const float trueBearing = positioning::Geodesy::calcAngle({8.5f, 50.0f}, {8.57f, 50.03f});
    EXPECT_EQ(eddf->distance()->text(), positioning::LocationManager::formattedDistance(metres) +
                                            QStringLiteral(" %1\u00B0T").arg(int(std::lround(trueBearing)), 3, 10, QLatin1Char('0')));
    // With magnetic north, turned by the variation at the aircraft (about 3.5 degrees east there).
    units::UnitSettings::shared().setMagneticNorth(true);
    fix.timestamp = 1.8e9;  // 2027
    manager.locationManagerDidUpdateToLocation(fix);
    pane->theSearchBar()->field()->selectAll();
    ASSERT_EQ(robot.typeText(QStringLiteral("an")), "");
    eddf = dynamic_cast<waypoints::WaypointCell*>(pane->cellForRowAtIndexPath(table, {0, 0}));
    ASSERT_NE(eddf, nullptr);
    const double variation = positioning::MagneticModel::builtIn()->declination(
        50.0, 8.5, 0.0, positioning::MagneticModel::decimalYear(fix.timestamp));
    EXPECT_GT(variation, 2.0);
    EXPECT_EQ(eddf->distance()->text(),
              positioning::LocationManager::formattedDistance(metres) +
                  QStringLiteral(" %1\u00B0M").arg(int(std::lround(trueBearing - variation)), 3, 10, QLatin1Char('0')));
    units::UnitSettings::shared().setMagneticNorth(false);
    auto* panc = dynamic_cast<waypoints::WaypointCell*>(pane->cellForRowAtIndexPath(table, {0, 1}));
    ASSERT_NE(panc, nullptr);
    EXPECT_EQ(panc->country()->text(), "United States");
    // The country ends before the distance's text begins.
    EXPECT_LT(panc->country()->geometry().right(),
              waypoints::WaypointCell::kLabelsRight - panc->distance()->fontMetrics().horizontalAdvance(panc->distance()->text()));
    manager.locationManagerDidFailWithError(QStringLiteral("test over"));
    pane->theSearchBar()->field()->selectAll();
    ASSERT_EQ(robot.typeText(QStringLiteral("an")), "");
    eddf = dynamic_cast<waypoints::WaypointCell*>(pane->cellForRowAtIndexPath(table, {0, 0}));
    EXPECT_EQ(eddf->distance()->text(), "");  // no fix, no distance
    EXPECT_EQ(eddf->country()->text(), "Germany");
}

// The nearby list from the aircraft's position, not from where the map's cache was refreshed.
TEST_F(SelectorPane, TheNearbyListIsMeasuredFromTheAircraft) {
    RecordingOwner owner;
    present(owner);
    // The cache was refreshed over Orly; the aircraft is now over Charles de Gaulle.
    pane->nearbyCache()->refresh(*pane->waypointsDB(), 2.38, 48.72, 1852.0);
    positioning::LocationManager& manager = positioning::LocationManager::sharedManager();
    positioning::Fix fix;
    fix.latitude = 49.01;
    fix.longitude = 2.55;
    fix.horizontalAccuracy = 5;
    fix.timestamp = 1000;
    manager.locationManagerDidUpdateToLocation(fix);
    ASSERT_EQ(robot.tapTab("Nearby"), "");
    EXPECT_EQ(rows(), QStringList({"LFPG", "LFPB", "lfxx", "LFPO"}));
    manager.locationManagerDidFailWithError(QStringLiteral("test over"));
}

TEST_F(SelectorPane, AnOwnerThatWentAwayIsNeverCalled) {
    {
        RecordingOwner shortLived;
        present(shortLived);
        ASSERT_EQ(robot.tapRow("Germany"), "");
        ASSERT_EQ(robot.tapRow("EDDF, Frankfurt"), "");
    }
    EXPECT_EQ(pane->owner(), nullptr);
    ASSERT_EQ(robot.tapButton("Select"), "");
    EXPECT_FALSE(presented());
}

TEST(SelectorPaneEmpty, AnEmptyDatabaseListsNothingAndDoneClosesWithoutAChoice) {
    test::DatabaseFixture fixture;
    fixture.writeStates({});
    auto pane = std::make_shared<POISelectorPaneController>();
    pane->database().load(waypoints::ActiveCountriesStore(), [](const char*, platform::DictionaryPtr) {});
    Transition::setAnimationsEnabled(false);
    auto window = std::make_unique<Window>();
    auto root = std::make_shared<ViewController>();
    window->setRootViewController(root);
    window->show();
    RecordingOwner owner;
    root->presentModalViewController(std::make_shared<NavigationController>(pane), false);
    pane->setOwner(&owner);
    EXPECT_EQ(pane->title(), "Countries");
    EXPECT_EQ(pane->waypointsTableView()->numberOfRowsInSection(0), 0);
    pane->select();
    EXPECT_EQ(root->modalViewController(), nullptr);
    EXPECT_TRUE(owner.received.empty());
    window.reset();
    Transition::setAnimationsEnabled(true);
}

TEST(SelectorPaneShared, TheNavigatorIsPresentedOverTheWindowsRootScreen) {
    Transition::setAnimationsEnabled(false);
    auto window = std::make_unique<Window>();
    auto root = std::make_shared<ViewController>();
    window->setRootViewController(root);
    window->show();
    std::shared_ptr<NavigationController> navigator = POISelectorPaneController::POINavigator();
    EXPECT_EQ(navigator, POISelectorPaneController::POINavigator());
    EXPECT_EQ(navigator->topViewController(), POISelectorPaneController::sharedPane().get());
    EXPECT_EQ(navigator->navigationBar()->barStyle(), BarStyle::Black);

    POISelectorPaneController& pane = POISelectorPaneController::presentPOISelectorPane();
    EXPECT_EQ(&pane, &POISelectorPaneController::sharedPOIDatabase());
    EXPECT_EQ(root->modalViewController(), navigator.get());
    pane.cancel();
    EXPECT_EQ(root->modalViewController(), nullptr);
    window.reset();
    Transition::setAnimationsEnabled(true);
}

// A list pushed or switched to starts at its top, not at the offset of the list before; a list
// that is only refreshed (the map's cache refilled) keeps the pilot's place.
TEST_F(SelectorPane, AListPushedOrSwitchedToStartsAtItsTop) {
    RecordingOwner owner;
    present(owner);
    auto longList = [](const char* prefix) {
        platform::ArrayPtr list = platform::Array::create();
        for (int i = 0; i < 30; ++i) {
            auto r = platform::Dictionary::create();
            r->set("waypoint_id", Value(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i, 2, 10, QLatin1Char('0'))));
            list->append(Value(r));
        }
        return list;
    };
    platform::ArrayPtr below = longList("B");
    platform::ArrayPtr above = longList("A");
    auto node = platform::Dictionary::create();
    node->set("waypoint_name", Value("Long state"));
    node->set("children", Value(below));
    above->append(Value(node));

    TableView* table = pane->waypointsTableView();
    pane->setContent(above);
    table->setContentOffset(table->maxContentOffset());
    const double bottom = table->contentOffset();
    ASSERT_GT(bottom, 0);
    platform::NotificationCenter::defaultCenter().postNotificationName("cachedWaypointsDBDidChange", this);
    EXPECT_EQ(table->contentOffset(), bottom) << "a refresh keeps the place";

    ASSERT_EQ(robot.tapRow("Long state"), "");
    EXPECT_EQ(pane->title(), "Long state");
    EXPECT_EQ(table->contentOffset(), 0);

    table->setContentOffset(table->maxContentOffset());
    ASSERT_EQ(robot.tapButton("Back"), "");
    EXPECT_EQ(table->contentOffset(), 0);
}

TEST_F(SelectorPane, ASearchWithoutResultSaysSo) {
    RecordingOwner owner;
    present(owner);
    EXPECT_FALSE(pane->waypointsTableView()->isShowingEmptyText());
    ASSERT_EQ(search(QStringLiteral("zzq")), "");
    EXPECT_EQ(pane->selector().rowCount(), 0u);
    EXPECT_EQ(pane->waypointsTableView()->emptyText(), QStringLiteral("No waypoint begins with \u201CZZQ\u201D."));
    EXPECT_TRUE(pane->waypointsTableView()->isShowingEmptyText());
    ASSERT_EQ(search(QStringLiteral("lf")), "");
    EXPECT_FALSE(pane->waypointsTableView()->isShowingEmptyText());
}
