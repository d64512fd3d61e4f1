// The round instruments' arithmetic: course deviation, the VOR's flag and needle, the ADF target,
// the animation step, the ring drag and the texts, with the cases that a wrong sign, a wrong wrap
// or a wrong clamp would get wrong.

#include "instruments/InstrumentMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantrel::instruments;

TEST(InstrumentMath, DifferentialAngleIsBearingMinusCourseWrappedIntoHalfTurns) {
    EXPECT_FLOAT_EQ(differentialAngle(0, 350), -10);
    EXPECT_FLOAT_EQ(differentialAngle(350, 10), 20);
    EXPECT_FLOAT_EQ(differentialAngle(90, 270), -180);
    EXPECT_FLOAT_EQ(differentialAngle(0, 5), 5);
    EXPECT_FLOAT_EQ(differentialAngle(0, 185), -175);
    EXPECT_FLOAT_EQ(differentialAngle(123, 123), 0);
    EXPECT_FLOAT_EQ(differentialAngle(360, 0), 0);
}

TEST(InstrumentMath, VorFlagAndDeflectionFollowTheReciprocalRuleAndClampAtTwelve) {
    struct Case { float d; VorFlag flag; float deflection; };
    for (const Case& c : {Case{5, VorFlag::To, 5}, Case{20, VorFlag::To, 12}, Case{175, VorFlag::From, 5},
                          Case{-175, VorFlag::From, -5}, Case{90, VorFlag::To, 12}, Case{-90, VorFlag::To, -12},
                          Case{-180, VorFlag::From, 0}, Case{-8, VorFlag::To, -8}, Case{100, VorFlag::From, 12}}) {
        const VorIndication shown = vorIndication(c.d, true);
        EXPECT_EQ(shown.flag, c.flag) << "d = " << c.d;
        EXPECT_FLOAT_EQ(shown.deflection, c.deflection) << "d = " << c.d;
    }
    const VorIndication invalid = vorIndication(5, false);
    EXPECT_EQ(invalid.flag, VorFlag::None);
    EXPECT_FLOAT_EQ(invalid.deflection, -12);
}

TEST(InstrumentMath, VorNeedleMovesSevenAndAHalfPointsPerDegreeOnA320PointView) {
    const QRectF bounds(0, 0, 320, 320);
    EXPECT_DOUBLE_EQ(vorNeedleArea(bounds).width(), 180);
    EXPECT_FLOAT_EQ(vorNeedleLeft(bounds, 0), 157);
    EXPECT_FLOAT_EQ(vorNeedleLeft(bounds, 5), 157 + 37.5f);
    EXPECT_FLOAT_EQ(vorNeedleLeft(bounds, -12), 157 - 90);
    EXPECT_FLOAT_EQ(vorNeedleLeft(bounds, 12), 157 + 90);
}

TEST(InstrumentMath, AdfTargetIsNotWrapped) {
    EXPECT_FLOAT_EQ(adfTargetAngle(30, 0), 330);
    EXPECT_FLOAT_EQ(adfTargetAngle(10, 350), 700);
    EXPECT_FLOAT_EQ(adfTargetAngle(0, 0), 360);
}

TEST(InstrumentMath, AnimationStepsTwoDegreesTheShorterWayAndSnapsWithinTwo) {
    // 350 towards 10: up through 360 (never wrapped) until within 2, then the target itself.
    float angle = 350;
    int steps = 0;
    for (AnimationStep s = animationStep(angle, 10); s.again; s = animationStep(angle, 10)) {
        angle = s.indicatorAngle;
        ASSERT_LT(++steps, 20);
    }
    EXPECT_FLOAT_EQ(angle, 368);
    EXPECT_EQ(steps, 9);
    EXPECT_FLOAT_EQ(animationStep(angle, 10).indicatorAngle, 10);

    const AnimationStep snap = animationStep(99, 100.7f);
    EXPECT_FALSE(snap.again);
    EXPECT_FLOAT_EQ(snap.indicatorAngle, 100.7f);

    const AnimationStep down = animationStep(0, 330);  // 330 ahead is 30 behind
    EXPECT_TRUE(down.again);
    EXPECT_FLOAT_EQ(down.indicatorAngle, -2);
    // A target far from the indicator (a long flight's unwrapped angles) still steps, never jumps.
    EXPECT_FLOAT_EQ(animationStep(-700, 20).indicatorAngle, -698);
    EXPECT_FALSE(animationStep(0, std::numeric_limits<float>::quiet_NaN()).again);
}

TEST(InstrumentMath, RingDragTurnsHalfADegreePerPointByTheSideItBeganOnAndWrapsOnce) {
    EXPECT_FLOAT_EQ(ringAngleForDrag(100, {50, 200}, {50, 180}, 320), 90);     // left half, up 20
    EXPECT_FLOAT_EQ(ringAngleForDrag(100, {250, 200}, {250, 180}, 320), 110);  // right half, up 20
    EXPECT_FLOAT_EQ(ringAngleForDrag(100, {250, 200}, {10, 200}, 320), 100);   // sideways: nothing
    EXPECT_FLOAT_EQ(ringAngleForDrag(355, {250, 200}, {250, 180}, 320), 5);
    EXPECT_FLOAT_EQ(ringAngleForDrag(3, {250, 200}, {250, 220}, 320), 353);
    EXPECT_FLOAT_EQ(ringAngleForDrag(0, {160, 0}, {160, -10}, 320), 5);  // the middle counts as right
}

TEST(InstrumentMath, CourseSelectorAndWheel) {
    EXPECT_FLOAT_EQ(increasedAngle(359.5f), 0);
    EXPECT_FLOAT_EQ(increasedAngle(358.5f), 359.5f);
    EXPECT_FLOAT_EQ(ringAngleTurnedBy(359, 2), 1);
    EXPECT_FLOAT_EQ(ringAngleTurnedBy(1, -2), 359);
}

TEST(InstrumentMath, ValidityAndTextsNeverShowANumberThatIsNone) {
    EXPECT_TRUE(circularNavigationValid(true, 462999.9));
    EXPECT_FALSE(circularNavigationValid(true, 463000));
    EXPECT_FALSE(circularNavigationValid(true, std::nan("")));
    EXPECT_FALSE(circularNavigationValid(true, INFINITY));
    EXPECT_FALSE(circularNavigationValid(false, 10));

    EXPECT_EQ(trackText(7.9f), QString::fromUtf8("007°"));
    EXPECT_EQ(trackText(359.99f), QString::fromUtf8("359°"));
    EXPECT_EQ(trackText(std::nanf("")), QString::fromUtf8("---°"));
    EXPECT_EQ(speedText(51.4444, 1.943844, "kt"), "100 kt");
    EXPECT_EQ(speedText(std::nan(""), 1.943844, "kt"), "-- kt");
    EXPECT_EQ(truncatedBearing(359.9f), 359);
    EXPECT_EQ(truncatedBearing(std::nanf("")), 0);
}
