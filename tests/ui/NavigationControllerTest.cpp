// The navigation bar: title, left and right buttons, the Back button and its title, the
// delegate, hiding the bar, and its colours.

#include "UiTestSupport.h"

#include "platform/ui/Automation.h"
#include "platform/ui/BarButton.h"
#include "platform/ui/NavigationController.h"

#include <gtest/gtest.h>

using namespace vantrel::platform::ui;
using vantrel::test::CallLog;
using vantrel::test::recording;
using vantrel::test::ShownWindow;

namespace {
class ShowLog : public NavigationControllerDelegate {
public:
    explicit ShowLog(CallLog& log) : log_(log) {}
    void navigationControllerWillShowViewController(NavigationController*, ViewController* vc, bool animated) override {
        log_.add(QStringLiteral("delegate willShow %1%2").arg(vc->title(), animated ? " animated" : ""));
    }

private:
    CallLog& log_;
};
}  // namespace

TEST(NavigationController, BarShowsTitleButtonsAndBackToThePreviousScreen) {
    ShownWindow window;
    CallLog log;
    auto countries = recording("Countries", log);
    auto nav = std::make_shared<NavigationController>(countries);
    window->setRootViewController(nav);
    NavigationBar* bar = nav->navigationBar();
    EXPECT_EQ(bar->titleText(), "Countries");
    EXPECT_FALSE(bar->backButton()->isVisible());
    EXPECT_EQ(bar->geometry(), QRect(0, 0, 320, NavigationBar::kHeight));
    EXPECT_EQ(countries->view()->mapTo(window.get(), QPoint(0, 0)), QPoint(0, NavigationBar::kHeight));
    EXPECT_EQ(countries->view()->height(), 480 - NavigationBar::kHeight);

    int done = 0;
    auto germany = recording("Germany", log);
    germany->navigationItem().setRightBarButtonItem(
        std::make_shared<BarButtonItem>("Done", BarButtonItemStyle::Bordered, [&] { ++done; }));
    nav->pushViewController(germany, false);
    EXPECT_EQ(bar->titleText(), "Germany");
    ASSERT_TRUE(bar->backButton()->isVisible());
    EXPECT_EQ(bar->backButton()->text(), "Countries");

    Automation robot(window.get());
    ASSERT_EQ(robot.tapButton("Done"), "");
    EXPECT_EQ(done, 1);

    // A screen changing its button and title while on top shows at once.
    germany->navigationItem().rightBarButtonItem()->setTitle("Select");
    germany->setTitle("Bavaria");
    EXPECT_EQ(bar->rightButton()->text(), "Select");
    EXPECT_EQ(bar->titleText(), "Bavaria");
    ASSERT_EQ(robot.tapButton("Select"), "");
    EXPECT_EQ(done, 2);

    // A left button of its own replaces Back.
    int back = 0;
    germany->navigationItem().setLeftBarButtonItem(
        std::make_shared<BarButtonItem>("Back", BarButtonItemStyle::Bordered, [&] { ++back; }));
    EXPECT_FALSE(bar->backButton()->isVisible());
    ASSERT_EQ(robot.tapButton("Back"), "");
    EXPECT_EQ(back, 1);
    EXPECT_EQ(nav->topViewController(), germany.get());

    germany->navigationItem().setLeftBarButtonItem(nullptr);
    ASSERT_EQ(robot.tapButton("Countries"), "");
    EXPECT_EQ(nav->topViewController(), countries.get());
    EXPECT_EQ(bar->titleText(), "Countries");
    EXPECT_NE(robot.tapButton("Select"), "");
}

