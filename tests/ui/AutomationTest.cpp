// Finding and tapping things as a script does, the errors of lookups that find nothing, and
// pictures of the window: a tab bar with a table pushed in a tab, and an alert over it.

#include "UiTestSupport.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/Automation.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/TableView.h"

#include "support/TestSupport.h"

#include <QImage>
#include <QLineF>
#include <QTouchEvent>
#include <gtest/gtest.h>

using namespace vantrel::platform::ui;
using vantrel::test::CallLog;
using vantrel::test::NumberedRows;
using vantrel::test::recording;
using vantrel::test::ShownWindow;

namespace {
// A screen whose view is a table of countries.
class CountryList : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    CountryList() { setTitle("Countries"); }
    int numberOfRowsInSection(TableView*, int) override { return int(names.size()); }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        TableViewCell* cell = table->dequeueReusableCellWithIdentifier("plainCell");
        if (!cell) cell = new TableViewCell("plainCell", table);
        cell->setText(names[size_t(path.row)]);
        return cell;
    }
    std::optional<TableViewCellAccessoryType> accessoryTypeForRowWithIndexPath(TableView*, const IndexPath& path) override {
        return path.row == 1 ? TableViewCellAccessoryType::Checkmark : TableViewCellAccessoryType::DetailDisclosureButton;
    }
    void didSelectRowAtIndexPath(TableView*, const IndexPath& path) override { picked << names[size_t(path.row)]; }

    std::vector<QString> names{"Austria", "Belgium", "Denmark", "France", "Germany", "Italy", "Netherlands", "Norway",
                               "Poland", "Spain", "Sweden", "Switzerland", "United Kingdom", "Zambia"};
    QStringList picked;

protected:
    void loadView() override {
        auto* table = new TableView;
        table->setDataSource(this);
        table->setDelegate(this);
        setView(table);
    }
};

bool hasColour(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& test) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (test(image.pixelColor(x, y))) return true;
        }
    }
    return false;
}

bool isOrange(const QColor& c) { return c.red() > 220 && c.green() > 120 && c.green() < 190 && c.blue() < 60; }
bool isWhite(const QColor& c) { return c.red() > 230 && c.green() > 230 && c.blue() > 230; }

// Where a picture goes: a temporary folder, or VANTREL_UI_PICTURES to keep it for a look.
QString picturePath(const vantrel::test::TempDir& dir, const QString& name) {
    const QString keep = qEnvironmentVariable("VANTREL_UI_PICTURES");
    return keep.isEmpty() ? dir.file(name) : keep + "/" + name;
}
}  // namespace

TEST(Automation, LookupsThatFindNothingSayWhatWasLookedFor) {
    ShownWindow window;
    CallLog log;
    auto tabs = std::make_shared<TabBarController>();
    tabs->setViewControllers({recording("VOR 1", log), recording("Map", log)});
    window->setRootViewController(tabs);
    Automation robot(window.get());
    EXPECT_EQ(robot.tapTab("Compass"), "no tab titled \"Compass\"");
    EXPECT_EQ(robot.tapButton("Select"), "no button titled \"Select\"");
    EXPECT_EQ(robot.tapRow("Germany"), "no row showing \"Germany\"");
    EXPECT_EQ(robot.tapRow(0, 3), "no table on screen to find row 3 of section 0 in");
    EXPECT_EQ(Automation(nullptr).tapTab("Map"), "there is no window to find tab \"Map\" in");
    EXPECT_EQ(robot.screenshot("/nonexistent-folder/x.png"),
              "the picture could not be written to /nonexistent-folder/x.png");
}

