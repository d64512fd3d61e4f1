#include "DatabaseFixture.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/Threads.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/DatabaseDirectory.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointDatabase.h"
#include "waypoints/WaypointTree.h"
#include "waypoints/WaypointTypes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

using namespace vantrel;
using platform::ArrayPtr;
using platform::DictionaryPtr;
using platform::Value;
using test::makeRecord;
using waypoints::WaypointDatabase;

namespace {

struct Posted {
    std::string name;
    QString country;
    Value progression;
};

struct LoadRun {
    WaypointDatabase database;
    std::vector<Posted> posted;

    void load() {
        waypoints::ActiveCountriesStore store;
        database.load(store, [this](const char* name, DictionaryPtr info) {
            Posted p{name, {}, {}};
            if (info) {
                p.country = info->get("country").toQString();
                p.progression = info->get("progression");
            }
            posted.push_back(p);
        });
    }
};

QStringList countriesInListingOrder(const QString& dir) {
    return waypoints::countryNamesOf(waypoints::directoryContents(dir));
}

QString nameOf(const Value& v) { return v.dictionary()->get("waypoint_name").toQString(); }
QString idOf(const Value& v) { return v.dictionary()->get("waypoint_id").toQString(); }

QStringList idsOf(const ArrayPtr& children) {
    QStringList ids;
    for (const Value& c : *children) ids << (waypoints::isNode(c) ? QStringLiteral("[") + nameOf(c) + QStringLiteral("]") : idOf(c));
    return ids;
}

}  // namespace

class Loader : public ::testing::Test {
protected:
    test::DatabaseFixture db;
    LoadRun run;
};

TEST_F(Loader, PostsOneProgressPerCountryInListingOrderThenDone) {
    db.writeStates({});
    for (const char* c : {"Bravo", "Alpha", "Charlie", "Delta"})
        db.writeCountry(QString::fromLatin1(c), {makeRecord(c, 1, 2)});
    run.load();

    QStringList listing = countriesInListingOrder(db.databaseDirectory());
    ASSERT_EQ(run.posted.size(), 5u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(run.posted[size_t(k)].name, "UPDATE_LOAD_PROGRESSION");
        EXPECT_EQ(run.posted[size_t(k)].country, listing[k]);
        EXPECT_EQ(run.posted[size_t(k)].progression.floatValue(), float(k + 1) / 4.0f);
    }
    EXPECT_EQ(run.posted.back().name, "UPDATE_LOAD_DONE");
    EXPECT_EQ(run.posted[3].progression.doubleValue(), 1.0);

    // ct is the listing position; the tree is sorted by name whatever the listing order.
    for (const Value& r : *run.database.waypointsDB())
        EXPECT_EQ(r.dictionary()->get("ct").toQString(), QString::number(listing.indexOf(idOf(r))));
    QStringList tree;
    for (const Value& node : *run.database.byCountryDB()) tree << nameOf(node);
    EXPECT_EQ(tree, QStringList({"Alpha", "Bravo", "Charlie", "Delta"}));
}

TEST_F(Loader, OneCountryReportsCompletionAndRecordsKeepFileOrderWithCt) {
    db.writeStates({});
    db.writeCountry(QStringLiteral("Solo"), {makeRecord("ZZ", 1, 1), makeRecord("AA", 2, 2), makeRecord("MM", 3, 3)});
    run.load();
    ASSERT_EQ(run.posted.size(), 2u);
    EXPECT_EQ(run.posted[0].progression.floatValue(), 1.0f);
    QStringList flat;
    for (const Value& r : *run.database.waypointsDB()) {
        flat << idOf(r);
        EXPECT_EQ(r.dictionary()->get("ct").toStdString(), "0");
    }
    EXPECT_EQ(flat, QStringList({"ZZ", "AA", "MM"}));  // the flat list keeps archive order
    EXPECT_EQ(idsOf(waypoints::childrenOf(run.database.byCountryDB()->at(0))), QStringList({"AA", "MM", "ZZ"}));
}

