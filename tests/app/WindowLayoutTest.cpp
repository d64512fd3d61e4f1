// The app in a landscape window and driven by the keyboard, end to end from the database load:
// the disclaimer answered with Return, VOR 1 at full height beside its pane at two window sizes
// (checked in the picture), back in its column in a portrait window, its ring turned by the arrow
// and page keys with the course readout following, and the map zoomed with + and -.

#include "waypoints/DatabaseFixture.h"

#include "AppTestSupport.h"

#include "app/DisclaimerView.h"
#include "app/InstrumentViewController.h"
#include "app/VantrelAppDelegate.h"
#include "instruments/GPSView.h"
#include "instruments/VORView.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Transition.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest/QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace vantrel;
using test::makeRecord;

namespace {
void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool notBlack(const QColor& c) { return c.red() + c.green() + c.blue() > 60; }
}  // namespace

TEST(WindowLayout, CourseReadoutInWholeDegrees) {
    const std::pair<float, const char*> cases[] = {
        {0.0f, "CRS 000°T"}, {47.6f, "CRS 048°T"}, {48.4f, "CRS 048°T"}, {359.4f, "CRS 359°T"},
        {359.6f, "CRS 000°T"}, {-0.4f, "CRS 000°T"}, {NAN, "CRS ---°T"},
    };
    for (const auto& [angle, text] : cases) EXPECT_EQ(instruments::VORView::courseText(angle, false), QString::fromUtf8(text)) << angle;
    EXPECT_EQ(instruments::VORView::courseText(47.6f, true), QStringLiteral("CRS 048°M"));
}

TEST(WindowLayout, LandscapeInstrumentBesideItsPaneAndTheKeysDriveIt) {
    test::CleanDefaults clean;
    platform::ui::Transition::setAnimationsEnabled(false);
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {makeRecord("LFPG", 49.0, 2.55), makeRecord("LFPO", 48.72, 2.38)});

    // As at a first start: the disclaimer with its buttons (an earlier test may have agreed).
    app::DisclaimerView::sharedController().setHideTitles(false);
    app::VantrelAppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    QElapsedTimer timer;
    timer.start();
    while (!delegate.window()->rootViewController() && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    settle();
    platform::ui::Window* window = delegate.window();
    platform::ui::TabBarController* tabs = delegate.tabBarController();
    ASSERT_EQ(window->rootViewController(), tabs);

    // Return agrees to the disclaimer; VOR 1, the first tab, shows.
    ASSERT_EQ(tabs->modalViewController(), &app::DisclaimerView::sharedController());
    QTest::keyClick(window, Qt::Key_Return);
    settle();
    EXPECT_EQ(tabs->modalViewController(), nullptr);
    ASSERT_EQ(tabs->selectedViewController()->title(), QStringLiteral("VOR 1"));
    instruments::VORView& vor = instruments::VORView::primaryVOR();
    auto* screen = dynamic_cast<app::InstrumentViewController*>(tabs->selectedViewController());
    ASSERT_NE(screen, nullptr);

    for (const QSize size : {QSize(1000, 600), QSize(1400, 640)}) {
        SCOPED_TRACE(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
        window->resize(size);
        settle();
        ASSERT_TRUE(window->isLandscape());
        // The side-by-side stage, 800 x 480 points, centred.
        const QPoint origin((size.width() - 800) / 2, (size.height() - 480) / 2);
        const QRect side(origin, QSize(480, 480));
        const QRect column(origin + QPoint(480, 0), QSize(320, 480));
        EXPECT_EQ(QRect(vor.mapTo(window, QPoint(0, 0)), vor.size()), side);
        EXPECT_EQ(vor.bounds().size(), QSizeF(320, 320));  // drawn 1.5 times larger
        QWidget* pane = vor.setupView();
        const QRect paneRect(pane->mapTo(window, QPoint(0, 0)), pane->size());
        EXPECT_TRUE(column.contains(paneRect)) << paneRect.x() << "," << paneRect.y();
        EXPECT_TRUE(column.contains(QRect(tabs->tabBar()->mapTo(window, QPoint(0, 0)), tabs->tabBar()->size())));

        const QImage shot = test::picture(window, QStringLiteral("landscape-%1x%2").arg(size.width()).arg(size.height()));
        // The ring reaches the top and the bottom of the side area: the instrument is at full height.
        const int middle = side.center().x();
        EXPECT_TRUE(test::hasColour(shot, QRect(middle - 30, side.top() + 2, 60, 24), notBlack));
        EXPECT_TRUE(test::hasColour(shot, QRect(middle - 30, side.bottom() - 26, 60, 24), notBlack));
        // Black beside the stage, something drawn in the pane.
        if (origin.x() > 0) {
            EXPECT_FALSE(test::hasColour(shot, QRect(0, 0, origin.x(), size.height()), notBlack));
        }
        EXPECT_TRUE(test::hasColour(shot, paneRect, notBlack));
    }

    // A window taller than wide: the instrument is back in its column at its own size.
    window->resize(320, 480);
    settle();
    EXPECT_FALSE(window->isLandscape());
    EXPECT_EQ(vor.parentWidget(), screen->mainInstrumentView());
    EXPECT_EQ(vor.size(), QSize(320, 320));
    EXPECT_EQ(vor.contentScale(), 1.0);

    vor.setRingAngle(45.0f);
    const std::pair<Qt::Key, float> turns[] = {
        {Qt::Key_Right, 46.0f}, {Qt::Key_Right, 47.0f}, {Qt::Key_Left, 46.0f},
        {Qt::Key_PageUp, 56.0f}, {Qt::Key_PageDown, 46.0f}, {Qt::Key_PageDown, 36.0f},
    };
    for (const auto& [key, angle] : turns) {
        QTest::keyClick(window, key);
        EXPECT_FLOAT_EQ(vor.ringAngle(), angle) << QKeySequence(key).toString().toStdString();
    }
    vor.repaint();
    EXPECT_EQ(vor.labelText(QStringLiteral("courseReadout")), QStringLiteral("CRS 036°T"));

    // Ctrl+3 shows the map; + zooms in, - back out.
    QTest::keyClick(window, Qt::Key_3, Qt::ControlModifier);
    settle();
    ASSERT_EQ(tabs->selectedViewController()->title(), QStringLiteral("Map"));
    instruments::GPSView& map = instruments::GPSView::sharedView();
    const float scale = map.currentScale();
    QTest::keyClick(window, Qt::Key_Plus, Qt::ShiftModifier);
    EXPECT_GT(map.currentScale(), scale);
    QTest::keyClick(window, Qt::Key_Minus);
    EXPECT_FLOAT_EQ(map.currentScale(), scale);
    QTest::keyClick(window, Qt::Key_Left);  // no ring on the map
    EXPECT_FLOAT_EQ(vor.ringAngle(), 36.0f);
}
