// Plans as GPX routes: an exported plan imports as the same plan, files written the way other GPS
// tools write them import (routes, waypoints, extensions, prefixes, GPX 1.0), points without a
// usable position are refused or left out with a line naming them, and a broken document gives
// no plan at all.

#include "PlanTestSupport.h"

#include "navplans/NavPlanStore.h"
#include "navplans/PlanGpx.h"

#include <QFile>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace vantrel;
using platform::DictionaryPtr;
using platform::Value;
namespace gpx = navplans::gpx;

namespace {

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(VANTREL_TEST_DATA_DIR "/navplans/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

QString nameOf(const platform::Value& v) { return v.asDictionary()->get("waypoint_name").toQString(); }

// Each waypoint as "name lat lon misc".
QStringList points(const DictionaryPtr& plan) {
    QStringList out;
    for (const Value& w : *plan->get("wp").asArray()) {
        const platform::Dictionary* d = w.asDictionary();
        out << QStringList{d->get("waypoint_name").toQString(), d->get("waypoint_latitude").toQString(),
                           d->get("waypoint_longitude").toQString(), d->get("misc").toQString()}
                   .join(u'|');
    }
    return out;
}

}  // namespace

TEST(PlanGpx, AnExportedPlanImportsAsTheSamePlan) {
    DictionaryPtr plan = test::plan(QStringLiteral("Genève → Lyon & <back> \"again\""),
                                    {test::userWaypoint("LSGG", "46.238056", "6.108889", "fuel & <oil>"),
                                     test::userWaypoint("Mid point", "-0.5", "-180"),
                                     test::userWaypoint(QStringLiteral("Épinal 'x'"), "46.20", "006.5", "  spaced  ")});
    gpx::Export out = gpx::routeDocument(*plan);
    EXPECT_TRUE(out.skipped.isEmpty());

    // A well-formed GPX 1.1 document with one route of three points.
    QXmlStreamReader xml(out.document);
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), u"gpx");
    EXPECT_EQ(xml.namespaceUri(), u"http://www.topografix.com/GPX/1/1");
    EXPECT_EQ(xml.attributes().value(QStringLiteral("version")), u"1.1");
    int rtepts = 0;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rtept") ++rtepts;
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(rtepts, 3);

    gpx::Import in = gpx::readDocument(out.document, "file");
    ASSERT_TRUE(in.error.isEmpty()) << in.error.toStdString();
    EXPECT_TRUE(in.refused.isEmpty());
    ASSERT_EQ(in.plans.size(), 1u);
    // Notes are read trimmed, as every text of a document is.
    plan->get("wp").asArray()->at(2).asDictionary()->set("misc", Value("spaced"));
    EXPECT_EQ(Value(in.plans[0]), Value(plan)) << in.plans[0]->get("wp").description();
}

// A database waypoint holds its position as numbers: exported in shortest form, it imports as a
// user waypoint with the same name, position (the very doubles) and note.
TEST(PlanGpx, DatabaseWaypointsExportTheirNumbersAndUnusablePositionsAreLeftOut) {
    DictionaryPtr database = platform::Dictionary::create();
    database->set("waypoint_id", Value("LSGG"));
    database->set("waypoint_name", Value("Geneva"));
    database->set("waypoint_latitude", Value::real(46.238063812255859));
    database->set("waypoint_longitude", Value::real(6.1089501380920410));
    database->set("waypoint_type", Value::integer(1));
    DictionaryPtr plan = test::plan("Mixed", {database, test::userWaypoint("Typed", "46°14'N", "6.1"),
                                              test::userWaypoint("Huge", "1e999", "6.1")});
    plan->get("wp").asArray()->append(Value(platform::Dictionary::create()));
    plan->get("wp").asArray()->append(Value("not a record"));

    gpx::Export out = gpx::routeDocument(*plan);
    ASSERT_EQ(out.skipped.size(), 4);
    EXPECT_TRUE(out.skipped[0].contains("waypoint 2 \"Typed\"")) << out.skipped[0].toStdString();
    EXPECT_TRUE(out.skipped[0].contains("\"46°14'N\""));
    EXPECT_TRUE(out.skipped[1].contains("waypoint 3 \"Huge\""));
    EXPECT_TRUE(out.skipped[3].contains("waypoint 5"));

    gpx::Import in = gpx::readDocument(out.document, "x");
    ASSERT_EQ(in.plans.size(), 1u);
    ASSERT_EQ(in.plans[0]->get("wp").asArray()->size(), 1u);
    const platform::Dictionary* back = in.plans[0]->get("wp").asArray()->at(0).asDictionary();
    EXPECT_EQ(back->get("waypoint_name"), Value("Geneva"));
    EXPECT_EQ(back->get("waypoint_latitude").doubleValue(), 46.238063812255859);
    EXPECT_EQ(back->get("waypoint_longitude").doubleValue(), 6.1089501380920410);
    EXPECT_EQ(back->get("misc"), Value(""));
}

