// The plan store on a real folder: the list built from the folder listing, foreign entries as
// rows without a name, saving under the plan's name (new, renamed, same name, colliding file
// names), deleting the file that holds the row's plan, and failed writes. Every file is read back
// with the property-list reader and checked as an XML document.

#include "PlanTestSupport.h"

#include "navplans/NavPlanStore.h"
#include "platform/core/Paths.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace vantrel;
using navplans::NavPlanStore;
using platform::DictionaryPtr;
using platform::Value;

namespace {

QString nameOf(const DictionaryPtr& plan) { return plan ? plan->get("waypoint_name").toQString() : QStringLiteral("(null)"); }

QStringList listedNames(const NavPlanStore& store) {
    QStringList names;
    for (const Value& p : *store.navigationPlansArray()) names << p.asDictionary()->get("waypoint_name").toQString();
    return names;
}

void writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

TEST(NavPlanStore, AnEmptyFolderGivesNoPlansAndAMissingOneIsMade) {
    test::TempDir dir;
    const QString folder = dir.file("navplans");
    NavPlanStore store(folder);
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_TRUE(store.navigationPlansArray()->empty());
    EXPECT_EQ(store.savePath(), folder);

    platform::Paths::setDocumentsDirectory(dir.file("documents"));
    EXPECT_EQ(NavPlanStore::defaultFolder(), dir.file("documents/navplans"));
    EXPECT_TRUE(QDir(dir.file("documents/navplans")).exists());
    platform::Paths::setDocumentsDirectory(QString());
}

// Rows follow the file system's listing; anything that is not a plan dictionary is a row without a
// name, and the plans' waypoint lists are the record's own, changeable in place.
TEST(NavPlanStore, TheListFollowsTheFolderListingWithForeignEntriesAsEmptyRows) {
    test::TempDir dir;
    test::writePlanFile(dir.file("b.nav"), Value(test::plan("Bravo", {test::userWaypoint("W", "1", "2")})));
    test::writePlanFile(dir.file("a.nav"), Value(test::plan("Alpha")));
    writeRaw(dir.file("notes.txt"), "not a plist");
    writeRaw(dir.file(".hidden"), "");
    test::writePlanFile(dir.file("array.plist"), Value(platform::Array::create()));
    QDir(dir.path()).mkdir("folder");

    NavPlanStore store(dir.path());
    const QStringList order = test::readdirOrder(dir.path());
    ASSERT_EQ(order.size(), 6);
    ASSERT_EQ(store.navigationPlansArray()->size(), 6u);
    for (int i = 0; i < order.size(); ++i) {
        DictionaryPtr plan = store.planAt(size_t(i));
        EXPECT_EQ(store.fileNameOf(plan), order[i]);
        if (order[i] == "a.nav") EXPECT_EQ(nameOf(plan), "Alpha");
        else if (order[i] == "b.nav") EXPECT_EQ(nameOf(plan), "Bravo");
        else EXPECT_TRUE(plan->empty()) << order[i].toStdString();
    }
    DictionaryPtr bravo = store.plansNamed("Bravo").at(0);
    platform::ArrayPtr waypoints = NavPlanStore::waypointsOf(*bravo);
    EXPECT_EQ(waypoints.get(), bravo->get("wp").asArray());
    waypoints->append(Value(test::userWaypoint("X", "3", "4")));
    EXPECT_EQ(test::readPlanFile(dir.file("b.nav"))->get("wp").asArray()->size(), 1u) << "the file is not the record";

    // A record without waypoints gets an empty list; a "wp" of another kind is replaced by one.
    DictionaryPtr bare = platform::Dictionary::create();
    bare->set("wp", Value("oops"));
    EXPECT_TRUE(NavPlanStore::waypointsOf(*bare)->empty());
    EXPECT_TRUE(bare->get("wp").isArray());
}

TEST(NavPlanStore, ANewPlanIsListedOnceSavedAndAnEmptyNameBecomesUntitled) {
    test::TempDir dir;
    NavPlanStore store(dir.path());
    DictionaryPtr plan = NavPlanStore::newPlan();
    EXPECT_EQ(plan->get("name"), Value("untitled"));
    EXPECT_EQ(plan->size(), 1u);
    EXPECT_TRUE(store.navigationPlansArray()->empty());
    EXPECT_TRUE(store.fileNameOf(plan).isEmpty());

    NavPlanStore::waypointsOf(*plan);
    NavPlanStore::SaveResult saved = store.savePlan(plan, QString());
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved.fileName, "Untitled.nav");
    EXPECT_EQ(nameOf(plan), "Untitled");
    ASSERT_EQ(store.navigationPlansArray()->size(), 1u);
    EXPECT_EQ(store.planAt(0), plan);
    EXPECT_EQ(test::xmlPlistProblem(dir.file("Untitled.nav")), "");
    DictionaryPtr back = test::readPlanFile(dir.file("Untitled.nav"));
    ASSERT_TRUE(back);
    EXPECT_EQ(Value(back), Value(plan));

