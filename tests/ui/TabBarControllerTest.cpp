// Tabs: the first four on the bar and the rest in the More list, selecting through the More list,
// a navigation controller opened from it, and rearranging the tabs.

#include "UiTestSupport.h"

#include "platform/ui/Automation.h"
#include "platform/ui/BarButton.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/TabCustomizeView.h"
#include "platform/ui/TableView.h"

#include <gtest/gtest.h>

using namespace vantrel::platform::ui;
using vantrel::test::CallLog;
using vantrel::test::recording;
using vantrel::test::ShownWindow;

namespace {
const QStringList kTitles{"VOR 1", "ADF", "Map", "Logbook", "Settings", "Active Countries", "VOR 2", "Compass", "Help",
                          "Disclaimer"};

struct Tabs {
    CallLog log;
    std::vector<std::shared_ptr<ViewController>> screens;
    std::shared_ptr<TabBarController> controller = std::make_shared<TabBarController>();

    explicit Tabs(int count) {
        for (int i = 0; i < count; ++i) screens.push_back(recording(kTitles[i], log));
        controller->setViewControllers(screens);
    }
    QStringList barTitles() {
        QStringList titles;
        for (auto& item : controller->tabBar()->items()) titles << item->title();
        return titles;
    }
    QStringList order() {
        QStringList titles;
        for (auto& c : controller->viewControllers()) titles << c->title();
        return titles;
    }
};

class CustomizeLog : public TabBarControllerDelegate {
public:
    void tabBarControllerDidEndCustomizingViewControllers(TabBarController*,
                                                          const std::vector<std::shared_ptr<ViewController>>& controllers,
                                                          bool changed) override {
        ++calls;
        lastChanged = changed;
        lastOrder.clear();
        for (auto& c : controllers) lastOrder << c->title();
    }
    int calls = 0;
    bool lastChanged = false;
    QStringList lastOrder;
};

// Colours the More list as the app does each time it comes into view.
class MoreColours : public NavigationControllerDelegate {
public:
    void navigationControllerWillShowViewController(NavigationController* nav, ViewController* vc, bool) override {
        ++shows;
        if (nav->viewControllers().front().get() != vc) return;
        auto* table = qobject_cast<TableView*>(vc->view());
        ASSERT_NE(table, nullptr);
        vc->view()->setStyleSheet(QString());
        table->setBackgroundColor(Qt::darkGray);
        for (int r = 0; r < table->numberOfRowsInSection(0); ++r) {
            if (TableViewCell* cell = table->cellForRowAtIndexPath({0, r})) cell->setTextColor(Qt::green);
        }
    }
    int shows = 0;
};
}  // namespace

TEST(TabBarController, FourTabsAndMoreWhenThereAreMoreThanFive) {
    Tabs ten(10);
    EXPECT_EQ(ten.barTitles(), QStringList({"VOR 1", "ADF", "Map", "Logbook", "More"}));
    EXPECT_EQ(ten.controller->shownTabCount(), 4);
    Tabs five(5);
    EXPECT_EQ(five.barTitles(), kTitles.mid(0, 5));
    Tabs two(2);
    EXPECT_EQ(two.barTitles(), kTitles.mid(0, 2));
}

