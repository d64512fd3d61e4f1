#include "PositioningTestSupport.h"
#include "tests/support/TestSupport.h"

#include "positioning/sources/NmeaParser.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

using vantrel::positioning::kUnknownAccuracyMetres;
using vantrel::positioning::NmeaEpoch;
using vantrel::positioning::NmeaParser;
using vantrel::test::readPositioningData;

namespace {

double utc(int y, int mo, int d, int h, int mi, int s) {
    return double(QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc()).toMSecsSinceEpoch()) / 1000.0;
}

std::vector<NmeaEpoch> parseAll(QByteArrayView data, QDate fallback = QDate(2000, 1, 1)) {
    NmeaParser parser(QStringLiteral("test"), fallback);
    parser.addData(data);
    parser.finish();
    return parser.takeEpochs();
}

// One sentence with its checksum.
QByteArray sentence(QByteArrayView body) {
    uint sum = 0;
    for (char c : body) sum ^= uchar(c);
    return "$" + body.toByteArray() + "*" + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

}  // namespace

// A receiver's log across midnight UTC with a damaged GGA, a line of noise, and GST that stops.
TEST(NmeaParser, RecordedFlightAcrossMidnight) {
    vantrel::test::LogCapture log;
    NmeaParser parser(QStringLiteral("geneva-midnight.nmea"), QDate(2000, 1, 1));
    parser.addData(readPositioningData("geneva-midnight.nmea"));
    parser.finish();
    std::vector<NmeaEpoch> epochs = parser.takeEpochs();
    ASSERT_EQ(epochs.size(), 12u);
    for (size_t i = 0; i < epochs.size(); ++i) {
        ASSERT_TRUE(epochs[i].fix) << i;
        EXPECT_EQ(epochs[i].fix->timestamp, utc(2024, 5, 31, 23, 59, 54) + double(i)) << i;
        // GST's latitude and longitude errors (2.4, 3.2) while it comes; then 2 x HDOP 0.9 x 5 m.
        EXPECT_DOUBLE_EQ(epochs[i].fix->horizontalAccuracy, i < 6 ? 4.0 : 9.0) << i;
    }
    EXPECT_DOUBLE_EQ(epochs[0].fix->latitude, 46 + 14.2860 / 60);
    EXPECT_DOUBLE_EQ(epochs[0].fix->longitude, 6 + 6.5400 / 60);
    EXPECT_EQ(epochs[6].fix->timestamp, utc(2024, 6, 1, 0, 0, 0));
    EXPECT_EQ(parser.badLines(), 2);
    EXPECT_TRUE(log.contains("bad checksum"));
    EXPECT_TRUE(log.contains("too few fields"));
}

TEST(NmeaParser, AnySplitOfTheStreamGivesTheSameFixes) {
    QByteArray data = readPositioningData("geneva-midnight.nmea");
    vantrel::test::LogCapture log;
    std::vector<NmeaEpoch> whole = parseAll(data);
    NmeaParser parser(QStringLiteral("bytes"), QDate(2000, 1, 1));
    for (char c : data) parser.addData(QByteArrayView(&c, 1));
    parser.finish();
    std::vector<NmeaEpoch> bytes = parser.takeEpochs();
    ASSERT_EQ(bytes.size(), whole.size());
    for (size_t i = 0; i < whole.size(); ++i) {
        EXPECT_EQ(bytes[i].fix->latitude, whole[i].fix->latitude);
        EXPECT_EQ(bytes[i].fix->timestamp, whole[i].fix->timestamp);
    }
}

// Receivers and files end lines with CRLF, LF or a bare CR; all three read alike, also when a
// stream splits a CRLF between two reads.
TEST(NmeaParser, EveryLineEndingGivesTheSameFixes) {
    QByteArray crlf = readPositioningData("geneva-midnight.nmea");
    ASSERT_TRUE(crlf.contains("\r\n"));
    QByteArray lf = QByteArray(crlf).replace("\r\n", "\n");
    QByteArray cr = QByteArray(lf).replace('\n', '\r');
    vantrel::test::LogCapture log;
    std::vector<NmeaEpoch> expected = parseAll(crlf);
    ASSERT_EQ(expected.size(), 12u);
    for (const QByteArray& data : {lf, cr}) {
        NmeaParser parser(QStringLiteral("bytes"), QDate(2000, 1, 1));
        for (qsizetype i = 0; i < data.size(); i += 7) parser.addData(QByteArrayView(data).sliced(i, std::min<qsizetype>(7, data.size() - i)));
        parser.finish();
        std::vector<NmeaEpoch> epochs = parser.takeEpochs();
        ASSERT_EQ(epochs.size(), expected.size());
        for (size_t i = 0; i < epochs.size(); ++i) {
            EXPECT_EQ(epochs[i].fix->timestamp, expected[i].fix->timestamp) << i;
            EXPECT_EQ(epochs[i].fix->longitude, expected[i].fix->longitude) << i;
        }
        EXPECT_EQ(parser.badLines(), 2);  // the same two damaged lines, no "line too long"
    }
    EXPECT_FALSE(log.contains("line too long"));
}

