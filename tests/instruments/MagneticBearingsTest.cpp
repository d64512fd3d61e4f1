// Bearings from magnetic north: a VOR's radials by its station's declared variation (or the
// model's there), the compass card and track turned by the variation at the aircraft, the ADF's
// relative bearing unchanged, the M/T marks, and the altitude and vertical speed texts.

#include "InstrumentTestSupport.h"

#include "instruments/ADFView.h"
#include "instruments/CompassView.h"
#include "instruments/InstrumentMath.h"
#include "instruments/MapProjection.h"
#include "instruments/VORView.h"

#include "positioning/Geodesy.h"
#include "positioning/MagneticModel.h"
#include "waypoints/WaypointKeys.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;
using namespace vantrel::instruments;
using test::InstrumentWorld;

namespace {

constexpr double kStationLat = 46.4687, kStationLon = 6.44806;  // St-Prex
constexpr double kFixTime = 1.7e9;                               // as InstrumentWorld::fix dates its fixes

double modelVariation(double lat, double lon, double altitude = 0.0) {
    return positioning::MagneticModel::builtIn()->declination(lat, lon, altitude,
                                                              positioning::MagneticModel::decimalYear(kFixTime));
}

// The latitude west of the station, 0.3 degree of longitude off, from which the true bearing to
// the station is the one asked.
double latitudeForBearing(double bearing) {
    double low = kStationLat - 0.2, high = kStationLat + 0.2;
    for (int i = 0; i < 60; ++i) {
        const double middle = (low + high) / 2;
        const float b = positioning::Geodesy::calcAngle({float(kStationLon - 0.3), float(middle)},
                                                        {float(kStationLon), float(kStationLat)});
        (b < bearing ? low : high) = middle;
    }
    return (low + high) / 2;
}

platform::Value station(std::optional<double> declaredVariation) {
    platform::Value record = test::waypointAt("SPR", kStationLat, kStationLon, 4, "St-Prex");
    if (declaredVariation)
        record.dictionary()->set(waypoints::keys::waypointMagneticVariation, platform::Value::real(*declaredVariation));
    return record;
}

}  // namespace

// A station declared 2 degrees east: the inbound course 090 from the chart centres the needle
// where the true bearing is 092. Without a declared variation the model's at the station counts.
TEST(MagneticBearings, VorRadialsFollowTheStationsVariation) {
    const double atStation = modelVariation(kStationLat, kStationLon);
    ASSERT_GT(atStation, 1.0);  // east, a few degrees, around Lake Geneva
    struct Case {
        const char* what;
        bool magnetic;
        std::optional<double> declared;
        std::optional<double> used;  // the variation the VOR applies
    };
    const Case cases[] = {
        {"true north", false, 2.0, std::nullopt},
        {"declared 2 E", true, 2.0, 2.0},
        {"declared 3.5 W", true, -3.5, -3.5},
        {"nothing declared", true, std::nullopt, atStation},
    };
    for (const Case& c : cases) {
        InstrumentWorld world;
        world.selectNorth(c.magnetic);
        auto vor = world.make<VORView>(true);
        world.fix(latitudeForBearing(92.5), kStationLon - 0.3);
        vor->setWaypoint(station(c.declared));
        ASSERT_TRUE(vor->navIsValid()) << c.what;
        EXPECT_EQ(vor->magneticVariation(), c.used) << c.what;
        const double trueBearing = world.location().angleTo(kStationLat, kStationLon);
        ASSERT_NEAR(trueBearing, 92.5, 0.01);
        const int course = int(std::trunc(trueBearing - c.used.value_or(0.0)));
        EXPECT_EQ(vor->angleToReference(), course) << c.what;
        // The ring set to that course: needle centred, TO. Two degrees off: the needle shows it.
        vor->setRingAngle(float(course));
        EXPECT_EQ(vor->indication().flag, VorFlag::To) << c.what;
        EXPECT_FLOAT_EQ(vor->indication().deflection, 0.0f) << c.what;
        vor->setRingAngle(float(course + 2));
        EXPECT_NE(vor->indication().deflection, 0.0f) << c.what;
    }
    // The case of the chart: 090 centres with the station's 2 E, 092 with true north.
    InstrumentWorld world;
    world.selectNorth(true);
    auto vor = world.make<VORView>(true);
    world.fix(latitudeForBearing(92.5), kStationLon - 0.3);
    vor->setWaypoint(station(2.0));
    vor->setRingAngle(90.0f);
    EXPECT_FLOAT_EQ(vor->indication().deflection, 0.0f);
    world.selectNorth(false);
    EXPECT_NE(vor->indication().deflection, 0.0f);
    vor->setRingAngle(92.0f);
    EXPECT_FLOAT_EQ(vor->indication().deflection, 0.0f);
}

