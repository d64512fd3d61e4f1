// Tables: rows and sections, reused cells, accessories, selection by mouse and by touch,
// scrolling (drag, flick, wheel) with only the visible rows alive, editing and deleting.

#include "UiTestSupport.h"

#include "platform/ui/Automation.h"
#include "platform/ui/TableLayout.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Transition.h"

#include "support/TestSupport.h"

#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace vantrel::platform::ui;
using vantrel::test::NumberedRows;
using vantrel::test::ShownWindow;

namespace {
class Taps : public TableViewDelegate {
public:
    std::optional<TableViewCellAccessoryType> accessoryTypeForRowWithIndexPath(TableView*, const IndexPath& path) override {
        if (path.row == 1) return TableViewCellAccessoryType::Checkmark;
        if (path.row == 2) return TableViewCellAccessoryType::DetailDisclosureButton;
        return std::nullopt;
    }
    void didSelectRowAtIndexPath(TableView* table, const IndexPath& path) override {
        selected.push_back(path);
        if (deselect) table->deselectRowAtIndexPath(path, true);
    }
    void accessoryButtonTappedForRowWithIndexPath(TableView*, const IndexPath& path) override {
        accessoryTaps.push_back(path);
    }
    std::vector<IndexPath> selected;
    std::vector<IndexPath> accessoryTaps;
    bool deselect = false;
};

// A table of the window's size, filled by `rows`.
TableView* tableIn(ShownWindow& window, TableViewDataSource* rows, TableViewDelegate* delegate = nullptr,
                   TableViewStyle style = TableViewStyle::Plain) {
    auto* table = new TableView(style, window.get());
    table->setGeometry(0, 0, 320, 440);
    table->setDelegate(delegate);
    table->setDataSource(rows);
    table->show();
    return table;
}

int cellWidgets(const TableView* table) { return int(table->findChildren<TableViewCell*>().size()); }
}  // namespace

TEST(TableLayout, FindsRowsOfAnyStretchAcrossSectionsAndHeights) {
    TableLayout layout;
    layout.reset(10);
    layout.addSection(22, 3, [](int r) { return r == 1 ? 80.0 : 44.0; }, 0);
    layout.addSection(0, 0, [](int) { return 44.0; }, 5);
    layout.addSection(22, 2, [](int) { return 44.0; }, 0);
    EXPECT_DOUBLE_EQ(layout.contentHeight(), 10 + 22 + 168 + 5 + 22 + 88);
    EXPECT_DOUBLE_EQ(layout.rowTop({0, 2}), 10 + 22 + 124);
    EXPECT_EQ(layout.rowAt(10 + 22 + 44 + 79), (IndexPath{0, 1}));
    EXPECT_EQ(layout.rowAt(10 + 5), std::nullopt);                 // the header
    EXPECT_EQ(layout.rowAt(10 + 22 + 168 + 2), std::nullopt);      // the empty section's gap
    EXPECT_EQ(layout.rowAt(10 + 22 + 168 + 5 + 22), (IndexPath{2, 0}));
    EXPECT_EQ(layout.rowsBetween(100, 250), (std::vector<IndexPath>{{0, 1}, {0, 2}, {2, 0}}));
    EXPECT_TRUE(layout.rowsBetween(1000, 2000).empty());
    EXPECT_FALSE(layout.contains({1, 0}));
}

TEST(TableView, ShowsTheRowsOfEverySectionUnderTheirHeaders) {
    ShownWindow window;
    NumberedRows rows({3, 2});
    rows.titles_ = true;
    TableView* table = tableIn(window, &rows);
    ASSERT_EQ(table->numberOfSections(), 2);
    EXPECT_EQ(table->numberOfRowsInSection(1), 2);
    EXPECT_EQ(table->visibleCells().size(), 5u);
    EXPECT_EQ(table->cellForRowAtIndexPath({1, 1})->text(), "Row 1.1");
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 0}), QRect(0, 22, 320, 44));
    EXPECT_EQ(table->rectForRowAtIndexPath({1, 0}).top(), 22 + 3 * 44 + 22);
    EXPECT_EQ(table->indexPathForRowAtPoint({100, 22 + 44 + 10}), (IndexPath{0, 1}));

    // A grouped table insets its rows and rounds the group.
    TableView* grouped = tableIn(window, &rows, nullptr, TableViewStyle::Grouped);
    EXPECT_EQ(grouped->rectForRowAtIndexPath({0, 0}).left(), 10);
    EXPECT_EQ(grouped->rectForRowAtIndexPath({0, 0}).width(), 300);

    // reloadData asks again.
    rows.rows_ = {1};
    table->reloadData();
    EXPECT_EQ(table->visibleCells().size(), 1u);
    EXPECT_EQ(table->numberOfSections(), 1);
}