TEST(NavigationController, ABarButtonMayReplaceItselfFromItsAction) {
    ShownWindow window;
    CallLog log;
    auto list = recording("Logbook", log);
    auto nav = std::make_shared<NavigationController>(list);
    window->setRootViewController(nav);
    bool editing = false;
    std::function<void()> toggle = [&] {
        editing = !editing;
        list->navigationItem().setRightBarButtonItem(
            BarButtonItem::systemItem(editing ? BarButtonSystemItem::Done : BarButtonSystemItem::Edit, toggle));
    };
    list->navigationItem().setRightBarButtonItem(BarButtonItem::systemItem(BarButtonSystemItem::Edit, toggle));
    Automation robot(window.get());
    ASSERT_EQ(robot.tapButton("Edit"), "");
    ASSERT_EQ(robot.tapButton("Done"), "");
    ASSERT_EQ(robot.tapButton("Edit"), "");
    EXPECT_TRUE(editing);
}

TEST(NavigationController, DelegateHearsWhichScreenIsAboutToShow) {
    CallLog log;
    ShowLog delegate(log);
    ShownWindow window;
    auto root = recording("Root", log);
    auto nav = std::make_shared<NavigationController>(root);
    nav->setDelegate(&delegate);
    window->setRootViewController(nav);
    EXPECT_EQ(log.take(), QStringList({"Root didLoad", "delegate willShow Root", "Root willAppear", "Root didAppear"}));

    nav->pushViewController(recording("Detail", log), true);
    EXPECT_EQ(log.take(), QStringList({"Detail didLoad", "delegate willShow Detail animated", "Root willDisappear",
                                       "Detail willAppear", "Root didDisappear", "Detail didAppear"}));
    nav->popViewControllerAnimated(false);
    EXPECT_EQ(log.take(), QStringList({"delegate willShow Root", "Detail willDisappear", "Root willAppear",
                                       "Detail didDisappear", "Root didAppear"}));
    nav->popViewControllerAnimated(false);
    EXPECT_TRUE(log.take().isEmpty());
}

TEST(NavigationController, HiddenBarGivesTheScreenTheWholeHeight) {
    ShownWindow window;
    CallLog log;
    auto root = recording("Root", log);
    auto nav = std::make_shared<NavigationController>(root);
    window->setRootViewController(nav);
    nav->setNavigationBarHidden(true);
    EXPECT_FALSE(nav->navigationBar()->isVisible());
    EXPECT_EQ(root->view()->mapTo(window.get(), QPoint(0, 0)), QPoint(0, 0));
    EXPECT_EQ(root->view()->height(), 480);
    nav->setNavigationBarHidden(false);
    EXPECT_EQ(root->view()->height(), 480 - NavigationBar::kHeight);
}

TEST(NavigationController, SetViewControllersReplacesTheStackInOneStep) {
    ShownWindow window;
    CallLog log;
    auto a = recording("A", log), b = recording("B", log), c = recording("C", log);
    auto nav = std::make_shared<NavigationController>(a);
    window->setRootViewController(nav);
    nav->pushViewController(b, false);
    log.take();
    nav->setViewControllers({a, c}, false);
    EXPECT_EQ(log.take(), QStringList({"C didLoad", "B willDisappear", "C willAppear", "B didDisappear", "C didAppear"}));
    EXPECT_EQ(b->parentViewController(), nullptr);
    EXPECT_EQ(nav->navigationBar()->backButton()->text(), "A");
    nav->popToRootViewControllerAnimated(false);
    EXPECT_EQ(nav->topViewController(), a.get());
}

TEST(NavigationController, BlackAndTintedBarsHaveTheirColours) {
    ShownWindow window;
    CallLog log;
    auto nav = std::make_shared<NavigationController>(recording("Root", log));
    window->setRootViewController(nav);
    NavigationBar* bar = nav->navigationBar();
    auto lowerHalf = [&] { return bar->grab().toImage().scaled(bar->size()).pixelColor(5, 35); };
    bar->setBarStyle(BarStyle::Black);
    const QColor black = lowerHalf();
    EXPECT_LT(black.value(), 40);
    bar->setTintColor(Qt::darkGray);
    const QColor grey = lowerHalf();
    EXPECT_GT(grey.value(), 90);
    EXPECT_LT(grey.saturation(), 20);
}
