// Height in the fixes: GGA, GNS and PGRMZ lines as receivers send them, IGC B records, the
// location manager's smoothed vertical speed over a logger's climb, and the demo flight's climb,
// cruise and descent.

#include "PositioningTestSupport.h"
#include "tests/support/TestSupport.h"

#include "positioning/LocationManager.h"
#include "positioning/sources/IgcParser.h"
#include "positioning/sources/NmeaParser.h"
#include "positioning/sources/SimulatorSource.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vantrel::positioning;
using vantrel::test::readPositioningData;

namespace {

QByteArray sentence(QByteArrayView body) {
    uint sum = 0;
    for (char c : body) sum ^= uchar(c);
    return "$" + body.toByteArray() + "*" + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

std::vector<NmeaEpoch> parseAll(const QByteArray& data, NmeaParser* parser) {
    parser->addData(data);
    parser->finish();
    return parser->takeEpochs();
}

}  // namespace

// One epoch per case, as receivers send it; the position always stands, the height only when sound.
TEST(Altitude, NmeaLinesFromReceivers) {
    struct Case {
        const char* what;
        QByteArray lines;
        std::optional<double> altitude, pressureAltitude;
        const char* logged;  // nullptr: nothing logged
    };
    const QByteArray rmc = sentence("GPRMC,092750.000,A,5321.6802,N,00630.3372,W,0.02,31.66,280511,,,A");
    const Case cases[] = {
        {"GGA above mean sea level", rmc + sentence("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,"),
         61.7, std::nullopt, nullptr},
        {"GNGGA below sea level", sentence("GNGGA,092750.00,3133.5210,N,03523.4400,E,2,12,0.62,-412.8,M,19.6,M,1.0,0000"),
         -412.8, std::nullopt, nullptr},
        {"GNS with its altitude", sentence("GNGNS,092750.00,4614.2860,N,00606.5400,E,AAN,14,0.8,1250.3,48.2,,"), 1250.3,
         std::nullopt, nullptr},
        {"a barometric receiver's PGRMZ in feet", rmc + sentence("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,") +
             sentence("PGRMZ,246,f,3"), 61.7, 246 * 0.3048, nullptr},
        {"a PGRMZ before the epoch's sentences", sentence("PGRMZ,-35,f,3") + rmc, std::nullopt, -35 * 0.3048, nullptr},
        {"a 2-D fix has no altitude", sentence("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,3,2.5,,M,,M,,"), std::nullopt,
         std::nullopt, nullptr},
        {"an absurd geoid separation", sentence("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,9055.2,M,,"),
         std::nullopt, std::nullopt, "absurd geoid separation"},
        {"an altitude beyond 30 000 m", sentence("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,45061.7,M,55.2,M,,"),
         std::nullopt, std::nullopt, "impossible altitude"},
        {"an altitude that is no number", sentence("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,6l.7,M,55.2,M,,"),
         std::nullopt, std::nullopt, "altitude not a number"},
        {"an altitude in feet", sentence("GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,202.4,F,55.2,M,,"),
         std::nullopt, std::nullopt, "altitude not in metres"},
        {"a PGRMZ that is no number", rmc + sentence("PGRMZ,2A6,f,3"), std::nullopt, std::nullopt,
         "pressure altitude not a number"},
        {"a PGRMZ in an unknown unit", rmc + sentence("PGRMZ,246,x,3"), std::nullopt, std::nullopt, "unknown unit"},
        {"a PGRMZ beyond 30 000 m", rmc + sentence("PGRMZ,99999,f,3"), std::nullopt, std::nullopt,
         "impossible pressure altitude"},
    };
    for (const Case& c : cases) {
        vantrel::test::LogCapture log;
        NmeaParser parser(QStringLiteral("receiver"), QDate(2011, 5, 28));
        const std::vector<NmeaEpoch> epochs = parseAll(c.lines, &parser);
        ASSERT_EQ(epochs.size(), 1u) << c.what;
        ASSERT_TRUE(epochs[0].fix) << c.what;
        const Fix& fix = *epochs[0].fix;
        EXPECT_TRUE(fix.hasValidCoordinate()) << c.what;
        ASSERT_EQ(fix.altitude.has_value(), c.altitude.has_value()) << c.what;
        if (c.altitude) {
            EXPECT_DOUBLE_EQ(*fix.altitude, *c.altitude) << c.what;
        }
        ASSERT_EQ(fix.pressureAltitude.has_value(), c.pressureAltitude.has_value()) << c.what;
        if (c.pressureAltitude) {
            EXPECT_DOUBLE_EQ(*fix.pressureAltitude, *c.pressureAltitude) << c.what;
        }
        EXPECT_FALSE(fix.verticalSpeed) << c.what;
        if (c.logged) {
            EXPECT_TRUE(log.contains(QLatin1String(c.logged))) << c.what << ": " << log.lines().join('\n').toStdString();
        } else {
            EXPECT_EQ(parser.badLines(), 0) << c.what << ": " << log.lines().join('\n').toStdString();
        }
    }
}

// A stream where PGRMZ follows each epoch's RMC and GGA: each fix carries its own pressure altitude.
TEST(Altitude, PressureAltitudeStaysWithItsEpoch) {
    QByteArray stream;
    for (int s = 0; s < 4; ++s) {
        const QByteArray t = QByteArray("1015") + QByteArray::number(10 + s);
        stream += sentence("GPRMC," + t + ".00,A,4630.000,N,00615.000,E,90.0,45.0,150324,,,A");
        stream += sentence("GPGGA," + t + ".00,4630.000,N,00615.000,E,1,08,1.0," + QByteArray::number(1000 + 10 * s) + ".0,M,48.0,M,,");
        stream += sentence("PGRMZ," + QByteArray::number(3200 + 33 * s) + ",f,3");
    }
    NmeaParser parser(QStringLiteral("stream"), QDate(2024, 3, 15));
    const std::vector<NmeaEpoch> epochs = parseAll(stream, &parser);
    ASSERT_EQ(epochs.size(), 4u);
    for (int s = 0; s < 4; ++s) {
        ASSERT_TRUE(epochs[size_t(s)].fix);
        EXPECT_DOUBLE_EQ(*epochs[size_t(s)].fix->altitude, 1000.0 + 10 * s) << s;
        EXPECT_DOUBLE_EQ(*epochs[size_t(s)].fix->pressureAltitude, (3200.0 + 33 * s) * 0.3048) << s;
    }
}

// B records: pressure and GNSS altitudes, none on 00000, no GNSS altitude on a V record, and
// damaged fields logged while the position stands.
TEST(Altitude, IgcRecords) {
    vantrel::test::LogCapture log;
    const std::vector<Fix> valais =
        IgcParser::parse(readPositioningData("valais-midnight.igc"), QStringLiteral("valais"), QDate(2000, 1, 1));
    ASSERT_EQ(valais.size(), 9u);
    EXPECT_EQ(valais[0].pressureAltitude, 1500.0);
    EXPECT_EQ(valais[0].altitude, 1550.0);
    EXPECT_EQ(valais[5].pressureAltitude, 1505.0);  // the V record
    EXPECT_FALSE(valais[5].altitude);

    const QByteArray header = "AXXX\r\nHFDTEDATE:120626,01\r\n";
    struct Case {
        const char* record;
        std::optional<double> pressure, gnss;
        bool logged;
    };
    const Case cases[] = {
        {"B1012054613152N00719614EA0044700482", 447, 482, false},
        {"B1012054613152N00719614EA-001200021", -12, 21, false},
        {"B1012054613152N00719614EA0000000482", std::nullopt, 482, false},  // no barometer
        {"B1012054613152N00719614EA0000000000", std::nullopt, std::nullopt, false},
        {"B1012054613152N00719614EA00447-0003", 447, -3, false},
        {"B1012054613152N00719614EA0X44700482", std::nullopt, 482, true},
        {"B1012054613152N00719614EA0044740482", 447, std::nullopt, true},  // 40 482 m
        {"B1012054613152N00719614EV0044700482", 447, std::nullopt, false},
        {"B1012054613152N00719614EV00447XXXXX", 447, std::nullopt, false},  // V: its GNSS field is nothing
    };
    for (const Case& c : cases) {
        vantrel::test::LogCapture one;
        const std::vector<Fix> fixes = IgcParser::parse(header + c.record + "\r\n", QStringLiteral("case"), QDate(2000, 1, 1));
        ASSERT_EQ(fixes.size(), 1u) << c.record;
        EXPECT_EQ(fixes[0].pressureAltitude, c.pressure) << c.record;
        EXPECT_EQ(fixes[0].altitude, c.gnss) << c.record;
        EXPECT_EQ(one.contains("impossible altitude"), c.logged) << c.record;
    }
}

// A logger's file of a climb out of Sion at 2.5 m/s, replayed through the location manager: the
// smoothed vertical speed is the climb's, and nothing after a failure.
TEST(Altitude, LocationManagerSmoothsTheVerticalSpeedOfAClimb) {
    const std::vector<Fix> fixes =
        IgcParser::parse(readPositioningData("sion-climb.igc"), QStringLiteral("sion"), QDate(2000, 1, 1));
    ASSERT_EQ(fixes.size(), 300u);
    EXPECT_EQ(fixes.front().altitude, 482.0);
    EXPECT_EQ(fixes.front().pressureAltitude, 447.0);
    EXPECT_EQ(fixes.back().altitude, 1177.0);

    LocationManager manager;
    EXPECT_FALSE(manager.verticalSpeed());
    for (size_t i = 0; i < fixes.size(); ++i) {
        manager.locationManagerDidUpdateToLocation(fixes[i]);
        if (i == 0) {
            EXPECT_FALSE(manager.verticalSpeed());
        } else if (i == 15) {
            EXPECT_NEAR(manager.verticalSpeed().value_or(99), 0.0, 0.2);  // still on the ground
        } else if (i >= 40) {
            EXPECT_NEAR(manager.verticalSpeed().value_or(99), 2.5, 0.2) << i;  // rounding to whole metres
        }
    }
    manager.locationManagerDidFailWithError(QStringLiteral("lost"));
    EXPECT_FALSE(manager.verticalSpeed());

    // Fixes with GNSS altitudes only, and fixes with only the source's vertical speed.
    LocationManager gnss;
    for (int i = 0; i < 8; ++i) {
        Fix f = vantrel::test::makeFix(46, 7, 5, 1000.0 + i);
        f.altitude = 800.0 - 4.0 * i;
        gnss.locationManagerDidUpdateToLocation(f);
    }
    EXPECT_NEAR(gnss.verticalSpeed().value_or(99), -4.0, 1e-9);
    LocationManager reported;
    for (int i = 0; i < 8; ++i) {
        Fix f = vantrel::test::makeFix(46, 7, 5, 1000.0 + i);
        f.verticalSpeed = i % 2 ? 1.0 : 2.0;
        reported.locationManagerDidUpdateToLocation(f);
    }
    EXPECT_NEAR(reported.verticalSpeed().value_or(99), 1.5, 0.1);
    // A fix without any height ends the value.
    reported.locationManagerDidUpdateToLocation(vantrel::test::makeFix(46, 7, 5, 1009.0));
    EXPECT_FALSE(reported.verticalSpeed());
}

// The demo flight stands and taxis at the field's height, climbs at 700 fpm to its cruise, and
// descends at 500 fpm to land at the field again; every fix has its altitudes and vertical speed.
TEST(Altitude, DemoFlightClimbsCruisesAndDescends) {
    vantrel::test::LogCapture log;
    SimulatorSource source({}, 11);
    source.setPacing(PositionSource::Pacing::AsFastAsPossible);
    std::vector<Fix> fixes;
    std::vector<SimulatorSource::Phase> phases;
    source.setHandlers({[&](const Fix& f) {
                            fixes.push_back(f);
                            phases.push_back(source.phase());
                        },
                        {}, {}, {}});
    source.startUpdatingLocation();
    ASSERT_GT(fixes.size(), 1000u);
    const double field = SimulatorSource::kFieldElevation, cruise = field + SimulatorSource::kCruiseHeight;
    double highest = 0;
    size_t reachedCruise = 0, leftCruise = 0;
    for (size_t i = 0; i < fixes.size(); ++i) {
        const Fix& f = fixes[i];
        ASSERT_TRUE(f.altitude && f.pressureAltitude && f.verticalSpeed) << i;
        EXPECT_DOUBLE_EQ(*f.pressureAltitude, *f.altitude + SimulatorSource::kPressureAltitudeOffset);
        EXPECT_LE(*f.verticalSpeed, SimulatorSource::kClimbRate + 1e-9);
        EXPECT_GE(*f.verticalSpeed, -SimulatorSource::kDescentRate - 1e-9);
        if (phases[i] != SimulatorSource::Phase::Circuit) {
            EXPECT_EQ(*f.altitude, field) << i;
        }
        if (i > 0 && phases[i] == SimulatorSource::Phase::Circuit && phases[i - 1] == phases[i]) {
            // The climb or descent between two fixes a second apart is the vertical speed's.
            EXPECT_NEAR(*f.altitude - *fixes[i - 1].altitude, *f.verticalSpeed, 0.5) << i;
        }
        highest = std::max(highest, *f.altitude);
        if (!reachedCruise && *f.altitude > cruise - 1) reachedCruise = i;
        if (reachedCruise && !leftCruise && *f.altitude < cruise - 50) leftCruise = i;
    }
    EXPECT_LE(highest, cruise + 1e-6);
    ASSERT_GT(reachedCruise, 0u);
    ASSERT_GT(leftCruise, reachedCruise + 600);  // ten minutes and more at cruise
    // About 5 minutes 20 s of climb at 700 fpm from the take-off.
    const size_t airborne = size_t(std::find(phases.begin(), phases.end(), SimulatorSource::Phase::Circuit) - phases.begin());
    EXPECT_NEAR(double(reachedCruise - airborne), SimulatorSource::kCruiseHeight / SimulatorSource::kClimbRate, 30.0);
    // The descent is flown at its rate and ends near the field when the landing begins.
    const size_t landing = size_t(std::find(phases.begin(), phases.end(), SimulatorSource::Phase::Landing) - phases.begin());
    ASSERT_LT(landing, fixes.size());
    EXPECT_LT(*fixes[landing - 1].altitude - field, 15.0);
    EXPECT_NEAR(*fixes[leftCruise + 30].verticalSpeed, -SimulatorSource::kDescentRate, 0.05);
}