    // Saved again: still one row and one file.
    ASSERT_TRUE(store.savePlan(plan, "Untitled").ok());
    EXPECT_EQ(store.navigationPlansArray()->size(), 1u);
    EXPECT_EQ(test::filesIn(dir.path()), QStringList{"Untitled.nav"});
    // Built again from the folder, the plan is there as saved.
    NavPlanStore again(dir.path());
    ASSERT_EQ(again.navigationPlansArray()->size(), 1u);
    EXPECT_EQ(Value(again.planAt(0)), Value(plan));
}

// Renaming moves the plan's one file (no stale copy comes back at the next start); deleting the
// renamed row afterwards removes the file that holds it now, not the file at the row's place in a
// fresh listing.
TEST(NavPlanStore, RenameMovesThePlansFileAndDeleteRemovesTheRowsOwnFile) {
    test::TempDir dir;
    test::writePlanFile(dir.file("Alpha.nav"), Value(test::plan("Alpha")));
    test::writePlanFile(dir.file("Bravo.nav"), Value(test::plan("Bravo")));
    NavPlanStore store(dir.path());
    DictionaryPtr alpha = store.plansNamed("Alpha").at(0);
    DictionaryPtr bravo = store.plansNamed("Bravo").at(0);

    ASSERT_TRUE(store.savePlan(alpha, "Charlie").ok());
    EXPECT_EQ(test::filesIn(dir.path()), (QStringList{"Bravo.nav", "Charlie.nav"}));
    EXPECT_EQ(nameOf(test::readPlanFile(dir.file("Charlie.nav"))), "Charlie");
    EXPECT_EQ(store.fileNameOf(alpha), "Charlie.nav");
    EXPECT_EQ(store.navigationPlansArray()->size(), 2u);
    // Renamed again, and back: still one file, and a fresh start lists what the store lists.
    ASSERT_TRUE(store.savePlan(alpha, "Echo").ok());
    ASSERT_TRUE(store.savePlan(alpha, "Charlie").ok());
    EXPECT_EQ(test::filesIn(dir.path()), (QStringList{"Bravo.nav", "Charlie.nav"}));
    EXPECT_EQ(listedNames(NavPlanStore(dir.path())), listedNames(store));

    // A new plan saved too, so that a fresh listing no longer lines up with the rows.
    DictionaryPtr delta = NavPlanStore::newPlan();
    ASSERT_TRUE(store.savePlan(delta, "Delta").ok());

    const ptrdiff_t row = store.navigationPlansArray()->indexOfIdentical(Value(alpha));
    ASSERT_GE(row, 0);
    ASSERT_TRUE(store.deletePlan(size_t(row)));
    EXPECT_EQ(test::filesIn(dir.path()), (QStringList{"Bravo.nav", "Delta.nav"}));
    EXPECT_EQ(listedNames(store), (QStringList{"Bravo", "Delta"}));

    ASSERT_TRUE(store.deletePlan(size_t(store.navigationPlansArray()->indexOfIdentical(Value(bravo)))));
    EXPECT_EQ(test::filesIn(dir.path()), (QStringList{"Delta.nav"}));
    EXPECT_FALSE(store.deletePlan(5));
}

