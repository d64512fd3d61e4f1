// The round instruments as the pilot uses them: what their labels say for a fix and a waypoint,
// when they may navigate, the indicator animation on the test's own clock, the ring turned by a
// finger, the mouse and the wheel, the setup pane's buttons, and the settings saved and restored
// through the user-defaults file, damaged ones included.

#include "InstrumentTestSupport.h"

#include "instruments/ADFView.h"
#include "instruments/CompassView.h"
#include "instruments/VORView.h"

#include "platform/core/UserDefaults.h"
#include "platform/ui/Automation.h"
#include "platform/ui/Window.h"
#include "support/TestSupport.h"
#include "waypoints/WaypointKeys.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace vantrel;
using namespace vantrel::instruments;
using test::InstrumentWorld;
using test::waypointAt;

namespace {

// Lausanne-Blécherette seen from Geneva: about 32 NM on a bearing of about 50 degrees.
constexpr double kGenevaLat = 46.2381, kGenevaLon = 6.1089;
constexpr double kLausanneLat = 46.5453, kLausanneLon = 6.6167;

}  // namespace

TEST(RoundInstruments, LabelsShowWaypointDistanceAndAccuracyOrTheirInvalidTexts) {
    InstrumentWorld world;
    auto vor = world.make<VORView>(true);
    EXPECT_EQ(vor->labelText("gpsAccuracy"), "No signal");  // no fix yet
    EXPECT_EQ(vor->labelText("poiDistance"), "--");
    EXPECT_FALSE(vor->navIsValid());

    world.fix(kGenevaLat, kGenevaLon, 926.0);
    vor->setWaypoint(waypointAt("LSGL", kLausanneLat, kLausanneLon, 1, "Lausanne"));
    EXPECT_EQ(vor->labelText("poiName"), "LSGL, Lausanne");
    EXPECT_TRUE(vor->navIsValid());
    EXPECT_EQ(vor->labelText("gpsAccuracy"), "0.5 nm");
    const double d = vor->distanceToPOI();
    EXPECT_NEAR(d, 51800, 1000);
    EXPECT_EQ(vor->labelText("poiDistance"), QString::asprintf("%.01f nm", d / 1852.0));
    EXPECT_EQ(vor->angleToReference(), int(world.location().angleTo(kLausanneLat, kLausanneLon)));
    EXPECT_NEAR(vor->angleToReference(), 49, 2);

    // Out of range: no navigation, but the accuracy still shows.
    vor->setWaypoint(waypointAt("FAR", 50.5, 6.1));
    EXPECT_FALSE(vor->navIsValid());
    EXPECT_EQ(vor->angleToReference(), 0);
    EXPECT_EQ(vor->labelText("poiDistance"), "--");
    EXPECT_EQ(vor->labelText("gpsAccuracy"), "0.5 nm");

    // Nothing chosen keeps what was chosen.
    vor->setWaypoint(platform::Value());
    EXPECT_EQ(vor->labelText("poiName"), "FAR, Test");
    EXPECT_DOUBLE_EQ(vor->referenceLat(), 50.5);

    // A poor fix: "No signal" and no navigation, whatever the waypoint.
    vor->setWaypoint(waypointAt("LSGL", kLausanneLat, kLausanneLon, 1, "Lausanne"));
    world.fix(kGenevaLat, kGenevaLon, 6000.0);
    EXPECT_FALSE(vor->navIsValid());
    EXPECT_EQ(vor->labelText("gpsAccuracy"), "No signal");

    // Another unit system: the distance in kilometres at the next update.
    world.fix(kGenevaLat, kGenevaLon, 5.0);
    world.selectUnits(2);
    EXPECT_EQ(vor->distanceUnit(), "km");
    EXPECT_EQ(vor->labelText("poiDistance"), QString::asprintf("%.01f km", vor->distanceToPOI() / 1000.0));
}

TEST(RoundInstruments, RangeLimitIsExclusiveAt463000Metres) {
    InstrumentWorld world;
    auto vor = world.make<VORView>(true);
    world.fix(0.0, 0.0);
    // On the equator, 463000 m east is 463000 / 6372797.56 radians of longitude.
    const double justInside = (462990.0 / positioning::Geodesy::kEarthRadiusMetres) / positioning::Geodesy::kDegreesToRadians;
    const double justOutside = (463010.0 / positioning::Geodesy::kEarthRadiusMetres) / positioning::Geodesy::kDegreesToRadians;
    vor->setWaypoint(waypointAt("IN", 0.0, justInside));
    EXPECT_TRUE(vor->navIsValid());
    vor->setWaypoint(waypointAt("OUT", 0.0, justOutside));
    EXPECT_FALSE(vor->navIsValid());
    EXPECT_EQ(vor->labelText("poiDistance"), "--");
}

