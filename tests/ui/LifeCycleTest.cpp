// The life-cycle calls of screens as they come on and leave the screen: the window, tabs, pushes,
// pops and modal screens, animated or not.

#include "UiTestSupport.h"

#include "platform/ui/Automation.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Transition.h"

#include <QTest>
#include <gtest/gtest.h>
#include <thread>

using namespace vantrel::platform::ui;
using vantrel::test::CallLog;
using vantrel::test::recording;
using vantrel::test::ShownWindow;

namespace {
QStringList calls(std::initializer_list<const char*> lines) {
    QStringList l;
    for (const char* line : lines) l << QString::fromUtf8(line);
    return l;
}
}  // namespace

TEST(LifeCycle, ViewIsMadeOnFirstUseAndNotOnTheThreadThatMadeTheController) {
    CallLog log;
    std::shared_ptr<vantrel::test::RecordingController> screen;
    std::thread maker([&] { screen = recording("Logbook", log); });
    maker.join();
    EXPECT_FALSE(screen->isViewLoaded());
    EXPECT_TRUE(log.take().isEmpty());
    QWidget* view = screen->view();
    EXPECT_EQ(view, screen->view());
    EXPECT_EQ(log.take(), calls({"Logbook didLoad"}));
}

TEST(LifeCycle, WindowShowsItsRootAndTabsSwapAppearances) {
    ShownWindow window;
    CallLog log;
    auto a = recording("A", log), b = recording("B", log), c = recording("C", log);
    auto tabs = std::make_shared<TabBarController>();
    tabs->setViewControllers({a, b, c});
    window->setRootViewController(tabs);
    EXPECT_EQ(log.take(), calls({"A didLoad", "A willAppear", "A didAppear"}));

    Automation robot(window.get());
    ASSERT_EQ(robot.tapTab("B"), "");
    EXPECT_EQ(log.take(), calls({"B didLoad", "A willDisappear", "B willAppear", "A didDisappear", "B didAppear"}));
    EXPECT_EQ(tabs->selectedViewController(), b.get());

    // Tapping the tab that shows changes nothing.
    ASSERT_EQ(robot.tapTab("B"), "");
    EXPECT_TRUE(log.take().isEmpty());

    window->hide();
    EXPECT_EQ(log.take(), calls({"B willDisappear", "B didDisappear"}));
}

TEST(LifeCycle, PushAndBackInsideATab) {
    ShownWindow window;
    CallLog log;
    auto root = recording("Root", log), other = recording("Other", log);
    auto nav = std::make_shared<NavigationController>(root);
    auto tabs = std::make_shared<TabBarController>();
    tabs->setViewControllers({nav, other});
    window->setRootViewController(tabs);
    log.take();

    auto detail = recording("Detail", log);
    nav->pushViewController(detail, false);
    EXPECT_EQ(log.take(), calls({"Detail didLoad", "Root willDisappear", "Detail willAppear", "Root didDisappear",
                                 "Detail didAppear"}));
    EXPECT_EQ(detail->navigationController(), nav.get());
    EXPECT_EQ(detail->tabBarController(), tabs.get());

    ASSERT_EQ(Automation(window.get()).tapButton("Root"), "");
    EXPECT_EQ(log.take(), calls({"Detail willDisappear", "Root willAppear", "Detail didDisappear", "Root didAppear"}));
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(detail->parentViewController(), nullptr);
}

TEST(LifeCycle, PushOntoAHiddenTabIsSeenOnlyWhenTheTabIsSelected) {
    ShownWindow window;
    CallLog log;
    auto first = recording("First", log), root = recording("Root", log);
    auto nav = std::make_shared<NavigationController>(root);
    nav->setTitle("Logbook");
    auto tabs = std::make_shared<TabBarController>();
    tabs->setViewControllers({first, nav});
    window->setRootViewController(tabs);
    log.take();

    auto detail = recording("Detail", log);
    nav->pushViewController(detail, true);
    EXPECT_TRUE(log.take().isEmpty());
    tabs->setSelectedIndex(1);
    EXPECT_EQ(log.take(), calls({"Detail didLoad", "First willDisappear", "Detail willAppear", "First didDisappear",
                                 "Detail didAppear"}));
}

