#include "tests/support/TestSupport.h"

#include "platform/core/NotificationCenter.h"
#include "positioning/AccelerationManager.h"

#include <QAccelerometer>

#include <gtest/gtest.h>

using vantrel::platform::NotificationCenter;
using vantrel::positioning::AccelerationManager;

TEST(AccelerationManager, SmoothsEachAxisAndAnnouncesEverySample) {
    AccelerationManager manager(false);
    int updates = 0;
    NotificationCenter::defaultCenter().addObserver(&updates, "AccelerationUpdate", &manager,
                                                    [&](const auto&) { ++updates; });
    EXPECT_EQ(manager.accelerationX(), 0.0);
    manager.accelerometerDidAccelerate(1.0, -1.0, 0.5);
    EXPECT_DOUBLE_EQ(manager.accelerationX(), 0.1);
    EXPECT_DOUBLE_EQ(manager.accelerationY(), -0.1);
    EXPECT_DOUBLE_EQ(manager.accelerationZ(), 0.05);
    manager.accelerometerDidAccelerate(1.0, -1.0, 0.5);
    EXPECT_DOUBLE_EQ(manager.accelerationX(), 0.19);
    manager.accelerometerDidAccelerate(1.0, -1.0, 0.5);
    EXPECT_DOUBLE_EQ(manager.accelerationX(), 0.271);
    for (int i = 3; i < 15; ++i) manager.accelerometerDidAccelerate(1.0, -1.0, 0.5);
    EXPECT_NEAR(manager.accelerationX(), 0.794, 5e-4);  // one second at 15 samples a second
    EXPECT_EQ(updates, 15);
    NotificationCenter::defaultCenter().removeObserver(&updates);
}

TEST(AccelerationManager, SamplesThatAreNoNumbersAreDropped) {
    vantrel::test::LogCapture log;
    AccelerationManager manager(false);
    manager.accelerometerDidAccelerate(1.0, 0, 0);
    manager.accelerometerDidAccelerate(NAN, 0, 0);
    manager.accelerometerDidAccelerate(0, INFINITY, 0);
    EXPECT_DOUBLE_EQ(manager.accelerationX(), 0.1);
    EXPECT_EQ(manager.accelerationY(), 0.0);
    manager.accelerometerDidAccelerate(1.0, 0, 0);
    EXPECT_DOUBLE_EQ(manager.accelerationX(), 0.19);
    EXPECT_TRUE(log.contains("not a number"));
}

TEST(AccelerationManager, SourceSamplesServeWhenThereIsNoSensor) {
    AccelerationManager manager(false);
    manager.sourceDidAccelerate(0.5, -1, 0);
    EXPECT_DOUBLE_EQ(manager.accelerationX(), 0.05);
}

// QtSensors offers a "dummy" accelerometer that reads a constant on machines without one; it must
// not be taken for a sensor (or the replay's and simulator's samples would be thrown away).
TEST(AccelerationManager, TheDummyBackendIsNoSensor) {
    bool onlyDummies = true;
    for (const QByteArray& id : QSensor::sensorsForType(QAccelerometer::sensorType))
        if (!id.startsWith("dummy.")) onlyDummies = false;
    if (!onlyDummies) GTEST_SKIP() << "this machine has a real accelerometer";
    AccelerationManager manager(true);
    EXPECT_FALSE(manager.hasSensor());
    manager.sourceDidAccelerate(0.5, -1, 0);
    EXPECT_DOUBLE_EQ(manager.accelerationX(), 0.05);
}