TEST(Automation, PicturesOfATableInATabAndOfAnAlert) {
    ShownWindow window;
    CallLog log;
    auto list = std::make_shared<CountryList>();
    auto nav = std::make_shared<NavigationController>(recording("Active Countries", log));
    nav->setTitle("Countries");
    nav->tabBarItem().setTitle("Countries");
    nav->navigationBar()->setBarStyle(BarStyle::Black);
    auto tabs = std::make_shared<TabBarController>();
    std::vector<std::shared_ptr<ViewController>> screens{recording("VOR 1", log), recording("ADF", log), nav,
                                                         recording("Logbook", log)};
    for (const char* title : {"Settings", "Help", "Compass"}) screens.push_back(recording(title, log));
    tabs->setViewControllers(screens);
    window->setRootViewController(tabs);
    Automation robot(window.get());
    ASSERT_EQ(robot.tapTab("Countries"), "");
    nav->pushViewController(list, false);
    ASSERT_EQ(robot.tapRow("Zambia"), "");
    EXPECT_EQ(list->picked, QStringList({"Zambia"}));

    vantrel::test::TempDir dir;
    const QString tablePicture = picturePath(dir, "tab-table.png");
    ASSERT_EQ(robot.screenshot(tablePicture), "");
    QImage shot(tablePicture);
    ASSERT_FALSE(shot.isNull());
    shot = shot.scaled(320, 480);
    // Black bar with the white title, orange rows, the tab bar at the bottom with a white title
    // under the selected tab.
    EXPECT_TRUE(hasColour(shot, QRect(100, 10, 120, 24), isWhite));
    EXPECT_LT(shot.pixelColor(160, 2).value(), 90);
    list->view()->findChild<TableView*>();
    auto* table = static_cast<TableView*>(list->view());
    table->setContentOffset(0);
    ASSERT_EQ(robot.screenshot(tablePicture), "");
    shot = QImage(tablePicture).scaled(320, 480);
    EXPECT_TRUE(hasColour(shot, QRect(10, 44, 150, 44), isOrange));
    EXPECT_TRUE(hasColour(shot, QRect(160, 480 - 16, 80, 14), isWhite));
    EXPECT_LT(shot.pixelColor(300, 480 - 45).value(), 60);

    auto* alert = new AlertView("Edit flights", "Do you want to create a new flight or delete one or more existing flights ?",
                                nullptr, "Cancel", {"New", "Delete"}, window.get());
    alert->show();
    const QString alertPicture = picturePath(dir, "alert.png");
    ASSERT_EQ(robot.screenshot(alertPicture), "");
    shot = QImage(alertPicture).scaled(320, 480);
    const QRect box(alert->buttonAtIndex(0)->parentWidget()->geometry());
    EXPECT_TRUE(hasColour(shot, box, isWhite));
    // The window under the alert is dimmed: the orange rows outside the box are darker.
    EXPECT_FALSE(hasColour(shot, QRect(10, 44, 150, 10).intersected(QRect(0, 0, 320, box.top())), isOrange));
    EXPECT_EQ(robot.tapButton("Delete"), "");
}

TEST(Automation, PicturesOfTheMoreListAndTheTabCustomisation) {
    ShownWindow window;
    CallLog log;
    auto tabs = std::make_shared<TabBarController>();
    std::vector<std::shared_ptr<ViewController>> screens;
    for (const char* title : {"VOR 1", "ADF", "Map", "Logbook", "Settings", "Active Countries", "VOR 2", "Compass"})
        screens.push_back(recording(title, log));
    tabs->setViewControllers(screens);
    tabs->moreNavigationController()->navigationBar()->setBarStyle(BarStyle::Black);
    window->setRootViewController(tabs);
    Automation robot(window.get());
    ASSERT_EQ(robot.tapTab("More"), "");

    vantrel::test::TempDir dir;
    const QString morePicture = picturePath(dir, "more-list.png");
    ASSERT_EQ(robot.screenshot(morePicture), "");
    QImage shot = QImage(morePicture).scaled(320, 480);
    EXPECT_TRUE(hasColour(shot, QRect(10, 44, 200, 4 * 44), isOrange));
    EXPECT_TRUE(hasColour(shot, QRect(270, 0, 50, 44), isWhite));  // the Edit button

    ASSERT_EQ(robot.tapButton("Edit"), "");
    const QString sheetPicture = picturePath(dir, "customize.png");
    ASSERT_EQ(robot.screenshot(sheetPicture), "");
    shot = QImage(sheetPicture).scaled(320, 480);
    EXPECT_TRUE(hasColour(shot, QRect(100, 10, 120, 24), isWhite));  // "Configure"
    EXPECT_FALSE(hasColour(shot, QRect(10, 44, 200, 4 * 44), isOrange));
    ASSERT_EQ(robot.tapButton("Done"), "");
}

namespace {
// A view that follows two fingers, as a map that zooms does.
class TwoFingers : public QWidget {
public:
    explicit TwoFingers(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_AcceptTouchEvents); }
    bool event(QEvent* e) override {
        if (e->type() == QEvent::TouchBegin || e->type() == QEvent::TouchUpdate || e->type() == QEvent::TouchEnd) {
            const auto& points = static_cast<QTouchEvent*>(e)->points();
            if (points.size() == 2) {
                const double d = QLineF(points[0].position(), points[1].position()).length();
                if (distances.empty() || distances.back() != d) distances.push_back(d);
            }
            e->accept();
            return true;
        }
        return QWidget::event(e);
    }
    std::vector<double> distances;
};
}  // namespace

TEST(Automation, PinchMovesTwoFingersApart) {
    ShownWindow window;
    auto* view = new TwoFingers(window.get());
    view->setGeometry(0, 0, 320, 400);
    view->show();
    ASSERT_EQ(Automation(window.get()).pinch(view, {160, 200}, 40, 120, 8), "");
    ASSERT_GE(view->distances.size(), 3u);
    EXPECT_NEAR(view->distances.front(), 40, 1);
    EXPECT_NEAR(view->distances.back(), 120, 1);
    EXPECT_TRUE(std::is_sorted(view->distances.begin(), view->distances.end()));
}
