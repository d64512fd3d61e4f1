// vantrel-tool plans: the list as text and JSON, a plan exported as a GPX route and imported back
// as the same plan, foreign GPX imported, and an import that never overwrites an existing plan
// file without --replace.

#include "PlanTestSupport.h"

#include "platform/core/DocumentsLock.h"
#include "positioning/Geodesy.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using namespace vantrel;
using platform::Value;

namespace {

using ToolRun = test::ProgramRun;

ToolRun tool(const QString& documents, const QStringList& args) {
    return test::runProgram(QStringLiteral(VANTREL_TOOL_PATH), QStringList{QStringLiteral("--documents"), documents} + args);
}

QString fixture(const char* name) { return QStringLiteral(VANTREL_TEST_DATA_DIR "/navplans/") + name; }

}  // namespace

TEST(PlanCommands, ListsThePlansAsTextAndJson) {
    test::TempDir documents;
    QDir(documents.path()).mkdir("navplans");
    test::writePlanFile(documents.file("navplans/Trip.nav"),
                        Value(test::plan("Trip", {test::userWaypoint("LSGG", "46.238056", "6.108889", "fuel"),
                                                  test::userWaypoint("LFLP", "45.9292", "6.0989")})));
    test::writePlanFile(documents.file("navplans/Typed.nav"),
                        Value(test::plan("Typed", {test::userWaypoint("X", "abc", "6")})));

    const double metres = positioning::Geodesy::calcDistanceInMeters(6.108889, 46.238056, 6.0989, 45.9292);
    ToolRun text = tool(documents.path(), {"plans", "list"});
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("Trip  (Trip.nav)  2 waypoints, %1 NM\n").arg(metres / 1852, 0, 'f', 1).toUtf8()))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("  1. LSGG  46.238056, 6.108889  \"fuel\"\n"));
    EXPECT_TRUE(text.out.contains("Typed  (Typed.nav)  1 waypoint, length unknown"));

    ToolRun json = tool(documents.path(), {"--json", "plans", "list"});
    ASSERT_EQ(json.status, 0);
    QJsonArray plans = QJsonDocument::fromJson(json.out).array();
    ASSERT_EQ(plans.size(), 2);
    for (const QJsonValue& p : plans) {
        const QJsonObject plan = p.toObject();
        if (plan["name"] == "Trip") {
            EXPECT_EQ(plan["file"], "Trip.nav");
            EXPECT_DOUBLE_EQ(plan["length_m"].toDouble(), metres);
            EXPECT_EQ(plan["waypoints"].toArray()[0].toObject()["misc"], "fuel");
        } else {
            EXPECT_EQ(plan["name"], "Typed");
            EXPECT_TRUE(plan["length_m"].isNull());
        }
    }
    EXPECT_EQ(tool(documents.path(), {"plans", "lst"}).status, 2);
    EXPECT_EQ(tool(documents.path(), {"plans", "export", "Trip"}).status, 2);
}

TEST(PlanCommands, ExportThenImportGivesTheSamePlan) {
    test::TempDir documents;
    QDir(documents.path()).mkdir("navplans");
    const Value original(test::plan("Trip", {test::userWaypoint("LSGG", "46.238056", "6.108889", "fuel"),
                                             test::userWaypoint("Typed", "46°N", "6"),
                                             test::userWaypoint("LFLP", "45.9292", "6.0989")}));
    test::writePlanFile(documents.file("navplans/Trip.nav"), original);

    ToolRun exported = tool(documents.path(), {"plans", "export", "--gpx", "Trip"});
    ASSERT_EQ(exported.status, 0);
    EXPECT_TRUE(exported.err.contains("waypoint 2 \"Typed\" left out")) << exported.err.toStdString();
    EXPECT_TRUE(exported.out.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_EQ(tool(documents.path(), {"plans", "export", "--gpx", "Nothing"}).status, 1);
    ASSERT_EQ(tool(documents.path(), {"plans", "export", "--gpx", "Trip.nav"}).out, exported.out) << "by file name too";

    test::TempDir elsewhere;
    QFile gpx(elsewhere.file("Trip.gpx"));
    ASSERT_TRUE(gpx.open(QIODevice::WriteOnly));
    gpx.write(exported.out);
    gpx.close();

    // Into the same folder: the plan is there already, and stays as it was.
    ToolRun again = tool(documents.path(), {"plans", "import", "--gpx", gpx.fileName()});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains("\"Trip\" is already a plan (Trip.nav); not imported without --replace")) << again.err.toStdString();
    EXPECT_EQ(Value(test::readPlanFile(documents.file("navplans/Trip.nav"))), original);
    // With --replace it is replaced by the route (which left out the typed point).
    ToolRun replaced = tool(documents.path(), {"plans", "import", "--gpx", gpx.fileName(), "--replace"});
    EXPECT_EQ(replaced.status, 0) << replaced.err.toStdString();
    EXPECT_EQ(replaced.out, "replaced \"Trip\" (2 waypoints) as Trip.nav\n");
    EXPECT_EQ(test::readPlanFile(documents.file("navplans/Trip.nav"))->get("wp").asArray()->size(), 2u);

    // Into an empty folder: the same plan, point for point.
    test::TempDir fresh;
    ToolRun imported = tool(fresh.path(), {"plans", "import", "--gpx", gpx.fileName()});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    platform::DictionaryPtr back = test::readPlanFile(fresh.file("navplans/Trip.nav"));
    ASSERT_TRUE(back);
    EXPECT_EQ(test::xmlPlistProblem(fresh.file("navplans/Trip.nav")), "");
    original.asDictionary()->get("wp").asArray()->removeAt(1);
    EXPECT_EQ(Value(back), original);
}

