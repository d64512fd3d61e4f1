#include "PlistTestSupport.h"

#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace vantrel::test {
namespace {

using platform::Value;
namespace KeyedArchive = platform::KeyedArchive;
namespace plist = platform::plist;

Value uid(int64_t n) { return dict({{"CF$UID", Value::integer(n)}}); }

// What make_fixtures.py's waypoint_archive() archives.
Value fixtureRoot() {
    Value first = dict({
        {"waypoint_id", "LFPG"},
        {"waypoint_name", "Paris"},
        {"waypoint_latitude", Value::real(49.0097)},
        {"waypoint_longitude", Value::real(2.5478)},
        {"waypoint_type", Value::integer(1)},
        {"waypoint_runways", list({dict({{"id", "09L"}}), dict({{"id", "27R"}})})},
        {"updated", Value::date(1625056496.5)},
        {"active", Value::boolean(true)},
        {"elevation", Value::integer(-12)},
    });
    Value second = dict({
        {"waypoint_id", "PGS"},
        {"waypoint_name", "Paris"},
        {"waypoint_frequency", "Z\u00fcrich \u2708"},
        {"waypoint_channel", Value()},
        {"raw", Value::data(QByteArray("\x00\x01\xfe\xff", 4))},
        {"blob", Value::data("abc")},
        {"note", Value::integer(4294967296)},
    });
    return list({first, second, first, Value()});
}

TEST(KeyedArchive, ReadsArchivesInBothForms) {
    for (const char* name : {"archive.bplist", "archive.xml"}) {
        QString error;
        Value root = KeyedArchive::unarchive(fixture(name), &error);
        ASSERT_TRUE(identical(fixtureRoot(), root)) << name << ": " << error.toStdString();
        // One UID, one object: the record held twice and the text both records share.
        const auto& records = root.array()->items();
        EXPECT_EQ(records[0].identity(), records[2].identity()) << name;
        EXPECT_EQ(records[0].dictionary()->find("waypoint_name")->identity(),
                  records[1].dictionary()->find("waypoint_name")->identity())
            << name;
    }
}

TEST(KeyedArchive, WritesTheLayoutOfApplesArchiver) {
    platform::ArrayPtr records = platform::Array::create();
    for (int i = 0; i < 100; ++i) records->append(dict({{"waypoint_name", "Paris"}, {"waypoint_type", Value::integer(i % 2)}}));
    Value archive = plist::parse(KeyedArchive::archive(Value(records)));
    ASSERT_TRUE(archive.isDictionary());
    const auto& d = *archive.dictionary();
    EXPECT_EQ(d.get("$archiver"), Value("NSKeyedArchiver"));
    EXPECT_TRUE(identical(Value::integer(100000), d.get("$version")));
    EXPECT_TRUE(identical(dict({{"root", uid(1)}}), d.get("$top")));
    const auto& objects = d.get("$objects").array()->items();
    EXPECT_EQ(objects[0], Value("$null"));
    Value arrayClass = dict({{"$classes", list({"NSMutableArray", "NSArray", "NSObject"})}, {"$classname", "NSMutableArray"}});
    int classes = 0, arrayClasses = 0, paris = 0, keys = 0, zeros = 0;
    for (const Value& o : objects) {
        classes += o.isDictionary() && o.dictionary()->contains("$classes");
        arrayClasses += bool(identical(arrayClass, o));
        paris += o == Value("Paris");
        keys += o == Value("waypoint_name");
        zeros += o.type() == platform::ValueType::Integer && o.integerPayload() == 0;
    }
    EXPECT_EQ(classes, 2);  // NSMutableArray and NSMutableDictionary, once each
    EXPECT_EQ(arrayClasses, 1);
    EXPECT_EQ(paris, 1);
    EXPECT_EQ(keys, 1);
    EXPECT_EQ(zeros, 1);
}

TEST(KeyedArchive, ArchivesReadBackTheSame) {
    Value graph = generatedGraph(2000);
    QString error;
    Value back = KeyedArchive::unarchive(KeyedArchive::archive(graph), &error);
    ASSERT_TRUE(identical(graph, back)) << error.toStdString();
    EXPECT_EQ(back.array()->at(8).identity(), back.array()->at(9).identity());
    EXPECT_TRUE(identical(fixtureRoot(), KeyedArchive::unarchive(KeyedArchive::archive(fixtureRoot()))));
    EXPECT_TRUE(identical(Value("$null"), KeyedArchive::unarchive(KeyedArchive::archive(Value("$null")))));

    platform::ArrayPtr loop = platform::Array::create();
    loop->append(list({Value(loop)}));
    EXPECT_TRUE(KeyedArchive::archive(Value(loop), &error).isEmpty());
    EXPECT_TRUE(error.contains("contains itself"));
    loop->clear();
}

// An archive written as XML with {"CF$UID": n} references, for damage that our writer never makes.
QByteArray archiveOf(const Value& objects, const Value& top = dict({{"root", uid(1)}})) {
    return plist::toXml(dict({{"$archiver", "NSKeyedArchiver"}, {"$version", Value::integer(100000)}, {"$top", top}, {"$objects", objects}}));
}

TEST(KeyedArchive, DamagedArchivesGiveNullAndAReason) {
    Value arrayClass = dict({{"$classes", list({"NSArray", "NSObject"})}, {"$classname", "NSArray"}});
    Value dictClass = dict({{"$classes", list({"NSDictionary", "NSObject"})}, {"$classname", "NSDictionary"}});
    auto array = [&](Value items) { return dict({{"NS.objects", items}, {"$class", uid(2)}}); };
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"plain plist", plist::toXml(list({"a"})), "not a keyed archive"},
        {"no $objects", plist::toXml(dict({{"$top", dict({{"root", uid(1)}})}})), "no $objects"},
        {"no $top", plist::toXml(dict({{"$objects", list({"$null"})}})), "no $top"},
        {"no root", archiveOf(list({"$null", "x"}), dict({{"other", uid(1)}})), "no root"},
        {"root out of range", archiveOf(list({"$null"})), "out of range"},
        {"array holding itself", archiveOf(list({"$null", array(list({uid(1)})), arrayClass})), "contains itself"},
        {"plain value among references", archiveOf(list({"$null", array(list({"inline"})), arrayClass})), "plain value"},
        {"keys and objects of different lengths",
         archiveOf(list({"$null", dict({{"NS.keys", list({uid(3)})}, {"NS.objects", list({})}, {"$class", uid(2)}}), dictClass, "k"})),
         "differ in length"},
        {"key that is no text",
         archiveOf(list({"$null", dict({{"NS.keys", list({uid(3)})}, {"NS.objects", list({uid(3)})}, {"$class", uid(2)}}), dictClass,
                         Value::integer(4)})),
         "not a text"},
        {"unknown class", archiveOf(list({"$null", dict({{"$class", uid(2)}}), dict({{"$classes", list({"NSURL"})}, {"$classname", "NSURL"}})})),
         "unsupported class NSURL"},
        {"instance without class", archiveOf(list({"$null", dict({{"NS.objects", list({})}})})), "without $class"},
        {"class that is no description", archiveOf(list({"$null", array(list({})), "NSArray"})), "no class description"},
        {"bare reference as object", archiveOf(list({"$null", uid(0)})), "neither a value nor an instance"},
    };
    LogCapture log;
    for (const Case& c : cases) {
        QString error;
        EXPECT_TRUE(KeyedArchive::unarchive(c.bytes, &error).isNull()) << c.what;
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << c.what << ": " << error.toStdString();
    }
    EXPECT_TRUE(log.contains("Keyed archive unreadable"));
    EXPECT_TRUE(identical(list({"x"}), KeyedArchive::unarchive(archiveOf(list({"$null", array(list({uid(3)})), arrayClass, "x"})))));
}

