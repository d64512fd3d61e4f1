// What the round instruments put on the screen, checked pixel by pixel at 1x and 2x: the VOR's
// needle where the deviation puts it (and clipped to the face), its TO or FROM flag, the invalid
// overlay; the ADF needle turned to the waypoint relative to the track; the compass card turned so
// the track is at the top, and the pilot's orange bug.

#include "InstrumentTestSupport.h"

#include "instruments/ADFView.h"
#include "instruments/CompassView.h"
#include "instruments/VORView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace vantrel;
using namespace vantrel::instruments;
using test::InstrumentWorld;

namespace {

constexpr double kLat = 46.2381, kLon = 6.1089;

// A waypoint about 20 km away on that bearing from the aircraft.
platform::Value waypointOnBearing(double bearing) {
    const double rad = bearing * M_PI / 180.0;
    const double north = 20000.0 * std::cos(rad) / 111195.0;
    const double east = 20000.0 * std::sin(rad) / (111195.0 * std::cos(kLat * M_PI / 180.0));
    return test::waypointAt("WPT", kLat + north, kLon + east);
}

QPointF onRadius(double angleClockwiseFromUp, double radius) {
    const double rad = angleClockwiseFromUp * M_PI / 180.0;
    return {160 + radius * std::sin(rad), 160 - radius * std::cos(rad)};
}

class VorDrawing : public ::testing::TestWithParam<double> {};

}  // namespace

TEST_P(VorDrawing, NeedleAndFlagFollowTheDeviation) {
    const double scale = GetParam();
    InstrumentWorld world;
    world.fix(kLat, kLon);
    auto vor = world.make<VORView>();
    vor->setWaypoint(waypointOnBearing(40.5));
    ASSERT_TRUE(vor->navIsValid());
    const int bearing = vor->angleToReference();

    struct Case { int d; float deflection; bool from; };
    for (const Case& c : {Case{5, 5, false}, Case{20, 12, false}, Case{175, 5, true}, Case{-175, -5, true},
                          Case{90, 12, false}, Case{-3, -3, false}}) {
        // A ring set d degrees left of the bearing is the ring-0 picture of a bearing d.
        vor->setRingAngle(float((bearing - c.d + 720) % 360));
        ASSERT_FLOAT_EQ(vor->differentialAngle(), float(c.d));
        const QImage picture = test::render(*vor, scale);
        test::savePicture(picture, QStringLiteral("vor-d%1-%2x").arg(c.d).arg(scale));
        const double x = 160 + 7.5 * c.deflection;
        SCOPED_TRACE(testing::Message() << "d = " << c.d << " at " << scale << "x");
        EXPECT_TRUE(test::isWhite(test::pixelAt(picture, {x, 110}))) << "needle centre";
        EXPECT_TRUE(test::isWhite(test::pixelAt(picture, {x, 220})));
        EXPECT_FALSE(test::isWhite(test::pixelAt(picture, {x - 8, 110}))) << "left of the needle";
        EXPECT_FALSE(test::isWhite(test::pixelAt(picture, {x + 8, 110}))) << "right of the needle";
        EXPECT_EQ(test::anyNear(picture, {215, 125}, 2, test::isWhite), !c.from) << "TO flag";
        EXPECT_EQ(test::anyNear(picture, {215, 195}, 2, test::isWhite), c.from) << "FROM flag";
        EXPECT_FALSE(test::anyNear(picture, {115, 112}, 3, test::isRed)) << "no invalid overlay";
    }
    // Full right, above the face: the bar is clipped to the circle, the ring shows black there.
    vor->setRingAngle(float((bearing - 20 + 720) % 360));
    const QImage clipped = test::render(*vor, scale);
    EXPECT_TRUE(test::isWhite(test::pixelAt(clipped, {250, 160 - 20})));
    EXPECT_FALSE(test::isWhite(test::pixelAt(clipped, {250, 75})));
}

TEST_P(VorDrawing, WithoutNavigationTheNeedleLiesFullLeftUnderTheOverlayAndNoFlag) {
    const double scale = GetParam();
    InstrumentWorld world;
    auto vor = world.make<VORView>();  // no fix
    const QImage picture = test::render(*vor, scale);
    test::savePicture(picture, QStringLiteral("vor-invalid-%1x").arg(scale));
    EXPECT_TRUE(test::isWhite(test::pixelAt(picture, {70, 130})));
    EXPECT_FALSE(test::isWhite(test::pixelAt(picture, {160, 130})));
    EXPECT_TRUE(test::anyNear(picture, {115, 112}, 3, test::isRed));
    EXPECT_FALSE(test::anyNear(picture, {215, 125}, 2, test::isWhite));
    EXPECT_FALSE(test::anyNear(picture, {215, 195}, 2, test::isWhite));
}

TEST_P(VorDrawing, RingShowsTheSelectedCourseAtTheTop) {
    const double scale = GetParam();
    InstrumentWorld world;
    auto vor = world.make<VORView>();
    // Course 5: the N label stands 5 degrees left of the top, not right of it.
    vor->setRingAngle(5);
    const QImage picture = test::render(*vor, scale);
    EXPECT_TRUE(test::anyNear(picture, onRadius(-5, 128), 3, test::isWhite));
    EXPECT_FALSE(test::anyNear(picture, onRadius(5, 128), 3, test::isWhite));
}

