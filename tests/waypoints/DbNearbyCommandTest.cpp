// vantrel-tool db nearby: the distance query from the command line, in database order with each
// record's distance, the radius in the unit asked for, and bad arguments refused.

#include "DatabaseFixture.h"

#include "positioning/Geodesy.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/WaypointDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using namespace vantrel;
using test::makeRecord;

namespace {

struct ToolRun {
    int status = -1;
    QByteArray out;
};

ToolRun tool(const test::DatabaseFixture& fixture, const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(VANTREL_TOOL_PATH),
                  QStringList{QStringLiteral("--database"), fixture.databaseDirectory(), QStringLiteral("--documents"),
                              fixture.documentsDirectory()} +
                      args);
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput()};
}

}  // namespace

TEST(DbNearbyCommand, ListsTheRecordsWithinTheRadiusInDatabaseOrderWithTheirDistances) {
    test::DatabaseFixture fixture;
    fixture.writeStates({});
    fixture.writeCountry(QStringLiteral("France"),
                         {makeRecord("LFPG", 49.01, 2.55), makeRecord("LFPO", 48.72, 2.38), makeRecord("LFPB", 48.96, 2.44),
                          makeRecord("LFXX", 48.90, 2.30)});

    ToolRun nautical = tool(fixture, {QStringLiteral("--json"), QStringLiteral("db"), QStringLiteral("nearby"),
                                  QStringLiteral("48.96"), QStringLiteral("2.44"), QStringLiteral("10")});
    ASSERT_EQ(nautical.status, 0);
    QJsonObject result = QJsonDocument::fromJson(nautical.out).object();
    EXPECT_EQ(result.value("unit").toString(), "nm");
    EXPECT_DOUBLE_EQ(result.value("limit_m").toDouble(), 18520.0);
    QStringList ids;
    for (const QJsonValue& w : result.value("waypoints").toArray()) {
        QJsonObject o = w.toObject();
        ids << o.value("waypoint_id").toString();
        double expected = positioning::Geodesy::calcDistanceInMeters(2.44, 48.96, o.value("waypoint_longitude").toDouble(),
                                                                     o.value("waypoint_latitude").toDouble());
        EXPECT_NEAR(o.value("current_distance").toDouble(), expected, 1e-6);
    }
    EXPECT_EQ(ids, QStringList({"LFPG", "LFPB", "LFXX"}));  // Orly is 27 km away

    ToolRun metric = tool(fixture, {QStringLiteral("db"), QStringLiteral("nearby"), QStringLiteral("48.96"),
                                QStringLiteral("2.44"), QStringLiteral("5"), QStringLiteral("--units"), QStringLiteral("metric")});
    ASSERT_EQ(metric.status, 0);
    EXPECT_TRUE(metric.out.contains("LFPB"));
    EXPECT_FALSE(metric.out.contains("LFPG"));
    EXPECT_TRUE(metric.out.contains("1 waypoints closer than 5 km"));
}

TEST(DbNearbyCommand, RefusesImpossibleArguments) {
    test::DatabaseFixture fixture;
    fixture.writeStates({});
    for (const QStringList& args :
         {QStringList{"91", "0", "5"}, QStringList{"0", "0", "-1"}, QStringList{"0", "0"}, QStringList{"0", "x", "5"},
          QStringList{"0", "0", "5", "--units", "parsec"}, QStringList{"0", "0", "5", "--units"}})
        EXPECT_EQ(tool(fixture, QStringList{"db", "nearby"} + args).status, 2) << args.join(' ').toStdString();
}

