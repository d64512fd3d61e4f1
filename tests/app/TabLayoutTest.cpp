// The tabs of the app: their order from the saved titles, the More list's colours and the saving
// of the order the pilot arranges.

#include "AppTestSupport.h"

#include "app/TabOrder.h"
#include "app/VantrelAppDelegate.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Automation.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/TabBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Transition.h"
#include "support/TestSupport.h"
#include "waypoints/DatabaseFixture.h"

#include <gtest/gtest.h>

using namespace vantrel;
using platform::ui::ViewController;

namespace {
std::vector<std::shared_ptr<ViewController>> screensTitled(const QStringList& titles) {
    std::vector<std::shared_ptr<ViewController>> screens;
    for (const QString& title : titles) screens.push_back(test::otherScreen(title));
    return screens;
}

QStringList titlesOf(const std::vector<std::shared_ptr<ViewController>>& screens) {
    QStringList titles;
    for (const auto& s : screens) titles << s->title();
    return titles;
}

platform::ArrayPtr array(std::initializer_list<platform::Value> values) {
    return platform::Array::fromValues(std::vector<platform::Value>(values));
}
}  // namespace

TEST(TabOrder, SavedTitlesFirstThenTheOthersInConfigurationOrder) {
    const auto screens = screensTitled({"VOR 1", "VOR 2", "Map", "Logbook", "Settings", "Compass"});
    const QStringList defaults{"VOR 1", "ADF", "Map", "Logbook"};

    EXPECT_EQ(titlesOf(app::orderTabs(screens, {}, defaults)),
              QStringList({"VOR 1", "Map", "Logbook", "VOR 2", "Settings", "Compass"}));
    // A whole saved order is kept as it is.
    const QStringList all{"Compass", "Settings", "Logbook", "Map", "VOR 2", "VOR 1"};
    auto saved = platform::Array::create();
    for (const QString& t : all) saved->append(platform::Value(t));
    EXPECT_EQ(titlesOf(app::orderTabs(screens, saved, defaults)), all);
    // Unknown and repeated titles are skipped; what is not named follows.
    EXPECT_EQ(titlesOf(app::orderTabs(screens, array({"Compass", "Radar", "Compass"}), defaults)),
              QStringList({"Compass", "VOR 1", "VOR 2", "Map", "Logbook", "Settings"}));
    // An empty saved order is an order that names nothing.
    EXPECT_EQ(titlesOf(app::orderTabs(screens, platform::Array::create(), defaults)), titlesOf(screens));

    test::LogCapture log;
    EXPECT_EQ(titlesOf(app::orderTabs(screens, array({platform::Value::integer(3), "Map"}), defaults)).first(), "Map");
    EXPECT_TRUE(log.contains("not a tab title"));

    EXPECT_EQ(app::tabTitles(screens)->size(), screens.size());
    EXPECT_EQ(app::tabTitles(screens)->at(5).toQString(), "Compass");
}

// The delegate colours the More list each time it shows, and stores the order when the pilot has
// moved a tab, not when nothing moved.
TEST(TabLayout, TheMoreListIsColouredAndARearrangedOrderIsSaved) {
    test::CleanDefaults clean;
    test::DatabaseFixture db;
    db.writeStates({});
    auto& defaults = platform::UserDefaults::standardUserDefaults();
    defaults.setObject("disableDisclaimer", platform::Value::boolean(true));
    platform::ui::Transition::setAnimationsEnabled(false);

    app::VantrelAppDelegate delegate;
    delegate.loadControllers(platform::Notification{});
    platform::ui::TabBarController& tabs = *delegate.tabBarController();
    ASSERT_EQ(tabs.viewControllers().size(), 10u);
    platform::ui::NavigationBar* moreBar = tabs.moreNavigationController()->navigationBar();
    EXPECT_EQ(moreBar->barStyle(), platform::ui::BarStyle::Black);
    EXPECT_EQ(moreBar->tintColor(), QColor(0x55, 0x55, 0x55));

    platform::ui::Automation robot(delegate.window());
    ASSERT_EQ(robot.tapTab("More"), "");
    auto* list = qobject_cast<platform::ui::TableView*>(tabs.moreNavigationController()->topViewController()->view());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->palette().color(QPalette::Window), QColor(0x55, 0x55, 0x55));
    for (platform::ui::TableViewCell* cell : list->visibleCells()) EXPECT_EQ(cell->textColor(), QColor(0xff, 0x99, 0x00));
    ASSERT_EQ(robot.tapRow("Compass"), "");
    ASSERT_EQ(robot.tapTab("More"), "");
    test::picture(delegate.window(), "more-list");

    // Edit, then Done without a move: nothing is stored.
    ASSERT_EQ(robot.tapButton("Edit"), "");
    ASSERT_EQ(robot.tapButton("Done"), "");
    EXPECT_TRUE(defaults.objectForKey("instrumentsLayout").isNull());

    // The Logbook dragged onto the first tab while customising: all ten titles are logged and stored.
    test::LogCapture log;
    ASSERT_EQ(robot.tapButton("Edit"), "");
    platform::ui::TabBar* bar = tabs.tabBar();
    ASSERT_EQ(robot.drag(bar, bar->itemRect(3).center(), bar->itemRect(0).center()), "");
    ASSERT_EQ(robot.tapButton("Done"), "");
    const QStringList expected{"Logbook", "ADF", "Map", "VOR 1", "VOR 2", "Settings", "Active Countries", "Compass",
                               "Help", "Disclaimer"};
    platform::ArrayPtr stored = defaults.arrayForKey("instrumentsLayout");
    ASSERT_TRUE(stored);
    QStringList storedTitles;
    for (const platform::Value& v : *stored) storedTitles << v.toQString();
    EXPECT_EQ(storedTitles, expected);
    EXPECT_TRUE(log.contains("Saving instruments layout ("));
    EXPECT_TRUE(log.contains("Disclaimer"));
    platform::ui::Transition::setAnimationsEnabled(true);
}
