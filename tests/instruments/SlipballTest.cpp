// The slip ball: where the ball goes for a lateral acceleration (no clamping), that it follows any
// sender's "AccelerationUpdate" but always reads the acceleration manager, and what lands on the
// picture at 1x and 2x.

#include "InstrumentTestSupport.h"

#include "instruments/SlipballView.h"
#include "platform/core/NotificationCenter.h"
#include "positioning/AccelerationManager.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {
// Feeds the same sample until the manager's smoothing has settled on it.
void accelerate(positioning::AccelerationManager& manager, double x) {
    for (int i = 0; i < 400; ++i) manager.accelerometerDidAccelerate(x, -1.0, 0.0);
}
}  // namespace

TEST(Slipball, BallMovesWithTwiceTheLateralAccelerationAndRisesTowardsTheEnds) {
    positioning::AccelerationManager manager(false);
    instruments::SlipballView ball(QRectF(0, 55, 320, 40), manager);
    EXPECT_EQ(ball.geometry(), QRect(0, 55, 320, 40));
    EXPECT_EQ(ball.tubeSize(), QSizeF(320, 40));
    EXPECT_EQ(ball.ballPosition(), QPointF(150, 4));  // before any reading: centred

    struct Case { double lateral; QPointF at; };
    for (const Case& c : {Case{0.25, {222, 0}}, Case{-0.5, {6, -4}}, Case{0.0, {150, 4}}, Case{1.0, {438, -12}}}) {
        accelerate(manager, c.lateral);
        EXPECT_NEAR(ball.ballPosition().x(), c.at.x(), 1e-3) << c.lateral;
        EXPECT_NEAR(ball.ballPosition().y(), c.at.y(), 1e-3) << c.lateral;
    }
}

TEST(Slipball, AnySenderMovesItButTheValueComesFromTheManager) {
    positioning::AccelerationManager manager(false);
    instruments::SlipballView ball(QRectF(0, 55, 320, 40), manager);
    accelerate(manager, 0.25);
    int stranger = 0;
    platform::NotificationCenter::defaultCenter().postNotificationName("AccelerationUpdate", &stranger);
    EXPECT_NEAR(ball.acceleration(), 0.5, 1e-6);
}

TEST(Slipball, PictureShowsTheBallWhereTheAccelerationPutsIt) {
    positioning::AccelerationManager manager(false);
    instruments::SlipballView ball(QRectF(0, 0, 320, 40), manager);
    for (double scale : {1.0, 2.0}) {
        accelerate(manager, 0.0);
        QImage centred = test::render(ball, scale);
        test::savePicture(centred, QStringLiteral("slipball-0-%1x").arg(scale));
        EXPECT_TRUE(test::isDark(test::pixelAt(centred, {160, 14}))) << scale;
        EXPECT_FALSE(test::isDark(test::pixelAt(centred, {232, 10}))) << scale;

        accelerate(manager, 0.25);
        QImage right = test::render(ball, scale);
        test::savePicture(right, QStringLiteral("slipball-0.5-%1x").arg(scale));
        EXPECT_TRUE(test::isDark(test::pixelAt(right, {232, 10}))) << scale;
        EXPECT_FALSE(test::isDark(test::pixelAt(right, {160, 14}))) << "the grey tube shows where the ball was";
        EXPECT_FALSE(test::isDark(test::pixelAt(right, {88, 10}))) << "not on the left";
    }
}