TEST(TableView, TwentyThousandRowsKeepAScreenfulOfCellsWhileScrolling) {
    ShownWindow window;
    NumberedRows rows({20000});
    TableView* table = tableIn(window, &rows);
    const int onScreen = int(table->visibleCells().size());
    EXPECT_EQ(onScreen, 10);  // 440 points of 44-point rows
    int most = 0;
    for (double y = 0; y <= table->maxContentOffset(); y += 37) {
        table->setContentOffset(y);
        most = std::max({most, table->liveCellCount(), cellWidgets(table)});
    }
    table->scrollToRowAtIndexPath({0, 19999}, TableViewScrollPosition::Bottom, false);
    EXPECT_EQ(table->visibleCells().back()->text(), "Row 0.19999");
    EXPECT_LE(most, onScreen + 2);
    EXPECT_LE(rows.cellsMade, onScreen + 2);
    EXPECT_GT(rows.cellsAsked, 19999);
    EXPECT_DOUBLE_EQ(table->contentHeight(), 20000 * 44.0);

    // The reused cells show their new rows, not their old ones.
    table->setContentOffset(44 * 5000);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 5000})->text(), "Row 0.5000");
    EXPECT_EQ(table->indexPathsForVisibleRows().front(), (IndexPath{0, 5000}));
}

TEST(TableView, DragFlickAndWheelScroll) {
    ShownWindow window;
    NumberedRows rows({500});
    TableView* table = tableIn(window, &rows);
    Automation robot(window.get());

    // A slow drag moves the content by the distance of the finger.
    ASSERT_EQ(robot.drag(table, {160, 400}, {160, 200}, 20, 40), "");
    EXPECT_NEAR(table->contentOffset(), 200, 1);
    EXPECT_LE(cellWidgets(table), 12);

    // A quick flick goes on after the finger left.
    const double before = table->contentOffset();
    ASSERT_EQ(robot.drag(table, {160, 400}, {160, 250}, 5, 10), "");
    const double released = table->contentOffset();
    EXPECT_NEAR(released - before, 150, 1);
    QTest::qWait(200);
    EXPECT_GT(table->contentOffset(), released + 20);

    // A touch stops the flick without selecting a row.
    Taps taps;
    table->setDelegate(&taps);
    table->setContentOffset(1000);
    ASSERT_EQ(robot.drag(table, {160, 400}, {160, 250}, 5, 10), "");
    ASSERT_EQ(robot.tap(Automation::Target{table, {160, 100}, "table"}), "");
    const double stopped = table->contentOffset();
    QTest::qWait(100);
    EXPECT_EQ(table->contentOffset(), stopped);
    EXPECT_TRUE(taps.selected.empty());

    // A finger drags the same way.
    static QPointingDevice* finger = QTest::createTouchDevice();
    table->setContentOffset(500);
    QWindow* handle = window->windowHandle();
    QTest::touchEvent(handle, finger).press(0, table->mapTo(window.get(), QPoint(160, 300)), handle);
    for (int y = 290; y >= 200; y -= 10) {
        QTest::qWait(20);
        QTest::touchEvent(handle, finger).move(0, table->mapTo(window.get(), QPoint(160, y)), handle);
    }
    QTest::qWait(150);
    QTest::touchEvent(handle, finger).release(0, table->mapTo(window.get(), QPoint(160, 200)), handle);
    EXPECT_NEAR(table->contentOffset(), 600, 1);

    // Two notches of the wheel: three rows each.
    table->setContentOffset(0);
    QWheelEvent wheel(QPointF(160, 200), table->mapToGlobal(QPointF(160, 200)), QPoint(), QPoint(0, -240),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(table, &wheel);
    EXPECT_NEAR(table->contentOffset(), 2 * 3 * table->rowHeight(), 1);
}

TEST(TableView, TapSelectsARowByMouseOrTouchAndDeselectFades) {
    ShownWindow window;
    NumberedRows rows({30});
    Taps taps;
    TableView* table = tableIn(window, &rows, &taps);
    Automation robot(window.get());

    ASSERT_EQ(robot.tapRow("Row 0.3"), "");
    ASSERT_EQ(taps.selected.size(), 1u);
    EXPECT_EQ(taps.selected[0], (IndexPath{0, 3}));
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 3}));
    EXPECT_TRUE(table->cellForRowAtIndexPath({0, 3})->isSelected());

    // A finger on a touch screen taps the same way.
    static QPointingDevice* touchScreen = QTest::createTouchDevice();
    const QPoint row5 = table->mapTo(window.get(), table->rectForRowAtIndexPath({0, 5}).center());
    QTest::touchEvent(window->windowHandle(), touchScreen).press(0, row5, window->windowHandle());
    QTest::touchEvent(window->windowHandle(), touchScreen).release(0, row5, window->windowHandle());
    ASSERT_EQ(taps.selected.size(), 2u);
    EXPECT_EQ(taps.selected[1], (IndexPath{0, 5}));
    EXPECT_FALSE(table->cellForRowAtIndexPath({0, 3})->isSelected());

    // Deselected with animation: unselected at once, the highlight fading out over time.
    Transition::setAnimationsEnabled(true);
    taps.deselect = true;
    ASSERT_EQ(robot.tapRow("Row 0.7"), "");
    TableViewCell* cell = table->cellForRowAtIndexPath({0, 7});
    EXPECT_FALSE(cell->isSelected());
    EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt);
    const QColor fading = cell->grab().toImage().scaled(cell->size()).pixelColor(5, 5);
    EXPECT_GT(fading.blue(), 100);
    robot.waitForIdle();
    EXPECT_EQ(cell->grab().toImage().scaled(cell->size()).pixelColor(5, 5), QColor(Qt::black));
}

