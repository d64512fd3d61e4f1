// The flight store: the file read and rewritten at each change, month sections and their order in
// the device's time zone, times after January 2038, and damaged files, stray elements and failed
// saves that must never cost the pilot a flight.

#include "LogbookTestSupport.h"

#include "logbook/FlightKeys.h"
#include "logbook/FlightLog.h"
#include "logbook/FlightRecord.h"
#include "logbook/FlightTrack.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserNotice.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

using namespace vantrel;
using logbook::FlightLog;
using platform::DictionaryPtr;
using platform::Value;
using test::record;
using test::utc;

namespace {

QString stamp(double seconds) { return QString::asprintf("timestamp=%f", seconds); }

QStringList titles(const FlightLog& log) {
    QStringList out;
    for (const auto& s : log.sections()) out << s.title;
    return out;
}

// The departure texts of a section's rows, in display order.
QStringList rows(const FlightLog& log, size_t section) {
    QStringList out;
    for (const Value& r : *log.sections().at(section).flights) out << r.dictionary()->get("departure").toQString();
    return out;
}

QStringList departuresInFile(const QString& path) {
    QStringList out;
    platform::ArrayPtr stored = test::readFlights(path);
    if (!stored) return {"(unreadable)"};
    for (const Value& v : *stored)
        out << (v.isDictionary() ? v.dictionary()->get("departure").toQString() : QString::fromStdString(v.description()));
    return out;
}

}  // namespace

// Mid-month moments lie in the same month in every time zone, so these hold under any TZ.
TEST(FlightLog, MonthsNewestFirstAndFlightsNewestFirstWithinEach) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    test::writeFlights(path, {Value(record({stamp(utc(2024, 5, 14, 12)), "departure=A"})),
                              Value(record({stamp(utc(2023, 3, 15, 12)), "departure=B"})),
                              Value(record({stamp(utc(2023, 5, 15, 12)), "departure=C"})),
                              Value(record({stamp(utc(2024, 5, 16, 12)), "departure=D"})),
                              Value(record({stamp(utc(2024, 5, 15, 12)), "departure=E"}))});
    FlightLog log(path);

    EXPECT_EQ(titles(log), (QStringList{"May 2024", "May 2023", "March 2023"}));
    EXPECT_EQ(rows(log, 0), (QStringList{"D", "E", "A"}));
    EXPECT_EQ(rows(log, 1), (QStringList{"C"}));
    // The rows are the store's own records.
    EXPECT_EQ(log.contentForIndexPath(0, 2).get(), log.flightsArray()->at(0).asDictionary());
    EXPECT_FALSE(log.contentForIndexPath(0, 3));
    EXPECT_FALSE(log.contentForIndexPath(3, 0));
    EXPECT_FALSE(log.contentForIndexPath(-1, 0));
}

TEST(FlightLog, MissingFileStartsEmptyAndTheFirstFlightWritesIt) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    FlightLog log(path);
    EXPECT_TRUE(log.sections().empty());
    EXPECT_FALSE(log.fileWasDamaged());

    log.setClock([] { return 1714557659.25; });
    DictionaryPtr flight = log.newFlight();
    platform::ArrayPtr stored = test::readFlights(path);
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 1u);
    EXPECT_EQ(stored->at(0).dictionary()->get("timestamp").toQString(), "1714557659.250000");
    EXPECT_EQ(stored->at(0).dictionary()->size(), 1u);
    EXPECT_EQ(log.contentForIndexPath(0, 0), flight);
}

// The month of a moment is the device's: these moments are near the turn of a month.
TEST(FlightLog, SectionsFollowTheDevicesTimeZone) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    test::writeFlights(path, {Value(record({stamp(utc(2024, 3, 1, 0, 30)), "departure=early March UTC"})),
                              Value(record({stamp(utc(2024, 2, 29, 12)), "departure=late February UTC"}))});
    {
        test::ScopedTimeZone zone("UTC");
        FlightLog log(path);
        EXPECT_EQ(titles(log), (QStringList{"March 2024", "February 2024"}));
    }
    {
        test::ScopedTimeZone zone("America/New_York");
        FlightLog log(path);
        EXPECT_EQ(titles(log), (QStringList{"February 2024"}));
        EXPECT_EQ(rows(log, 0), (QStringList{"early March UTC", "late February UTC"}));
    }
    {
        test::ScopedTimeZone zone("Pacific/Kiritimati");  // UTC+14
        FlightLog log(path);
        EXPECT_EQ(titles(log), (QStringList{"March 2024"}));
    }
    // Sorting again after the zone changed moves the flights without reading the file again.
    test::ScopedTimeZone zone("UTC");
    FlightLog log(path);
    {
        test::ScopedTimeZone west("America/New_York");
        log.sortContent();
        EXPECT_EQ(titles(log), (QStringList{"February 2024"}));
    }
    log.sortContent();
    EXPECT_EQ(titles(log), (QStringList{"March 2024", "February 2024"}));
}