// Live streams must not wait for the next second: once the sentences of an epoch are known, the
// epoch is delivered as soon as its last one arrives.
TEST(NmeaParser, EpochIsDeliveredWhenItsSentencesAreIn) {
    QList<QByteArray> lines = readPositioningData("geneva-midnight.nmea").split('\n');
    NmeaParser parser(QStringLiteral("live"), QDate(2000, 1, 1));
    for (int i = 0; i < 4; ++i) parser.addData(lines[i] + '\n');
    EXPECT_TRUE(parser.takeEpochs().empty());  // the first epoch's end is not known yet
    for (int i = 4; i < 8; ++i) parser.addData(lines[i] + '\n');
    EXPECT_EQ(parser.takeEpochs().size(), 2u);  // the first, and the second at its GST
}

// A receiver that only sends GGA has no date: the fallback date, the next day after midnight,
// then a reset whose clock goes back two seconds.
TEST(NmeaParser, GgaOnlyStreamCrossesMidnightAndJumpsBack) {
    vantrel::test::LogCapture log;
    std::vector<NmeaEpoch> epochs = parseAll(readPositioningData("zurich-gga-reset.nmea"), QDate(2024, 1, 1));
    ASSERT_EQ(epochs.size(), 9u);
    EXPECT_EQ(epochs[0].fix->timestamp, utc(2024, 1, 1, 23, 59, 57));
    EXPECT_EQ(epochs[3].fix->timestamp, utc(2024, 1, 2, 0, 0, 0));
    EXPECT_EQ(epochs[5].fix->timestamp, utc(2024, 1, 2, 0, 0, 2));
    EXPECT_FALSE(epochs[6].fix);  // "no fix", without a time
    EXPECT_TRUE(std::isnan(epochs[6].timestamp));
    EXPECT_EQ(epochs[7].fix->timestamp, utc(2024, 1, 2, 0, 0, 0));
    EXPECT_DOUBLE_EQ(epochs[7].fix->horizontalAccuracy, 14.0);
    EXPECT_TRUE(log.contains("time went back from 00:00:02.000 to 00:00:00.000"));
}

TEST(NmeaParser, FixQualityAndEstimates) {
    // RMC alone: a fix without any error estimate.
    std::vector<NmeaEpoch> rmc = parseAll(sentence("GPRMC,101500.00,A,5130.000,N,00007.500,W,120.0,270.0,150324,,,A") +
                                          sentence("GPRMC,101501.00,V,,,,,,,150324,,,N"));
    ASSERT_EQ(rmc.size(), 2u);
    EXPECT_EQ(rmc[0].fix->horizontalAccuracy, kUnknownAccuracyMetres);
    EXPECT_DOUBLE_EQ(rmc[0].fix->latitude, 51.5);
    EXPECT_DOUBLE_EQ(rmc[0].fix->longitude, -0.125);
    EXPECT_EQ(rmc[0].fix->timestamp, utc(2024, 3, 15, 10, 15, 0));
    EXPECT_FALSE(rmc[1].fix);

    // GNS from a multi-constellation receiver; all modes N means no fix.
    std::vector<NmeaEpoch> gns = parseAll(sentence("GNGNS,101500.00,3352.128,S,15112.352,E,AAN,14,0.8,40.0,22.0,,") +
                                          sentence("GNGNS,101501.00,,,,,NNN,00,,,,,"));
    ASSERT_EQ(gns.size(), 2u);
    EXPECT_DOUBLE_EQ(gns[0].fix->latitude, -(33 + 52.128 / 60));
    EXPECT_DOUBLE_EQ(gns[0].fix->horizontalAccuracy, 8.0);
    EXPECT_FALSE(gns[1].fix);
}

TEST(NmeaParser, ImpossibleValuesAreSkipped) {
    vantrel::test::LogCapture log;
    NmeaParser parser(QStringLiteral("bad"), QDate(2024, 1, 1));
    parser.addData(sentence("GPGGA,120000.00,9130.000,N,00615.000,E,1,08,1.0,500,M,48,M,,"));  // 91 N
    parser.addData(sentence("GPGGA,120001.00,4661.000,N,00615.000,E,1,08,1.0,500,M,48,M,,"));  // 61 minutes
    parser.addData(sentence("GPGGA,126000.00,4630.000,N,00615.000,E,1,08,1.0,500,M,48,M,,"));  // 60 minutes
    parser.addData(sentence("GPRMC,120003.00,A,4630.000,N,00615.000,E,0,0,320124,,,A"));        // 32 January
    parser.addData(sentence("GPGGA,120004.00,4630.000,N,00615.000,X,1,08,1.0,500,M,48,M,,"));
    parser.addData(QByteArray("$GPGGA,120005.00,4630.000,N*4") + "\r\n");  // one checksum digit
    parser.finish();
    EXPECT_TRUE(parser.takeEpochs().empty());
    EXPECT_EQ(parser.badLines(), 6);
    EXPECT_TRUE(log.contains("impossible position"));
    EXPECT_TRUE(log.contains("impossible date"));
    EXPECT_TRUE(log.contains("bad time"));
}

