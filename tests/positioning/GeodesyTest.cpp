#include "positioning/Geodesy.h"

#include <gtest/gtest.h>

#include <cmath>

using vantrel::positioning::FloatPoint;
using vantrel::positioning::Geodesy;

TEST(Geodesy, DistancesOfOneDegree) {
    EXPECT_NEAR(Geodesy::calcDistanceInMeters(6, 46, 6, 47), 111226.3, 0.05);  // along a meridian
    EXPECT_NEAR(Geodesy::calcDistanceInMeters(0, 0, 1, 0), 111226.3, 0.05);    // along the equator
    EXPECT_NEAR(Geodesy::calcDistanceInMeters(0, 60, 1, 60), 55612.62, 0.01);
    EXPECT_NEAR(Geodesy::calcDistanceInMeters(6, 46, 7, 47), 135027.70, 0.01);
    EXPECT_EQ(Geodesy::calcDistanceInMeters(6, 46, 7, 47), Geodesy::calcDistanceInMeters(7, 47, 6, 46));
}

TEST(Geodesy, AntipodesAreHalfTheEarthAroundAndNeverNaN) {
    double half = Geodesy::kEarthRadiusMetres * M_PI;
    for (double lat : {0.0, 30.0, -45.0, 89.9}) {
        double d = Geodesy::calcDistanceInMeters(10, lat, -170, -lat);
        ASSERT_FALSE(std::isnan(d)) << lat;
        EXPECT_NEAR(d, half, 1.0) << lat;
    }
}

TEST(Geodesy, LegsMeasureAlongTheFirstPointsParallelAndMeridian) {
    EXPECT_EQ(Geodesy::lateralDistance(6, 46, 7, 47), Geodesy::lateralDistance(6, 46, 7, -20));
    EXPECT_EQ(Geodesy::lateralDistance(6, 46, 7, 47), Geodesy::calcDistanceInMeters(6, 46, 7, 46));
    EXPECT_EQ(Geodesy::verticalDistance(6, 46, 7, 47), Geodesy::verticalDistance(6, 46, 120, 47));
    EXPECT_EQ(Geodesy::verticalDistance(6, 46, 7, 47), Geodesy::calcDistanceInMeters(6, 46, 6, 47));
    EXPECT_GE(Geodesy::lateralDistance(7, 46, 6, 47), 0.0);  // distances, never signed
}

TEST(Geodesy, BearingsRoundTheCompassWithTheSinglePrecisionPi) {
    FloatPoint origin{0, 0};
    EXPECT_EQ(Geodesy::calcAngle(origin, {0, 1}), 0.0f);
    EXPECT_EQ(Geodesy::calcAngle(origin, {1, 0}), 90.0000076f);  // not exactly 90: pi taken as 3.1415925
    EXPECT_NE(Geodesy::calcAngle(origin, {1, 0}), 90.0f);
    EXPECT_EQ(Geodesy::calcAngle(origin, {0, -1}), 180.0f);
    EXPECT_FLOAT_EQ(Geodesy::calcAngle(origin, {-1, 0}), 270.0f);
    EXPECT_FLOAT_EQ(Geodesy::calcAngle(origin, {1, 1}), 45.0000038f);
    EXPECT_FLOAT_EQ(Geodesy::calcAngle(origin, {-1, -1}), 225.0f);
    EXPECT_FLOAT_EQ(Geodesy::calcAngle(origin, {-1, 1}), 315.0f);
    EXPECT_FLOAT_EQ(Geodesy::calcAngle(origin, {1, -1}), 135.0f);
    EXPECT_EQ(Geodesy::calcAngle({6.5f, 46.5f}, {6.5f, 46.5f}), 0.0f);
    EXPECT_NEAR(Geodesy::calcAngle({6, 46}, {7, 47}), 34.79f, 0.005f);
}

TEST(Geodesy, BearingsAcrossThe180thMeridianTakeTheShorterWay) {
    EXPECT_NEAR(Geodesy::calcAngle({179.5f, 0}, {-179.5f, 0}), 90.0f, 0.01f);
    EXPECT_NEAR(Geodesy::calcAngle({-179.5f, -17}, {179.5f, -17}), 270.0f, 0.01f);
    // North-east and south-west across it, as on either side of it.
    const float across = Geodesy::calcAngle({179.9f, 65}, {-179.6f, 65.2f});
    EXPECT_NEAR(across, Geodesy::calcAngle({-0.1f, 65}, {0.4f, 65.2f}), 0.01f);
    EXPECT_GT(across, 0.0f);
    EXPECT_LT(across, 90.0f);
    EXPECT_NEAR(Geodesy::calcAngle({-179.6f, 65.2f}, {179.9f, 65}), Geodesy::calcAngle({0.4f, 65.2f}, {-0.1f, 65}), 0.01f);
}

