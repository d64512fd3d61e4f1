// The texts of the logbook's times: clock times in the device's zone, durations that wrap at 24
// hours, "-" for no time, dates and month titles; and the seven texts of a logbook row.

#include "LogbookTestSupport.h"

#include "logbook/FlightRecord.h"
#include "logbook/FlightRowTexts.h"
#include "logbook/FlightTimeText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace vantrel;
using logbook::timeText;
using test::record;
using test::utc;

TEST(FlightTimeText, NoTimeShowsADash) {
    for (double none : {0.0, -60.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e300}) {
        EXPECT_EQ(timeText(none, true), "-") << none;
        EXPECT_EQ(timeText(none, false), "-") << none;
    }
}

TEST(FlightTimeText, DurationsDropSecondsAndWrapEveryDay) {
    EXPECT_EQ(timeText(95 * 60, true), "01:35");
    EXPECT_EQ(timeText(95 * 60 + 59.9, true), "01:35");
    EXPECT_EQ(timeText(59, true), "00:00");
    EXPECT_EQ(timeText((25 * 60 + 10) * 60, true), "01:10");
    EXPECT_EQ(timeText(24 * 3600, true), "00:00");
}

// Clock times are the device's: compared with libc's calendar under the ambient TZ, and checked
// in zones with half-hour offsets and daylight saving.
TEST(FlightTimeText, ClockTimesAndDatesAreThoseOfTheDevicesZone) {
    const double moments[] = {utc(2024, 3, 31, 0, 59, 59), utc(2024, 3, 31, 1, 0), utc(2024, 10, 27, 0, 30),
                              utc(1969, 12, 31, 23, 59), utc(2038, 1, 19, 3, 14, 8), utc(2099, 12, 31, 23, 45)};
    for (double t : moments) {
        std::tm tm = test::libcLocal(t);
        if (t > 0) {
            EXPECT_EQ(timeText(t, false), QString::asprintf("%02d:%02d", tm.tm_hour, tm.tm_min)) << t;
        }
        EXPECT_EQ(logbook::dateText(t), QString::asprintf("%d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday))
            << t;
    }

    const double takeOff = utc(2024, 7, 1, 22, 40);
    const double landing = utc(2024, 7, 2, 0, 15);
    {
        test::ScopedTimeZone zone("Australia/Adelaide");  // +9:30 in July
        EXPECT_EQ(timeText(takeOff, false), "08:10");
        EXPECT_EQ(logbook::dateText(takeOff), "2024/07/02");
        EXPECT_EQ(timeText(landing - takeOff, true), "01:35");
    }
    {
        test::ScopedTimeZone zone("America/St_Johns");  // -2:30 in July
        EXPECT_EQ(timeText(takeOff, false), "20:10");
        EXPECT_EQ(logbook::monthTitle(landing), "July 2024");
        EXPECT_EQ(timeText(landing - takeOff, true), "01:35");
    }
    test::ScopedTimeZone zone("America/New_York");
    EXPECT_EQ(logbook::monthTitle(utc(2024, 8, 1, 3, 59)), "July 2024");
    EXPECT_EQ(logbook::monthTitle(utc(2024, 8, 1, 4, 0)), "August 2024");
    EXPECT_EQ(logbook::monthTitle(0), "December 1969");
}

TEST(FlightRowTexts, ANewFlightShowsItsDateAndDashes) {
    test::ScopedTimeZone zone("Asia/Tokyo");
    logbook::FlightRowTexts row = logbook::rowTextsOf(*logbook::makeFlight(utc(2024, 4, 30, 15, 30) + 0.5));
    EXPECT_EQ(row.date, "2024/05/01");
    for (const QString& text : {row.departure, row.arrival, row.blockOffTime, row.blockOnTime, row.totalTime, row.trueFlightTime})
        EXPECT_EQ(text, "-");
}

TEST(FlightRowTexts, TotalsNeedBothTimesAndMoreThanZero) {
    test::ScopedTimeZone zone("UTC");
    auto row = [](const QStringList& entries) { return logbook::rowTextsOf(*record(entries)); };

    logbook::FlightRowTexts blockOnly = row({"block_off=1714557600", "block_on=1714563300", "departure=", "arrival=EDDM"});
    EXPECT_EQ(blockOnly.totalTime, "01:35");
    EXPECT_EQ(blockOnly.trueFlightTime, "-");
    EXPECT_EQ(blockOnly.blockOffTime, "10:00");
    EXPECT_EQ(blockOnly.blockOnTime, "11:35");
    EXPECT_EQ(blockOnly.departure, "");  // typed empty: shown empty, not "-"
    EXPECT_EQ(blockOnly.arrival, "EDDM");

    EXPECT_EQ(row({"take_off=1714557600", "landing=1714557600"}).trueFlightTime, "-");
    EXPECT_EQ(row({"take_off=1714557600", "landing=1714557540"}).trueFlightTime, "-");
    EXPECT_EQ(row({"take_off=1714557600"}).trueFlightTime, "-");
    // A time that is no number counts as stamped but reads 0.
    logbook::FlightRowTexts broken = row({"block_off=abc", "block_on=1714563300"});
    EXPECT_EQ(broken.blockOffTime, "-");
    EXPECT_EQ(broken.totalTime, "11:35");
    EXPECT_EQ(*logbook::blockTime(*record({"block_off=abc", "block_on=60"})), 60.0);
    EXPECT_FALSE(logbook::flightTime(*record({"landing=60"})));
}