TEST_F(Loader, TreeSortsByIdentifierInCodePointOrderAndSharesRecords) {
    db.writeStates({});
    db.writeCountry(QStringLiteral("Mixed"), {makeRecord("a01", 0, 0), makeRecord("B12", 0, 0), makeRecord("b02", 0, 0),
                                             makeRecord("A9", 0, 0)});
    run.load();
    ArrayPtr children = waypoints::childrenOf(run.database.byCountryDB()->at(0));
    EXPECT_EQ(idsOf(children), QStringList({"A9", "B12", "a01", "b02"}));
    // The tree holds the same record objects as the flat list.
    for (const Value& child : *children)
        EXPECT_GE(run.database.waypointsDB()->indexOfIdentical(child), 0);
}

TEST_F(Loader, StatesGroupRecordsInFirstOccurrenceOrderAndKeepArchiveOrderInside) {
    db.writeStates({"Texas", "Alaska", "Ohio"});
    db.writeCountry(QStringLiteral("Land"), {
        makeRecord("Z1", 0, 0, 1, 1),  // Alaska
        makeRecord("C1", 0, 0, 1, 0),  // Texas
        makeRecord("X1", 0, 0),        // no state
        makeRecord("A1", 0, 0, 1, 1),  // Alaska
        makeRecord("Q1", 0, 0, 1, 9),  // outside states.plist: filed under the country
        makeRecord("B1", 0, 0, 1, 0),  // Texas
    });
    run.load();
    ArrayPtr children = waypoints::childrenOf(run.database.byCountryDB()->at(0));
    // State nodes compare equal to each other and keep their order; records sort around them.
    QStringList top = idsOf(children);
    EXPECT_EQ(top.filter(QStringLiteral("[")), QStringList({"[Alaska]", "[Texas]"}));
    EXPECT_EQ(top.size(), 4);
    EXPECT_TRUE(top.contains(QStringLiteral("X1")));
    EXPECT_TRUE(top.contains(QStringLiteral("Q1")));
    for (const Value& child : *children) {
        if (!waypoints::isNode(child)) continue;
        QStringList inside = idsOf(waypoints::childrenOf(child));
        if (nameOf(child) == QLatin1String("Alaska")) {
            EXPECT_EQ(inside, QStringList({"Z1", "A1"}));
        } else {
            EXPECT_EQ(inside, QStringList({"C1", "B1"}));
        }
    }
    EXPECT_EQ(waypoints::countWaypoints(run.database.byCountryDB()->at(0)), 6u);
}

TEST_F(Loader, DismissedCountriesAreNeitherReadNorIndexed) {
    db.writeStates({});
    db.writeCountry(QStringLiteral("Keep"), {makeRecord("K1", 0, 0)});
    db.writeCountry(QStringLiteral("Drop"), {makeRecord("D1", 0, 0)});
    db.dismiss({"Drop", "Atlantis"});  // a name without a file has no effect
    run.load();
    ASSERT_EQ(run.posted.size(), 2u);
    EXPECT_EQ(run.posted[0].country, QStringLiteral("Keep"));
    EXPECT_EQ(run.database.countries()->size(), 1u);
    ASSERT_EQ(run.database.waypointsDB()->size(), 1u);
    EXPECT_EQ(idOf(run.database.waypointsDB()->at(0)), QStringLiteral("K1"));
    EXPECT_EQ(run.database.waypointsDB()->at(0).dictionary()->get("ct").toStdString(), "0");
}