TEST(LifeCycle, ModalScreenCoversTheTabsAndTheScreenUnderneathDisappears) {
    ShownWindow window;
    CallLog log;
    auto root = recording("Root", log), other = recording("Other", log);
    auto nav = std::make_shared<NavigationController>(root);
    auto tabs = std::make_shared<TabBarController>();
    tabs->setViewControllers({nav, other});
    window->setRootViewController(tabs);
    log.take();

    auto pane = recording("Pane", log);
    root->presentModalViewController(pane, false);
    EXPECT_EQ(log.take(), calls({"Pane didLoad", "Root willDisappear", "Pane willAppear", "Root didDisappear",
                                 "Pane didAppear"}));
    EXPECT_EQ(tabs->modalViewController(), pane.get());
    EXPECT_EQ(pane->parentViewController(), tabs.get());
    EXPECT_EQ(pane->view()->geometry(), window->rect());
    EXPECT_FALSE(tabs->view()->isVisible());

    // Dismissed from inside the modal screen, as a Cancel button does.
    pane->dismissModalViewControllerAnimated(false);
    EXPECT_EQ(log.take(), calls({"Pane willDisappear", "Root willAppear", "Pane didDisappear", "Root didAppear"}));
    EXPECT_EQ(tabs->modalViewController(), nullptr);
    EXPECT_TRUE(tabs->view()->isVisible());
    EXPECT_EQ(pane->parentViewController(), nullptr);

    // Presented and dismissed through the tab bar controller itself.
    tabs->presentModalViewController(pane, false);
    log.take();
    tabs->dismissModalViewControllerAnimated(false);
    EXPECT_EQ(log.take(), calls({"Pane willDisappear", "Root willAppear", "Pane didDisappear", "Root didAppear"}));
}

TEST(LifeCycle, AnimatedTransitionsCallDidOnlyAtTheEnd) {
    ShownWindow window;
    Transition::setAnimationsEnabled(true);
    CallLog log;
    auto root = recording("Root", log);
    auto nav = std::make_shared<NavigationController>(root);
    window->setRootViewController(nav);
    log.take();

    auto detail = recording("Detail", log);
    nav->pushViewController(detail, true);
    EXPECT_EQ(log.take(), calls({"Detail didLoad", "Root willDisappear", "Detail willAppear"}));
    Automation(window.get()).waitForIdle();
    EXPECT_EQ(log.take(), calls({"Root didDisappear", "Detail didAppear"}));
    EXPECT_EQ(detail->view()->pos(), QPoint(0, 0));

    // A pop while a push still slides completes the push first: no call is lost or repeated.
    auto third = recording("Third", log);
    nav->pushViewController(third, true);
    nav->popViewControllerAnimated(true);
    Automation(window.get()).waitForIdle();
    EXPECT_EQ(log.take(), calls({"Third didLoad", "Detail willDisappear", "Third willAppear", "Detail didDisappear",
                                 "Third didAppear", "Third willDisappear", "Detail willAppear", "Third didDisappear",
                                 "Detail didAppear"}));

    auto pane = recording("Pane", log);
    nav->presentModalViewController(pane, true);
    EXPECT_EQ(log.take(), calls({"Pane didLoad", "Detail willDisappear", "Pane willAppear"}));
    Automation(window.get()).waitForIdle();
    EXPECT_EQ(log.take(), calls({"Detail didDisappear", "Pane didAppear"}));
    pane->dismissModalViewControllerAnimated(true);
    Automation(window.get()).waitForIdle();
    EXPECT_EQ(log.take(), calls({"Pane willDisappear", "Detail willAppear", "Pane didDisappear", "Detail didAppear"}));
}

TEST(LifeCycle, RepeatedAppearanceCallsAreIgnored) {
    CallLog log;
    auto screen = recording("Screen", log);
    screen->beginAppearanceTransition(true, false);
    screen->beginAppearanceTransition(true, false);
    screen->endAppearanceTransition();
    screen->endAppearanceTransition();
    screen->beginAppearanceTransition(false, false);
    screen->beginAppearanceTransition(false, false);
    screen->endAppearanceTransition();
    EXPECT_EQ(log.take(), calls({"Screen didLoad", "Screen willAppear", "Screen didAppear", "Screen willDisappear",
                                 "Screen didDisappear"}));
}

TEST(LifeCycle, AScreenShownElsewhereIsNotPushedOrPresentedAgain) {
    CallLog log;
    auto root = recording("Root", log), detail = recording("Detail", log);
    auto nav = std::make_shared<NavigationController>(root);
    auto other = std::make_shared<NavigationController>(recording("Other", log));
    nav->pushViewController(detail, false);
    other->pushViewController(detail, false);
    root->presentModalViewController(detail, false);
    EXPECT_EQ(other->viewControllers().size(), 1u);
    EXPECT_EQ(root->modalViewController(), nullptr);
    EXPECT_EQ(detail->navigationController(), nav.get());
}
