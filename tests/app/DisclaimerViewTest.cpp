// The disclaimer: presented over the tabs with both bars, "Agree" dismissing it and hiding the bars
// from then on; shown as a tab; never editable. "Disagree" is checked on the real app (EndToEnd).

#include "AppTestSupport.h"

#include "app/DisclaimerView.h"
#include "platform/ui/Automation.h"
#include "platform/ui/TextView.h"
#include "support/TestSupport.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace vantrel;
using platform::ui::Automation;

TEST(Disclaimer, PresentedOverTheTabsThenAgreedToAndShownAsATabWithoutBars) {
    auto disclaimer = std::make_shared<app::DisclaimerView>();
    auto map = test::otherScreen("Map");
    // Six screens: the disclaimer sits in the More list, as in the full tab layout.
    test::TabWindow window({map, test::otherScreen("VOR 1"), test::otherScreen("ADF"), test::otherScreen("Logbook"),
                            test::otherScreen("Help"), disclaimer});
    Automation robot(window.window());

    disclaimer->display(window.tabs());
    ASSERT_EQ(window.tabs().modalViewController(), disclaimer.get());
    EXPECT_TRUE(disclaimer->isOnScreen());
    EXPECT_FALSE(map->isOnScreen());
    EXPECT_TRUE(disclaimer->titleBar()->isVisible());
    EXPECT_TRUE(disclaimer->bottomBar()->isVisible());
    EXPECT_TRUE(disclaimer->textView()->toPlainText().contains("not a certified navigation instrument"));
    EXPECT_TRUE(disclaimer->textView()->toPlainText().contains("NOTAMs"));
    QImage image = test::picture(window.window(), "disclaimer");
    EXPECT_TRUE(test::isBlackBar(image.pixelColor(160, 5)));
    EXPECT_TRUE(test::hasColour(image, QRect(10, 50, 300, 300), test::isOrange));
    // Covered tabs cannot be tapped.
    EXPECT_NE(robot.tapTab("Map"), "");

    ASSERT_EQ(robot.tapButton("Agree"), "");
    EXPECT_EQ(window.tabs().modalViewController(), nullptr);
    EXPECT_TRUE(disclaimer->hideTitles());
    EXPECT_FALSE(disclaimer->isOnScreen());
    EXPECT_TRUE(map->isOnScreen());

    ASSERT_EQ(robot.tapTab("More"), "");
    ASSERT_EQ(robot.tapRow("Disclaimer"), "");
    EXPECT_TRUE(disclaimer->isOnScreen());
    EXPECT_FALSE(disclaimer->titleBar()->isVisible());
    EXPECT_FALSE(disclaimer->bottomBar()->isVisible());
    EXPECT_TRUE(disclaimer->textView()->isVisible());
    test::picture(window.window(), "disclaimer-tab-after-agree");
    // Presenting it again at this point (it is shown as a tab) shows that tab, nothing over it.
    disclaimer->display(window.tabs());
    EXPECT_EQ(window.tabs().modalViewController(), nullptr);
}

// Not presented at start: the tab shows both bars; "Agree" there dismisses nothing (not even
// another screen's modal one) and hides the bars from the next appearance on.
TEST(Disclaimer, AgreeFromTheTabDismissesNothingAndHidesTheBarsNextTime) {
    auto disclaimer = std::make_shared<app::DisclaimerView>();
    test::TabWindow window({test::otherScreen("Map"), disclaimer});
    Automation robot(window.window());
    ASSERT_EQ(robot.tapTab("Disclaimer"), "");
    EXPECT_TRUE(disclaimer->titleBar()->isVisible());
    EXPECT_TRUE(disclaimer->bottomBar()->isVisible());

    ASSERT_EQ(robot.tapButton("Agree"), "");
    EXPECT_TRUE(disclaimer->isOnScreen());
    EXPECT_TRUE(disclaimer->bottomBar()->isVisible());
    ASSERT_EQ(robot.tapTab("Map"), "");
    ASSERT_EQ(robot.tapTab("Disclaimer"), "");
    EXPECT_FALSE(disclaimer->titleBar()->isVisible());
    EXPECT_FALSE(disclaimer->bottomBar()->isVisible());

    auto pane = test::otherScreen("Waypoints");
    window.tabs().presentModalViewController(pane, false);
    disclaimer->agree();
    EXPECT_EQ(window.tabs().modalViewController(), pane.get());
}

// The pilot moved the Disclaimer tab onto the bar: at start its tab is shown, with both bars,
// since a screen on the bar cannot also cover it.
TEST(Disclaimer, OnTheTabBarItsTabIsShownInsteadOfCoveringIt) {
    test::LogCapture log;
    auto disclaimer = std::make_shared<app::DisclaimerView>();
    test::TabWindow window({test::otherScreen("Map"), disclaimer});
    disclaimer->display(window.tabs());
    EXPECT_EQ(window.tabs().modalViewController(), nullptr);
    EXPECT_EQ(window.tabs().selectedViewController(), disclaimer.get());
    EXPECT_TRUE(disclaimer->bottomBar()->isVisible());
    EXPECT_TRUE(log.contains("disclaimer is one of the tabs"));
}

TEST(Disclaimer, TheTextCannotBeEdited) {
    auto disclaimer = std::make_shared<app::DisclaimerView>();
    test::TabWindow window({disclaimer});
    platform::ui::TextView* text = disclaimer->textView();
    const QString before = text->toPlainText();
    EXPECT_TRUE(text->isReadOnly());
    text->setFocus();
    QTest::keyClicks(text, "xyz");
    QTest::mouseDClick(text->viewport(), Qt::LeftButton);
    EXPECT_EQ(text->toPlainText(), before);
}