TEST_P(VorDrawing, AdfNeedlePointsAtTheWaypointRelativeToTheTrack) {
    const double scale = GetParam();
    struct Case { double bearing; float track; double shownClockwise; };
    for (const Case& c : {Case{30.5, 0, 30}, Case{10.5, 350, 20}, Case{200.5, 60, 140}}) {
        InstrumentWorld world;
        world.fix(kLat, kLon);
        world.motion(50, c.track);
        auto adf = world.make<ADFView>();
        adf->setWaypoint(waypointOnBearing(c.bearing));
        ASSERT_EQ(adf->angleToReference(), int(c.bearing));
        test::settle(*adf);
        ASSERT_FLOAT_EQ(adf->indicatorAngle(), adf->targetIndicatorAngle());
        const QImage picture = test::render(*adf, scale);
        test::savePicture(picture, QStringLiteral("adf-%1-%2-%3x").arg(c.bearing).arg(c.track).arg(scale));
        SCOPED_TRACE(testing::Message() << "bearing " << c.bearing << " track " << c.track << " at " << scale << "x");
        EXPECT_TRUE(test::anyNear(picture, onRadius(c.shownClockwise, 80), 2, test::isOrangeish)) << "needle head";
        EXPECT_FALSE(test::anyNear(picture, onRadius(-c.shownClockwise, 80), 2, test::isOrangeish)) << "mirror image";
        EXPECT_FALSE(test::anyNear(picture, onRadius(c.shownClockwise + 180, 80), 2, test::isOrangeish)) << "tail";
    }
}

TEST_P(VorDrawing, CompassCardBringsTheTrackToTheTopAndTheBugTurnsWithTheRing) {
    const double scale = GetParam();
    InstrumentWorld world;
    world.fix(kLat, kLon);
    world.motion(50, 5);
    auto compass = world.make<CompassView>();
    test::settle(*compass);
    const QImage picture = test::render(*compass, scale);
    test::savePicture(picture, QStringLiteral("compass-track5-%1x").arg(scale));
    EXPECT_TRUE(test::anyNear(picture, onRadius(-5, 128), 3, test::isWhite)) << "N label left of the top";
    EXPECT_FALSE(test::anyNear(picture, onRadius(5, 128), 3, test::isWhite));
    EXPECT_TRUE(test::anyNear(picture, {160, 8}, 2, test::isOrangeish)) << "bug at the top";
    EXPECT_FALSE(test::anyNear(picture, {115, 112}, 3, test::isRed));

    compass->setRingAngle(90);
    const QImage turned = test::render(*compass, scale);
    EXPECT_FALSE(test::anyNear(turned, {160, 8}, 2, test::isOrangeish));
    EXPECT_TRUE(test::anyNear(turned, {8, 160}, 2, test::isOrangeish)) << "bug turned a quarter to the left";

    world.motion(1, 5);  // too slow: the overlay
    EXPECT_TRUE(test::anyNear(test::render(*compass, scale), {115, 112}, 3, test::isRed));
}

INSTANTIATE_TEST_SUITE_P(Scales, VorDrawing, ::testing::Values(1.0, 2.0),
                         [](const auto& info) { return info.param == 1.0 ? std::string("1x") : std::string("2x"); });

// The VOR needle is filled as its bar cut by the face's circle: the cut keeps what lies in both,
// follows the circle where the bar leaves it, and is empty beside the circle.
TEST(VorNeedleShape, IsTheBarCutByTheFace) {
    const QPointF centre(160, 160);
    const qreal radius = 110;
    // A needle at full left deflection, where the circle cuts its ends at a slant.
    const QPainterPath left = VORView::barInsideCircle(QRectF(67, 50, 6, 220), centre, radius);
    ASSERT_FALSE(left.isEmpty());
    EXPECT_TRUE(left.contains(QPointF(70, 160)));
    // At x = 70 the circle spans 160 -+ 63.25.
    EXPECT_TRUE(left.contains(QPointF(70, 160 - 62.5)));
    EXPECT_TRUE(left.contains(QPointF(70, 160 + 62.5)));
    EXPECT_FALSE(left.contains(QPointF(70, 160 - 64))) << "outside the face";
    EXPECT_FALSE(left.contains(QPointF(70, 160 + 64))) << "outside the face";
    const QRectF box = left.boundingRect();
    EXPECT_GE(box.left(), 67 - 1e-9);
    EXPECT_LE(box.right(), 73 + 1e-9);
    EXPECT_NEAR(box.top(), 160 - std::sqrt(110.0 * 110 - 87.0 * 87), 0.05) << "the bar's inner corner";
    // A centred needle: the bar's own ends lie on the circle's top and bottom.
    const QRectF centred = VORView::barInsideCircle(QRectF(157, 50, 6, 220), centre, radius).boundingRect();
    EXPECT_NEAR(centred.top(), 50, 0.05);
    EXPECT_NEAR(centred.bottom(), 270, 0.05);
    EXPECT_TRUE(VORView::barInsideCircle(QRectF(40, 50, 6, 220), centre, radius).isEmpty()) << "beside the face";
    EXPECT_TRUE(VORView::barInsideCircle(QRectF(67, 300, 6, 20), centre, radius).isEmpty()) << "below the face";
}
