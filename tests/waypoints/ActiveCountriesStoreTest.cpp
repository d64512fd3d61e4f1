#include "DatabaseFixture.h"

#include "platform/plist/PropertyList.h"
#include "waypoints/ActiveCountriesStore.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace vantrel;
using platform::Value;
using waypoints::ActiveCountriesStore;

namespace {
QStringList storedDismissed(const QString& path) {
    QStringList names;
    platform::ArrayPtr a = platform::plist::readFile(path).array();
    if (a)
        for (const Value& v : *a) names << v.toQString();
    return names;
}
}  // namespace

TEST(ActiveCountries, FirstLaunchHasEveryCountryActiveAndSavesAnEmptyList) {
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {});
    db.writeCountry(QStringLiteral("Spain"), {});
    db.writeRawFile(QStringLiteral("readme.txt"), "not a country");
    ActiveCountriesStore store;
    QStringList all = store.allCountries();
    all.sort();
    EXPECT_EQ(all, QStringList({"France", "Spain"}));
    EXPECT_TRUE(store.isCountryActive(QStringLiteral("France")));
    EXPECT_FALSE(QFile::exists(store.dismissedCountriesPath()));
    ASSERT_TRUE(store.save());
    ASSERT_TRUE(QFile::exists(store.dismissedCountriesPath()));
    EXPECT_TRUE(storedDismissed(store.dismissedCountriesPath()).isEmpty());
    EXPECT_TRUE(platform::plist::readFile(store.dismissedCountriesPath()).isArray());
}

TEST(ActiveCountries, TogglingTwiceRestoresAndTheFileKeepsUnknownNames) {
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {});
    db.dismiss({"Atlantis"});
    ActiveCountriesStore store;
    store.toggleCountry(QStringLiteral("France"));
    EXPECT_FALSE(store.isCountryActive(QStringLiteral("France")));
    ASSERT_TRUE(store.save());
    EXPECT_EQ(storedDismissed(store.dismissedCountriesPath()), QStringList({"Atlantis", "France"}));

    ActiveCountriesStore reread;
    EXPECT_FALSE(reread.isCountryActive(QStringLiteral("France")));
    reread.toggleCountry(QStringLiteral("France"));
    EXPECT_TRUE(reread.isCountryActive(QStringLiteral("France")));
    ASSERT_TRUE(reread.save());
    EXPECT_EQ(storedDismissed(store.dismissedCountriesPath()), QStringList({"Atlantis"}));
}

TEST(ActiveCountries, AnUnreadableFileMeansEveryCountryActiveAndIsLogged) {
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("France"), {});
    QFile f(db.documentsDirectory() + QStringLiteral("/DismissedCountries.plist"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<plist><array><string>France");  // cut short
    f.close();
    test::LogCapture log;
    ActiveCountriesStore store;
    EXPECT_TRUE(store.isCountryActive(QStringLiteral("France")));
    EXPECT_TRUE(log.contains(QStringLiteral("DismissedCountries.plist")));
}
