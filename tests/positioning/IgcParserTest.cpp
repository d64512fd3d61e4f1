#include "PositioningTestSupport.h"
#include "tests/support/TestSupport.h"

#include "positioning/sources/IgcParser.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

using vantrel::positioning::Fix;
using vantrel::positioning::IgcParser;
using vantrel::positioning::kUnknownAccuracyMetres;

namespace {
double utc(int y, int mo, int d, int h, int mi, int s) {
    return double(QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc()).toMSecsSinceEpoch()) / 1000.0;
}
}  // namespace

// A glider log across midnight UTC: FXA accuracies, a corrupt record, a 2-D fix, a clock jump.
TEST(IgcParser, RecordedFlightAcrossMidnight) {
    vantrel::test::LogCapture log;
    std::vector<Fix> fixes =
        IgcParser::parse(vantrel::test::readPositioningData("valais-midnight.igc"), QStringLiteral("valais"), QDate(2000, 1, 1));
    ASSERT_EQ(fixes.size(), 9u);
    EXPECT_EQ(fixes[0].timestamp, utc(2024, 5, 31, 23, 59, 48));
    EXPECT_EQ(fixes[2].timestamp, utc(2024, 5, 31, 23, 59, 56));
    EXPECT_EQ(fixes[3].timestamp, utc(2024, 6, 1, 0, 0, 0));
    EXPECT_EQ(fixes[7].timestamp, utc(2024, 6, 1, 0, 0, 16));
    EXPECT_EQ(fixes[8].timestamp, utc(2024, 6, 1, 0, 0, 8));  // the logger's clock went back
    EXPECT_DOUBLE_EQ(fixes[0].latitude, 46.0);
    EXPECT_DOUBLE_EQ(fixes[0].longitude, 7.0);
    EXPECT_DOUBLE_EQ(fixes[1].latitude, 46 + 0.060 / 60);
    EXPECT_DOUBLE_EQ(fixes[1].longitude, 6 + 59.958 / 60);
    EXPECT_EQ(fixes[0].horizontalAccuracy, 12.0);
    EXPECT_EQ(fixes[5].horizontalAccuracy, -1.0);  // V: no 3-D fix
    EXPECT_EQ(fixes[8].horizontalAccuracy, 9.0);
    EXPECT_TRUE(log.contains("bad time"));
    EXPECT_TRUE(log.contains("time went back"));
}

// Loggers and converters write CRLF, LF or bare CR line ends; all three read alike.
TEST(IgcParser, EveryLineEndingGivesTheSameFixes) {
    vantrel::test::LogCapture log;
    QByteArray original = vantrel::test::readPositioningData("valais-midnight.igc");
    QByteArray lf = QByteArray(original).replace("\r\n", "\n");
    std::vector<Fix> expected = IgcParser::parse(lf, QStringLiteral("lf"), QDate(2000, 1, 1));
    ASSERT_EQ(expected.size(), 9u);
    for (const QByteArray& data : {QByteArray(lf).replace('\n', "\r\n"), QByteArray(lf).replace('\n', '\r')}) {
        std::vector<Fix> fixes = IgcParser::parse(data, QStringLiteral("other"), QDate(2000, 1, 1));
        ASSERT_EQ(fixes.size(), expected.size());
        for (size_t i = 0; i < fixes.size(); ++i) {
            EXPECT_EQ(fixes[i].timestamp, expected[i].timestamp) << i;
            EXPECT_EQ(fixes[i].latitude, expected[i].latitude) << i;
            EXPECT_EQ(fixes[i].horizontalAccuracy, expected[i].horizontalAccuracy) << i;
        }
    }
}

// Found by fuzzing: an extension list declaring a 13-digit FXA field overflowed the number
// reader. A field wider than a number can be is no accuracy; the fix keeps the default.
TEST(IgcParser, AnAccuracyFieldTooWideForANumberIsIgnored) {
    vantrel::test::LogCapture log;
    std::vector<Fix> fixes = IgcParser::parse("HFDTE150324\n"
                                              "I013648FXA\n"
                                              "B1200004600000N00700000EA001000012099999999999999\n",
                                              QStringLiteral("wide"), QDate(2000, 1, 1));
    ASSERT_EQ(fixes.size(), 1u);
    EXPECT_EQ(fixes[0].horizontalAccuracy, kUnknownAccuracyMetres);
    // The fuzzer's own input reads without trouble too (the sanitizer build stops on an overflow).
    fixes = IgcParser::parse(vantrel::test::readPositioningData("wide-extension.igc"), QStringLiteral("fuzz"), QDate(2000, 1, 1));
    for (const Fix& fix : fixes) EXPECT_TRUE(fix.hasValidCoordinate());
}

TEST(IgcParser, OldHeaderSouthWestAndNoExtensions) {
    std::vector<Fix> fixes = IgcParser::parse("HFDTE150324\n"
                                              "B1200003345678S15112345WA0010000120\n"
                                              "B1200043345678S15112345WA00100001\n",  // too short
                                              QStringLiteral("sw"), QDate(2000, 1, 1));
    ASSERT_EQ(fixes.size(), 1u);
    EXPECT_DOUBLE_EQ(fixes[0].latitude, -(33 + 45.678 / 60));
    EXPECT_DOUBLE_EQ(fixes[0].longitude, -(151 + 12.345 / 60));
    EXPECT_EQ(fixes[0].horizontalAccuracy, kUnknownAccuracyMetres);
    EXPECT_EQ(fixes[0].timestamp, utc(2024, 3, 15, 12, 0, 0));
}

TEST(IgcParser, UndatedLogUsesTheFallbackDate) {
    vantrel::test::LogCapture log;
    std::vector<Fix> fixes = IgcParser::parse("HFDTE320124\nB0930004600000N00700000EA0100001000\n",
                                              QStringLiteral("undated"), QDate(2023, 7, 1));
    ASSERT_EQ(fixes.size(), 1u);
    EXPECT_EQ(fixes[0].timestamp, utc(2023, 7, 1, 9, 30, 0));
    EXPECT_TRUE(log.contains("impossible date"));
    EXPECT_TRUE(log.contains("no HFDTE date"));
}

TEST(IgcParser, ImpossiblePositionsAreSkipped) {
    vantrel::test::LogCapture log;
    std::vector<Fix> fixes = IgcParser::parse("HFDTE010124\n"
                                              "B0930009100000N00700000EA0100001000\n"   // 91 N
                                              "B0930014660000N00700000EA0100001000\n"   // 60 minutes
                                              "B0930024600000N18100000EA0100001000\n"   // 181 E
                                              "B0930034600000N00700000EX0100001000\n"   // validity X
                                              "B0930044600000Q00700000EA0100001000\n",  // hemisphere Q
                                              QStringLiteral("bad"), QDate(2000, 1, 1));
    EXPECT_TRUE(fixes.empty());
    int skipped = 0;
    for (const QString& line : log.lines())
        if (line.contains("impossible position")) ++skipped;
    EXPECT_EQ(skipped, 5);
}