TEST(PlanCommands, ImportsForeignGpxAndNamesWhatItRefuses) {
    test::TempDir documents;
    ToolRun run = tool(documents.path(), {"plans", "import", "--gpx", fixture("routes-with-extensions.gpx")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "imported \"Geneva - Lyon\" (2 waypoints) as Geneva - Lyon.nav\n"
                       "imported \"routes-with-extensions route 2\" (1 waypoint) as routes-with-extensions route 2.nav\n"
                       "imported \"Alps & Jura\" (2 waypoints) as Alps & Jura.nav\n");
    EXPECT_TRUE(run.err.contains("1 track(s) left out"));

    ToolRun bad = tool(documents.path(), {"plans", "import", "--gpx", fixture("bad-points.gpx")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "imported \"Bad\" (1 waypoint) as Bad.nav\n");
    EXPECT_TRUE(bad.err.contains("bad-points.gpx: line 5: route \"Bad\", point 1 \"TEXT\" refused")) << bad.err.toStdString();

    ToolRun broken = tool(documents.path(), {"plans", "import", "--gpx", fixture("malformed.gpx")});
    EXPECT_EQ(broken.status, 1);
    EXPECT_TRUE(broken.err.contains("nothing imported"));
    EXPECT_EQ(tool(documents.path(), {"plans", "import", "--gpx", documents.file("missing.gpx")}).status, 1);

    // A document whose route and waypoints bear one name gives two plans that do not replace each other.
    QFile twice(documents.file("twice.gpx"));
    ASSERT_TRUE(twice.open(QIODevice::WriteOnly));
    twice.write("<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\"><metadata><name>Same</name></metadata>"
                "<wpt lat=\"1\" lon=\"2\"/><rte><name>Same</name><rtept lat=\"3\" lon=\"4\"/></rte></gpx>");
    twice.close();
    ToolRun same = tool(documents.path(), {"plans", "import", "--gpx", twice.fileName()});
    EXPECT_EQ(same.status, 0) << same.err.toStdString();
    EXPECT_EQ(same.out, "imported \"Same\" (1 waypoint) as Same.nav\nimported \"Same (2)\" (1 waypoint) as Same (2).nav\n");
}

// While the app holds the documents, an import refuses to write and says why; once it is gone the
// same import goes through.
TEST(PlanCommands, AnImportWaitsForTheAppToLetGoOfTheDocuments) {
    test::TempDir documents;
    const QString gpx = fixture("gpx10-route.gpx");
    {
        platform::DocumentsLock app(documents.path());
        ASSERT_TRUE(app.held());
        ToolRun refused = tool(documents.path(), {"plans", "import", "--gpx", gpx});
        EXPECT_EQ(refused.status, 1);
        EXPECT_TRUE(refused.err.contains("Vantrel is running on the documents")) << refused.err.toStdString();
        EXPECT_TRUE(refused.err.contains("Nothing was imported")) << refused.err.toStdString();
        EXPECT_TRUE(test::filesIn(documents.file("navplans")).isEmpty());
        // Reading stays open to it.
        EXPECT_EQ(tool(documents.path(), {"plans", "list"}).status, 0);
    }
    ToolRun imported = tool(documents.path(), {"plans", "import", "--gpx", gpx});
    EXPECT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_FALSE(test::filesIn(documents.file("navplans")).isEmpty());
}