// Under whatever TZ the test runs with: every flight sits in the month that libc gives its
// moment, and the months are in order.
TEST(FlightLog, SectionsAgreeWithTheLocalCalendarInTheAmbientZone) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    std::vector<Value> flights;
    for (int year : {1999, 2024, 2039})
        for (int month = 1; month <= 12; ++month)
            for (int hour : {0, 11, 23}) flights.push_back(Value(record({stamp(utc(year, month, 1, hour, 30))})));
    test::writeFlights(path, flights);
    FlightLog log(path);

    static const char* const names[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
    size_t total = 0;
    int previousKey = INT_MAX;
    for (const auto& section : log.sections()) {
        int key = -1;
        for (const Value& v : *section.flights) {
            std::tm tm = test::libcLocal(logbook::flightDate(*v.asDictionary()));
            EXPECT_EQ(section.title, QStringLiteral("%1 %2").arg(names[tm.tm_mon]).arg(tm.tm_year + 1900));
            key = (tm.tm_year + 1900) * 12 + tm.tm_mon;
            ++total;
        }
        EXPECT_LT(key, previousKey) << section.title.toStdString();
        previousKey = key;
    }
    EXPECT_EQ(total, flights.size());
}

TEST(FlightLog, FlightsOfTheSameSecondShowTheLaterMadeFirst) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    test::writeFlights(path, {Value(record({"timestamp=1714557600.900000", "departure=first made"})),
                              Value(record({"timestamp=1714557600.100000", "departure=second made"})),
                              Value(record({"timestamp=1714557601.000000", "departure=a second later"}))});
    FlightLog log(path);
    EXPECT_EQ(rows(log, 0), (QStringList{"a second later", "second made", "first made"}));
}

// Whole seconds beyond 2^31 (after 2038-01-19 03:14:07 UTC) must still order and stamp correctly.
TEST(FlightLog, TimesAfterJanuary2038OrderAndStampCorrectly) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    const double limit = 2147483648.0;  // 2038-01-19 03:14:08 UTC
    // In file order opposite to their times, so that reading them as equal would show.
    test::writeFlights(path, {Value(record({stamp(limit + 7200), "departure=later still"})),
                              Value(record({stamp(limit + 100), "departure=after"})),
                              Value(record({stamp(limit - 100), "departure=before"})),
                              Value(record({stamp(utc(2037, 12, 15, 12)), "departure=2037"})),
                              Value(record({stamp(utc(2040, 6, 15, 12)), "departure=2040"}))});
    test::ScopedTimeZone zone("UTC");
    FlightLog log(path);
    EXPECT_EQ(titles(log), (QStringList{"June 2040", "January 2038", "December 2037"}));
    EXPECT_EQ(rows(log, 1), (QStringList{"later still", "after", "before"}));

    EXPECT_EQ(logbook::stampText(utc(2040, 6, 15, 12, 34, 56) + 0.75), QString::number(qint64(utc(2040, 6, 15, 12, 34))));
    // Earlier stamps keep the text they always had.
    EXPECT_EQ(logbook::stampText(1714557659.9), "1714557600");
    EXPECT_EQ(logbook::stampText(limit - 1), "2147483640");
}

TEST(FlightLog, FileKeepsCreationOrderThroughNewAndDeletedFlights) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    test::writeFlights(path, {Value(record({stamp(utc(2024, 5, 10, 12)), "departure=A"})),
                              Value(record({stamp(utc(2024, 3, 10, 12)), "departure=B"})),
                              Value(record({stamp(utc(2024, 5, 20, 12)), "departure=C"}))});
    FlightLog log(path);
    log.setClock([] { return utc(2024, 1, 10, 12); });
    DictionaryPtr added = log.newFlight();
    added->set(logbook::keys::departure, Value("D"));
    ASSERT_TRUE(log.deleteFlight(log.contentForIndexPath(1, 0)));  // B, the only March flight

    EXPECT_EQ(titles(log), (QStringList{"May 2024", "January 2024"}));
    log.saveFlights();
    EXPECT_EQ(departuresInFile(path), (QStringList{"A", "C", "D"}));
    EXPECT_FALSE(log.deleteFlight(added->mutableCopy()));
    EXPECT_FALSE(log.deleteFlight({}));
}

