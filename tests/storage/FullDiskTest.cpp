// A really full file system: a 64 KiB tmpfs, filled, then saves larger than what is left. The logbook and the countries' list must stay as they were on disk (a start
// in between reads them), the failure is logged and posted, and once space is back the next save
// writes everything. Mounting needs root; other users skip the test.

#include "StorageTestSupport.h"

#include "logbook/FlightKeys.h"
#include "logbook/FlightLog.h"
#include "logbook/FlightRecord.h"
#include "logbook/FlightRecorder.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/UserNotice.h"
#include "support/TestSupport.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/DatabaseFixture.h"

#include <QFile>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace vantrel;
using platform::Value;
using test::entriesOf;
using test::readBytes;

TEST(FullDisk, TheLogbookAndTheCountriesSurviveAFullFileSystemAndAreSavedOnceSpaceIsBack) {
    test::SmallFileSystem fs("64k");
    if (!fs.mounted()) GTEST_SKIP() << "needs a small tmpfs of its own: " << fs.problem().toStdString();

    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {});
    platform::Paths::setDocumentsDirectory(fs.path());  // the fixture's destructor resets it
    const QString flightsPath = fs.path() + "/flights.plist";
    const QString countriesPath = fs.path() + "/DismissedCountries.plist";

    logbook::FlightLog log(flightsPath);
    log.newFlight();
    log.newFlight();
    waypoints::ActiveCountriesStore countries;
    countries.toggleCountry(QStringLiteral("France"));
    ASSERT_TRUE(countries.save());
    const QByteArray flightsBefore = readBytes(flightsPath);
    const QByteArray countriesBefore = readBytes(countriesPath);
    ASSERT_FALSE(flightsBefore.isEmpty());

    // Saves of 3 KB on a full disk (the size a buffered writer holds back until it closes the
    // file), then of 20 KB with two pages free (the first 8 KB go out, then ENOSPC).
    ASSERT_GT(fs.fill("filler"), 0);
    const QString filler = fs.path() + "/filler";
    QString large;
    for (const int size : {3000, 20000}) {
        SCOPED_TRACE(size);
        if (size > 3000) {
            ASSERT_EQ(::truncate(QFile::encodeName(filler).constData(), QFileInfo(filler).size() - 8192), 0);
        }
        large = QString(size, u'D');
        log.flightsArray()->at(0).dictionary()->set(logbook::keys::departure, Value(large));
        countries.toggleCountry(QString(size, u'C'));
        test::LogCapture capture;
        QStringList notices;
        platform::NotificationCenter::defaultCenter().addObserver(
            &notices, platform::kUserNoticeNotification, nullptr,
            [&notices](const platform::Notification& n) { notices << n.userInfo->get("message").toQString(); });
        EXPECT_FALSE(log.saveFlights());
        EXPECT_FALSE(countries.save());
        platform::NotificationCenter::defaultCenter().removeObserver(&notices);

        EXPECT_TRUE(capture.contains("Error writing flights db to disk : " + flightsPath)) << capture.lines().join('\n').toStdString();
        EXPECT_TRUE(capture.contains("No space left on device")) << capture.lines().join('\n').toStdString();
        EXPECT_TRUE(capture.contains("Error writing dismissed countries to " + countriesPath));
        ASSERT_EQ(notices.size(), 2);
        EXPECT_TRUE(notices[0].startsWith("The logbook could not be saved to flights.plist: no space left on device."))
            << notices[0].toStdString();

        EXPECT_EQ(readBytes(flightsPath), flightsBefore);
        EXPECT_EQ(readBytes(countriesPath), countriesBefore);
        EXPECT_EQ(entriesOf(fs.path()), QStringList({"DismissedCountries.plist", "filler", "flights.plist"}));
        // A start now reads the logbook and the list as they were last saved.
        EXPECT_EQ(logbook::FlightLog(flightsPath).flightsArray()->size(), 2u);
        EXPECT_FALSE(waypoints::ActiveCountriesStore().isCountryActive(QStringLiteral("France")));
    }

    ASSERT_TRUE(QFile::remove(filler));
    EXPECT_TRUE(log.saveFlights());
    EXPECT_TRUE(countries.save());
    logbook::FlightLog reread(flightsPath);
    ASSERT_EQ(reread.flightsArray()->size(), 2u);
    bool found = false;
    for (const Value& v : *reread.flightsArray()) found = found || v.asDictionary()->get(logbook::keys::departure).toQString() == large;
    EXPECT_TRUE(found);
    EXPECT_FALSE(waypoints::ActiveCountriesStore().isCountryActive(QString(20000, u'C')));
    EXPECT_EQ(entriesOf(fs.path()), QStringList({"DismissedCountries.plist", "flights.plist"}));
}

// A flight made while the disk is full is not stored, and so gets no track file however many
// fixes come; a stored flight whose track cannot take its header leaves no empty file either.
// Once space is back, the next fix starts the track.
TEST(FullDisk, AFlightNotStoredGetsNoTrackFileAndAFailedTrackLeavesNoEmptyFile) {
    test::SmallFileSystem fs("64k");
    if (!fs.mounted()) GTEST_SKIP() << "needs a small tmpfs of its own: " << fs.problem().toStdString();
    test::DatabaseFixture db;
    platform::Paths::setDocumentsDirectory(fs.path());  // the fixture's destructor resets it
    const QString tracks = fs.path() + "/tracks";
    auto fixAt = [](double time) {
        positioning::Fix fix;
        fix.latitude = 46.2;
        fix.longitude = 7.3;
        fix.horizontalAccuracy = 5;
        fix.timestamp = time;
        return fix;
    };

    auto log = std::make_shared<logbook::FlightLog>(fs.path() + "/flights.plist");
    logbook::FlightRecorder recorder(log);
    ASSERT_GT(fs.fill("filler"), 0);
    const QString filler = fs.path() + "/filler";
    platform::DictionaryPtr flight;
    {
        test::LogCapture capture;
        flight = log->newFlight();
        flight->set(logbook::keys::blockOff, logbook::stampText(log->now()));
        EXPECT_FALSE(log->saveFlights());
        for (int i = 0; i < 5; ++i) recorder.fixDidArrive(fixAt(log->now() + i), true, 20, "test");
        EXPECT_TRUE(capture.contains("is not stored yet")) << capture.lines().join('\n').toStdString();
    }
    EXPECT_TRUE(entriesOf(tracks).isEmpty()) << entriesOf(tracks).join(' ').toStdString();

    // Stored now, but the disk full again before its first fix: the track cannot begin.
    ASSERT_TRUE(QFile::remove(filler));
    ASSERT_TRUE(log->saveFlights());
    ASSERT_GT(fs.fill("filler"), 0);
    recorder.fixDidArrive(fixAt(log->now() + 10), true, 20, "test");
    EXPECT_TRUE(entriesOf(tracks).isEmpty()) << entriesOf(tracks).join(' ').toStdString();

    ASSERT_TRUE(QFile::remove(filler));
    recorder.fixDidArrive(fixAt(log->now() + 11), true, 20, "test");
    const QStringList made = entriesOf(tracks);
    ASSERT_EQ(made.size(), 1);
    const QByteArray track = readBytes(tracks + '/' + made.front());
    EXPECT_TRUE(track.startsWith("A")) << track.constData();
    EXPECT_TRUE(track.contains("\nB")) << track.constData();
}