// Sets whose members are numbered keys instead of one NS.objects array: NS.object.N, and the
// NS.objectN with NS.countN (no dot) of a counted set as macOS writes it. The counts are kept by
// listing a member that many times; a damaged count is refused, not a huge array.
TEST(KeyedArchive, NumberedSetMembersAndCounts) {
    auto setClass = [](const char* name) { return dict({{"$classes", list({name, "NSSet", "NSObject"})}, {"$classname", name}}); };
    struct Case {
        const char* what;
        Value set;  // object 1; its class is object 2; texts "LFLP" and "LSGG" are objects 3 and 4
        const char* className;
        Value expected;  // null: refused
        const char* reason;
    };
    const Case cases[] = {
        {"NS.object.N", dict({{"NS.object.1", uid(4)}, {"NS.object.0", uid(3)}, {"$class", uid(2)}}), "NSSet", list({"LFLP", "LSGG"}), ""},
        {"counted set", dict({{"NS.count", Value::integer(2)}, {"NS.object0", uid(4)}, {"NS.count0", Value::integer(2)},
                              {"NS.object1", uid(3)}, {"NS.count1", Value::integer(1)}, {"$class", uid(2)}}),
         "NSCountedSet", list({"LSGG", "LSGG", "LFLP"}), ""},
        {"counted set past ten", dict({{"NS.object10", uid(3)}, {"NS.object2", uid(4)}, {"$class", uid(2)}}), "NSCountedSet",
         list({"LSGG", "LFLP"}), ""},
        {"empty counted set", dict({{"NS.count", Value::integer(0)}, {"$class", uid(2)}}), "NSCountedSet", list({}), ""},
        {"count of zero", dict({{"NS.object0", uid(3)}, {"NS.count0", Value::integer(0)}, {"$class", uid(2)}}), "NSCountedSet",
         Value(), "not a count"},
        {"count of a text", dict({{"NS.object0", uid(3)}, {"NS.count0", "2"}, {"$class", uid(2)}}), "NSCountedSet", Value(),
         "not a count"},
        {"huge count", dict({{"NS.object0", uid(3)}, {"NS.count0", Value::integer(int64_t(1) << 40)}, {"$class", uid(2)}}),
         "NSCountedSet", Value(), "more than"},
    };
    LogCapture log;
    for (const Case& c : cases) {
        QString error;
        Value got = KeyedArchive::unarchive(archiveOf(list({"$null", c.set, setClass(c.className), "LFLP", "LSGG"})), &error);
        if (c.expected.isNull()) {
            EXPECT_TRUE(got.isNull()) << c.what;
            EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << c.what << ": " << error.toStdString();
        } else {
            EXPECT_TRUE(identical(c.expected, got)) << c.what << ": " << error.toStdString();
        }
    }
}

TEST(KeyedArchive, PlistlibReadsOurArchiveAsItReadsApples) {
    TempDir dir;
    QFile ours(dir.file("ours.archive"));
    ASSERT_TRUE(ours.open(QIODevice::WriteOnly));
    ours.write(KeyedArchive::archive(KeyedArchive::unarchive(fixture("archive.bplist"))));
    ours.close();
    std::optional<QString> theirs = plistlibDump({QStringLiteral("--dump-archive"), fixturePath("archive.bplist")});
    if (!theirs) GTEST_SKIP() << "python3 not installed";
    EXPECT_EQ(plistlibDump({QStringLiteral("--dump-archive"), ours.fileName()}), theirs);
}

}  // namespace
}  // namespace vantrel::test
