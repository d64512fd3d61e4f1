// One writer for the pilot's documents: the lock file taken by two holders in one process and by
// another process (which kill -9 lets go of), and a copy of the app that runs read-only because
// another holds the documents: every store refuses its writes, says why, and leaves the files on
// disk byte for byte as the other copy wrote them.

#include "StorageTestSupport.h"

#include "logbook/FlightKeys.h"
#include "logbook/FlightLog.h"
#include "logbook/FlightTrack.h"
#include "logbook/TrackFile.h"
#include "navplans/NavPlanStore.h"
#include "platform/core/DamagedFiles.h"
#include "platform/core/DocumentsLock.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/core/UserNotice.h"
#include "support/TestSupport.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/DatabaseFixture.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantrel;
using platform::DocumentsLock;
using platform::Value;
using test::readBytes;

TEST(DocumentsLock, OneHolderAtATimeAndAKilledHolderLetsGo) {
    test::TempDir dir;
    {
        DocumentsLock first(dir.path());
        ASSERT_TRUE(first.held()) << first.problem().toStdString();
        EXPECT_EQ(first.path(), dir.file(".vantrel.lock"));
        EXPECT_EQ(readBytes(first.path()).trimmed(), QByteArray::number(qint64(::getpid())));
        // A second open file in this same process conflicts, as a second copy of the app does.
        DocumentsLock second(dir.path(), 150);
        EXPECT_EQ(second.state(), DocumentsLock::State::HeldElsewhere);
        EXPECT_EQ(second.problem(), QStringLiteral("another program holds it (process %1)").arg(::getpid()));
    }
    EXPECT_TRUE(DocumentsLock(dir.path()).held()) << "released with its holder";

    // Another process holds it until it is killed.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        DocumentsLock lock(dir.path());
        const char answer = lock.held() ? 'y' : 'n';
        if (::write(ready[1], &answer, 1) != 1) ::_exit(2);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(answer, 'y');
    DocumentsLock whileChild(dir.path());
    EXPECT_EQ(whileChild.state(), DocumentsLock::State::HeldElsewhere);
    EXPECT_TRUE(whileChild.problem().contains(QString::number(child))) << whileChild.problem().toStdString();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(DocumentsLock(dir.path()).held()) << "kill -9 leaves no stale lock";

    // A folder that cannot hold the lock file: not held, and not taken for another holder.
    test::writeBytes(dir.file("a file"), "not a folder");
    DocumentsLock nowhere(dir.file("a file/documents"));
    EXPECT_EQ(nowhere.state(), DocumentsLock::State::Failed);
    EXPECT_FALSE(nowhere.problem().isEmpty());
}

TEST(DocumentsLock, AReadOnlyCopyRefusesEveryWriteAndLeavesThePilotsFilesAsTheyAre) {
    test::DatabaseFixture db;  // its own documents folder, reset by its destructor
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {});
    const QString documents = platform::Paths::documentsDirectory();
    test::TempDir config;

    logbook::FlightLog log(documents + "/flights.plist");
    platform::DictionaryPtr flight = log.newFlight();
    navplans::NavPlanStore plans(documents + "/navplans");
    platform::DictionaryPtr plan = navplans::NavPlanStore::newPlan();
    ASSERT_TRUE(plans.savePlan(plan, "Trip").ok());
    platform::UserDefaults defaults(config.file("defaults.plist"));
    defaults.setObject("VOR 1", Value("as the first copy left it"));
    waypoints::ActiveCountriesStore countries;
    countries.toggleCountry(QStringLiteral("France"));
    ASSERT_TRUE(countries.save());
    const QString trackPath = logbook::FlightTrack::path(*flight);
    ASSERT_TRUE(QDir().mkpath(trackPath.left(trackPath.lastIndexOf('/'))));
    test::writeBytes(trackPath, "AXXX the first copy's track\r\n");

    auto snapshot = [&] {
        QStringList files;
        for (const QString& folder : {documents, documents + "/navplans", documents + "/tracks", config.path()})
            for (const QString& name : test::entriesOf(folder))
                if (QFileInfo(folder + '/' + name).isFile()) files << name + '=' + QString::fromLatin1(readBytes(folder + '/' + name).toBase64());
        return files;
    };
    const QStringList before = snapshot();

    const QString reason = QStringLiteral("another copy of Vantrel holds these documents");
    platform::setPilotFilesReadOnly(reason);
    struct Attempt {
        const char* what;
        std::function<bool()> write;  // true when it claims to have written
    };
    const Attempt attempts[] = {
        {"a new flight", [&] { log.newFlight(); return log.saveFlights(); }},
        {"a flight deleted", [&] {
             bool saved = true;
             log.deleteFlight(flight, &saved);
             return saved;
         }},
        {"its track deleted", [&] { return logbook::FlightTrack::remove(*flight); }},
        {"a plan renamed", [&] { return plans.savePlan(plan, "Renamed").ok(); }},
        {"a plan deleted", [&] { return plans.deletePlan(0); }},
        {"an instrument's settings", [&] {
             defaults.setObject("VOR 1", Value("changed by the second copy"));
             defaults.reload();
             return defaults.objectForKey("VOR 1") == Value("changed by the second copy");
         }},
        {"the countries", [&] {
             countries.toggleCountry(QStringLiteral("France"));
             return countries.save();
         }},
        {"a track", [&] {
             logbook::TrackFile track(documents + "/tracks/20240101-000000.igc", "test");
             positioning::Fix fix;
             fix.latitude = 46;
             fix.longitude = 6;
             fix.horizontalAccuracy = 5;
             fix.timestamp = 1.7e9;
             QString error;
             return track.append(fix, true, &error) != logbook::TrackFile::Outcome::Failed;
         }},
        {"a damaged file kept aside", [&] { return !platform::keepDamagedCopy(documents + "/flights.plist").isEmpty(); }},
    };
    for (const Attempt& attempt : attempts) {
        SCOPED_TRACE(attempt.what);
        test::LogCapture capture;
        QStringList notices;
        platform::NotificationCenter::defaultCenter().addObserver(
            &notices, platform::kUserNoticeNotification, nullptr,
            [&notices](const platform::Notification& n) { notices << n.userInfo->get("message").toQString(); });
        EXPECT_FALSE(attempt.write());
        platform::NotificationCenter::defaultCenter().removeObserver(&notices);
        EXPECT_EQ(snapshot(), before);
        // Said in the log (the track's and the kept copy's callers log what they are told).
        const bool callerLogs = std::string(attempt.what) == "a track" || std::string(attempt.what) == "a damaged file kept aside";
        EXPECT_TRUE(callerLogs || capture.lines().join('\n').contains(reason)) << capture.lines().join('\n').toStdString();
        for (const QString& notice : notices) EXPECT_TRUE(notice.contains(reason)) << notice.toStdString();
    }

    // The lock gone (the other copy ended), the same stores write again.
    platform::setPilotFilesReadOnly({});
    EXPECT_TRUE(log.saveFlights());
    EXPECT_TRUE(plans.savePlan(plan, "Renamed").ok());
    EXPECT_TRUE(countries.save());
    EXPECT_NE(snapshot(), before);
}
