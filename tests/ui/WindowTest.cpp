// The window at any size and the keyboard: the scale and shape chosen for the screens the app
// meets, the start scale, and each key binding through Qt's test events.

#include "UiTestSupport.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Transition.h"
#include "platform/ui/WindowScale.h"

#include <QApplication>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::platform::ui;

TEST(WindowScale, TheLargestScaleThatFitsWithTheWholeStageReachable) {
    struct Case {
        QSize pixels;
        double scale;
        bool landscape;
    };
    const Case cases[] = {
        {{1024, 600}, 1.25, true},    // a cockpit panel, fullscreen
        {{800, 1280}, 2.5, false},    // a portrait panel
        {{1920, 1080}, 2.25, true},   // a desktop, fullscreen
        {{3840, 2160}, 4.5, true},    // a 4K desktop
        {{640, 960}, 2.0, false},     // the handheld's window at 2x
        {{1280, 800}, 1.625, false},  // too little wider than tall to gain from the side-by-side stage
        {{999, 600}, 1.25, false},    // one pixel short of the side-by-side stage at 1.25
        {{100, 200}, 0.5, false},     // smaller than the smallest scale: the smallest
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 x %2").arg(c.pixels.width()).arg(c.pixels.height()).toStdString());
        const WindowLayout layout = layoutForPixels(c.pixels);
        EXPECT_DOUBLE_EQ(layout.scale, c.scale);
        EXPECT_EQ(layout.landscape, c.landscape);
        EXPECT_EQ(layout.points, c.landscape ? kLandscapePoints : kColumnPoints);
        if (layout.scale > kMinimumScale) {
            EXPECT_LE(layout.points.width() * layout.scale, c.pixels.width());
            EXPECT_LE(layout.points.height() * layout.scale, c.pixels.height());
        }
    }
}

TEST(WindowScale, TheStartScaleFitsTheScreenAndKeepsThePilotsOwn) {
    struct Case {
        QSize available;
        std::optional<double> saved;
        double scale;
    };
    const Case cases[] = {
        {{1024, 600}, std::nullopt, 1.125},  // a panel: the window and its title bar on screen
        {{1920, 1050}, std::nullopt, 2.0},   // a desktop under its top bar: about 2x
        {{800, 1280}, std::nullopt, 2.5},
        {{3840, 2110}, std::nullopt, 4.25},
        {{1920, 1050}, 1.5, 1.5},            // the pilot's scale
        {{1024, 600}, 3.0, 1.125},           // the pilot's scale from a larger screen does not fit here
        {{1920, 1050}, std::nan(""), 2.0},   // damaged
        {{1920, 1050}, 0.1, 2.0},            // below the smallest
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 x %2, saved %3")
                         .arg(c.available.width())
                         .arg(c.available.height())
                         .arg(c.saved.value_or(-1))
                         .toStdString());
        const double scale = startScale(c.available, c.saved);
        EXPECT_DOUBLE_EQ(scale, c.scale);
        // The whole column and a title bar fit on the screen.
        EXPECT_LE(kColumnPoints.width() * scale, c.available.width());
        EXPECT_LE(kColumnPoints.height() * scale + kFrameAllowance, c.available.height());
    }
}

namespace {
QString shownTitle(TabBarController& tabs) {
    ViewController* shown = tabs.selectedViewController();
    if (shown == tabs.moreNavigationController()) return QStringLiteral("More");
    return shown ? shown->title() : QString();
}

struct RecordingAlertDelegate : AlertViewDelegate {
    int clicked = -1;
    void alertViewClickedButtonAtIndex(AlertView*, int index) override { clicked = index; }
};
}  // namespace

TEST(WindowKeys, TabsModalScreensAndBackByKeyboard) {
    Transition::setAnimationsEnabled(false);
    test::CallLog log;
    test::ShownWindow window;
    auto tabs = std::make_shared<TabBarController>();
    std::vector<std::shared_ptr<ViewController>> screens;
    for (int i = 1; i <= 7; ++i) screens.push_back(test::recording(QStringLiteral("S%1").arg(i), log));
    tabs->setViewControllers(screens);
    window->setRootViewController(tabs);

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* shown;
    };
    const Step steps[] = {
        {Qt::Key_2, Qt::ControlModifier, "S2"},
        {Qt::Key_Tab, Qt::ControlModifier, "S3"},
        {Qt::Key_Tab, Qt::ControlModifier, "S4"},
        {Qt::Key_Tab, Qt::ControlModifier, "More"},  // the bar's fifth tab
        {Qt::Key_Tab, Qt::ControlModifier, "S1"},    // round again
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, "More"},
        {Qt::Key_6, Qt::ControlModifier, "S6"},      // opened in the More list
        {Qt::Key_Escape, Qt::NoModifier, "More"},    // back to the list
        {Qt::Key_Escape, Qt::NoModifier, "More"},    // nothing further back
        {Qt::Key_9, Qt::ControlModifier, "More"},    // there is no ninth screen
        {Qt::Key_7, Qt::KeypadModifier | Qt::ControlModifier, "S7"},
        {Qt::Key_1, Qt::NoModifier, "S7"},           // a digit alone is no tab key
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(QKeySequence(step.key | step.modifiers).toString().toStdString());
        QTest::keyClick(window.get(), step.key, step.modifiers);
        EXPECT_EQ(shownTitle(*tabs), QString::fromLatin1(step.shown));
    }

    // Escape closes a screen presented over the tabs.
    tabs->presentModalViewController(test::recording(QStringLiteral("Pane"), log), false);
    ASSERT_NE(tabs->modalViewController(), nullptr);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(tabs->modalViewController(), nullptr);
}

