// The banners over every screen: traffic alerts loudest first above the airspace warnings and the
// plan's notices, kept above screens shown later, taps on "OK" reaching their owner, and the bell
// for a new or louder alert only.

#include "app/FlightBanners.h"
#include "app/TrafficWatch.h"
#include "platform/ui/Automation.h"
#include "platform/ui/Window.h"
#include "traffic/TrafficFeed.h"

#include <QCoreApplication>
#include <QLabel>
#include <gtest/gtest.h>

using namespace vantrel;
using app::FlightBanners;

namespace {
void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}
// A FLARM target east of the aircraft at an alarm level (no checksum: FLARM devices may omit it).
QByteArray flarm(int alarm, const char* id, int east) {
    return QStringLiteral("$PFLAA,%1,0,%2,90,2,%3,270,,40,0.0,1").arg(alarm).arg(east).arg(QLatin1String(id)).toLatin1();
}
}  // namespace

TEST(FlightBanners, TrafficFirstLoudestFirstKeptOnTopAndAcknowledged) {
    platform::ui::Window window;
    window.show();
    FlightBanners banners(window.stage());
    traffic::TrafficFeed feed(traffic::TrafficFeed::Clock::Fixes);
    feed.setUnits({});
    app::TrafficWatch watch(banners, feed);

    int acknowledged = 0;
    banners.setBanners(FlightBanners::Kind::Airspace,
                       {{"Geneva CTR (D, GND - 4500 ft MSL): inside", FlightBanners::Tone::Warning,
                         [&] { ++acknowledged; }, true}});
    banners.showNotice("Passed LSGL - to LSMP", 60000);

    // Two alerting targets and a quiet one: the urgent one first, then the important one.
    for (const QByteArray& line : {flarm(2, "DD0001", 600), flarm(3, "DD0002", 300), flarm(0, "DD0003", 2000)})
        feed.handleMessage(line);
    settle();
    QStringList shown = banners.shownTexts();
    ASSERT_EQ(shown.size(), FlightBanners::kMaxShown);
    EXPECT_TRUE(shown[0].startsWith("Traffic 3 o'clock")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("0.2 nm")) << shown[0].toStdString();  // 300 m: the urgent one
    EXPECT_TRUE(shown[1].contains("0.3 nm")) << shown[1].toStdString();
    EXPECT_TRUE(shown[2].startsWith("Geneva CTR")) << shown[2].toStdString();
    EXPECT_TRUE(shown[2].endsWith("(1 more)")) << shown[2].toStdString();  // the notice is beyond three
    EXPECT_EQ(watch.bells(), 1);  // one ring for the two that came at once

    // The same alerts moving ring nothing; one growing louder rings again.
    feed.handleMessage(flarm(2, "DD0001", 500));
    settle();
    EXPECT_EQ(watch.bells(), 1);
    feed.handleMessage(flarm(3, "DD0001", 450));
    settle();
    EXPECT_EQ(watch.bells(), 2);

    // A screen shown later does not cover them; the "OK" acknowledges through the owner.
    auto* later = new QLabel(window.stage());
    later->setGeometry(0, 0, platform::ui::Window::kWidth, platform::ui::Window::kHeight);
    later->show();
    settle();
    EXPECT_NE(window.stage()->childAt(QPoint(160, FlightBanners::kTop + 5)), later);
    for (const QByteArray& line : {flarm(0, "DD0001", 450), flarm(0, "DD0002", 300)}) feed.handleMessage(line);
    settle();
    shown = banners.shownTexts();
    ASSERT_EQ(shown.size(), 2);  // the alerts ended: their banners went
    EXPECT_TRUE(shown[0].startsWith("Geneva CTR"));
    EXPECT_EQ(shown[1], "Passed LSGL - to LSMP");
    EXPECT_EQ(platform::ui::Automation(&window).tapButton("OK"), "");
    EXPECT_EQ(acknowledged, 1);
}
