// Hostile plan names, texts an XML file cannot hold, and the coordinates as numbers: a name never
// writes outside the plans folder nor makes a hidden file, the typed name stays inside the file,
// numbers shown as text read back as the same double, and no typed text reaches the geodesy as a
// guessed 0, a NaN or an infinity.

#include "PlanTestSupport.h"

#include "navplans/NavPlanStore.h"
#include "navplans/PlanCoordinates.h"
#include "navplans/PlanFileName.h"
#include "navplans/XmlSafeText.h"
#include "positioning/Geodesy.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

using namespace vantrel;
using navplans::Axis;
using navplans::NavPlanStore;
using navplans::PlanFileName;
using platform::Value;

TEST(HostileNames, StayInsideTheFolderVisibleAndKeepTheirTypedName) {
    test::TempDir home;
    const QString folder = home.file("documents/navplans");
    NavPlanStore store(folder);
    struct Case {
        QString typed;
        QString stored;  // the name inside the file
    };
    const QString longName = QString(300, u'é');
    const std::vector<Case> cases{
        {"../../escape", "../../escape"},
        {"..", ".."},
        {".hidden", ".hidden"},
        {"/etc/passwd", "/etc/passwd"},
        {"back\\slash\\..\\x", "back\\slash\\..\\x"},
        {"tab\tand\nnewline\r", "tab\tand\nnewline\r"},
        {QStringLiteral("nul") + QChar(0) + "bell" + QChar(7) + "esc" + QChar(0x1b) + "del" + QChar(0x7f),
         QStringLiteral("nulbellescdel") + QChar(0x7f)},
        {QString::fromUtf16(u"c1\u0085control"), QString::fromUtf16(u"c1\u0085control")},
        {QString(QChar(0xD800)) + "half", "half"},
        {QString::fromUtf16(u"Zürich ✈ \U0001F6E9"), QString::fromUtf16(u"Zürich ✈ \U0001F6E9")},
        {longName, longName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        platform::DictionaryPtr plan = NavPlanStore::newPlan();
        NavPlanStore::SaveResult saved = store.savePlan(plan, c.typed);
        ASSERT_TRUE(saved.ok());
        const QFileInfo file(folder + u'/' + saved.fileName);
        EXPECT_EQ(file.absolutePath(), QFileInfo(folder).absoluteFilePath()) << "written inside the plans folder";
        EXPECT_FALSE(saved.fileName.startsWith(u'.'));
        EXPECT_TRUE(saved.fileName.endsWith(".nav"));
        EXPECT_LE(saved.fileName.toUtf8().size(), 255);
        for (QChar ch : saved.fileName) EXPECT_FALSE(ch == u'/' || ch == u'\\' || ch.category() == QChar::Other_Control);
        EXPECT_EQ(test::xmlPlistProblem(file.filePath()), "");
        platform::DictionaryPtr back = test::readPlanFile(file.filePath());
        ASSERT_TRUE(back);
        EXPECT_EQ(back->get("waypoint_name").toQString(), c.stored);
        EXPECT_EQ(plan->get("waypoint_name").toQString(), c.stored) << "the record holds what the file holds";
    }
    // Nothing anywhere but the plans folder, and every case has a file of its own.
    QStringList everything;
    for (QDirIterator it(home.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        everything << QDir(home.path()).relativeFilePath(it.next());
    everything.removeAll("documents");
    everything.removeAll("documents/navplans");
    for (const QString& path : everything) EXPECT_TRUE(path.startsWith("documents/navplans/")) << path.toStdString();
    EXPECT_EQ(everything.size(), int(cases.size()));
    // Listed again: every plan has its typed name.
    NavPlanStore again(folder);
    for (const Case& c : cases) EXPECT_EQ(again.plansNamed(c.stored).size(), 1u) << c.typed.toStdString();
}

TEST(HostileNames, NumberedFileNamesBelongOnlyToTheirBase) {
    EXPECT_EQ(PlanFileName::numberOf("A.nav", "A"), 1);
    EXPECT_EQ(PlanFileName::numberOf("A-2.nav", "A"), 2);
    EXPECT_EQ(PlanFileName::numberOf("A-17.nav", "A"), 17);
    for (const char* other : {"A-1.nav", "A-02.nav", "A-.nav", "A-x.nav", "AB.nav", "A.nav.bak", "B.nav", "A-2"})
        EXPECT_EQ(PlanFileName::numberOf(other, "A"), 0) << other;
    EXPECT_EQ(PlanFileName::numberOf("A-2-3.nav", "A-2"), 3);
    EXPECT_EQ(PlanFileName::fileName("A", 1), "A.nav");
    EXPECT_EQ(PlanFileName::fileName("A", 3), "A-3.nav");
    bool changed = false;
    EXPECT_EQ(PlanFileName::baseFor("Plain name", &changed), "Plain name");
    EXPECT_FALSE(changed);
    // A name cut to size never splits a character.
    const QString cut = PlanFileName::baseFor(QString::fromUtf16(u"\U0001F6E9").repeated(80), &changed);
    EXPECT_TRUE(changed);
    EXPECT_LE(cut.toUtf8().size(), PlanFileName::kMaxBaseBytes);
    EXPECT_EQ(cut.size() % 2, 0);
    EXPECT_FALSE(cut.back().isHighSurrogate());
}

TEST(XmlSafeTexts, OnlyWhatXmlCannotHoldIsLeftOutAndSharedPartsStayShared) {
    bool changed = true;
    const QString fine = QString::fromUtf16(u"a\tb\nc\r é \U0001F6E9 \uFFFD");
    EXPECT_EQ(navplans::xmlSafeText(fine, &changed), fine);
    EXPECT_FALSE(changed);
    EXPECT_EQ(navplans::xmlSafeText(QStringLiteral("x") + QChar(1) + "y" + QChar(0xFFFE) + "z" + QChar(0xFFFF), &changed), "xyz");
    EXPECT_TRUE(changed);

    platform::DictionaryPtr clean = test::userWaypoint("A", "1", "2");
    platform::DictionaryPtr dirty = test::userWaypoint(QStringLiteral("B") + QChar(2), "1", "2");
    platform::DictionaryPtr plan = test::plan("P", {clean, dirty});
    Value same = navplans::xmlSafeCopy(Value(plan), &changed);
    EXPECT_TRUE(changed);
    EXPECT_NE(same.identity(), Value(plan).identity());
    const platform::Array* wp = same.asDictionary()->get("wp").asArray();
    EXPECT_EQ(wp->at(0).identity(), Value(clean).identity()) << "an untouched waypoint is not copied";
    EXPECT_EQ(wp->at(1).asDictionary()->get("waypoint_name"), Value("B"));
    EXPECT_EQ(dirty->get("waypoint_name").toQString().size(), 2) << "the record itself is left as it was";

    platform::DictionaryPtr fineDict = test::plan("Q", {clean});
    EXPECT_EQ(navplans::xmlSafeCopy(Value(fineDict), &changed).identity(), Value(fineDict).identity());
    EXPECT_FALSE(changed);
}

// The shortest text of a double reads back as that very double through the records' reader.
TEST(PlanCoordinates, DecimalTextReadsBackAsTheSameDouble) {
    std::mt19937_64 random(13);
    std::uniform_real_distribution<double> coordinate(-180.0, 180.0);
    std::uniform_int_distribution<uint64_t> bits;
    for (int i = 0; i < 20000; ++i) {
        double v = i % 2 ? coordinate(random) : 0.0;
        if (i % 2 == 0) {
            uint64_t b = bits(random);
            std::memcpy(&v, &b, sizeof v);
            if (!std::isfinite(v)) continue;
        }
        const QString text = navplans::decimalText(v);
        ASSERT_FALSE(text.contains(u'e')) << text.toStdString();
        ASSERT_EQ(platform::leadingDouble(text.toStdString()), v) << text.toStdString();
        ASSERT_EQ(navplans::strictDecimal(text.toStdString()).value_or(NAN), v) << text.toStdString();
    }
    EXPECT_EQ(navplans::decimalText(46.238056), "46.238056");
    EXPECT_EQ(navplans::decimalText(7.0), "7");
    EXPECT_EQ(navplans::recordText(Value::integer(-12)), "-12");
    EXPECT_EQ(navplans::recordText(Value::real(0.1)), "0.1");
    EXPECT_EQ(navplans::recordText(Value()), "");
}

TEST(PlanCoordinates, OnlyWholeFiniteNumbersInRangeAreCoordinates) {
    auto latitude = [](const Value& v) { return navplans::coordinateOf(v, Axis::Latitude); };
    EXPECT_EQ(latitude(Value("46.25")), 46.25);
    EXPECT_EQ(latitude(Value(" -46.25 ")), -46.25);
    EXPECT_EQ(latitude(Value("+4.625e1")), 46.25);
    EXPECT_EQ(latitude(Value(".5")), 0.5);
    EXPECT_EQ(latitude(Value::real(-90)), -90.0);
    EXPECT_EQ(latitude(Value::integer(45)), 45.0);
    EXPECT_EQ(navplans::coordinateOf(Value("180"), Axis::Longitude), 180.0);
    for (const char* bad : {"abc", "", " ", "46,5", "46°14'N", "46.2N", "nan", "NaN", "inf", "-infinity", "1e999",
                            "0x1p4", "90.0001", "--1", "-", "+"})
        EXPECT_FALSE(latitude(Value(bad))) << bad;
    EXPECT_FALSE(latitude(Value::real(NAN)));
    EXPECT_FALSE(latitude(Value::real(INFINITY)));
    EXPECT_FALSE(navplans::coordinateOf(Value("180.5"), Axis::Longitude));
    EXPECT_FALSE(latitude(Value::boolean(true)));
}

// A plan's length: the legs' great-circle distances, or nothing when a waypoint has no position.
TEST(PlanCoordinates, PlanLengthIsUnknownRatherThanWrongOrNaN) {
    auto w = [](const char* lat, const char* lon) { return Value(test::userWaypoint("W", lat, lon)); };
    platform::ArrayPtr legs = platform::Array::fromValues({w("46.238056", "6.108889"), w("45.726389", "5.090833"),
                                                            w("46.238056", "6.108889")});
    const double leg = positioning::Geodesy::calcDistanceInMeters(6.108889, 46.238056, 5.090833, 45.726389);
    EXPECT_NEAR(navplans::planLengthMetres(*legs).value(), 2 * leg, 1e-6);
    EXPECT_EQ(navplans::planLengthMetres(*platform::Array::create()), 0.0);

    for (const char* bad : {"abc", "1e999", "nan", ""}) {
        platform::ArrayPtr broken = platform::Array::fromValues({w("46.2", "6.1"), w(bad, "5.0")});
        EXPECT_FALSE(navplans::planLengthMetres(*broken)) << bad;
    }
    platform::ArrayPtr foreign = platform::Array::fromValues({w("46.2", "6.1"), Value("not a record")});
    EXPECT_FALSE(navplans::planLengthMetres(*foreign));
    EXPECT_FALSE(navplans::positionOf(Value(platform::Dictionary::create())));
}