// The compass card, its track and the ADF with either north; the marks say which.
TEST(MagneticBearings, CompassAndAdfTurnByTheVariationAtTheAircraft) {
    InstrumentWorld world;
    auto compass = world.make<CompassView>(true);
    auto adf = world.make<ADFView>(true);
    adf->setWaypoint(station(2.0));
    const double lat = 46.2381, lon = 6.1089;  // Geneva
    positioning::Fix fix;
    fix.latitude = lat;
    fix.longitude = lon;
    fix.horizontalAccuracy = 5;
    fix.timestamp = kFixTime;
    fix.altitude = 1371.6;
    world.location().locationManagerDidUpdateToLocation(fix);
    world.motion(50.0f, 48.7f);
    EXPECT_EQ(compass->labelText("trackLabel"), "048°T");
    EXPECT_FLOAT_EQ(compass->targetIndicatorAngle(), 48.7f);
    EXPECT_FALSE(compass->magneticVariation());
    EXPECT_EQ(compass->labelText("altitudeLabel"), "4496 ft");
    EXPECT_EQ(compass->labelText("verticalSpeedLabel"), "--");  // one fix measures no climb
    const float adfTrue = adf->targetIndicatorAngle();

    world.selectNorth(true);
    const double variation = modelVariation(lat, lon, 1371.6);
    ASSERT_TRUE(compass->magneticVariation());
    EXPECT_NEAR(*compass->magneticVariation(), variation, 1e-9);
    EXPECT_NEAR(compass->targetIndicatorAngle(), 48.7 - variation, 1e-4);
    EXPECT_EQ(compass->labelText("trackLabel"), QString::asprintf("%03d°M", int(48.7 - variation)));
    // The ADF's needle is relative to the track: the same with either north, to the truncation.
    EXPECT_NEAR(std::remainder(adf->targetIndicatorAngle() - adfTrue, 360.0f), 0.0f, 1.0f);
    EXPECT_EQ(adf->magneticVariation(), compass->magneticVariation());

    world.selectUnits(2);
    EXPECT_EQ(compass->labelText("altitudeLabel"), "1372 m");
    world.location().locationManagerDidFailWithError(QStringLiteral("lost"));
    EXPECT_EQ(compass->labelText("altitudeLabel"), "--");
    // Without a fix the last variation stays: the aircraft has not moved.
    EXPECT_TRUE(compass->magneticVariation());
}

TEST(MagneticBearings, TextsOfBearingsAltitudesAndVerticalSpeeds) {
    struct Bearing {
        float trueBearing;
        std::optional<double> variation;
        float shown;
    };
    for (const Bearing& b : {Bearing{48.7f, 2.7, 46.0f}, Bearing{5.0f, 10.0, 355.0f}, Bearing{359.5f, -1.0, 0.5f},
                             Bearing{10.0f, std::nullopt, 10.0f}, Bearing{0.0f, 0.0, 0.0f}})
        EXPECT_NEAR(bearingFromNorth(b.trueBearing, b.variation), b.shown, 1e-4) << b.trueBearing;

    EXPECT_EQ(bearingText(48.7f, true), "048°M");
    EXPECT_EQ(bearingText(48.7f, false), "048°T");
    EXPECT_EQ(bearingText(std::nanf(""), true), "---°M");
    EXPECT_EQ(summaryText(18520.0, 1852.0, "nm", 45.9f, 51.0f, u'M'), "DIS 10.0 nm - BRG 045°M - EET 6:03");
    EXPECT_EQ(summaryText(18520.0, 1852.0, "nm", 45.9f, 51.0f, u'T'), "DIS 10.0 nm - BRG 045°T - EET 6:03");

    const double feet = 3.278;  // the unit system's height factor
    struct Height {
        std::optional<double> value;
        double factor;
        const char* unit;
        const char* altitude;
        const char* verticalSpeed;
    };
    const Height heights[] = {
        {1371.6, feet, "ft", "4496 ft", "+269770 fpm"},
        {1370.0, 1.0, "m", "1370 m", "+1370.0 m/s"},
        {-12.0, feet, "ft", "-39 ft", "-2360 fpm"},
        {2.54, feet, "ft", "8 ft", "+500 fpm"},
        {-2.54, 1.0, "m", "-3 m", "-2.5 m/s"},
        {0.02, feet, "ft", "0 ft", "0 fpm"},
        {-0.04, 1.0, "m", "0 m", "0.0 m/s"},
        {std::nullopt, feet, "ft", "--", "--"},
        {std::nan(""), 1.0, "m", "--", "--"},
    };
    for (const Height& h : heights) {
        EXPECT_EQ(altitudeText(h.value, h.factor, h.unit), h.altitude) << h.altitude;
        EXPECT_EQ(verticalSpeedText(h.value, h.factor, h.unit), h.verticalSpeed) << h.verticalSpeed;
    }
    // The panes' height: the GNSS altitude first, else the pressure altitude as a flight level.
    EXPECT_EQ(heightText(1371.6, 1300.0, feet, "ft"), "4496 ft");
    EXPECT_EQ(heightText(std::nullopt, 1219.2, feet, "ft"), "FL040");
    EXPECT_EQ(heightText(std::nan(""), 10668.0, 1.0, "m"), "FL350");
    EXPECT_EQ(heightText(std::nullopt, 10.0, feet, "ft"), "FL000");
    EXPECT_EQ(heightText(std::nullopt, -152.4, feet, "ft"), "FL-05");
    EXPECT_EQ(heightText(std::nullopt, std::nullopt, feet, "ft"), "--");
}