// The wrong baud rate gives a stream of garbage: counted, logged briefly, and the parser recovers.
TEST(NmeaParser, GarbageIsCountedAndTheLogStaysShort) {
    vantrel::test::LogCapture log;
    NmeaParser parser(QStringLiteral("ttyUSB0"), QDate(2024, 1, 1));
    QByteArray noise;
    for (int i = 0; i < 2000; ++i) noise.append(char((i * 37) % 251 + 1));
    for (int i = 0; i < 30; ++i) parser.addData(noise.mid(i * 60, 60) + "\n");
    EXPECT_GE(parser.consecutiveBadLines(), 20);
    parser.addData(QByteArray(3000, 'x'));  // no newline: dropped, not kept growing
    int skipped = 0;
    for (const QString& line : log.lines())
        if (line.contains("skipped a line")) ++skipped;
    EXPECT_EQ(skipped, 10);

    parser.addData("\n" + sentence("GPGGA,120000.00,4630.000,N,00615.000,E,1,08,1.0,500,M,48,M,,"));
    EXPECT_EQ(parser.consecutiveBadLines(), 0);
    parser.finish();
    ASSERT_EQ(parser.takeEpochs().size(), 1u);
}

TEST(NmeaParser, OtherTrafficIsIgnoredQuietly) {
    vantrel::test::LogCapture log;
    std::vector<NmeaEpoch> epochs = parseAll(
        "!AIVDM,1,1,,A,15M67FC000G?ufbE`FepT@3n00Sa,0*5C\r\n" + sentence("PGRMZ,1500,f,3") +
        sentence("GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00") +
        sentence("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K"));
    EXPECT_TRUE(epochs.empty());
    EXPECT_TRUE(log.lines().isEmpty());
}

// Proprietary sentences (a FLARM's traffic) come out whole, each placed between the fixes as it
// came, whatever the split of the stream; a damaged one is skipped like any bad line.
TEST(NmeaParser, ProprietarySentencesArePassedOnInOrder) {
    const QByteArray stream = sentence("PFLAU,1,1,2,1,0,,0,,") + sentence("GPRMC,100000,A,4613.8,N,00606.0,E,100,45,010624,,") +
                              sentence("GPGGA,100000,4613.8,N,00606.0,E,1,09,0.9,1250,M,48,M,,") +
                              sentence("PFLAA,0,100,200,50,2,DD8F12,285,,28,-1.0,1") +
                              sentence("GPRMC,100001,A,4613.9,N,00606.1,E,100,45,010624,,") +
                              sentence("GPGGA,100001,4613.9,N,00606.1,E,1,09,0.9,1250,M,48,M,,") +
                              "$PFLAA,0,1,2,3,2,ABCDEF,90,,30,0.0,1*00\r\n" + sentence("PFLAA,1,300,400,-50,2,DD8F12,285,,28,-1.0,1") +
                              sentence("PGRMZ,1500,f,3");
    for (qsizetype cut : {qsizetype(7), stream.size()}) {
        vantrel::test::LogCapture log;
        NmeaParser parser(QStringLiteral("test"), QDate(2024, 6, 1));
        std::vector<NmeaEpoch> epochs;
        std::vector<std::pair<size_t, QByteArray>> others;  // (fixes before it, line)
        auto drain = [&] {
            NmeaParser::Output out = parser.takeOutput();
            for (const auto& o : out.otherSentences) others.push_back({epochs.size() + o.epochsBefore, o.line});
            epochs.insert(epochs.end(), out.epochs.begin(), out.epochs.end());
        };
        for (qsizetype at = 0; at < stream.size(); at += cut) {
            parser.addData(QByteArrayView(stream).sliced(at, std::min(cut, stream.size() - at)));
            drain();
        }
        parser.finish();
        drain();
        ASSERT_EQ(epochs.size(), 2u);
        ASSERT_EQ(others.size(), 3u) << "cut " << cut;  // the PGRMZ is read, as the pressure altitude
        EXPECT_EQ(others[0].first, 0u);
        EXPECT_EQ(others[0].second, sentence("PFLAU,1,1,2,1,0,,0,,").trimmed());
        EXPECT_EQ(others[1].first, 0u);  // the first epoch is only complete when the second begins
        EXPECT_TRUE(others[1].second.startsWith("$PFLAA,0,100,200"));
        EXPECT_EQ(others[2].first, 2u);  // after the second fix, which was complete with its GGA
        EXPECT_TRUE(others[2].second.startsWith("$PFLAA,1,300,400"));
        EXPECT_EQ(parser.badLines(), 1);
    }
}
