// SeeYou CUP files as plans: the coordinate, elevation and field forms, a real file with tasks,
// broken lines and a task point given in place read through the import the app and the tool share,
// and vantrel-tool plans import --cup end to end.

#include "PlanTestSupport.h"

#include "navplans/NavPlanKeys.h"
#include "navplans/PlanCup.h"
#include "navplans/PlanImport.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;
using platform::Value;

namespace {

QString fixture(const char* name) { return QStringLiteral(VANTREL_TEST_DATA_DIR "/navplans/") + name; }

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList namesOf(const platform::Dictionary& plan) {
    QStringList names;
    for (const Value& w : *plan.get(navplans::keys::wp).array()) names << w.asDictionary()->get(navplans::keys::waypointName).toQString();
    return names;
}

}  // namespace

TEST(PlanCup, ReadsCoordinatesElevationsAndQuotedFields) {
    struct Coordinate {
        const char* text;
        bool longitude;
        std::optional<double> degrees;
    };
    for (const Coordinate& c : std::vector<Coordinate>{
             {"4612.345N", false, 46.20575},
             {"4612.345S", false, -46.20575},
             {"00612.345E", true, 6.20575},
             {"12030.500W", true, -120.508333333},
             {"9000.000N", false, 90.0},
             {"9000.001N", false, std::nullopt},
             {"18000.001E", true, std::nullopt},
             {"4660.000N", false, std::nullopt},   // 60 minutes
             {"612.345N", false, std::nullopt},    // one degree digit
             {"0612.345E", true, std::nullopt},    // a latitude's width for a longitude
             {"4612.345E", false, std::nullopt},   // wrong hemisphere letter
             {"46.2057", false, std::nullopt},
             {"", false, std::nullopt},
         }) {
        SCOPED_TRACE(c.text);
        const std::optional<double> read = navplans::cup::coordinateOf(c.text, c.longitude);
        ASSERT_EQ(read.has_value(), c.degrees.has_value());
        if (read) {
            EXPECT_NEAR(*read, *c.degrees, 1e-9);
        }
    }
    struct Elevation {
        const char* text;
        std::optional<double> metres;
    };
    for (const Elevation& e : std::vector<Elevation>{
             {"504.0m", 504.0}, {"504", 504.0}, {"1653ft", 503.8344}, {"1653 FT", 503.8344}, {"-10m", -10.0},
             {"high", std::nullopt}, {"12km", std::nullopt}, {"1e9m", std::nullopt}, {"", std::nullopt}}) {
        SCOPED_TRACE(e.text);
        const std::optional<double> read = navplans::cup::elevationMetres(e.text);
        ASSERT_EQ(read.has_value(), e.metres.has_value());
        if (read) {
            EXPECT_NEAR(*read, *e.metres, 1e-6);
        }
    }
    EXPECT_EQ(navplans::cup::splitFields(R"("Lausanne ""La B"", VD",LSGL,,"a,b")"),
              (QStringList{"Lausanne \"La B\", VD", "LSGL", "", "a,b"}));
    EXPECT_EQ(navplans::cup::splitFields(R"("open,LSGL)"), std::nullopt);
}

TEST(PlanCup, AFileWithTasksBecomesOnePlanOfWaypointsAndOnePerTask) {
    const navplans::gpx::Import read = navplans::readPlanFile(fixture("seeyou-tasks.cup"), readAll(fixture("seeyou-tasks.cup")));
    ASSERT_EQ(read.error, QString());
    ASSERT_EQ(read.plans.size(), 4u);
    const QString lausanne = "Lausanne \"La Blecherette\"";
    EXPECT_EQ(read.plans[0]->get(navplans::keys::waypointName).toQString(), "seeyou-tasks");
    EXPECT_EQ(namesOf(*read.plans[0]), (QStringList{"Geneve", lausanne, "Payerne", "Ecuvillens", "Sion", "Annecy", "Far west"}));
    EXPECT_EQ(read.plans[1]->get(navplans::keys::waypointName).toQString(), "Lake tour");
    EXPECT_EQ(namesOf(*read.plans[1]), (QStringList{"Geneve", lausanne, "Payerne", "Ecuvillens", "Sion", "Annecy"}));
    EXPECT_EQ(read.plans[2]->get(navplans::keys::waypointName).toQString(), "Short hop");
    EXPECT_EQ(namesOf(*read.plans[2]), (QStringList{"Sion", "Pass"}));  // Point=1 replaced Geneve
    EXPECT_EQ(read.plans[3]->get(navplans::keys::waypointName).toQString(), "Task 3");
    EXPECT_EQ(namesOf(*read.plans[3]), (QStringList{"Annecy", "Geneve"}));

    const platform::Array& points = *read.plans[0]->get(navplans::keys::wp).array();
    const platform::Dictionary& geneva = *points.at(0).asDictionary();
    EXPECT_EQ(geneva.get(navplans::keys::waypointLatitude).toQString(), "46.2381");
    EXPECT_EQ(geneva.get(navplans::keys::waypointLongitude).toQString(), "6.10895");
    EXPECT_EQ(geneva.get(navplans::keys::misc).toQString(), "LSGG - Geneva, main runway 04/22");
    EXPECT_DOUBLE_EQ(geneva.get("waypoint_elevation").doubleValue(), 411.0);
    const platform::Dictionary& lsgl = *points.at(1).asDictionary();
    EXPECT_NEAR(lsgl.get("waypoint_elevation").doubleValue(), 2041 * 0.3048, 1e-9);
    EXPECT_EQ(points.at(3).asDictionary()->get(navplans::keys::misc).toQString(), "LSGE - Grass, \"careful\" in spring");
    const platform::Dictionary& west = *points.at(6).asDictionary();
    EXPECT_EQ(west.get(navplans::keys::waypointLongitude).toQString(), "-120.5083333");
    // A task's waypoints are records of its own, not the waypoint plan's.
    EXPECT_NE(read.plans[1]->get(navplans::keys::wp).asArray()->at(0).asDictionary(), &geneva);

    EXPECT_EQ(read.refused, (QStringList{
                                "line 8: a quote is left open; left out",
                                "line 9: 3 fields, a waypoint needs 5; left out",
                                "line 10: the latitude \"4675.000N\" (\"Bad minutes\") is not like 4612.345N; left out",
                                "line 11: the elevation \"high\" (\"Bad elevation\") is not metres or feet; left out",
                                "line 17: task \"Short hop\" names the waypoint \"Nowhere\", which the file does not hold; left out",
                            }));

    // The same import takes GPX by its content, and a file of garbage gives an error, no plan.
    EXPECT_EQ(navplans::planFileKind("route", readAll(fixture("gpx10-route.gpx"))), navplans::PlanFileKind::Gpx);
    EXPECT_EQ(navplans::planFileKind("waypoints.txt", readAll(fixture("seeyou-tasks.cup"))), navplans::PlanFileKind::Cup);
    const navplans::gpx::Import binary = navplans::readPlanFile("x.cup", QByteArray("\x00\x01name", 6));
    EXPECT_FALSE(binary.error.isEmpty());
    EXPECT_TRUE(binary.plans.empty());
}

TEST(PlanCup, TheToolImportsACupFileAsPlans) {
    test::TempDir documents;
    QProcess process;
    process.start(QStringLiteral(VANTREL_TOOL_PATH),
                  {"--documents", documents.path(), "plans", "import", "--cup", fixture("seeyou-tasks.cup")});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 1) << err.toStdString();  // lines were refused
    EXPECT_TRUE(out.contains("imported \"seeyou-tasks\" (7 waypoints) as seeyou-tasks.nav")) << out.toStdString();
    EXPECT_TRUE(out.contains("imported \"Lake tour\" (6 waypoints) as Lake tour.nav")) << out.toStdString();
    EXPECT_TRUE(err.contains("seeyou-tasks.cup: line 8: a quote is left open; left out")) << err.toStdString();
    EXPECT_EQ(test::filesIn(documents.file("navplans")),
              (QStringList{"Lake tour.nav", "Short hop.nav", "Task 3.nav", "seeyou-tasks.nav"}));
    const platform::DictionaryPtr tour = test::readPlanFile(documents.file("navplans/Lake tour.nav"));
    ASSERT_TRUE(tour);
    EXPECT_EQ(namesOf(*tour).size(), 6);
    EXPECT_EQ(test::xmlPlistProblem(documents.file("navplans/Lake tour.nav")), QString());
}