TEST(TabBarController, MoreListOpensTheOtherScreensInsideItsNavigationController) {
    MoreColours colours;
    ShownWindow window;
    Tabs tabs(10);
    tabs.controller->moreNavigationController()->setDelegate(&colours);
    window->setRootViewController(tabs.controller);
    EXPECT_EQ(tabs.controller->tabBar()->geometry(), QRect(0, 480 - TabBar::kHeight, 320, TabBar::kHeight));
    tabs.log.take();

    Automation robot(window.get());
    ASSERT_EQ(robot.tapTab("More"), "");
    EXPECT_EQ(tabs.controller->selectedViewController(), tabs.controller->moreNavigationController());
    EXPECT_EQ(tabs.controller->selectedIndex(), TabBarController::kNotFound);
    EXPECT_EQ(colours.shows, 1);
    auto* list = qobject_cast<TableView*>(tabs.controller->moreNavigationController()->topViewController()->view());
    ASSERT_NE(list, nullptr);
    QStringList rows;
    for (TableViewCell* cell : list->visibleCells()) {
        rows << cell->text();
        EXPECT_EQ(cell->textColor(), QColor(Qt::green));
        EXPECT_EQ(cell->shownAccessory(), TableViewCellAccessoryType::DisclosureIndicator);
    }
    EXPECT_EQ(rows, kTitles.mid(4));
    EXPECT_EQ(tabs.log.take(), QStringList({"VOR 1 willDisappear", "VOR 1 didDisappear"}));

    ASSERT_EQ(robot.tapRow("Compass"), "");
    EXPECT_EQ(tabs.controller->selectedViewController()->title(), "Compass");
    EXPECT_EQ(tabs.controller->selectedIndex(), 7);
    EXPECT_EQ(tabs.screens[7]->tabBarController(), tabs.controller.get());
    EXPECT_EQ(tabs.log.take(), QStringList({"Compass didLoad", "Compass willAppear", "Compass didAppear"}));
    EXPECT_EQ(tabs.controller->moreNavigationController()->navigationBar()->backButton()->text(), "More");

    // Leaving for a tab and coming back shows Compass again; tapping More again goes back to the list.
    ASSERT_EQ(robot.tapTab("ADF"), "");
    ASSERT_EQ(robot.tapTab("More"), "");
    EXPECT_EQ(tabs.controller->selectedViewController()->title(), "Compass");
    ASSERT_EQ(robot.tapTab("More"), "");
    EXPECT_EQ(tabs.controller->selectedViewController(), tabs.controller->moreNavigationController());
    EXPECT_GE(colours.shows, 3);

    // Selecting a screen of the More list by index opens it there.
    tabs.controller->setSelectedIndex(9);
    EXPECT_EQ(tabs.controller->moreNavigationController()->topViewController(), tabs.screens[9].get());
}

TEST(TabBarController, ANavigationControllerInTheMoreListSharesTheBar) {
    ShownWindow window;
    CallLog log;
    std::vector<std::shared_ptr<ViewController>> screens;
    for (int i = 0; i < 5; ++i) screens.push_back(recording(kTitles[i], log));
    auto flights = recording("Flights", log);
    auto logbook = std::make_shared<NavigationController>(flights);
    logbook->setTitle("Logbook");
    screens.push_back(logbook);
    auto tabs = std::make_shared<TabBarController>();
    tabs->setViewControllers(screens);
    window->setRootViewController(tabs);

    Automation robot(window.get());
    ASSERT_EQ(robot.tapTab("More"), "");
    ASSERT_EQ(robot.tapRow("Logbook"), "");
    NavigationController* more = tabs->moreNavigationController();
    EXPECT_FALSE(more->navigationBar()->isVisible());
    EXPECT_TRUE(logbook->navigationBar()->isVisible());
    EXPECT_EQ(logbook->navigationBar()->backButton()->text(), "More");

    // The logbook's own pushes stay in its stack, with its own Back.
    logbook->pushViewController(recording("Flight", log), false);
    EXPECT_EQ(logbook->navigationBar()->backButton()->text(), "Flights");
    ASSERT_EQ(robot.tapButton("Flights"), "");
    ASSERT_EQ(robot.tapButton("More"), "");
    EXPECT_EQ(more->topViewController()->title(), "More");
    EXPECT_TRUE(more->navigationBar()->isVisible());
}