TEST(NavPlanStore, SavingUnderAnotherPlansNameReplacesThatPlanAndItsRow) {
    test::TempDir dir;
    test::writePlanFile(dir.file("Alpha.nav"), Value(test::plan("Alpha", {test::userWaypoint("OLD", "1", "1")})));
    test::writePlanFile(dir.file("Bravo.nav"), Value(test::plan("Bravo", {test::userWaypoint("NEW", "2", "2")})));
    NavPlanStore store(dir.path());
    DictionaryPtr bravo = store.plansNamed("Bravo").at(0);

    // The import's way: a plan of the same name is kept and nothing is written.
    DictionaryPtr incoming = test::plan("Alpha");
    NavPlanStore::SaveResult kept = store.savePlan(incoming, "Alpha", NavPlanStore::SameName::Keep);
    EXPECT_EQ(kept.outcome, NavPlanStore::Outcome::Exists);
    EXPECT_EQ(kept.fileName, "Alpha.nav");
    EXPECT_EQ(test::readPlanFile(dir.file("Alpha.nav"))->get("wp").asArray()->size(), 1u);
    EXPECT_EQ(store.navigationPlansArray()->size(), 2u);

    // The editor's way: the file is replaced and the replaced plan leaves the list.
    NavPlanStore::SaveResult replaced = store.savePlan(bravo, "Alpha");
    EXPECT_EQ(replaced.outcome, NavPlanStore::Outcome::Replaced);
    EXPECT_EQ(replaced.fileName, "Alpha.nav");
    EXPECT_EQ(test::readPlanFile(dir.file("Alpha.nav"))->get("wp").asArray()->at(0).asDictionary()->get("waypoint_name"),
              Value("NEW"));
    EXPECT_EQ(listedNames(store), QStringList{"Alpha"});
    EXPECT_EQ(store.planAt(0), bravo);
    EXPECT_EQ(test::filesIn(dir.path()), (QStringList{"Alpha.nav"})) << "the renamed plan's former file goes";
}

// A plan of 15 MB: listing the folder reads the plans' names and no waypoint; the plan is read
// whole when it is asked for. A file of another writer with its name after the waypoints, and one
// cut short after its name, are listed by name too; the cut one is found out when it is read.
TEST(NavPlanStore, AListingReadsNamesOnlyAndAPlanWholeWhenAskedFor) {
    test::TempDir dir;
    {
        NavPlanStore writer(dir.path());
        DictionaryPtr big = NavPlanStore::newPlan();
        platform::ArrayPtr waypoints = NavPlanStore::waypointsOf(*big);
        for (int i = 0; i < 60000; ++i)
            waypoints->append(Value(test::userWaypoint(QStringLiteral("WP%1").arg(i), QStringLiteral("46.%1").arg(i),
                                                       QStringLiteral("6.%1").arg(i), QStringLiteral("note %1").arg(i))));
        ASSERT_TRUE(writer.savePlan(big, "Big").ok());
    }
    ASSERT_GT(QFileInfo(dir.file("Big.nav")).size(), 10 * 1024 * 1024);
    DictionaryPtr late = platform::Dictionary::create();
    late->set("wp", Value(platform::Array::create()));
    late->set("waypoint_name", Value("Late name"));
    test::writePlanFile(dir.file("Late.nav"), Value(late));
    QFile cut(dir.file("Cut.nav"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>waypoint_name</key>"
                                          "<string>Cut</string><key>wp</key><array><dict><key>waypoint_na");
    cut.close();

    NavPlanStore store(dir.path());
    ASSERT_EQ(store.planCount(), 3u);
    QStringList names;
    for (size_t row = 0; row < store.planCount(); ++row) {
        names << store.planNameAt(row);
        EXPECT_FALSE(store.isLoaded(row)) << names.last().toStdString();
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{"Big", "Cut", "Late name"}));

    for (size_t row = 0; row < store.planCount(); ++row) {
        const QString name = store.planNameAt(row);
        test::LogCapture log;
        DictionaryPtr plan = store.planAt(row);
        EXPECT_TRUE(store.isLoaded(row));
        if (name == "Big") {
            ASSERT_EQ(NavPlanStore::waypointsOf(*plan)->size(), 60000u);
            EXPECT_EQ(NavPlanStore::waypointsOf(*plan)->at(59999).asDictionary()->get("misc"), Value("note 59999"));
        } else if (name == "Late name") {
            EXPECT_EQ(nameOf(plan), "Late name");
        } else {
            EXPECT_TRUE(log.contains("could not be read whole")) << log.lines().join('\n').toStdString();
            EXPECT_EQ(store.planNameAt(row), "") << "a damaged plan is a row without a name";
            // Never written over: a save of it takes another file.
            EXPECT_NE(store.savePlan(plan, "Cut").fileName, "Cut.nav");
        }
    }
}