TEST(WindowKeys, ReturnAndEscapeAnswerAlerts) {
    struct Case {
        QString cancel;
        QStringList others;
        Qt::Key key;
        int clicked;  // -1: the alert stays
    };
    const Case cases[] = {
        {QStringLiteral("Cancel"), {QStringLiteral("Delete")}, Qt::Key_Return, 1},
        {QStringLiteral("Cancel"), {QStringLiteral("Delete")}, Qt::Key_Enter, 1},
        {QStringLiteral("Cancel"), {QStringLiteral("Delete")}, Qt::Key_Escape, 0},
        {QString(), {QStringLiteral("OK")}, Qt::Key_Return, 0},
        {QString(), {QStringLiteral("OK")}, Qt::Key_Escape, 0},
        {QStringLiteral("OK"), {}, Qt::Key_Return, 0},
        {QString(), {QStringLiteral("Keep"), QStringLiteral("Replace")}, Qt::Key_Escape, -1},  // no cancel button
        {QString(), {QStringLiteral("Keep"), QStringLiteral("Replace")}, Qt::Key_Return, 0},
    };
    test::ShownWindow window;
    for (const Case& c : cases) {
        SCOPED_TRACE((c.cancel + "|" + c.others.join(',') + " " + QKeySequence(c.key).toString()).toStdString());
        RecordingAlertDelegate answer;
        auto* alert = new AlertView(QStringLiteral("Title"), QStringLiteral("Message"), &answer, c.cancel, c.others, window.get());
        alert->show();
        QTest::keyClick(alert, c.key);
        EXPECT_EQ(answer.clicked, c.clicked);
        EXPECT_EQ(alert->isVisible(), c.clicked < 0);
        if (c.clicked < 0) alert->dismissWithClickedButtonIndex(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

namespace {
// The countries of a long list, in order, one row each.
class Countries : public TableViewDataSource {
public:
    QStringList names{"Albania", "Austria", "Belgium", "Bulgaria", "Croatia", "Cyprus", "Czechia", "Denmark",
                      "Estonia", "Finland", "France", "Germany", "Greece", "Hungary", "Iceland", "Ireland",
                      "Italy", "Latvia", "Lithuania", "Luxembourg", "Malta", "Netherlands", "Norway", "Poland",
                      "Portugal", "Romania", "Slovakia", "Slovenia", "Spain", "Sweden", "Switzerland",
                      "United Kingdom"};
    int numberOfRowsInSection(TableView*, int) override { return int(names.size()); }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        TableViewCell* cell = table->dequeueReusableCellWithIdentifier(QStringLiteral("country"));
        if (!cell) cell = new TableViewCell(QStringLiteral("country"));
        cell->setText(names[path.row]);
        return cell;
    }
};
}  // namespace

TEST(WindowKeys, TheWheelScrollsRowsAndALetterJumpsToItsFirstRow) {
    test::ShownWindow window;
    Countries countries;
    auto list = std::make_shared<ViewController>();
    auto* table = new TableView;
    table->setDataSource(&countries);
    list->setView(table);
    window->setRootViewController(list);
    table->reloadData();
    const double row = table->rowHeight();
    const double last = table->maxContentOffset();
    ASSERT_GT(last, 20 * row);

    struct Step {
        std::function<void()> act;
        double offset;
    };
    auto wheel = [&](int eighths) {
        return [&, eighths] {
            QWheelEvent event(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, eighths), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(table, &event);
        };
    };
    auto type = [&](char letter, QWidget* to) { return [letter, to] { QTest::keyClick(to, letter); }; };
    const Step steps[] = {
        {wheel(-120), 3 * row},                // a notch down: three rows
        {wheel(-240), 9 * row},
        {wheel(120), 6 * row},
        {type('g', table), 11 * row},          // Germany, the first with G
        {type('b', window.get()), 2 * row},    // typed with no focus, through the window
        {type('N', table), 21 * row},          // the Netherlands, whatever the case
        {type('q', table), 21 * row},          // no country with Q: the list stays
        {type('u', table), last},              // the last rows go no further than the end
    };
    int n = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(n++);
        step.act();
        EXPECT_DOUBLE_EQ(table->contentOffset(), step.offset);
    }
    // Asked for their texts, the rows off screen leave no cells behind beyond the pool.
    EXPECT_LE(table->liveCellCount(), 2 * int(std::ceil(table->height() / row)) + 2);
}

TEST(WindowKeys, F11SwitchesFullscreen) {
    test::ShownWindow window;
    ASSERT_FALSE(window->isFullScreen());
    QTest::keyClick(window.get(), Qt::Key_F11);
    EXPECT_TRUE(window->isFullScreen());
    QTest::keyClick(window.get(), Qt::Key_F11);
    EXPECT_FALSE(window->isFullScreen());
}