TEST_F(Loader, DamagedCountriesAreSkippedWithALogLineAndTheLoadGoesOn) {
    db.writeStates({});
    db.writeCountry(QStringLiteral("Good"), {makeRecord("G1", 0, 0)});
    db.writeRawFile(QStringLiteral("Short.ewpts"), QByteArray("too short"));
    db.writeRawFile(QStringLiteral("Garbage.ewpts"), QByteArray(4096, 'x'));
    db.writeCountryArchive(QStringLiteral("NotAList.ewpts"), Value("just a text"));
    db.writeCountryArchive(QStringLiteral("Partly.ewpts"),
                           Value(platform::Array::fromValues({makeRecord("P1", 0, 0), Value("stray"), Value::integer(3)})));
    db.writeRawFile(QStringLiteral("Nodotewpts"), QByteArray());  // its file "Nodotewpts.ewpts" does not exist

    test::LogCapture log;
    run.load();
    EXPECT_EQ(run.posted.size(), 7u);  // six countries and done
    EXPECT_EQ(run.posted.back().name, "UPDATE_LOAD_DONE");
    for (const char* file : {"Short.ewpts", "Garbage.ewpts", "NotAList.ewpts", "Nodotewpts.ewpts"})
        EXPECT_TRUE(log.contains(QString::fromLatin1(file))) << file;
    EXPECT_TRUE(log.contains(QStringLiteral("Skipped 2 entries")));
    QStringList loaded;
    for (const Value& r : *run.database.waypointsDB()) loaded << idOf(r);
    loaded.sort();
    EXPECT_EQ(loaded, QStringList({"G1", "P1"}));
}

// Reading a FIFO or /dev/zero would block the load thread or never end, and the splash with it.
TEST_F(Loader, OnlyRegularFilesOfASaneSizeAreRead) {
    db.writeStates({});
    db.writeCountry(QStringLiteral("Good"), {makeRecord("G1", 0, 0)});
    QString dir = db.databaseDirectory();
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "/Fifo.ewpts").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir + "/Zero.ewpts"));
    {
        QFile huge(dir + "/Huge.ewpts");  // sparse: takes no room on the disk
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(300) << 20));
    }

    test::LogCapture log;
    run.load();
    EXPECT_EQ(run.posted.back().name, "UPDATE_LOAD_DONE");
    ASSERT_EQ(run.database.waypointsDB()->size(), 1u);
    EXPECT_EQ(idOf(run.database.waypointsDB()->at(0)), "G1");
    std::map<QString, QString> skipped;
    for (const auto& s : run.database.skippedCountries()) skipped[s.country] = s.reason;
    ASSERT_EQ(skipped.size(), 3u);
    EXPECT_EQ(skipped["Fifo"], "not a regular file");
    EXPECT_EQ(skipped["Zero"], "not a regular file");
    EXPECT_TRUE(skipped["Huge"].startsWith("larger than")) << skipped["Huge"].toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Fifo.ewpts: not a regular file")));
}

TEST_F(Loader, NoStatesFileMeansNoDatabase) {
    db.writeCountry(QStringLiteral("Orphan"), {makeRecord("O1", 0, 0)});
    run.load();
    ASSERT_EQ(run.posted.size(), 1u);
    EXPECT_EQ(run.posted[0].name, "UPDATE_LOAD_DONE");
    EXPECT_FALSE(run.database.byCountryDB());
    EXPECT_TRUE(run.database.waypointsDB()->empty());
    EXPECT_TRUE(run.database.loadProblem().contains("holds no states.plist")) << run.database.loadProblem().toStdString();
    EXPECT_TRUE(run.database.loadProblem().endsWith("no waypoint can be chosen."));
}

// Why a database came out empty is kept for the screen: a folder without country files, or
// country files none of which can be read. Countries the pilot switched off are no problem.
TEST_F(Loader, AnEmptyDatabaseSaysWhy) {
    db.writeStates({});
    run.load();
    EXPECT_TRUE(run.database.loadProblem().contains("holds no country files")) << run.database.loadProblem().toStdString();

    QFile broken(db.databaseDirectory() + "/Broken.ewpts");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a container");
    broken.close();
    run.load();
    EXPECT_TRUE(run.database.loadProblem().startsWith("None of the 1 country files in ")) << run.database.loadProblem().toStdString();

    db.writeCountry(QStringLiteral("One"), {makeRecord("O1", 0, 0)});
    run.load();
    EXPECT_EQ(run.database.loadProblem(), "");
    db.dismiss({"One", "Broken"});
    run.load();
    EXPECT_EQ(run.database.loadProblem(), "");
}