// Different names that map to one file name, and entries that are not plans, are never written over.
TEST(NavPlanStore, CollidingFileNamesAndForeignFilesAreNeverWrittenOver) {
    test::TempDir dir;
    writeRaw(dir.file("Untitled.nav"), "garbage that was once a plan");
    NavPlanStore store(dir.path());
    ASSERT_EQ(store.navigationPlansArray()->size(), 1u);
    DictionaryPtr foreign = store.planAt(0);

    // The foreign row opened and left: written as a new "Untitled" beside the untouched file.
    NavPlanStore::waypointsOf(*foreign);
    NavPlanStore::SaveResult saved = store.savePlan(foreign, QString());
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved.fileName, "Untitled-2.nav");
    QFile garbage(dir.file("Untitled.nav"));
    ASSERT_TRUE(garbage.open(QIODevice::ReadOnly));
    EXPECT_EQ(garbage.readAll(), "garbage that was once a plan");

    DictionaryPtr slash = NavPlanStore::newPlan();
    DictionaryPtr underscore = NavPlanStore::newPlan();
    ASSERT_EQ(store.savePlan(slash, "A/B").fileName, "A_B.nav");
    ASSERT_EQ(store.savePlan(underscore, "A_B").fileName, "A_B-2.nav");
    EXPECT_EQ(nameOf(test::readPlanFile(dir.file("A_B.nav"))), "A/B");
    EXPECT_EQ(nameOf(test::readPlanFile(dir.file("A_B-2.nav"))), "A_B");
    // Each keeps its own file on later saves, also once the first name is free again.
    ASSERT_EQ(store.savePlan(underscore, "A_B").fileName, "A_B-2.nav");
    ASSERT_TRUE(store.deletePlan(size_t(store.navigationPlansArray()->indexOfIdentical(Value(slash)))));
    EXPECT_EQ(store.savePlan(underscore, "A_B").fileName, "A_B-2.nav");
    EXPECT_EQ(test::filesIn(dir.path()), (QStringList{"A_B-2.nav", "Untitled-2.nav", "Untitled.nav"}));
    // A folder of a plan's name is passed over too.
    QDir(dir.path()).mkdir("Folder.nav");
    EXPECT_EQ(store.savePlan(NavPlanStore::newPlan(), "Folder").fileName, "Folder-2.nav");
}

TEST(NavPlanStore, AFolderRowGoesButTheFolderStays) {
    test::TempDir dir;
    QDir(dir.path()).mkpath("sub/keep");
    writeRaw(dir.file("sub/keep/file"), "x");
    NavPlanStore store(dir.path());
    ASSERT_EQ(store.navigationPlansArray()->size(), 1u);
    test::LogCapture log;
    ASSERT_TRUE(store.deletePlan(0));
    EXPECT_TRUE(store.navigationPlansArray()->empty());
    EXPECT_TRUE(QFile::exists(dir.file("sub/keep/file")));
    EXPECT_TRUE(log.contains("is a folder"));
}

// A write that fails keeps the plan in memory (and out of the list if it was new), names the
// file in the log, and the next save once the folder is writable again succeeds.
TEST(NavPlanStore, AFailedWriteKeepsThePlanAndTheNextSaveSucceeds) {
    test::TempDir dir;
    const QString folder = dir.file("navplans");
    NavPlanStore store(folder);
    DictionaryPtr plan = test::plan("Alpha", {test::userWaypoint("W", "46", "6")});
    {
        test::UnwritableFolder blocked(folder);
        blocked.block();
        test::LogCapture log;
        EXPECT_FALSE(store.savePlan(plan, "Alpha").ok());
        EXPECT_TRUE(log.contains("Error writing navigation plan to disk : " + folder + "/Alpha.nav")) << log.lines().join("\n").toStdString();
        EXPECT_TRUE(store.navigationPlansArray()->empty());
        EXPECT_EQ(NavPlanStore::waypointsOf(*plan)->size(), 1u);
    }
    ASSERT_TRUE(store.savePlan(plan, "Alpha").ok());
    EXPECT_EQ(Value(test::readPlanFile(folder + "/Alpha.nav")), Value(plan));
    EXPECT_EQ(store.navigationPlansArray()->size(), 1u);

    // Without a documents folder every save fails, and says so.
    NavPlanStore nowhere{QString()};
    test::LogCapture log;
    EXPECT_FALSE(nowhere.savePlan(NavPlanStore::newPlan(), "X").ok());
    EXPECT_TRUE(log.contains("Error writing navigation plan to disk"));
}
