// A screen whose view comes from a Qt Designer form: the form's named widgets are its outlets,
// made when the view is first asked for, with the properties the form gives them.

#include "UiTestSupport.h"

#include "platform/ui/Automation.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"

#include "ui_ExampleSetupForm.h"

#include <gtest/gtest.h>

using namespace vantrel::platform::ui;
using vantrel::test::ShownWindow;

namespace {
// A settings-like screen: a grouped table of units and the form's ready-made disclaimer cell.
class SetupScreen : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    SetupScreen() { setTitle("Settings"); }

    Ui::ExampleSetupForm ui;
    int loads = 0;

    void viewDidLoad() override {
        ++loads;
        ui.settingsView->setDataSource(this);
        ui.settingsView->setDelegate(this);
    }
    int numberOfSectionsInTableView(TableView*) override { return 2; }
    int numberOfRowsInSection(TableView*, int section) override { return section == 0 ? 3 : 1; }
    QString titleForHeaderInSection(TableView*, int section) override { return section == 0 ? "Units" : "Disclaimer"; }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        if (path.section == 1) return ui.disclaimerCell;
        TableViewCell* cell = table->dequeueReusableCellWithIdentifier("plainCell");
        if (!cell) cell = new TableViewCell("plainCell", table);
        cell->setText(QStringList{"Nautical miles & knots", "Statute miles & mph", "Metric"}[path.row]);
        return cell;
    }

protected:
    void loadView() override { loadViewFromForm(ui); }
};
}  // namespace

TEST(Form, OutletsAreTheFormsNamedWidgetsMadeWithTheView) {
    ShownWindow window;
    auto screen = std::make_shared<SetupScreen>();
    EXPECT_FALSE(screen->isViewLoaded());
    auto nav = std::make_shared<NavigationController>(screen);
    window->setRootViewController(nav);
    EXPECT_EQ(screen->loads, 1);

    ASSERT_NE(screen->ui.rangeSlider, nullptr);
    EXPECT_EQ(screen->ui.rangeSlider->objectName(), "rangeSlider");
    EXPECT_DOUBLE_EQ(screen->ui.rangeSlider->maximumValue(), 180);
    EXPECT_DOUBLE_EQ(screen->ui.rangeSlider->value(), 25);
    EXPECT_EQ(screen->ui.rangeField->text(), "25 nm");
    EXPECT_EQ(screen->ui.departureLocationField->placeholderText(), "Departure");
    EXPECT_TRUE(screen->ui.settingsView->isGrouped());
    EXPECT_TRUE(screen->ui.disclaimerSwitch->isOn());
    EXPECT_EQ(screen->ui.settingsView->window(), window.get());

    // The form's own cell shows as the disclaimer row, with its switch working in the table.
    TableView* table = screen->ui.settingsView;
    table->scrollToRowAtIndexPath({1, 0}, TableViewScrollPosition::Bottom, false);
    EXPECT_EQ(table->cellForRowAtIndexPath({1, 0}), screen->ui.disclaimerCell);
    Automation robot(window.get());
    Switch* toggle = screen->ui.disclaimerSwitch;
    ASSERT_EQ(robot.tap(Automation::Target{toggle, toggle->rect().center(), "switch"}), "");
    EXPECT_FALSE(toggle->isOn());
    ASSERT_EQ(robot.tapRow("Metric"), "");
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 2}));
}
