// The atomic writer on a real folder: a file replaced whole with its permissions and links kept,
// each step made to fail (the old file stays byte for byte, no temporary is left, the reason names
// the file and the system's error), the stores that use it keeping their data through a failure,
// and the temporaries of interrupted saves cleared without touching anything else.

#include "StorageTestSupport.h"

#include "logbook/FlightLog.h"
#include "navplans/NavPlanStore.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/core/UserNotice.h"
#include "platform/plist/PropertyList.h"
#include "support/TestSupport.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/DatabaseFixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;
using platform::AtomicWriteStep;
using platform::Value;
using test::entriesOf;
using test::readBytes;
using test::writeBytes;

namespace {

// The notices posted while it lives.
class NoticeCapture {
public:
    NoticeCapture() {
        platform::NotificationCenter::defaultCenter().addObserver(
            this, platform::kUserNoticeNotification, nullptr,
            [this](const platform::Notification& n) { messages << n.userInfo->get("message").toQString(); });
    }
    ~NoticeCapture() { platform::NotificationCenter::defaultCenter().removeObserver(this); }
    QStringList messages;
};

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }

private:
    mode_t previous_;
};

QByteArray manyBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) bytes[i] = char('a' + i % 26);
    return bytes;
}

}  // namespace

TEST(AtomicFile, ReplacesTheFileWholeAndKeepsItsPermissionsAndLinks) {
    test::TempDir dir;
    const QString path = dir.file("flights.plist");
    QString error;
    {
        // A new file gets what the umask leaves of rw-rw-rw-.
        ScopedUmask mask(027);
        ASSERT_TRUE(platform::writeFileAtomically(path, "first", &error)) << error.toStdString();
    }
    EXPECT_EQ(readBytes(path), QByteArray("first"));
    EXPECT_EQ(test::modeOf(path), 0640u);

    // An existing file keeps its own bits, whatever the umask.
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0604), 0);
    ASSERT_TRUE(platform::writeFileAtomically(path, manyBytes(300000), &error)) << error.toStdString();
    EXPECT_EQ(readBytes(path), manyBytes(300000));
    EXPECT_EQ(test::modeOf(path), 0604u);

    // Written through a link, which stays a link; an empty file is a file too.
    ASSERT_TRUE(QFile::link(path, dir.file("link.plist")));
    ASSERT_TRUE(platform::writeFileAtomically(dir.file("link.plist"), QByteArray(), &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(dir.file("link.plist")).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(readBytes(path), QByteArray());
    EXPECT_EQ(entriesOf(dir.path()), QStringList({"flights.plist", "link.plist"}));
}

// The write cut short by a full disk, the sync and the rename: each failure leaves the old file
// as it was and no temporary, and says which file and why; the next write succeeds.
TEST(AtomicFile, EachFailingStepLeavesTheOldFileAndNoTemporary) {
    const struct {
        AtomicWriteStep step;
        int code;
        const char* doing;
    } cases[] = {
        {AtomicWriteStep::Write, ENOSPC, "(writing flights.plist."},
        {AtomicWriteStep::Sync, EIO, "(syncing flights.plist."},
        {AtomicWriteStep::Rename, EXDEV, "(renaming flights.plist."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.doing);
        test::TempDir dir;
        const QString path = dir.file("flights.plist");
        const QByteArray old = manyBytes(5000);
        writeBytes(path, old);
        QString error;
        const int descriptors = test::openDescriptorCount();
        {
            test::ScopedWriteFault fault(c.step);
            EXPECT_FALSE(platform::writeFileAtomically(path, manyBytes(200000), &error));
            EXPECT_TRUE(error.startsWith("cannot write " + path + " ")) << error.toStdString();
            EXPECT_TRUE(error.contains(QLatin1String(c.doing))) << error.toStdString();
            EXPECT_TRUE(error.endsWith(": " + qt_error_string(c.code))) << error.toStdString();
            EXPECT_EQ(readBytes(path), old);
            EXPECT_EQ(entriesOf(dir.path()), QStringList({"flights.plist"}));

            // A file that did not exist is not made at all.
            EXPECT_FALSE(platform::writeFileAtomically(dir.file("new.plist"), "new", &error));
            EXPECT_EQ(entriesOf(dir.path()), QStringList({"flights.plist"}));
        }
        EXPECT_EQ(test::openDescriptorCount(), descriptors);
        ASSERT_TRUE(platform::writeFileAtomically(path, "after", &error)) << error.toStdString();
        EXPECT_EQ(readBytes(path), QByteArray("after"));
        EXPECT_EQ(entriesOf(dir.path()), QStringList({"flights.plist"}));
        EXPECT_EQ(test::openDescriptorCount(), descriptors);
    }
}

// The names the writer gives its temporaries are the ones the cleanup recognises as its own.
TEST(AtomicFile, TheWritersTemporaryNamesAreTheOnesTheCleanupTakes) {
    test::TempDir dir;
    const QString path = dir.file("DismissedCountries.plist");
    const QRegularExpression named(QStringLiteral("renaming (\\S+) into place"));
    test::ScopedWriteFault fault(AtomicWriteStep::Rename);
    QSet<QString> seen;
    for (int i = 0; i < 100; ++i) {
        QString error;
        ASSERT_FALSE(platform::writeFileAtomically(path, "x", &error));
        const QRegularExpressionMatch match = named.match(error);
        ASSERT_TRUE(match.hasMatch()) << error.toStdString();
        const QString temp = match.captured(1);
        ASSERT_EQ(platform::atomicWriteTargetOf(temp), QStringLiteral("DismissedCountries.plist")) << temp.toStdString();
        seen.insert(temp);
    }
    EXPECT_GT(seen.size(), 95);  // drawn afresh each time
}

// FlightLog, UserDefaults, ActiveCountriesStore and NavPlanStore on a failing disk: each logs the
// file, posts a notice, keeps what it holds, and writes it all at the next save.
TEST(AtomicFile, TheStoresKeepTheirDataThroughAFailedSaveAndWriteItNextTime) {
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {});
    const QString documents = db.documentsDirectory();
    logbook::FlightLog log(documents + "/flights.plist");
    platform::UserDefaults defaults(documents + "/defaults.plist");
    waypoints::ActiveCountriesStore countries;
    navplans::NavPlanStore plans(documents + "/navplans");
    ASSERT_TRUE(bool(log.newFlight()));
    const QByteArray savedFlights = readBytes(log.savePath());
    {
        test::ScopedWriteFault fault(AtomicWriteStep::Write);
        test::LogCapture capture;
        NoticeCapture notices;
        log.newFlight();
        defaults.setObject("units", Value::integer(2));
        countries.toggleCountry(QStringLiteral("France"));
        EXPECT_FALSE(countries.save());
        const auto plan = navplans::NavPlanStore::newPlan();
        EXPECT_FALSE(plans.savePlan(plan, QStringLiteral("Alpha")).ok());

        EXPECT_TRUE(capture.contains("Error writing flights db to disk : " + log.savePath())) << capture.lines().join('\n').toStdString();
        EXPECT_TRUE(capture.contains("Error writing user defaults to " + documents + "/defaults.plist"));
        EXPECT_TRUE(capture.contains("Error writing dismissed countries to " + documents + "/DismissedCountries.plist"));
        EXPECT_TRUE(capture.contains("Error writing navigation plan to disk : " + documents + "/navplans/Alpha.nav"));
        const QString full = QStringLiteral(": no space left on device.");
        ASSERT_EQ(notices.messages.size(), 4) << notices.messages.join('\n').toStdString();
        EXPECT_TRUE(notices.messages[0].startsWith("The logbook could not be saved to flights.plist" + full));
        EXPECT_TRUE(notices.messages[1].startsWith("The settings could not be saved to defaults.plist" + full));
        EXPECT_TRUE(notices.messages[2].startsWith("The active countries could not be saved to DismissedCountries.plist" + full));
        EXPECT_EQ(notices.messages[3], "The plan could not be saved to Alpha.nav" + full + " It is kept until the editor is left again.");

        EXPECT_EQ(readBytes(log.savePath()), savedFlights);
        EXPECT_FALSE(QFile::exists(documents + "/defaults.plist"));
        EXPECT_FALSE(QFile::exists(documents + "/DismissedCountries.plist"));
        EXPECT_EQ(entriesOf(documents + "/navplans"), QStringList());
        EXPECT_EQ(log.flightsArray()->size(), 2u);
        EXPECT_EQ(defaults.objectForKey("units").intValue(), 2);
        EXPECT_FALSE(countries.isCountryActive(QStringLiteral("France")));
    }
    EXPECT_TRUE(log.saveFlights());
    EXPECT_EQ(logbook::FlightLog(log.savePath()).flightsArray()->size(), 2u);
    defaults.setObject("disableDisclaimer", Value::boolean(true));
    EXPECT_EQ(platform::UserDefaults(documents + "/defaults.plist").objectForKey("units").intValue(), 2);
    EXPECT_TRUE(countries.save());
    EXPECT_FALSE(waypoints::ActiveCountriesStore().isCountryActive(QStringLiteral("France")));
    EXPECT_TRUE(plans.savePlan(navplans::NavPlanStore::newPlan(), QStringLiteral("Alpha")).ok());
    EXPECT_EQ(entriesOf(documents + "/navplans"), QStringList({"Alpha.nav"}));
}