TEST(RoundInstruments, AdfNeedsThreeMetresPerSecondAndTheCompassMoreThanThree) {
    InstrumentWorld world;
    auto adf = world.make<ADFView>(true);
    auto compass = world.make<CompassView>(true);
    world.fix(kGenevaLat, kGenevaLon);
    adf->setWaypoint(waypointAt("LSGL", kLausanneLat, kLausanneLon, 1, "Lausanne"));

    world.motion(3.0f, 7.9f);
    EXPECT_TRUE(adf->navIsValid());
    EXPECT_FALSE(compass->navIsValid());
    EXPECT_EQ(compass->labelText("trackLabel"), QString::fromUtf8("007°T"));
    EXPECT_EQ(compass->labelText("speedLabel"), "6 " + world.units().speedUnit());

    world.motion(2.9f, 7.9f);
    EXPECT_FALSE(adf->navIsValid());
    // Invalid through low speed only: the needle still goes for the waypoint.
    EXPECT_FLOAT_EQ(adf->targetIndicatorAngle(), float(360 - adf->angleToReference()) + 7.9f);

    world.motion(51.0f, 90.0f);
    EXPECT_TRUE(compass->navIsValid());
    EXPECT_EQ(compass->labelText("speedLabel"), "99 " + world.units().speedUnit());
    EXPECT_EQ(compass->labelText("trackLabel"), QString::fromUtf8("090°T"));
    EXPECT_FLOAT_EQ(compass->targetIndicatorAngle(), 90.0f);
    test::settle(*compass);
    EXPECT_FLOAT_EQ(compass->indicatorAngle(), 90.0f);
}

TEST(RoundInstruments, AnimationKeepsOneStepPendingHoweverManyFixesArrive) {
    InstrumentWorld world;
    auto compass = world.make<CompassView>(true);
    world.fix(kGenevaLat, kGenevaLon);
    world.motion(50.0f, 100.0f);
    ASSERT_TRUE(compass->isAnimationStepPending());
    EXPECT_FLOAT_EQ(compass->indicatorAngle(), 2.0f);  // the first step is at once
    // Ten fixes within one step's time move nothing more: the pace stays 2 degrees every 0.1 s.
    for (int i = 0; i < 10; ++i) world.motion(50.0f, 100.0f);
    EXPECT_FLOAT_EQ(compass->indicatorAngle(), 2.0f);
    compass->runPendingAnimationStep();
    EXPECT_FLOAT_EQ(compass->indicatorAngle(), 4.0f);
    EXPECT_TRUE(compass->isAnimationStepPending());
    // A new target while moving is taken by the step already due, by the shorter way.
    world.motion(50.0f, 350.0f);
    compass->runPendingAnimationStep();
    EXPECT_FLOAT_EQ(compass->indicatorAngle(), 2.0f);
    const int steps = test::settle(*compass);
    EXPECT_FLOAT_EQ(compass->indicatorAngle(), 350.0f);
    EXPECT_EQ(steps, 6);  // 2 → 0, -2 ... -8, then the snap to 350
    EXPECT_FALSE(compass->isAnimationStepPending());
}

