#include "PositioningTestSupport.h"
#include "tests/support/TestSupport.h"

#include "positioning/PositionSourceFactory.h"
#include "positioning/sources/TrackReplaySource.h"

#include <gtest/gtest.h>

using vantrel::positioning::createPositionSource;
using vantrel::positioning::PositionSource;
using vantrel::test::positioningData;

namespace {
QString describe(const QString& gpsOption) {
    QString error;
    std::unique_ptr<PositionSource> source = createPositionSource(gpsOption, &error);
    return source ? source->description() : QStringLiteral("error: ") + error;
}
}  // namespace

TEST(PositionSourceFactory, TheGpsForms) {
    vantrel::test::LogCapture log;
    EXPECT_EQ(describe("gpsd"), QStringLiteral("gpsd at localhost:2947"));
    EXPECT_EQ(describe("gpsd:pi.local"), QStringLiteral("gpsd at pi.local:2947"));
    EXPECT_EQ(describe("gpsd:10.0.0.5:3000"), QStringLiteral("gpsd at 10.0.0.5:3000"));
    EXPECT_EQ(describe("gpsd:[::1]:3000"), QStringLiteral("gpsd at ::1:3000"));
    EXPECT_EQ(describe("nmea:/dev/ttyACM0@9600"), QStringLiteral("NMEA on /dev/ttyACM0 at 9600 baud"));
    EXPECT_EQ(describe("nmea:/dev/ttyUSB0"), QStringLiteral("NMEA on /dev/ttyUSB0 at 4800 baud"));
    EXPECT_EQ(describe("tcp:192.168.1.10:10110"), QStringLiteral("NMEA from 192.168.1.10:10110 (TCP)"));
    EXPECT_EQ(describe("udp:49002"), QStringLiteral("NMEA on UDP port 49002"));
    EXPECT_EQ(describe("file:" + positioningData("geneva-midnight.nmea")), QStringLiteral("NMEA file geneva-midnight.nmea"));
    EXPECT_EQ(describe("igc:" + positioningData("valais-midnight.igc")), QStringLiteral("IGC file valais-midnight.igc"));
    EXPECT_TRUE(describe("demo").startsWith(QStringLiteral("simulator flying LSGG")));

    // A replay speed after the path.
    QString error;
    auto fast = createPositionSource("igc:" + positioningData("valais-midnight.igc") + "@10x", &error);
    ASSERT_TRUE(fast) << error.toStdString();
    EXPECT_DOUBLE_EQ(dynamic_cast<vantrel::positioning::TrackReplaySource&>(*fast).replaySpeed(), 10.0);
    auto slow = createPositionSource("file:" + positioningData("geneva-midnight.nmea") + "@0.5x", &error);
    ASSERT_TRUE(slow) << error.toStdString();
    EXPECT_DOUBLE_EQ(dynamic_cast<vantrel::positioning::TrackReplaySource&>(*slow).replaySpeed(), 0.5);
}

TEST(PositionSourceFactory, MistakesAreExplained) {
    vantrel::test::LogCapture log;
    EXPECT_TRUE(describe("garmin").contains("unknown position source \"garmin\""));
    EXPECT_TRUE(describe("udp:0").contains("udp wants a port"));
    EXPECT_TRUE(describe("udp:70000").contains("udp wants a port"));
    EXPECT_TRUE(describe("tcp:host").contains("tcp wants HOST:PORT"));
    EXPECT_TRUE(describe("gpsd:host:port").contains("gpsd wants"));
    EXPECT_TRUE(describe("nmea:/dev/ttyUSB0@1234").contains("unsupported baud rate"));
    EXPECT_TRUE(describe("nmea:").contains("nmea wants a device"));
    EXPECT_TRUE(describe("file:/no/such/track.nmea").contains("cannot read /no/such/track.nmea"));
    EXPECT_TRUE(describe("igc:" + positioningData("geneva-midnight.nmea")).contains("holds no IGC fixes"));
    EXPECT_TRUE(describe("file:" + positioningData("valais-midnight.igc")).contains("holds no NMEA fixes"));
    EXPECT_TRUE(describe("igc:" + positioningData("valais-midnight.igc") + "@1000x").contains("is not between 0.1x and 100x"));
    EXPECT_TRUE(describe("igc:" + positioningData("valais-midnight.igc") + "@0.01x").contains("is not between"));
}