TEST(TableView, AccessoriesComeFromTheDelegateOrTheCellAndTheDetailButtonHasItsOwnTap) {
    ShownWindow window;
    NumberedRows rows({5});
    Taps taps;
    TableView* table = tableIn(window, &rows, &taps);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 1})->shownAccessory(), TableViewCellAccessoryType::Checkmark);
    TableViewCell* detail = table->cellForRowAtIndexPath({0, 2});
    EXPECT_EQ(detail->shownAccessory(), TableViewCellAccessoryType::DetailDisclosureButton);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 3})->shownAccessory(), TableViewCellAccessoryType::None);

    ASSERT_NE(detail->detailDisclosureButton(), nullptr);
    Automation robot(window.get());
    ASSERT_EQ(robot.tap(Automation::Target{detail->detailDisclosureButton(),
                                           detail->detailDisclosureButton()->rect().center(), "detail"}),
              "");
    EXPECT_EQ(taps.accessoryTaps, (std::vector<IndexPath>{{0, 2}}));
    EXPECT_TRUE(taps.selected.empty());

    // The checkmark is drawn in orange at the right of its row.
    const QImage image = table->cellForRowAtIndexPath({0, 1})->grab().toImage().scaled(320, 44);
    bool orange = false;
    for (int x = 290; x < 320 && !orange; ++x) {
        for (int y = 10; y < 34 && !orange; ++y) {
            const QColor c = image.pixelColor(x, y);
            orange = c.red() > 200 && c.green() > 100 && c.green() < 200 && c.blue() < 80;
        }
    }
    EXPECT_TRUE(orange);
}

TEST(TableView, EditingModeDeletesThroughTheDeleteControl) {
    ShownWindow window;
    NumberedRows rows({6});
    rows.editable_ = true;
    TableView* table = tableIn(window, &rows);
    table->setEditing(true, true);
    TableViewCell* cell = table->cellForRowAtIndexPath({0, 2});
    ASSERT_NE(cell->deleteControl(), nullptr);
    EXPECT_EQ(cell->contentView()->x(), 32);

    Automation robot(window.get());
    ASSERT_EQ(robot.tap(Automation::Target{cell->deleteControl(), cell->deleteControl()->rect().center(), "minus"}), "");
    ASSERT_TRUE(cell->isShowingDeleteConfirmation());
    ASSERT_EQ(robot.tapButton("Delete"), "");
    EXPECT_EQ(rows.deleted, (std::vector<IndexPath>{{0, 2}}));
    EXPECT_EQ(table->numberOfRowsInSection(0), 5);

    // Rows that cannot be edited show no control; leaving editing mode removes them.
    rows.editable_ = false;
    table->reloadData();
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->deleteControl(), nullptr);
    rows.editable_ = true;
    table->setEditing(false);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->deleteControl(), nullptr);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->contentView()->x(), 0);
}