TEST(RoundInstruments, RingFollowsTheFingerTheMouseAndTheWheel) {
    InstrumentWorld world;
    auto vor = world.make<VORView>(true);
    platform::ui::Window window;
    vor->setParent(&window);
    vor->setGeometry(0, 0, 320, 320);
    vor->show();
    window.show();
    platform::ui::Automation robot(&window);

    ASSERT_EQ(robot.drag(vor.get(), {250, 200}, {250, 180}), "");  // right half, up 20
    EXPECT_FLOAT_EQ(vor->ringAngle(), 10);
    ASSERT_EQ(robot.drag(vor.get(), {60, 200}, {60, 160}), "");  // left half, up 40
    EXPECT_FLOAT_EQ(vor->ringAngle(), 350);
    ASSERT_EQ(robot.drag(vor.get(), {60, 200}, {60, 140}), "");  // wraps once
    EXPECT_FLOAT_EQ(vor->ringAngle(), 320);

    QWheelEvent notch(QPointF(160, 160), vor->mapToGlobal(QPointF(160, 160)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(vor.get(), &notch);
    EXPECT_FLOAT_EQ(vor->ringAngle(), 321);

    // The pane's "+1°" button is the course selector; the ADF, sharing the pane, hides it.
    auto* plus = qobject_cast<QAbstractButton*>(vor->outlet("increaseButton"));
    ASSERT_NE(plus, nullptr);
    plus->click();
    EXPECT_FLOAT_EQ(vor->ringAngle(), 322);
    auto adf = world.make<ADFView>(true);
    ASSERT_NE(adf->outlet("increaseButton"), nullptr);
    EXPECT_TRUE(adf->outlet("increaseButton")->isHidden());
    vor->setParent(nullptr);
}

TEST(RoundInstruments, SettingsRoundTripThroughTheDefaultsFile) {
    test::TempDir home;
    InstrumentWorld world;
    world.fix(kGenevaLat, kGenevaLon);
    auto vor = world.make<VORView>(true);
    vor->setWaypoint(waypointAt("LSGL", kLausanneLat, kLausanneLon, 1, "Lausanne"));
    vor->setRingAngle(49.5f);

    platform::DictionaryPtr saved = vor->settings();
    EXPECT_TRUE(saved->contains("waypoint"));
    for (const char* key : {"waypoint_latitude", "waypoint_longitude", "original_latitude", "original_longitude", "ringAngle"})
        EXPECT_TRUE(saved->get(key).isNumber()) << key;
    {
        platform::UserDefaults defaults(home.file("defaults.plist"));
        defaults.setObject("VOR 1", platform::Value(saved));
    }
    platform::UserDefaults reread(home.file("defaults.plist"));
    platform::DictionaryPtr restored = reread.objectForKey("VOR 1").dictionary();
    ASSERT_TRUE(restored);

    // Restored elsewhere: the waypoint and the course; a round instrument keeps no origin of its own.
    world.fix(47.0, 8.0);
    auto next = world.make<VORView>(true);
    next->setSettings(restored);
    EXPECT_EQ(next->labelText("poiName"), "LSGL, Lausanne");
    EXPECT_FLOAT_EQ(next->ringAngle(), 49.5f);
    EXPECT_DOUBLE_EQ(next->referenceLat(), kLausanneLat);
    EXPECT_DOUBLE_EQ(next->originLat(), 0.0);
    // A saved origin wins over the position at restore time.
    restored->set("original_latitude", platform::Value::real(kGenevaLat));
    restored->set("original_longitude", platform::Value::real(kGenevaLon));
    next->setSettings(restored);
    EXPECT_DOUBLE_EQ(next->originLat(), kGenevaLat);
    EXPECT_DOUBLE_EQ(next->originLon(), kGenevaLon);

    // Without a waypoint: no waypoint key, the four positions still there at 0.
    auto empty = world.make<VORView>(true);
    platform::DictionaryPtr none = empty->settings();
    EXPECT_FALSE(none->contains("waypoint"));
    EXPECT_DOUBLE_EQ(none->get("original_latitude").doubleValue(), 0.0);
    EXPECT_DOUBLE_EQ(none->get("waypoint_longitude").doubleValue(), 0.0);
    empty->setSettings({});
    EXPECT_TRUE(empty->selectedWaypoint().isNull());
}

TEST(RoundInstruments, DamagedSettingsRestoreWhatTheyCanWithOneLogLine) {
    InstrumentWorld world;
    world.fix(kGenevaLat, kGenevaLon);
    auto vor = world.make<VORView>(true);
    vor->setObjectName("primaryVOR");
    auto damaged = platform::Dictionary::create();
    damaged->set("waypoint", platform::Value("LSGL"));  // a text, not a record
    damaged->set("ringAngle", platform::Value::real(std::nan("")));
    damaged->set("original_latitude", platform::Value("north"));
    damaged->set("original_longitude", platform::Value::real(6.5));
    test::LogCapture log;
    vor->setSettings(damaged);
    EXPECT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
    EXPECT_TRUE(log.contains("primaryVOR"));
    EXPECT_TRUE(vor->selectedWaypoint().isNull());
    EXPECT_FLOAT_EQ(vor->ringAngle(), 0);
    EXPECT_DOUBLE_EQ(vor->originLat(), 0.0);
    EXPECT_DOUBLE_EQ(vor->originLon(), 6.5);

    auto outOfRange = platform::Dictionary::create();
    outOfRange->set("ringAngle", platform::Value::real(1e9));
    auto record = waypointAt("LSGL", kLausanneLat, kLausanneLon);
    record.asDictionary()->set(waypoints::keys::waypointLatitude, platform::Value::real(std::nan("")));
    outOfRange->set("waypoint", record);
    vor->setSettings(outOfRange);
    EXPECT_FLOAT_EQ(vor->ringAngle(), 0);
    EXPECT_TRUE(vor->selectedWaypoint().isNull());
    EXPECT_TRUE(std::isfinite(vor->referenceLat()));
}