TEST_F(Loader, EveryCountryDismissedGivesAnEmptyTreeButStillDone) {
    db.writeStates({});
    db.writeCountry(QStringLiteral("One"), {makeRecord("O1", 0, 0)});
    db.dismiss({"One"});
    run.load();
    ASSERT_EQ(run.posted.size(), 1u);
    EXPECT_FALSE(run.database.byCountryDB());
}

TEST_F(Loader, RecordsWithoutCtAreLoggedAndLeftOutOfTheTree) {
    db.writeStates({});
    db.writeCountry(QStringLiteral("Solo"), {makeRecord("S1", 0, 0)});
    run.load();
    run.database.waypointsDB()->append(makeRecord("NOCT", 0, 0));
    test::LogCapture log;
    run.database.sortByCountries();
    EXPECT_TRUE(log.contains(QStringLiteral("Error unable to decode a Waypoint")));
    EXPECT_EQ(waypoints::countWaypoints(run.database.byCountryDB()->at(0)), 1u);
    EXPECT_EQ(run.database.waypointsDB()->size(), 2u);
}

TEST(WaypointTypes, TableHasTheNineCodesInOrder) {
    std::vector<int> codes;
    for (const auto& [code, name] : waypoints::WaypointTypes::table()) codes.push_back(code);
    EXPECT_EQ(codes, (std::vector<int>{0, 1, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(waypoints::WaypointTypes::nameForType(13), QStringLiteral("NDB/DME"));
    EXPECT_TRUE(waypoints::WaypointTypes::nameForType(5).isEmpty());
}

// The shared database loads on its own thread and posts each notification on the main thread,
// waiting until it has been handled there.
TEST(SharedDatabase, LoadThreadPostsOnTheMainThreadAndWaits) {
    test::DatabaseFixture db;
    db.writeStates({});
    db.writeCountry(QStringLiteral("North"), {makeRecord("N1", 0, 0)});
    db.writeCountry(QStringLiteral("South"), {makeRecord("S1", 0, 0)});

    auto& database = waypoints::POISelectorPaneController::sharedPOIDatabase();
    std::vector<std::string> seen;
    bool onMainThread = true;
    bool done = false;
    size_t recordsAtDone = 0;
    auto& center = platform::NotificationCenter::defaultCenter();
    int observer = 0;
    for (const char* n : {"UPDATE_LOAD_PROGRESSION", "UPDATE_LOAD_DONE"}) {
        center.addObserver(&observer, n, &database, [&](const platform::Notification& note) {
            onMainThread = onMainThread && platform::isMainThread();
            seen.push_back(note.name);
            if (note.name == "UPDATE_LOAD_DONE") {
                done = true;
                recordsAtDone = database.waypointsDB()->size();
                EXPECT_TRUE(database.pathStack());
            }
        });
    }
    platform::detachNewThread([&database] { database.loadDatabase(); });
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    center.removeObserver(&observer);

    EXPECT_TRUE(done);
    EXPECT_TRUE(onMainThread);
    EXPECT_EQ(seen, (std::vector<std::string>{"UPDATE_LOAD_PROGRESSION", "UPDATE_LOAD_PROGRESSION", "UPDATE_LOAD_DONE"}));
    EXPECT_EQ(recordsAtDone, 2u);
    EXPECT_EQ(database.byCountryDB()->size(), 2u);
}

TEST_F(Loader, ARecordListedTwiceBecomesTwoRecordsOfItsOwn) {
    db.writeStates({});
    Value twice = makeRecord("TW1", 1, 1);
    db.writeCountryArchive(QStringLiteral("Twice.ewpts"), Value(platform::Array::fromValues({twice, twice})));
    run.load();
    ASSERT_EQ(run.database.waypointsDB()->size(), 2u);
    const Value& a = run.database.waypointsDB()->at(0);
    const Value& b = run.database.waypointsDB()->at(1);
    EXPECT_NE(a.identity(), b.identity());
    EXPECT_EQ(*a.dictionary()->find("waypoint_id"), *b.dictionary()->find("waypoint_id"));
    EXPECT_EQ(b.dictionary()->get("ct").toStdString(), "0");
}
