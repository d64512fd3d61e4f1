// Texts that do not fit end in "…" instead of being cut mid-glyph; the round detail button keeps
// to the right edge of its row; an empty table says why it is empty; fields that take
// identifiers upper-case what is typed; a switch is found by the title shown beside it.

#include "UiTestSupport.h"

#include "platform/ui/Automation.h"
#include "platform/ui/CellControl.h"
#include "platform/ui/Label.h"
#include "platform/ui/Style.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Transition.h"

#include "support/TestSupport.h"

#include <QFontMetrics>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantrel::platform::ui;
using vantrel::test::NumberedRows;
using vantrel::test::ShownWindow;

namespace {
// The widest orange column of a picture: where the drawn text ends.
int rightmostOrange(const QImage& image) {
    int right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.green() > 60 && c.blue() < 80 && x > right) right = x;
        }
    return right;
}
}  // namespace

TEST(Label, ALongOneLineTextEndsInAnEllipsisInsideTheLabel) {
    ShownWindow window;
    auto* label = new Label(window.get());
    label->setFont(style::font(18, true));
    label->setGeometry(10, 10, 120, 21);
    label->setText("LSGG, Geneva Cointrin International Airport");
    label->show();
    EXPECT_TRUE(label->shownText().endsWith(QChar(0x2026))) << label->shownText().toStdString();
    EXPECT_TRUE(label->shownText().startsWith("LSGG, "));
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->shownText()), label->width());
    EXPECT_EQ(label->text(), "LSGG, Geneva Cointrin International Airport") << "the text itself is kept";
    // Drawn: no ink reaches the label's last pixel column, as a cut glyph would.
    QImage picture = label->grab().toImage().scaled(label->size());
    EXPECT_LT(rightmostOrange(picture), label->width() - 1);

    label->setText("LSGG");
    EXPECT_EQ(label->shownText(), "LSGG");
    label->setWordWrap(true);
    label->setText("A wrapped text is left to wrap over its lines");
    EXPECT_EQ(label->shownText(), label->text());
}

TEST(TableViewCell, TheRoundDetailButtonKeepsToTheRightEdge) {
    ShownWindow window;
    TableViewCell cell("plainCell", window.get());
    cell.resize(320, 44);
    cell.setAccessoryType(TableViewCellAccessoryType::DetailDisclosureButton);
    cell.show();
    auto* button = qobject_cast<CellControl*>(cell.detailDisclosureButton());
    ASSERT_NE(button, nullptr);
    const QRectF round = button->drawnRect().translated(button->pos());
    EXPECT_GE(round.left(), 290.0) << "texts of the content view that end by x = 290 stay clear";
    EXPECT_LE(round.right(), 316.0);
    // The tap area is still the whole square.
    EXPECT_EQ(button->geometry(), QRect(276, 0, 44, 44));
    // What is drawn blue lies inside the round.
    QImage picture = cell.grab().toImage().scaled(cell.size());
    for (int x = 0; x < int(round.left()) - 1; ++x)
        for (int y = 0; y < 44; ++y) ASSERT_LT(picture.pixelColor(x, y).blue() - picture.pixelColor(x, y).red(), 100);
}

TEST(TableView, AnEmptyTableShowsItsHintUntilItHasRows) {
    ShownWindow window;
    NumberedRows rows({0});
    auto* table = new TableView(window.get());
    table->setGeometry(0, 0, 320, 300);
    table->setDataSource(&rows);
    table->setEmptyText("No flights yet. Tap Edit, then New.");
    table->show();
    table->reloadData();
    EXPECT_TRUE(table->isShowingEmptyText());
    QImage empty = table->grab().toImage().scaled(table->size());
    bool grey = false;
    for (int y = 0; y < 100 && !grey; ++y)
        for (int x = 0; x < 320 && !grey; ++x) grey = empty.pixelColor(x, y).lightness() > 120;
    EXPECT_TRUE(grey) << "the hint is drawn";

    rows.rows_ = {3};
    table->reloadData();
    EXPECT_FALSE(table->isShowingEmptyText());
    table->setEmptyText({});
    rows.rows_ = {0};
    table->reloadData();
    EXPECT_FALSE(table->isShowingEmptyText());
}

TEST(TextField, ACapitalizingFieldUpperCasesWhatIsTypedAndSet) {
    ShownWindow window;
    auto* field = new TextField(window.get());
    field->setGeometry(10, 10, 200, 31);
    field->show();
    field->setText("lfpg");
    field->setCapitalizesAllCharacters(true);
    EXPECT_EQ(field->text(), "LFPG");
    Automation robot(window.get());
    ASSERT_EQ(robot.tap(Automation::Target{field, field->rect().center(), "field"}), "");
    field->selectAll();
    ASSERT_EQ(robot.typeText("lsgg/eddf"), "");
    EXPECT_EQ(field->text(), "LSGG/EDDF");
    field->setText("ebbr");
    EXPECT_EQ(field->text(), "EBBR");

    field->setCapitalizesAllCharacters(false);
    field->selectAll();
    ASSERT_EQ(robot.typeText("lfsb"), "");
    EXPECT_EQ(field->text(), "lfsb");
}

// The settings' disclaimer switch: the row shows "Show at start", the switch's own title is
// "Show disclaimer at start"; a script may use either.
TEST(Automation, ASwitchIsFoundByTheTitleItsRowShowsAndByItsOwn) {
    ShownWindow window;
    auto* cell = new TableViewCell(window.get());
    cell->setGeometry(0, 0, 320, 44);
    cell->setText("Show at start");
    auto* toggle = new Switch(cell);
    toggle->setText("Show disclaimer at start");
    toggle->move(210, 8);
    cell->show();
    toggle->setOn(true);
    Automation robot(window.get());
    ASSERT_EQ(robot.tapButton("Show at start"), "");
    EXPECT_FALSE(toggle->isOn());
    ASSERT_EQ(robot.tapButton("Show disclaimer at start"), "");
    EXPECT_TRUE(toggle->isOn());
    EXPECT_EQ(robot.tapButton("Show"), "no button titled \"Show\"");
}

// A list given a place while it still glides from a flick stays there: a list switched to is
// shown from its top, not carried on by the old list's momentum.
TEST(TableView, SettingTheOffsetStopsAGlide) {
    ShownWindow window;
    vantrel::platform::ui::Transition::setAnimationsEnabled(true);
    NumberedRows rows({200});
    auto* table = new TableView(window.get());
    table->setGeometry(0, 0, 320, 400);
    table->setDataSource(&rows);
    table->show();
    table->reloadData();
    Automation robot(window.get());
    ASSERT_EQ(robot.drag(table, {160, 380}, {160, 80}, 6, 8), "");
    QTest::qWait(30);
    ASSERT_GT(table->contentOffset(), 0);
    table->setContentOffset(0);
    QTest::qWait(300);
    EXPECT_EQ(table->contentOffset(), 0);
    vantrel::platform::ui::Transition::setAnimationsEnabled(false);
}
