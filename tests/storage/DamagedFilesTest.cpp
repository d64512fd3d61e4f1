// Files that cannot be read are kept aside, never written over: the numbering of the copies, a
// second damaged defaults file beside the first copy, and the dismissed countries' list kept aside
// at its first save while every country is active.

#include "StorageTestSupport.h"

#include "platform/core/DamagedFiles.h"
#include "platform/core/UserDefaults.h"
#include "platform/plist/PropertyList.h"
#include "support/TestSupport.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/DatabaseFixture.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace vantrel;
using platform::Value;
using test::entriesOf;
using test::readBytes;
using test::writeBytes;

TEST(DamagedFiles, CopiesAreNumberedAndNeverWrittenOver) {
    test::TempDir dir;
    const QString path = dir.file("flights.plist");
    QString error;
    writeBytes(path, "one");
    EXPECT_EQ(platform::keepDamagedCopy(path, &error), path + ".damaged") << error.toStdString();
    writeBytes(path, "two");
    EXPECT_EQ(platform::keepDamagedCopy(path, &error), path + ".damaged-2") << error.toStdString();
    // A name taken by anything, a dangling link included, is skipped.
    ASSERT_TRUE(QFile::link(dir.file("nowhere"), path + ".damaged-3"));
    writeBytes(path, "three");
    EXPECT_EQ(platform::keepDamagedCopy(path, &error), path + ".damaged-4") << error.toStdString();

    EXPECT_EQ(readBytes(path + ".damaged"), QByteArray("one"));
    EXPECT_EQ(readBytes(path + ".damaged-2"), QByteArray("two"));
    EXPECT_EQ(readBytes(path + ".damaged-4"), QByteArray("three"));
    EXPECT_FALSE(QFile::exists(path));

    EXPECT_EQ(platform::keepDamagedCopy(path, &error), QString());
    EXPECT_EQ(error, "cannot keep " + path + " aside: " + qt_error_string(ENOENT));
}

TEST(DamagedFiles, ASecondDamagedDefaultsFileKeepsTheFirstCopy) {
    test::TempDir dir;
    const QString file = dir.file("defaults.plist");
    platform::UserDefaults defaults(file);
    for (const QByteArray& damage : {QByteArray("<plist><dict><key>units"), QByteArray("<plist><array/></plist>")}) {
        writeBytes(file, damage);
        defaults.reload();
        test::LogCapture log;
        EXPECT_TRUE(defaults.objectForKey("units").isNull());
        EXPECT_TRUE(log.contains("User defaults " + file + " could not be read"));
        EXPECT_EQ(readBytes(file), damage);  // nothing written before a change
        defaults.setObject("units", Value::integer(1));
        EXPECT_TRUE(log.contains("Kept the unreadable user defaults as " + file + ".damaged")) << log.lines().join('\n').toStdString();
    }
    EXPECT_EQ(readBytes(file + ".damaged"), QByteArray("<plist><dict><key>units"));
    EXPECT_EQ(readBytes(file + ".damaged-2"), QByteArray("<plist><array/></plist>"));
    EXPECT_EQ(platform::UserDefaults(file).objectForKey("units").intValue(), 1);
}

TEST(DamagedFiles, ADamagedCountriesListIsKeptAsideAndEveryCountryIsActive) {
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {});
    db.writeCountry(QStringLiteral("Spain"), {});
    const QString path = waypoints::ActiveCountriesStore::dismissedCountriesPath();
    const QByteArray damage("<plist><array><string>France</string>");
    writeBytes(path, damage);
    {
        test::LogCapture log;
        waypoints::ActiveCountriesStore store;
        EXPECT_TRUE(store.isCountryActive(QStringLiteral("France")));
        EXPECT_TRUE(store.isCountryActive(QStringLiteral("Spain")));
        EXPECT_TRUE(log.contains(path + " could not be read")) << log.lines().join('\n').toStdString();
        EXPECT_EQ(readBytes(path), damage);
        store.toggleCountry(QStringLiteral("Spain"));
        ASSERT_TRUE(store.save());
        EXPECT_TRUE(log.contains("Kept the unreadable list of dismissed countries as " + path + ".damaged"));
        EXPECT_EQ(readBytes(path + ".damaged"), damage);
        // Saved again: the copy stays as it is and no other one is made.
        ASSERT_TRUE(store.save());
    }
    EXPECT_EQ(entriesOf(db.documentsDirectory()), QStringList({"DismissedCountries.plist", "DismissedCountries.plist.damaged"}));
    EXPECT_FALSE(waypoints::ActiveCountriesStore().isCountryActive(QStringLiteral("Spain")));

    // A second damaged list goes beside the first copy.
    writeBytes(path, "garbage");
    waypoints::ActiveCountriesStore second;
    ASSERT_TRUE(second.save());
    EXPECT_EQ(readBytes(path + ".damaged"), damage);
    EXPECT_EQ(readBytes(path + ".damaged-2"), QByteArray("garbage"));
    EXPECT_TRUE(platform::plist::readFile(path).isArray());
}

// When the damaged list cannot be moved aside, the save writes nothing and says so.
TEST(DamagedFiles, ADamagedListThatCannotBeKeptAsideIsNotWrittenOver) {
    test::DatabaseFixture db;
    db.writeStates({});
    const QString path = waypoints::ActiveCountriesStore::dismissedCountriesPath();
    for (int n = 1; n <= 1000; ++n) writeBytes(platform::damagedCopyName(path, n), "an earlier copy");
    writeBytes(path, "garbage");
    waypoints::ActiveCountriesStore store;
    test::LogCapture log;
    EXPECT_FALSE(store.save());
    EXPECT_TRUE(log.contains("Error writing dismissed countries to " + path + " : the unreadable file there could not be kept aside"))
        << log.lines().join('\n').toStdString();
    EXPECT_EQ(readBytes(path), QByteArray("garbage"));
    EXPECT_EQ(readBytes(platform::damagedCopyName(path, 1000)), QByteArray("an earlier copy"));
}