TEST(TableView, SwipeAcrossARowOffersDeleteAndATapElsewhereWithdrawsIt) {
    ShownWindow window;
    NumberedRows rows({6});
    rows.editable_ = true;
    Taps taps;
    TableView* table = tableIn(window, &rows, &taps);
    Automation robot(window.get());
    const QRect row1 = table->rectForRowAtIndexPath({0, 1});
    ASSERT_EQ(robot.drag(table, QPointF(250, row1.center().y()), QPointF(150, row1.center().y())), "");
    ASSERT_TRUE(table->cellForRowAtIndexPath({0, 1})->isShowingDeleteConfirmation());
    EXPECT_TRUE(rows.deleted.empty());

    // The first tap elsewhere only withdraws the Delete button.
    ASSERT_EQ(robot.tapRow("Row 0.4"), "");
    EXPECT_FALSE(table->cellForRowAtIndexPath({0, 1})->isShowingDeleteConfirmation());
    EXPECT_TRUE(taps.selected.empty());

    ASSERT_EQ(robot.drag(table, QPointF(100, row1.center().y()), QPointF(200, row1.center().y())), "");
    ASSERT_EQ(robot.tapButton("Delete"), "");
    EXPECT_EQ(rows.deleted, (std::vector<IndexPath>{{0, 1}}));

    // No swipe on rows that cannot be edited.
    rows.editable_ = false;
    ASSERT_EQ(robot.drag(table, QPointF(250, row1.center().y()), QPointF(150, row1.center().y())), "");
    EXPECT_FALSE(table->cellForRowAtIndexPath({0, 1})->isShowingDeleteConfirmation());
}

TEST(TableView, ScrollsARowToTheTopMiddleOrBottom) {
    ShownWindow window;
    NumberedRows rows({100});
    TableView* table = tableIn(window, &rows);
    table->scrollToRowAtIndexPath({0, 50}, TableViewScrollPosition::Top, false);
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 50}).top(), 0);
    table->scrollToRowAtIndexPath({0, 50}, TableViewScrollPosition::Middle, false);
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 50}).top(), (440 - 44) / 2);
    table->scrollToRowAtIndexPath({0, 50}, TableViewScrollPosition::Bottom, false);
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 50}).bottom(), 439);
    // A visible row needs no scrolling.
    table->scrollToRowAtIndexPath({0, 45}, TableViewScrollPosition::None, false);
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 50}).bottom(), 439);
    // The first rows cannot go lower than the top.
    table->scrollToRowAtIndexPath({0, 1}, TableViewScrollPosition::Bottom, false);
    EXPECT_EQ(table->contentOffset(), 0);
}

namespace {
// A data source that breaks the rules: negative counts and missing cells.
class Faulty : public TableViewDataSource {
public:
    int numberOfSectionsInTableView(TableView*) override { return 2; }
    int numberOfRowsInSection(TableView*, int section) override { return section == 0 ? -3 : 2; }
    TableViewCell* cellForRowAtIndexPath(TableView*, const IndexPath&) override { return nullptr; }
};

// Cells without a reuse identifier: one from a form, lent and given back, and one-off cells.
class FormCell : public TableViewDataSource {
public:
    explicit FormCell(QWidget* form) : formCell(new TableViewCell(form)) { formCell->setText("Disclaimer"); }
    int numberOfSectionsInTableView(TableView*) override { return 2; }
    int numberOfRowsInSection(TableView*, int section) override { return section == 0 ? 30 : 1; }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        if (path.section == 1) return formCell;
        auto* cell = new TableViewCell(table);
        cell->setText(NumberedRows::textOf(path));
        return cell;
    }
    TableViewCell* formCell;
};
}  // namespace

TEST(TableView, BadAnswersOfTheDataSourceAreLoggedAndShownSafely) {
    ShownWindow window;
    vantrel::test::LogCapture log;
    Faulty faulty;
    TableView* table = tableIn(window, &faulty);
    EXPECT_EQ(table->numberOfRowsInSection(0), 0);
    EXPECT_EQ(table->visibleCells().size(), 2u);
    EXPECT_TRUE(log.contains("gave -3 rows in section 0"));
    EXPECT_TRUE(log.contains("gave no cell for row 1,0"));
}

TEST(TableView, AFormCellIsLentAndGivenBackAndOneOffCellsDoNotPileUp) {
    ShownWindow window;
    QWidget form;
    FormCell source(&form);
    TableView* table = tableIn(window, &source);
    table->scrollToRowAtIndexPath({1, 0}, TableViewScrollPosition::Bottom, false);
    EXPECT_EQ(source.formCell->parentWidget(), table);
    EXPECT_TRUE(source.formCell->isVisible());
    table->setContentOffset(0);
    EXPECT_EQ(source.formCell->parentWidget(), &form);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_LE(cellWidgets(table), 11);
}
