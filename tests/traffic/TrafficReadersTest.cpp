// The FLARM sentence reader and the GDL90 frame reader on lines and frames written from the
// formats: every field, missing fields, damage of every kind.

#include "traffic/FlarmReader.h"
#include "traffic/Gdl90Reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vantrel::traffic {
namespace {

QByteArray withChecksum(const char* body) {
    unsigned sum = 0;
    for (const char* c = body; *c; ++c) sum ^= uchar(*c);
    return QByteArray("$") + body + "*" + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

TEST(FlarmReader, ReadsTargetsAndStatusAndRefusesDamage) {
    using Kind = FlarmReading::Kind;
    struct Case {
        QByteArray line;
        Kind kind;
        const char* what;
    };
    const Case cases[] = {
        {withChecksum("PFLAA,2,-1234,567,-89,2,DD8F12,285,-4.5,28,-1.2,1"), Kind::Target, "every field"},
        {withChecksum("PFLAA,0,100,200,,1,4B1A2C,,,,,8") + "\r\n", Kind::Target, "no height, track or speeds"},
        {withChecksum("PFLAA,1,700,,50,0,3F0011,,,0,0.5,7,0,1,-71"), Kind::Target, "no bearing, newer fields"},
        {"$PFLAA,0,100,200,0,2,ABCDEF,90,,30,0.0,1", Kind::Target, "no checksum at all"},
        {withChecksum("PFLAU,3,1,2,1,2,-30,2,50,420,DD8F12"), Kind::Status, "status with alarm"},
        {withChecksum("PFLAU,0,1,1,1,0,,0,,"), Kind::Status, "status, quiet"},
        {withChecksum("PGRMZ,2500,f,3"), Kind::NotFlarm, "another device's sentence"},
        {withChecksum("GPRMC,100000,A,4613.8,N,00606.0,E,100,45,010624,,"), Kind::NotFlarm, "a position sentence"},
        {"$PFLAA,0,100,200,0,2,ABCDEF,90,,30,0.0,1*00", Kind::Bad, "bad checksum"},
        {"$PFLAA,0,100,200,0,2,ABCDEF,90,,30,0.0,1*G1", Kind::Bad, "malformed checksum"},
        {withChecksum("PFLAA,0,150000,20,0,2,ABCDE0,90,,30,0.0,1"), Kind::Bad, "beyond 100 km north"},
        {withChecksum("PFLAA,0,80000,80000,0,2,ABCDE0,90,,30,0.0,1"), Kind::Bad, "beyond 100 km diagonally"},
        {withChecksum("PFLAA,0,305555555555555555555555500,296,1200,1,4B1A2C,45,,55,0.0,8"), Kind::Bad,
         "a 27-digit distance (found by fuzzing: the digits overflowed)"},
        {withChecksum("PFLAA,0,100,100,0,2,ABCDE1"), Kind::Bad, "too few fields"},
        {withChecksum("PFLAA,0,,,0,2,ABCDE1,90,,30,0.0,1"), Kind::Bad, "no position"},
        {withChecksum("PFLAA,,100,100,0,2,ABCDE1,90,,30,0.0,1"), Kind::Bad, "no alarm level"},
        {withChecksum("PFLAA,4,100,100,0,2,ABCDE1,90,,30,0.0,1"), Kind::Bad, "alarm level 4"},
        {withChecksum("PFLAA,0,100,100,0,2,ABCDE,90,,30,0.0,1"), Kind::Bad, "five-digit address"},
        {withChecksum("PFLAA,0,100,100,0,2,ABCDEG,90,,30,0.0,1"), Kind::Bad, "address not hex"},
        {withChecksum("PFLAA,0,1e2x,100,0,2,ABCDE1,90,,30,0.0,1"), Kind::Bad, "number with garbage"},
        {withChecksum("PFLAA,0,100,100,0,2,ABCDE1,360,,30,0.0,1"), Kind::Bad, "track 360"},
        {withChecksum("PFLAA,0,100,100,0,2,ABCDE1,90,,-3,0.0,1"), Kind::Bad, "negative speed"},
        {withChecksum("PFLAA,0,100,100,0,7,ABCDE1,90,,30,0.0,1"), Kind::Bad, "address type 7"},
        {withChecksum("PFLAA,0,100,100,0,2,ABCDE1,90,,30,0.0,G"), Kind::Bad, "aircraft type G"},
        {withChecksum("PFLAU,3,1,2,1,2,-190,2,50,420"), Kind::Bad, "bearing beyond 180"},
        {withChecksum("PFLAU,3,1,2,1"), Kind::Bad, "short status"},
        {QByteArray("$PFLAA,0,1\x01""00,100,0,2,ABCDE1,90,,30,0.0,1"), Kind::Bad, "unprintable byte"},
        {withChecksum("PFLAA,0,100,200,0,2,ABCDE2,90,,30,0.0,1,0,1,-71,7,8,9,10,11"), Kind::Target,
         "fields past the sixteenth, from a later device"},
    };
    for (const Case& c : cases) {
        FlarmReading r = readFlarmSentence(c.line);
        EXPECT_EQ(r.kind, c.kind) << c.what << ": " << c.line.constData() << (r.reason ? r.reason : "");
        if (r.kind == Kind::Bad) {
            EXPECT_NE(r.reason, nullptr) << c.what;
        }
    }

    FlarmReading full = readFlarmSentence(cases[0].line);
    const Target& t = full.target;
    EXPECT_EQ(t.id.address, 0xDD8F12u);
    EXPECT_EQ(t.addressType, AddressType::Flarm);
    EXPECT_EQ(t.alarm, AlarmLevel::Important);
    EXPECT_DOUBLE_EQ(t.north, -1234);
    EXPECT_DOUBLE_EQ(t.east, 567);
    EXPECT_DOUBLE_EQ(t.vertical, -89);
    EXPECT_NEAR(t.distance, std::hypot(1234, 567), 1e-9);
    EXPECT_DOUBLE_EQ(t.track, 285);
    EXPECT_DOUBLE_EQ(t.turnRate, -4.5);
    EXPECT_DOUBLE_EQ(t.groundSpeed, 28);
    EXPECT_DOUBLE_EQ(t.climbRate, -1.2);
    EXPECT_EQ(t.aircraftType, 1);

    const Target& sparse = readFlarmSentence(cases[1].line).target;
    EXPECT_TRUE(std::isnan(sparse.vertical) && std::isnan(sparse.track) && std::isnan(sparse.groundSpeed) &&
                std::isnan(sparse.climbRate));
    EXPECT_EQ(sparse.aircraftType, 8);

    const Target& bearingless = readFlarmSentence(cases[2].line).target;
    EXPECT_FALSE(bearingless.hasBearing());
    EXPECT_DOUBLE_EQ(bearingless.distance, 700);

    FlarmStatus s = readFlarmSentence(cases[4].line).status;
    EXPECT_EQ(s.receivedDevices, 3);
    EXPECT_EQ(s.gps, 2);
    EXPECT_EQ(s.alarm, AlarmLevel::Important);
    EXPECT_DOUBLE_EQ(s.relativeBearing, -30);
    EXPECT_DOUBLE_EQ(s.relativeDistance, 420);
    ASSERT_TRUE(s.address);
    EXPECT_EQ(*s.address, 0xDD8F12u);
}

// A traffic report as a receiver sends it (the inverse of the reader, written from the format).
QByteArray trafficReport(uint8_t id, uint32_t address, double lat, double lon, int altitudeFeet, int knots,
                         int feetPerMinute, double track, const char* callsign) {
    return gdl90ReportMessage(id, address, lat, lon, altitudeFeet, knots, feetPerMinute, track, callsign);
}

// The quick reader the feed uses must take exactly the lines the careful one reads as targets, and
// read them the same to the bit: each body below, and every change of one of its bytes (replaced,
// dropped or doubled), checksummed anew, without a checksum, and with a damaged one.
TEST(FlarmReader, QuickTargetReaderAgreesWithTheCarefulOneOnEveryDamagedLine) {
    const QByteArray bodies[] = {
        "PFLAA,2,-1234,567,-89,2,DD8F12,285,-4.5,28,-1.2,1",
        "PFLAA,0,100,200,,1,4B1A2C,,,,,8",
        "PFLAA,1,700,,50,0,3F0011,,,0,0.5,7,0,1,-71",
        "PFLAA,3,+12.5,-0,1e2,2,abcdef,359.9,.5,5.,-0.25,F",
        "PFLAA,0,1234567890123456,1,2,1,000001,0,0,0,0,0",
        "PFLAA,0,99999.999999999,-0.000000000000001,0,1,FFFFFF,10,0,0,0,A,9,9,9,9,9,9",
    };
    const char replacements[] = {',', '*', '-', '+', '.', '0', '9', 'A', 'e', 'G', ' ', '\x01', '\x7f', char(0x80)};
    auto same = [](double a, double b) {
        return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
    };
    auto check = [&](const QByteArray& line, int& taken) {
        const FlarmReading careful = readFlarmSentenceCarefully(line);
        Target quick;
        const bool read = readFlarmTarget(line, quick);
        ASSERT_EQ(read, careful.kind == FlarmReading::Kind::Target) << line.toHex().constData();
        EXPECT_EQ(readFlarmSentence(line).kind, careful.kind) << line.toHex().constData();
        if (!read) return;
        ++taken;
        const Target& c = careful.target;
        EXPECT_TRUE(quick.id == c.id && quick.addressType == c.addressType && quick.alarm == c.alarm &&
                    quick.aircraftType == c.aircraftType && same(quick.north, c.north) && same(quick.east, c.east) &&
                    same(quick.vertical, c.vertical) && same(quick.distance, c.distance) &&
                    same(quick.track, c.track) && same(quick.groundSpeed, c.groundSpeed) &&
                    same(quick.climbRate, c.climbRate) && same(quick.turnRate, c.turnRate))
            << line.constData();
    };
    int lines = 0, taken = 0;
    for (const QByteArray& body : bodies) {
        std::vector<QByteArray> variants{body};
        for (qsizetype i = 0; i < body.size(); ++i) {
            for (char r : replacements) variants.push_back(QByteArray(body).replace(i, 1, &r, 1));
            variants.push_back(QByteArray(body).remove(i, 1));
            variants.push_back(QByteArray(body).insert(i, body[i]));
        }
        for (const QByteArray& v : variants) {
            const QByteArray summed = withChecksum(v.constData());  // stops at a NUL, of which there are none
            for (const QByteArray& line : {summed, summed.toLower(), "$" + v, summed.chopped(1) + "0",
                                           summed.chopped(1), summed + "\r\n", summed + "x"}) {
                check(line, taken);
                ++lines;
            }
        }
    }
    // Both answers were met often: the comparison is not between two refusals.
    EXPECT_GT(taken, lines / 20);
    EXPECT_LT(taken, lines / 2);
}

TEST(Gdl90Reader, ChecksStuffingAndCrcAcrossCutFrames) {
    // The heartbeat of the format's own example, with its CRC.
    const QByteArray heartbeat = QByteArray::fromHex("7e008141dbd00802b38b7e");
    EXPECT_EQ(gdl90Crc(QByteArray::fromHex("008141dbd00802")), 0x8BB3);
    EXPECT_EQ(gdl90Frame(QByteArray::fromHex("008141dbd00802")), heartbeat);

    // An address and a latitude that hold the flag and the escape byte must be escaped.
    QByteArray report = trafficReport(20, 0x7E7D12, 46.25, 6.15, 4500, 120, -640, 270.0, "HBKOF");
    QByteArray frame = gdl90Frame(report);
    EXPECT_TRUE(frame.mid(1, frame.size() - 2).indexOf(char(0x7E)) < 0);
    EXPECT_GT(frame.size(), report.size() + 4);

    QByteArray wrongCrc = frame;
    wrongCrc[wrongCrc.size() - 2] = char(wrongCrc[wrongCrc.size() - 2] ^ 0x01);
    QByteArray badEscape = QByteArray::fromHex("7e00817d7e");  // an escape right before the flag

    Gdl90Reader reader;
    QByteArray stream = QByteArray::fromHex("4142") + heartbeat + wrongCrc + badEscape + frame + frame +
                        QByteArray::fromHex("7e0a0b7e") + gdl90Frame(QByteArray::fromHex("6500"));  // short, then a kind not read
    // Every cut of the stream, at every byte, gives the same result.
    for (qsizetype cut : {qsizetype(1), qsizetype(5), qsizetype(16), stream.size()}) {
        Gdl90Reader r;
        for (qsizetype at = 0; at < stream.size(); at += cut) r.addData(QByteArrayView(stream).sliced(at, std::min(cut, stream.size() - at)));
        std::vector<Gdl90Message> messages = r.takeMessages();
        ASSERT_EQ(messages.size(), 3u) << "cut " << cut;
        // Cut at its start, wrong CRC, an escape before the flag, too short; the unknown kind is skipped.
        EXPECT_EQ(r.badFrames(), 4) << "cut " << cut;
        EXPECT_EQ(r.skippedMessages(), 1) << "cut " << cut;
        EXPECT_EQ(messages[0].kind, Gdl90Message::Kind::Heartbeat);
        EXPECT_TRUE(messages[0].heartbeat.positionValid);
        EXPECT_TRUE(messages[0].heartbeat.utcValid);
        EXPECT_EQ(messages[0].heartbeat.secondsOfDay.value_or(-1), 0xD0DB);
        const Gdl90Report& t = messages[1].report;
        EXPECT_EQ(messages[1].kind, Gdl90Message::Kind::Traffic);
        EXPECT_EQ(t.address, 0x7E7D12u);
        EXPECT_NEAR(*t.latitude, 46.25, 2.2e-5);
        EXPECT_NEAR(*t.longitude, 6.15, 2.2e-5);
        EXPECT_NEAR(t.pressureAltitude, 4500 * 0.3048, 0.01);
        EXPECT_NEAR(t.groundSpeed, 120 * 1852.0 / 3600.0, 1e-9);
        EXPECT_NEAR(t.climbRate, -640 * 0.3048 / 60.0, 1e-9);
        EXPECT_NEAR(t.track, 270.0, 1.41);
        EXPECT_EQ(t.callsign.toString(), QStringLiteral("HBKOF"));
        EXPECT_EQ(t.nic, 8);
        EXPECT_EQ(t.nacp, 10);
    }

    // The ownship and its geometric altitude (signed, 5 ft steps); a report without position.
    QByteArray ownship = trafficReport(10, 0xF00001, -33.9, -70.7, -500, 0, 0, 0, "");
    QByteArray noPosition = trafficReport(20, 0x123456, 0, 0, 3000, 100, 0, 0, "");
    noPosition[13] = 0;  // NIC 0 with latitude and longitude 0: the receiver has no position for it
    reader.addData(gdl90Frame(ownship) + gdl90Frame(QByteArray::fromHex("0bff9c000a")) + gdl90Frame(noPosition));
    std::vector<Gdl90Message> m = reader.takeMessages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].kind, Gdl90Message::Kind::Ownship);
    EXPECT_NEAR(*m[0].report.latitude, -33.9, 2.2e-5);
    EXPECT_NEAR(*m[0].report.longitude, -70.7, 2.2e-5);
    EXPECT_NEAR(m[0].report.pressureAltitude, -500 * 0.3048, 0.01);
    EXPECT_NEAR(m[1].geometricAltitude, -100 * 5 * 0.3048, 1e-9);
    EXPECT_FALSE(m[2].report.latitude.has_value());
    EXPECT_EQ(reader.badFrames(), 0);
}

}  // namespace
}  // namespace vantrel::traffic