TEST(PlanGpx, ImportsRoutesAndWaypointsAsHandheldsWriteThemPassingOverExtensionsAndTracks) {
    gpx::Import in = gpx::readDocument(fixture("routes-with-extensions.gpx"), "routes-with-extensions");
    ASSERT_TRUE(in.error.isEmpty()) << in.error.toStdString();
    EXPECT_TRUE(in.refused.isEmpty()) << in.refused.join("\n").toStdString();
    EXPECT_EQ(in.tracksSkipped, 1);
    ASSERT_EQ(in.plans.size(), 3u);
    EXPECT_EQ(nameOf(Value(in.plans[0])), "Geneva - Lyon");
    EXPECT_EQ(points(in.plans[0]), (QStringList{"LSGG|46.238056|6.108889|", QStringLiteral("LFLL|45.726389|5.090833|Lyon Saint-Exupéry")}));
    EXPECT_EQ(nameOf(Value(in.plans[1])), "routes-with-extensions route 2");
    EXPECT_EQ(points(in.plans[1]), QStringList{"P1|+46.5|-0.25|"});
    EXPECT_EQ(nameOf(Value(in.plans[2])), "Alps & Jura");
    EXPECT_EQ(points(in.plans[2]), (QStringList{"LSGG|46.238056|6.108889|Geneva", "LSZB <Bern>|46.9122|7.4992|tower 121.025"}));
    EXPECT_EQ(in.plans[2]->get("name"), Value("untitled"));
}

TEST(PlanGpx, ImportsGpx10AndPrefixedDocuments) {
    gpx::Import old = gpx::readDocument(fixture("gpx10-route.gpx"), "gpx10-route");
    ASSERT_TRUE(old.error.isEmpty()) << old.error.toStdString();
    ASSERT_EQ(old.plans.size(), 1u);
    EXPECT_EQ(nameOf(Value(old.plans[0])), "TLS-LBG");
    EXPECT_EQ(points(old.plans[0]),
              (QStringList{QStringLiteral("LFBO|43.629075000|1.363819000|Toulouse Blagnac aéroport"), "VOR|43.5|1.45|"}));

    gpx::Import prefixed = gpx::readDocument(fixture("prefixed-namespace.gpx"), "prefixed");
    ASSERT_TRUE(prefixed.error.isEmpty()) << prefixed.error.toStdString();
    ASSERT_EQ(prefixed.plans.size(), 1u);
    EXPECT_EQ(nameOf(Value(prefixed.plans[0])), "Prefixed");
    EXPECT_EQ(points(prefixed.plans[0]), (QStringList{"LSZH|47.4647|8.5492|", "EDNY|47.6713|9.5114|"}));
}

TEST(PlanGpx, PointsWithoutANumberArePointedOutAndRefused) {
    gpx::Import in = gpx::readDocument(fixture("bad-points.gpx"), "bad-points");
    ASSERT_TRUE(in.error.isEmpty());
    ASSERT_EQ(in.plans.size(), 1u);
    EXPECT_EQ(points(in.plans[0]), QStringList{"GOOD|46.25|6.125|"});
    ASSERT_EQ(in.refused.size(), 6) << in.refused.join("\n").toStdString();
    const QStringList expected{
        "line 5: route \"Bad\", point 1 \"TEXT\" refused: its latitude \"abc\" is not a number within -90..90",
        "line 6: route \"Bad\", point 2 \"NOLON\" refused: it has no longitude",
        "line 7: route \"Bad\", point 3 \"NORTH\" refused: its latitude \"91\" is not a number within -90..90",
        "line 8: route \"Bad\", point 4 \"NAN\" refused: its longitude \"NaN\" is not a number within -180..180",
        "line 9: route \"Bad\", point 5 \"HUGE\" refused: its latitude \"1e999\" is not a number within -90..90",
        "line 10: route \"Bad\", point 6 \"COMMA\" refused: its latitude \"46,5\" is not a number within -90..90",
    };
    EXPECT_EQ(in.refused, expected);
}

TEST(PlanGpx, BrokenOrForeignDocumentsGiveNoPlan) {
    gpx::Import cut = gpx::readDocument(fixture("malformed.gpx"), "malformed");
    EXPECT_TRUE(cut.plans.empty());
    EXPECT_TRUE(cut.error.startsWith("line ")) << cut.error.toStdString();

    for (const char* text : {"", "not xml at all", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>",
                             "<gpx xmlns=\"urn:other\"><rte><rtept lat=\"1\" lon=\"1\"/></rte></gpx>",
                             "<gpx><rte><rtept lat=\"1\" lon=\"1\"/></rte></gpx><gpx/>"}) {
        gpx::Import in = gpx::readDocument(QByteArray(text), "x");
        EXPECT_TRUE(in.plans.empty()) << text;
        EXPECT_FALSE(in.error.isEmpty()) << text;
    }
    // Entities are not expanded without bound.
    QByteArray bomb = "<?xml version=\"1.0\"?><!DOCTYPE gpx [<!ENTITY a \"aaaaaaaaaa\">";
    for (int i = 1; i < 10; ++i)
        bomb += QStringLiteral("<!ENTITY %1 \"&%2;&%2;&%2;&%2;&%2;&%2;&%2;&%2;&%2;&%2;\">")
                    .arg(QChar('a' + i)).arg(QChar('a' + i - 1)).toLatin1();
    bomb += "]><gpx><rte><name>&j;</name></rte></gpx>";
    gpx::Import exploded = gpx::readDocument(bomb, "bomb");
    EXPECT_TRUE(exploded.plans.empty());
    EXPECT_FALSE(exploded.error.isEmpty());

    // A document with neither routes nor waypoints is read, and gives no plan.
    gpx::Import empty = gpx::readDocument("<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\"/>", "e");
    EXPECT_TRUE(empty.error.isEmpty());
    EXPECT_TRUE(empty.plans.empty());
}