TEST(Geodesy, BearingJustWestOfNorthRoundsUpTo360) {
    float bearing = Geodesy::calcAngle({0, 0}, {-1e-7f, 10});
    EXPECT_GT(bearing, 359.99f);
    EXPECT_LE(bearing, 360.0f);
}

TEST(Geodesy, PlaneAngleUsesTheSameQuadrants) {
    EXPECT_FLOAT_EQ(Geodesy::calcGeometricAngle({0, 0}, {3, 3}), 45.0000038f);
    EXPECT_EQ(Geodesy::calcGeometricAngle({0, 0}, {0, -2}), 180.0f);
    EXPECT_FLOAT_EQ(Geodesy::calcGeometricAngle({10, 10}, {0, 10}), 270.0f);
    EXPECT_FLOAT_EQ(Geodesy::calcGeometricAngle({0, 0}, {-1, 1}), 315.0f);
}

TEST(Geodesy, GreatCirclePoints) {
    FloatPoint from{6.1f, 46.2f}, to{-73.8f, 40.6f};
    FloatPoint start = Geodesy::calcGreatCircle(from, to, 0.0);
    FloatPoint end = Geodesy::calcGreatCircle(from, to, 1.0);
    EXPECT_NEAR(start.x, from.x, 1e-4);
    EXPECT_NEAR(start.y, from.y, 1e-4);
    EXPECT_NEAR(end.x, to.x, 1e-4);
    EXPECT_NEAR(end.y, to.y, 1e-4);
    FloatPoint middle = Geodesy::calcGreatCircle({0, 0}, {90, 0}, 0.5);
    EXPECT_NEAR(middle.x, 45.0f, 1e-5);
    EXPECT_NEAR(middle.y, 0.0f, 1e-5);
    // Going west from Geneva to New York the great circle bulges north of both ends.
    EXPECT_GT(Geodesy::calcGreatCircle(from, to, 0.5).y, 50.0f);
}

TEST(Geodesy, GreatCircleOfDegenerateEndsGivesRealPoints) {
    FloatPoint here{6.1f, 46.2f};
    for (double f : {0.0, 0.3, 1.0}) {
        FloatPoint p = Geodesy::calcGreatCircle(here, here, f);
        EXPECT_EQ(p.x, here.x);
        EXPECT_EQ(p.y, here.y);
    }
    // Antipodes: any great circle will do, but every point must be a number on it.
    FloatPoint a{20, 0}, b{-160, 0};
    for (double f : {0.0, 0.25, 0.5, 0.75, 1.0}) {
        FloatPoint p = Geodesy::calcGreatCircle(a, b, f);
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << f;
        double fromA = Geodesy::calcDistanceInMeters(a.x, a.y, p.x, p.y);
        EXPECT_NEAR(fromA, f * Geodesy::kEarthRadiusMetres * M_PI, 50.0) << f;
    }
}

TEST(Geodesy, CoordinateTextsTruncate) {
    EXPECT_EQ(Geodesy::formattedCoordinates(46.5, false), QStringLiteral("N 046°30'00''"));
    EXPECT_EQ(Geodesy::formattedCoordinates(-6.25, true), QStringLiteral("W 006°15'00''"));
    EXPECT_EQ(Geodesy::formattedCoordinates(-0.0, true), QStringLiteral("E 000°00'00''"));
    EXPECT_EQ(Geodesy::formattedCoordinates(7.9999999, false), QStringLiteral("N 007°59'59''"));
    EXPECT_EQ(Geodesy::formattedCoordinates(-33.8688, false), QStringLiteral("S 033°52'07''"));
    EXPECT_EQ(Geodesy::formattedCoordinates(179.5, true), QStringLiteral("E 179°30'00''"));
}

TEST(Geodesy, CoordinateTextOfNoCoordinate) {
    EXPECT_EQ(Geodesy::formattedCoordinates(std::nan(""), true), QStringLiteral("--"));
    EXPECT_EQ(Geodesy::formattedCoordinates(INFINITY, false), QStringLiteral("--"));
    EXPECT_EQ(Geodesy::formattedCoordinates(1e300, false), QStringLiteral("--"));
}