// A damaged country file is skipped, and db info says so apart instead of counting it as a loaded
// country with no waypoints.
TEST(DbInfoCommand, ReportsLoadedAndSkippedCountriesApart) {
    test::DatabaseFixture fixture;
    fixture.writeStates({});
    fixture.writeCountry(QStringLiteral("France"), {makeRecord("LFPG", 49.01, 2.55), makeRecord("LFPO", 48.72, 2.38)});
    fixture.writeCountry(QStringLiteral("Malta"), {makeRecord("LMML", 35.85, 14.48)});
    fixture.writeRawFile(QStringLiteral("Atlantis.ewpts"), QByteArray(600, 'x'));

    ToolRun text = tool(fixture, {QStringLiteral("db"), QStringLiteral("info")});
    ASSERT_EQ(text.status, 0);
    EXPECT_TRUE(text.out.contains("3 waypoints in 2 countries")) << text.out.constData();
    EXPECT_TRUE(text.out.contains("; 1 country files skipped")) << text.out.constData();
    EXPECT_TRUE(text.out.contains("skipped: Atlantis (")) << text.out.constData();

    ToolRun json = tool(fixture, {QStringLiteral("db"), QStringLiteral("info"), QStringLiteral("--json")});
    ASSERT_EQ(json.status, 0);
    QJsonObject info = QJsonDocument::fromJson(json.out).object();
    QStringList loaded;
    for (const QJsonValue& c : info["countries"].toArray()) loaded << c.toObject()["name"].toString();
    loaded.sort();
    EXPECT_EQ(loaded, QStringList({"France", "Malta"}));
    QJsonArray skipped = info["skipped"].toArray();
    ASSERT_EQ(skipped.size(), 1);
    EXPECT_EQ(skipped[0].toObject()["name"].toString(), "Atlantis");
    EXPECT_FALSE(skipped[0].toObject()["reason"].toString().isEmpty());
    EXPECT_EQ(info["waypoints"].toInt(), 3);
}

// Accented country names: the tree sorts them by an English collation ("São Tomé and Principe"
// between "Senegal" and "Syria", not after them), and `db info` keeps its count column straight.
TEST(DbInfoCommand, AccentedCountriesSortByCollationAndKeepTheColumns) {
    test::DatabaseFixture fixture;
    fixture.writeStates({});
    fixture.writeCountry(QStringLiteral("Syria"), {makeRecord("OSDI", 33.41, 36.51)});
    fixture.writeCountry(QStringLiteral("S\u00E3o Tom\u00E9 and Principe"), {makeRecord("FPST", 0.38, 6.71), makeRecord("FPPR", 1.66, 7.41)});
    fixture.writeCountry(QStringLiteral("Senegal"), {makeRecord("GOBD", 14.67, -17.07)});
    fixture.writeCountry(QStringLiteral("\u00C5land Islands"), {makeRecord("EFMA", 60.12, 19.90)});

    waypoints::WaypointDatabase database;
    database.load(waypoints::ActiveCountriesStore(), [](const char*, platform::DictionaryPtr) {});
    QStringList tree;
    for (const platform::Value& node : *database.byCountryDB()) tree << node.dictionary()->get("waypoint_name").toQString();
    EXPECT_EQ(tree, QStringList({"\u00C5land Islands", "S\u00E3o Tom\u00E9 and Principe", "Senegal", "Syria"}));
    QStringList placed;  // each record with its country, as the selector's rows show it
    for (const platform::Value& r : *database.waypointsDB())
        placed << r.dictionary()->get("waypoint_id").toQString() + " " + database.countryOf(*r.dictionary());
    placed.sort();
    EXPECT_EQ(placed, QStringList({"EFMA \u00C5land Islands", "FPPR S\u00E3o Tom\u00E9 and Principe",
                                   "FPST S\u00E3o Tom\u00E9 and Principe", "GOBD Senegal", "OSDI Syria"}));

    ToolRun info = tool(fixture, {QStringLiteral("db"), QStringLiteral("info")});
    ASSERT_EQ(info.status, 0);
    int countryLines = 0;
    for (const QString& line : QString::fromUtf8(info.out).split('\n')) {
        if (!line.endsWith(QLatin1Char('1')) && !line.endsWith(QLatin1Char('2'))) continue;
        if (line.contains(QLatin1String("waypoints"))) continue;
        ++countryLines;
        EXPECT_EQ(line.size(), 48) << line.toStdString();  // 40 for the name, a blank, 7 for the count
    }
    EXPECT_EQ(countryLines, 4);
}