// A track file is named after its flight's second: flights made within one second (and one made
// in the second of a flight already stored) each get a second, and so a track, of their own.
TEST(FlightLog, FlightsMadeInTheSameSecondGetTracksOfTheirOwn) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    const double noon = utc(2024, 5, 10, 12);
    test::writeFlights(path, {Value(record({stamp(noon + 1.5), "departure=A"}))});
    FlightLog log(path);
    log.setClock([noon] { return noon + 0.25; });
    const DictionaryPtr first = log.newFlight(), second = log.newFlight(), third = log.newFlight();
    EXPECT_EQ(logbook::flightDate(*first), noon + 0.25);
    EXPECT_EQ(logbook::flightDate(*second), noon + 2.25) << "noon + 1 is the stored flight's second";
    EXPECT_EQ(logbook::flightDate(*third), noon + 3.25);
    QSet<QString> names;
    for (size_t i = 0; i < log.flightsArray()->size(); ++i)
        names.insert(logbook::FlightTrack::fileName(*log.flightsArray()->at(i).asDictionary()));
    EXPECT_EQ(names.size(), 4);
    EXPECT_TRUE(names.contains("20240510-120000.igc"));
    EXPECT_TRUE(names.contains("20240510-120003.igc"));
    // The latest made is listed first, as before.
    EXPECT_EQ(log.contentForIndexPath(0, 0), third);
}

// Two flights may hold equal texts (a copied entry): deleting one must not take its twin.
TEST(FlightLog, DeletingAFlightTakesOnlyThatRecord) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    Value twin(record({stamp(utc(2024, 5, 10, 12)), "departure=EDDF"}));
    test::writeFlights(path, {twin, Value(record({stamp(utc(2024, 5, 10, 12)), "departure=EDDF"}))});
    FlightLog log(path);
    ASSERT_TRUE(log.deleteFlight(log.contentForIndexPath(0, 0)));
    EXPECT_EQ(log.flightsArray()->size(), 1u);
    EXPECT_EQ(departuresInFile(path), (QStringList{"EDDF"}));
}

TEST(FlightLog, ElementsThatAreNotFlightsStayInTheFileButNotInTheList) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    platform::ArrayPtr nested = platform::Array::fromValues({Value("x"), Value::integer(3)});
    test::writeFlights(path, {Value(record({stamp(utc(2024, 5, 10, 12)), "departure=A"})), Value("a stray text"),
                              Value::integer(42), Value(nested), Value(record({stamp(utc(2024, 5, 11, 12)), "departure=B"}))});
    test::LogCapture capture;
    FlightLog log(path);
    EXPECT_TRUE(capture.contains("Element 1 of the logbook"));
    EXPECT_TRUE(capture.contains("Element 3 of the logbook"));
    EXPECT_EQ(log.flightsArray()->size(), 2u);
    EXPECT_EQ(rows(log, 0), (QStringList{"B", "A"}));

    log.setClock([] { return utc(2024, 5, 12, 12); });
    log.newFlight()->set(logbook::keys::departure, Value("C"));
    ASSERT_TRUE(log.deleteFlight(log.contentForIndexPath(0, 2)));  // A
    log.saveFlights();
    platform::ArrayPtr stored = test::readFlights(path);
    ASSERT_EQ(stored->size(), 5u);
    EXPECT_EQ(stored->at(0), Value("a stray text"));
    EXPECT_EQ(stored->at(1), Value::integer(42));
    EXPECT_EQ(stored->at(2), Value(nested));
    EXPECT_EQ(departuresInFile(path).mid(3), (QStringList{"B", "C"}));
}

