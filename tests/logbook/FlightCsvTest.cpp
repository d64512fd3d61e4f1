// The CSV export: one line per flight, oldest first, times in UTC, totals that do not wrap, and
// typed places that can neither break the columns nor run as spreadsheet formulas.

#include "LogbookTestSupport.h"

#include "logbook/FlightCsv.h"

#include <gtest/gtest.h>

using namespace vantrel;
using platform::Value;
using test::record;

namespace {
QStringList lines(const QByteArray& csv) {
    QStringList out = QString::fromUtf8(csv).split(QStringLiteral("\r\n"));
    EXPECT_EQ(out.takeLast(), "") << "every line ends with CRLF";
    return out;
}
}  // namespace

TEST(FlightCsv, OneLinePerFlightOldestFirstWithUtcTimesAndWholeTotals) {
    test::ScopedTimeZone zone("America/Los_Angeles");
    platform::ArrayPtr flights = platform::Array::fromValues(
        {Value(record({"timestamp=1717200000.5", "departure=KSFO", "block_off=1717200000", "take_off=1717200600"})),
         Value("not a flight"),
         Value(record({"timestamp=1714525200.250000", "departure=EDDF", "arrival=EDDM", "block_off=1714557600",
                       "take_off=1714558200", "landing=1714561800", "block_on=1714563300"})),
         Value(record({"timestamp=2208988800.000000", "block_off=2208988800", "block_on=2209079400"})),
         Value(record({"timestamp=1714525200.9", "departure=same second, later in the file"}))});
    QStringList csv = lines(logbook::flightsCsv(*flights));
    ASSERT_EQ(csv.size(), 5);
    EXPECT_EQ(csv[0], "date,departure,arrival,block_off_utc,take_off_utc,landing_utc,block_on_utc,block_time,flight_time");
    // The date is the local one the list shows (30 April in California), the times are UTC.
    EXPECT_EQ(csv[1], "2024-04-30,EDDF,EDDM,2024-05-01 10:00,2024-05-01 10:10,2024-05-01 11:10,2024-05-01 11:35,1:35,1:00");
    EXPECT_EQ(csv[2], "2024-04-30,\"same second, later in the file\",,,,,,,");
    EXPECT_EQ(csv[3], "2024-05-31,KSFO,,2024-06-01 00:00,2024-06-01 00:10,,,,");
    EXPECT_EQ(csv[4], "2039-12-31,,,2040-01-01 00:00,,,2040-01-02 01:10,25:10,");
}

TEST(FlightCsv, TypedPlacesAreQuotedAndNeverReadAsFormulas) {
    platform::ArrayPtr flights = platform::Array::fromValues(
        {Value(record({"timestamp=1714550400", "departure==HYPERLINK(\"x\")", "arrival=Line\nbreak",
                       "block_off=1714557600", "block_on=1714557600"})),
         Value(record({"timestamp=1714550500", "departure=@SUM(A1)", "arrival=+1", "take_off=60", "landing=0"}))});
    QStringList csv = lines(logbook::flightsCsv(*flights));
    ASSERT_EQ(csv.size(), 3);
    EXPECT_TRUE(csv[1].contains(",\"'=HYPERLINK(\"\"x\"\")\",\"Line\nbreak\",")) << csv[1].toStdString();
    EXPECT_TRUE(csv[1].endsWith(",,")) << "a zero block time is left empty";
    EXPECT_TRUE(csv[2].contains(",'@SUM(A1),'+1,")) << csv[2].toStdString();
}