TEST(TabBarController, DraggingAnIconOntoATabRearrangesAndTellsTheDelegate) {
    CustomizeLog delegate;
    ShownWindow window;
    Tabs tabs(10);
    tabs.controller->setDelegate(&delegate);
    window->setRootViewController(tabs.controller);
    Automation robot(window.get());

    ASSERT_EQ(robot.tapTab("More"), "");
    ASSERT_EQ(robot.tapButton("Edit"), "");
    ASSERT_TRUE(tabs.controller->isCustomizing());
    auto* sheet = window->findChild<TabCustomizeView*>();
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->iconCount(), 10);

    // "Compass" (icon 7) onto the second tab: Compass takes ADF's place and ADF goes where Compass was.
    TabBar* bar = tabs.controller->tabBar();
    const QPoint onAdf = sheet->mapFrom(window.get(), bar->mapTo(window.get(), bar->itemRect(1).center()));
    ASSERT_EQ(robot.drag(sheet, sheet->iconRect(7).center(), onAdf), "");
    EXPECT_EQ(tabs.barTitles(), QStringList({"VOR 1", "Compass", "Map", "Logbook", "More"}));
    EXPECT_EQ(tabs.order()[7], "ADF");

    // Dragging one tab onto another swaps them.
    ASSERT_EQ(robot.drag(bar, bar->itemRect(0).center(), bar->itemRect(3).center()), "");
    EXPECT_EQ(tabs.barTitles(), QStringList({"Logbook", "Compass", "Map", "VOR 1", "More"}));

    // Dropping on the More tab changes nothing.
    ASSERT_EQ(robot.drag(sheet, sheet->iconRect(5).center(), sheet->mapFrom(window.get(), bar->mapTo(window.get(), bar->itemRect(4).center()))), "");
    EXPECT_EQ(tabs.order()[5], "Active Countries");

    EXPECT_EQ(delegate.calls, 0);
    ASSERT_EQ(robot.tapButton("Done"), "");
    EXPECT_FALSE(tabs.controller->isCustomizing());
    EXPECT_EQ(delegate.calls, 1);
    EXPECT_TRUE(delegate.lastChanged);
    EXPECT_EQ(delegate.lastOrder, QStringList({"Logbook", "Compass", "Map", "VOR 1", "Settings", "Active Countries",
                                               "VOR 2", "ADF", "Help", "Disclaimer"}));

    // The More list now holds ADF where Compass was.
    ASSERT_EQ(robot.tapRow("ADF"), "");
    EXPECT_EQ(tabs.controller->selectedIndex(), 7);

    // Opening and closing the sheet without a move reports no change.
    ASSERT_EQ(robot.tapTab("More"), "");
    ASSERT_EQ(robot.tapButton("Edit"), "");
    ASSERT_EQ(robot.tapButton("Done"), "");
    EXPECT_EQ(delegate.calls, 2);
    EXPECT_FALSE(delegate.lastChanged);
}

TEST(TabBarController, OnlyCustomizableScreensMove) {
    ShownWindow window;
    Tabs tabs(6);
    window->setRootViewController(tabs.controller);
    tabs.controller->setCustomizableViewControllers({tabs.screens[4], tabs.screens[5]});
    tabs.controller->beginCustomizingTabBar();
    auto* sheet = window->findChild<TabCustomizeView*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->iconCount(), 2);
    TabBar* bar = tabs.controller->tabBar();
    Automation robot(window.get());
    ASSERT_EQ(robot.drag(sheet, sheet->iconRect(0).center(), sheet->mapFrom(window.get(), bar->mapTo(window.get(), bar->itemRect(0).center()))), "");
    EXPECT_EQ(tabs.order(), kTitles.mid(0, 6));
    tabs.controller->endCustomizingTabBar();
}

TEST(TabBarController, NewListKeepsTheSelectedScreen) {
    ShownWindow window;
    Tabs tabs(6);
    window->setRootViewController(tabs.controller);
    tabs.controller->setSelectedIndex(2);
    std::vector<std::shared_ptr<ViewController>> reordered(tabs.screens.rbegin(), tabs.screens.rend());
    tabs.controller->setViewControllers(reordered);
    EXPECT_EQ(tabs.controller->selectedViewController(), tabs.screens[2].get());
    EXPECT_EQ(tabs.controller->selectedIndex(), 3);
    tabs.log.take();

    // A list without the selected screen selects the first; the old one leaves the screen.
    tabs.controller->setViewControllers({tabs.screens[0], tabs.screens[1]});
    EXPECT_EQ(tabs.controller->selectedViewController(), tabs.screens[0].get());
    EXPECT_EQ(tabs.log.take(), QStringList({"Map willDisappear", "VOR 1 willAppear", "Map didDisappear", "VOR 1 didAppear"}));
    EXPECT_EQ(tabs.screens[2]->tabBarController(), nullptr);
}
