// The controls: alerts and their button indices, text entry, the search bar, slider, switch,
// progress bar and the read-only text.

#include "UiTestSupport.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/Automation.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ProgressView.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/Slider.h"
#include "platform/ui/Style.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"

#include "support/TestSupport.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace vantrel::platform::ui;
using vantrel::test::ShownWindow;

namespace {
class Answers : public AlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(AlertView* alert, int index) override {
        indices.push_back(index);
        titles << alert->buttonTitleAtIndex(index);
    }
    std::vector<int> indices;
    QStringList titles;
};

void askAndTap(ShownWindow& window, Answers& answers, const QString& cancel, const QStringList& others,
               const QString& tap) {
    auto* alert = new AlertView("Edit flights", "Do you want to create a new flight or delete one or more existing flights ?",
                                &answers, cancel, others, window.get());
    alert->show();
    ASSERT_EQ(Automation(window.get()).tapButton(tap), "");
}
}  // namespace

TEST(AlertView, CancelIsZeroAndTheOtherButtonsFollowInOrder) {
    ShownWindow window;
    Answers answers;
    askAndTap(window, answers, "Cancel", {"New", "Delete"}, "Delete");
    askAndTap(window, answers, "Cancel", {"New", "Delete"}, "New");
    askAndTap(window, answers, "Cancel", {"New", "Delete"}, "Cancel");
    EXPECT_EQ(answers.indices, (std::vector<int>{2, 1, 0}));
    // Without a cancel button the others count from 0.
    askAndTap(window, answers, QString(), {"OK"}, "OK");
    EXPECT_EQ(answers.indices.back(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChildren<AlertView*>().size(), 0u);
}

TEST(AlertView, CoversTheWindowUntilAnswered) {
    ShownWindow window;
    int taps = 0;
    auto* button = new Button("Select", window.get());
    button->setGeometry(10, 10, 100, 40);
    button->setAction([&] { ++taps; });
    button->show();
    Answers answers;
    auto* alert = new AlertView("New waypoint", QString(), &answers, "Cancel", {"New", "Existing"}, window.get());
    alert->show();
    EXPECT_EQ(alert->geometry(), window->rect());
    Automation robot(window.get());
    EXPECT_EQ(robot.tapButton("Select"), "button \"Select\" is covered by vantrel::platform::ui::AlertView");
    // Two buttons besides cancel stand one above the other, cancel at the bottom.
    EXPECT_LT(alert->buttonAtIndex(1)->mapTo(alert, QPoint()).y(), alert->buttonAtIndex(2)->mapTo(alert, QPoint()).y());
    EXPECT_LT(alert->buttonAtIndex(2)->mapTo(alert, QPoint()).y(), alert->buttonAtIndex(0)->mapTo(alert, QPoint()).y());
    QTest::keyClick(alert, Qt::Key_Escape);
    EXPECT_EQ(answers.indices, (std::vector<int>{0}));
    EXPECT_EQ(robot.tapButton("Select"), "");
    EXPECT_EQ(taps, 1);
}

namespace {
class Returns : public TextFieldDelegate {
public:
    bool textFieldShouldReturn(TextField* field) override {
        returned << field->text();
        field->resignFirstResponder();
        return true;
    }
    QStringList returned;
};

class Searches : public SearchBarDelegate {
public:
    void searchBarTextDidChange(SearchBar*, const QString& text) override { changes << text; }
    void searchBarSearchButtonClicked(SearchBar* bar) override { searches << bar->text(); }
    void searchBarCancelButtonClicked(SearchBar*) override { ++cancels; }
    QStringList changes;
    QStringList searches;
    int cancels = 0;
};
}  // namespace

TEST(TextField, TypedTextAndReturnReachTheDelegate) {
    ShownWindow window;
    Returns delegate;
    auto* field = new TextField(window.get());
    field->setGeometry(10, 10, 200, 31);
    field->setDelegate(&delegate);
    field->show();
    Automation robot(window.get());
    EXPECT_EQ(robot.typeText("x"), "no field has the focus to type \"x\" into");
    ASSERT_EQ(robot.tap(Automation::Target{field, field->rect().center(), "field"}), "");
    ASSERT_EQ(robot.typeText("LFPG\n"), "");
    EXPECT_EQ(field->text(), "LFPG");
    EXPECT_EQ(delegate.returned, QStringList({"LFPG"}));
    EXPECT_FALSE(field->hasFocus());
}

TEST(SearchBar, ReportsThePilotsEditsSearchAndCancel) {
    ShownWindow window;
    Searches delegate;
    auto* bar = new SearchBar(window.get());
    bar->setGeometry(0, 0, 320, SearchBar::kHeight);
    bar->setDelegate(&delegate);
    bar->setAutocorrectionEnabled(false);
    bar->setShowsCancelButton(true);
    bar->show();
    EXPECT_TRUE(bar->field()->inputMethodHints() & Qt::ImhNoPredictiveText);

    bar->setText("quiet");
    EXPECT_TRUE(delegate.changes.isEmpty());
    bar->setText(QString());
    bar->becomeFirstResponder();
    Automation robot(window.get());
    ASSERT_EQ(robot.typeText("ED\n"), "");
    EXPECT_EQ(delegate.changes, QStringList({"E", "ED"}));
    EXPECT_EQ(delegate.searches, QStringList({"ED"}));
    ASSERT_EQ(robot.tapButton("Cancel"), "");
    EXPECT_EQ(delegate.cancels, 1);
}

TEST(Slider, KeepsTheValueSetAndReportsTheKnobsMoves) {
    ShownWindow window;
    auto* slider = new Slider(window.get());
    slider->setGeometry(10, 10, 300, 30);
    slider->setMaximumValue(180);
    slider->show();
    QSignalSpy moves(slider, &Slider::valueChanged);
    slider->setValue(24.999);
    EXPECT_DOUBLE_EQ(slider->value(), 24.999);
    EXPECT_EQ(moves.count(), 0);
    slider->setValue(500);
    EXPECT_DOUBLE_EQ(slider->value(), 180);
    slider->setValue(std::nan(""));
    EXPECT_DOUBLE_EQ(slider->value(), 0);

    ASSERT_EQ(Automation(window.get()).drag(slider, {12, 15}, {160, 15}), "");
    ASSERT_GT(moves.count(), 0);
    const double last = moves.last().at(0).toDouble();
    EXPECT_GT(last, 60);
    EXPECT_LT(last, 120);
    EXPECT_DOUBLE_EQ(slider->value(), last);
}

TEST(Switch, ATapFlipsItAndSetOnIsQuiet) {
    ShownWindow window;
    auto* toggle = new Switch(window.get());
    toggle->move(10, 10);
    toggle->show();
    QSignalSpy flips(toggle, &Switch::valueChanged);
    toggle->setOn(true);
    EXPECT_TRUE(toggle->isOn());
    EXPECT_EQ(flips.count(), 0);
    // On shows blue at the left of the knob, off shows grey there.
    EXPECT_GT(toggle->grab().toImage().scaled(toggle->size()).pixelColor(20, 13).blue(), 150);
    ASSERT_EQ(Automation(window.get()).tap(Automation::Target{toggle, toggle->rect().center(), "switch"}), "");
    EXPECT_FALSE(toggle->isOn());
    ASSERT_EQ(flips.count(), 1);
    EXPECT_FALSE(flips.first().at(0).toBool());
    const QColor off = toggle->grab().toImage().scaled(toggle->size()).pixelColor(75, 13);
    EXPECT_LT(off.saturation(), 30);
}

TEST(ProgressView, ClampsToZeroToOne) {
    ProgressView progress;
    progress.setProgress(0.25f);
    EXPECT_FLOAT_EQ(progress.progress(), 0.25f);
    EXPECT_EQ(progress.value(), 250);
    progress.setProgress(3);
    EXPECT_FLOAT_EQ(progress.progress(), 1);
    progress.setProgress(std::nanf(""));
    EXPECT_FLOAT_EQ(progress.progress(), 0);
}

TEST(TextView, ScrollsByDragButCannotBeEdited) {
    ShownWindow window;
    auto* text = new TextView(window.get());
    text->setGeometry(0, 0, 320, 200);
    QString body;
    for (int i = 0; i < 80; ++i) body += QStringLiteral("Line %1 of the disclaimer.\n").arg(i);
    text->setPlainText(body);
    text->show();
    EXPECT_TRUE(text->isReadOnly());
    ASSERT_EQ(Automation(window.get()).drag(text, {160, 180}, {160, 40}, 20, 40), "");
    EXPECT_NEAR(text->verticalScrollBar()->value(), 140, 2);
    EXPECT_EQ(text->toPlainText(), body);
    EXPECT_FALSE(text->hasFocus());
}

TEST(ImageView, AMissingImageIsLoggedAndShowsNothing) {
    vantrel::test::LogCapture log;
    ImageView view;
    view.setImageName("no-such-image.png");
    EXPECT_TRUE(view.image().isNull());
    EXPECT_TRUE(log.contains("no-such-image.png"));
}

// Layouts follow frames measured in Helvetica: the style's font must be its metric twin, not
// another sans-serif that fontconfig prefers, or texts overflow their frames.
TEST(Style, HelveticaIsDrawnInItsMetricTwin) {
    if (!QFontDatabase::families().contains("Liberation Sans")) GTEST_SKIP() << "Liberation Sans is not installed";
    EXPECT_EQ(QFontInfo(vantrel::platform::ui::style::font(17)).family(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(vantrel::platform::ui::style::font(13, true)).family(), "Liberation Sans");
    // Helvetica's widths: "2026/12/06" at 17 points is 85 points wide, a wider sans-serif's 98.
    EXPECT_LT(QFontMetricsF(vantrel::platform::ui::style::font(17)).horizontalAdvance("2026/12/06"), 90.0);
}