TEST(StaleTemporaries, OnlyTheWritersOwnNamesOfTheNamedFilesGo) {
    EXPECT_EQ(platform::atomicWriteTargetOf("flights.plist.AbC123"), QStringLiteral("flights.plist"));
    EXPECT_EQ(platform::atomicWriteTargetOf(".x.7"), QString());
    EXPECT_EQ(platform::atomicWriteTargetOf(".AbC123"), QString());  // no target name before it

    test::TempDir dir;
    const QStringList kept{
        "flights.plist",          "flights.plist.bak",     "flights.plist.backup",  // a user's own copies
        "flights.plist.Ab-123",   "flights.plist.Ab12345", "flights.plist.damaged-2",
        "notes.txt",              "notes.txt.AbC123",      "DismissedCountries.plist.q1w2e3",  // not named
    };
    for (const QString& name : kept) writeBytes(dir.file(name), name.toUtf8());
    writeBytes(dir.file("flights.plist.AbC123"), "<plist><array><dict>");
    writeBytes(dir.file("flights.plist.000000"), "");
    ASSERT_TRUE(QDir().mkdir(dir.file("flights.plist.Zz9Zz9")));                        // a folder
    ASSERT_TRUE(QFile::link(dir.file("notes.txt"), dir.file("flights.plist.Ln1234")));  // a link

    // A writer at work holds its temporary locked; the cleanup leaves it alone until it lets go.
    writeBytes(dir.file("flights.plist.Lk5678"), "in progress");
    const int writer = ::open(QFile::encodeName(dir.file("flights.plist.Lk5678")).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);

    test::LogCapture log;
    const int descriptors = test::openDescriptorCount();
    EXPECT_EQ(platform::removeStaleTemporaryFiles(dir.path(), {"flights.plist"}), 2);
    EXPECT_EQ(test::openDescriptorCount(), descriptors);
    EXPECT_TRUE(log.contains("Removed " + dir.file("flights.plist.AbC123") + ", left by a save of flights.plist"));
    QStringList expected = kept;
    expected << "flights.plist.Lk5678" << "flights.plist.Ln1234" << "flights.plist.Zz9Zz9";
    expected.sort();
    EXPECT_EQ(entriesOf(dir.path()), expected);
    EXPECT_EQ(readBytes(dir.file("notes.txt")), QByteArray("notes.txt"));  // not through the link either

    ::close(writer);
    // A successful write of the target clears what is left of its own.
    ASSERT_TRUE(platform::writeFileAtomically(dir.file("flights.plist"), "new"));
    expected.removeOne("flights.plist.Lk5678");
    EXPECT_EQ(entriesOf(dir.path()), expected);

    EXPECT_EQ(platform::removeStaleTemporaryFiles(dir.file("missing"), {"flights.plist"}), 0);
}