TEST(FlightLog, DamagedFileStartsEmptyAndIsKeptAsideAtTheFirstSave) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    const QByteArray garbage("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><dict><key>timestamp</key>");
    for (const QByteArray& damage : {garbage, QByteArray("<plist version=\"1.0\"><dict/></plist>")}) {
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(damage);
        }
        test::LogCapture capture;
        QString notice;
        platform::NotificationCenter::defaultCenter().addObserver(
            &notice, platform::kUserNoticeNotification, nullptr,
            [&notice](const platform::Notification& n) { notice = n.userInfo->get("message").toQString(); });
        FlightLog log(path);
        platform::NotificationCenter::defaultCenter().removeObserver(&notice);
        EXPECT_TRUE(log.fileWasDamaged());
        EXPECT_TRUE(log.sections().empty());
        EXPECT_TRUE(capture.contains("could not be read"));
        EXPECT_TRUE(notice.contains("The logbook flights.plist could not be read: ")) << notice.toStdString();
        EXPECT_TRUE(notice.contains("kept aside as flights.plist.damaged")) << notice.toStdString();
        // Nothing is written until a change, and then the damaged file is kept aside.
        EXPECT_TRUE(QFile::exists(path));
        log.newFlight();
        EXPECT_EQ(test::readFlights(path)->size(), 1u);
        log.newFlight();
        EXPECT_EQ(test::readFlights(path)->size(), 2u);
    }
    QFile first(dir.file("flights.plist.damaged"));
    QFile second(dir.file("flights.plist.damaged-2"));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), garbage);
    EXPECT_EQ(second.readAll(), QByteArray("<plist version=\"1.0\"><dict/></plist>"));
}

TEST(FlightLog, FailedSaveKeepsEveryFlightAndTheNextSaveWritesThemAll) {
    test::TempDir dir;
    QString folder = dir.file("documents");
    QString path = folder + "/flights.plist";
    ASSERT_TRUE(QDir().mkpath(folder));
    FlightLog log(path);
    test::UnwritableFolder unwritable(folder);
    unwritable.block();
    QStringList notices;
    platform::NotificationCenter::defaultCenter().addObserver(
        &notices, platform::kUserNoticeNotification, &log,
        [&notices](const platform::Notification& n) { notices << n.userInfo->get("message").toQString(); });
    {
        test::LogCapture capture;
        log.newFlight();
        log.newFlight();
        EXPECT_TRUE(capture.contains("Error writing flights db to disk : " + path));
        EXPECT_FALSE(log.saveFlights());
    }
    platform::NotificationCenter::defaultCenter().removeObserver(&notices);
    // Each failure is posted for the screen, in one plain sentence with the file and the reason.
    ASSERT_EQ(notices.size(), 3);
    EXPECT_TRUE(notices[0].startsWith("The logbook could not be saved to flights.plist: ")) << notices[0].toStdString();
    EXPECT_TRUE(notices[0].endsWith(". Your flights are kept until the next try.")) << notices[0].toStdString();
    EXPECT_FALSE(notices[0].contains(path)) << "the sentence names the file, not its whole path";
    EXPECT_EQ(log.flightsArray()->size(), 2u);
    unwritable.unblock();
    log.newFlight();
    EXPECT_EQ(test::readFlights(path)->size(), 3u);
}

TEST(FlightLog, WithoutADocumentsFolderNothingIsReadAndEverySaveFails) {
    test::LogCapture capture;
    FlightLog log{QString()};
    log.newFlight();
    EXPECT_EQ(log.flightsArray()->size(), 1u);
    EXPECT_TRUE(capture.contains("Error writing flights db to disk : (null)"));
}

// A missing timestamp reads as the moment 0, and so does one no calendar can show (logged).
TEST(FlightLog, MissingOrImpossibleTimestampsAreFiledUnderTheMomentZero) {
    test::TempDir dir;
    QString path = dir.file("flights.plist");
    test::writeFlights(path, {Value(record({"departure=no stamp"})), Value(record({"timestamp=1e300", "departure=huge"})),
                              Value(record({"timestamp=-inf", "departure=minus infinity"})),
                              Value(record({stamp(utc(2024, 5, 10, 12)), "departure=fine"}))});
    test::LogCapture capture;
    test::ScopedTimeZone zone("America/Los_Angeles");
    FlightLog log(path);
    EXPECT_TRUE(capture.contains("impossible timestamp \"1e300\""));
    EXPECT_EQ(titles(log), (QStringList{"May 2024", "December 1969"}));
    EXPECT_EQ(log.sections()[1].flights->size(), 3u);
}