// Each store clears the temporaries of its own files when it is made, so that they neither pile
// up nor show as plans without a name; other files of the pilot stay.
TEST(StaleTemporaries, TheStoresClearTheirOwnWhenTheyStart) {
    test::DatabaseFixture db;
    db.writeStates({});
    const QString documents = db.documentsDirectory();
    for (const char* name : {"DismissedCountries.plist.Ab12Cd", "DismissedCountries.plist.bak", "notes.txt",
                             "flights.plist.bak", "defaults.plist.Zz1Yy2", "other.plist.Zz1Yy2"})
        writeBytes(documents + '/' + name, name);
    waypoints::ActiveCountriesStore countries;
    EXPECT_EQ(entriesOf(documents), QStringList({"DismissedCountries.plist.bak", "defaults.plist.Zz1Yy2", "flights.plist.bak",
                                                 "notes.txt", "other.plist.Zz1Yy2"}));

    platform::UserDefaults defaults(documents + "/defaults.plist");
    EXPECT_TRUE(defaults.objectForKey("units").isNull());
    EXPECT_EQ(entriesOf(documents),
              QStringList({"DismissedCountries.plist.bak", "flights.plist.bak", "notes.txt", "other.plist.Zz1Yy2"}));

    const QString folder = documents + "/navplans";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(platform::plist::writeFile(folder + "/Alpha.nav", Value(navplans::NavPlanStore::newPlan())));
    for (const char* name : {"Alpha.nav.Xy12Zw", "Beta.nav.Q1w2E3", "readme.txt.Ab12Cd"})
        writeBytes(folder + '/' + name, "<plist");
    navplans::NavPlanStore plans(folder);
    // The plan and the foreign file are rows; the temporaries of plan files are gone.
    EXPECT_EQ(plans.navigationPlansArray()->size(), 2u);
    EXPECT_EQ(entriesOf(folder), QStringList({"Alpha.nav", "readme.txt.Ab12Cd"}));
}
