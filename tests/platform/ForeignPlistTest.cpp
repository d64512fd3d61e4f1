// Property lists and keyed archives as other software writes them: the fixtures come from
// make_fixtures.py (plistlib), and plistlib is the reference for what they hold.

#include "PlistTestSupport.h"

#include "platform/plist/BinaryPlist.h"
#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PlistDate.h"
#include "platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace vantrel::test {
namespace {

using platform::Value;
namespace KeyedArchive = platform::KeyedArchive;
namespace plist = platform::plist;

double utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return double(QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc()).toSecsSinceEpoch());
}

Value wideIntegers() {
    return list({Value::unsignedInteger(UINT64_MAX), Value::unsignedInteger(uint64_t(1) << 63), Value::integer(INT64_MAX),
                 Value::integer(-1), Value::integer(INT64_MIN), Value::integer(0)});
}

// What make_fixtures.py's wide_values() holds, each date computed by Qt's calendar.
Value wideDates() {
    return list({Value::date(utc(1, 1, 1)), Value::date(utc(1000, 6, 15, 8, 30)), Value::date(utc(1600, 2, 29, 23, 59, 59)),
                 Value::date(utc(1931, 12, 31, 12)), Value::date(utc(2070, 1, 1)), Value::date(utc(2500, 7, 4, 1, 2, 3)),
                 Value::date(utc(9999, 12, 31, 23, 59, 59))});
}

Value read(const char* name) {
    QString error;
    Value v = plist::parse(fixture(name), &error);
    EXPECT_TRUE(error.isEmpty()) << name << ": " << error.toStdString();
    return v;
}

TEST(ForeignPlist, UnsignedIntegersKeepTheirValueAndDifferFromTheirBits) {
    Value top = Value::unsignedInteger(UINT64_MAX);
    EXPECT_TRUE(top.isUnsignedInteger());
    EXPECT_EQ(top.unsignedPayload(), UINT64_MAX);
    EXPECT_EQ(top.description(), "18446744073709551615");
    EXPECT_EQ(top.doubleValue(), 18446744073709551615.0);
    EXPECT_NE(top, Value::integer(-1));
    EXPECT_EQ(top, Value::unsignedInteger(UINT64_MAX));
    // Within the signed range an unsigned integer is a plain one.
    EXPECT_FALSE(Value::unsignedInteger(5).isUnsignedInteger());
    EXPECT_EQ(Value::unsignedInteger(5), Value::integer(5));
    // Copies and moves keep the mark.
    Value copy = top;
    Value moved = std::move(copy);
    EXPECT_TRUE(moved.isUnsignedInteger());
    Value assigned;
    assigned = moved;
    EXPECT_TRUE(assigned.isUnsignedInteger());
    assigned = Value::integer(-1);
    EXPECT_FALSE(assigned.isUnsignedInteger());
}

TEST(ForeignPlist, IntegersAtTheEndsOfBothRangesReadAndWriteExactly) {
    for (const char* name : {"wide_values.bplist", "wide_values.xml"}) {
        Value v = read(name);
        ASSERT_TRUE(v.isDictionary()) << name;
        EXPECT_TRUE(identical(wideIntegers(), v.dictionary()->get("integers"))) << name;
    }
    // Both writers keep them, and the archiver too.
    EXPECT_TRUE(identical(wideIntegers(), plist::parse(plist::toBinary(wideIntegers()))));
    EXPECT_TRUE(identical(wideIntegers(), plist::parse(plist::toXml(wideIntegers()))));
    EXPECT_TRUE(identical(wideIntegers(), KeyedArchive::unarchive(KeyedArchive::archive(wideIntegers()))));
}

TEST(ForeignPlist, XmlDatesOfAnyYearReadAsBinaryOnesDo) {
    LogCapture log;
    Value xml = read("wide_values.xml");
    Value binary = read("wide_values.bplist");
    EXPECT_TRUE(identical(wideDates(), xml.dictionary()->get("dates")));
    EXPECT_TRUE(identical(wideDates(), binary.dictionary()->get("dates")));
    EXPECT_FALSE(log.contains("outside the years"));
    // A binary date keeps its microseconds.
    EXPECT_NEAR(binary.dictionary()->get("precise").realPayload(), utc(2021, 6, 30, 12, 34, 56) + 0.123456, 1e-6);
    // The short forms that XML plists allow, and fractions of a second.
    EXPECT_EQ(plist::parseIsoDate("1850Z"), utc(1850, 1, 1));
    EXPECT_EQ(plist::parseIsoDate(" 1850-03-04T05Z\n"), utc(1850, 3, 4, 5));
    EXPECT_EQ(plist::parseIsoDate("0004-02-29T00:00:00.25Z"), utc(4, 2, 29) + 0.25);
    for (const char* bad : {"1850-02-29T00:00:00Z", "2021-13-01T00:00:00Z", "2021-06-30T24:00:00Z", "85-01-01T00:00:00Z",
                            "2021-06-30T12:34:56", "2021-06-30 12:34:56Z", "2021-06-30T12:34:56.Z"})
        EXPECT_FALSE(plist::parseIsoDate(bad)) << bad;
    Value shortForms = plist::parse("<plist><array><date>1850-03-04T05:06Z</date><date>\n 0100-01-01T00:00:00Z </date>"
                                    "<!-- <date>1999-01-01T00:00:00Z</date> --></array></plist>");
    EXPECT_TRUE(identical(list({Value::date(utc(1850, 3, 4, 5, 6)), Value::date(utc(100, 1, 1))}), shortForms));
}

TEST(ForeignPlist, IsoTextOfDatesKeepsMicrosecondsOverAllYears) {
    EXPECT_EQ(plist::isoDate(utc(1, 1, 1)), "0001-01-01T00:00:00.000000Z");
    EXPECT_EQ(plist::isoDate(utc(9999, 12, 31, 23, 59, 59) + 0.5), "9999-12-31T23:59:59.500000Z");
    EXPECT_EQ(plist::isoDate(utc(2021, 6, 30, 12, 34, 56) + 0.000123), "2021-06-30T12:34:56.000123Z");
    // Before 1970 the fraction counts forward from the whole second below.
    EXPECT_EQ(plist::isoDate(-0.25), "1969-12-31T23:59:59.750000Z");
    // Rounding up to the next second carries.
    EXPECT_EQ(plist::isoDate(utc(1999, 12, 31, 23, 59, 59) + 0.9999999), "2000-01-01T00:00:00.000000Z");
    EXPECT_FALSE(plist::isoDate(std::numeric_limits<double>::quiet_NaN()));
    // Every instant that the text names reads back.
    for (double t : {utc(1, 1, 1), utc(1582, 10, 15, 1, 2, 3), utc(1969, 12, 31, 23, 59, 59), utc(2400, 2, 29)})
        EXPECT_EQ(plist::parseIsoDate(*plist::isoDate(t)), t);
}

TEST(ForeignPlist, DictionaryKeysThatAreNoTextReadAsTheirText) {
    Value v = read("number_keys.bplist");
    EXPECT_TRUE(identical(dict({{"1", "one"},
                                {"-7", "minus seven"},
                                {"2.5", "two and a half"},
                                {"3.0", "three"},
                                {"flags", dict({{"true", "on"}})},
                                {"text", dict({{"4294967296", "nested"}})}}),
                          v));
    // An array is no key.
    plist::BinaryPlistWriter w;
    plist::BinaryPlistWriter::Id key = w.addArray({});
    plist::BinaryPlistWriter::Id value = w.addString("x");
    QString error;
    EXPECT_TRUE(plist::parse(w.finish(w.addDictionary({&key, 1}, {&value, 1})), &error).isNull());
    EXPECT_TRUE(error.contains("key")) << error.toStdString();
}

TEST(ForeignPlist, XmlInUtf16AndWithAByteOrderMarkReadsAsUtf8) {
    Value expected = read("types.xml");
    for (const char* name : {"utf16le.xml", "utf16be.xml", "utf8bom.xml"}) EXPECT_TRUE(identical(expected, read(name))) << name;
    // UTF-16 without a byte order mark is known by the zero byte beside the '<'.
    QString text = QString::fromUtf8(fixture("types.xml"));
    QByteArray little(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_TRUE(identical(expected, plist::parse(little)));
    // A UTF-16 text with a lone surrogate still reads, the bad unit replaced.
    QByteArray broken = QByteArray("\xff\xfe", 2) + little;
    int at = broken.indexOf(QByteArray("H\0e\0l\0l\0o\0", 10));
    ASSERT_GT(at, 0);
    broken[at] = '\x00';
    broken[at + 1] = '\xd8';
    Value withReplacement = plist::parse(broken);
    ASSERT_TRUE(withReplacement.isDictionary());
    EXPECT_EQ(withReplacement.dictionary()->get("ascii").toStdString(), "\xef\xbf\xbd" "ello, world");
}

TEST(ForeignPlist, PlistlibReadsWhatWeReadFromItsFiles) {
    // Our binary writer's copy of what we read must read in plistlib as the original does.
    TempDir dir;
    for (const char* name : {"wide_values.bplist", "utf16be.xml", "utf8bom.xml"}) {
        QFile ours(dir.file(QStringLiteral("ours.bplist")));
        ASSERT_TRUE(ours.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ours.write(plist::toBinary(read(name)));
        ours.close();
        std::optional<QString> theirs = plistlibDump({QStringLiteral("--dump"), fixturePath(name)});
        if (!theirs) GTEST_SKIP() << "python3 not installed";
        EXPECT_EQ(plistlibDump({QStringLiteral("--dump"), ours.fileName()}), theirs) << name;
    }
}

// ---- keyed archives ---------------------------------------------------------------------------

TEST(ForeignArchive, TopKeysOtherThanRootAreAllRead) {
    for (const char* name : {"foreign_archive.bplist", "foreign_archive.xml"}) {
        QString error;
        Value top = KeyedArchive::unarchiveTopObjects(fixture(name), &error);
        ASSERT_TRUE(top.isDictionary()) << name << ": " << error.toStdString();
        std::vector<std::string> keys;
        for (const auto& e : *top.dictionary()) keys.emplace_back(e.key.view());
        EXPECT_EQ(keys, (std::vector<std::string>{"settings", "shapes", "version"})) << name;
        EXPECT_TRUE(identical(Value::integer(3), top.dictionary()->get("version"))) << name;
        // The app's reader keeps to archives with a root object.
        LogCapture log;
        EXPECT_TRUE(KeyedArchive::unarchive(fixture(name), &error).isNull());
        EXPECT_TRUE(error.contains("no root")) << error.toStdString();
    }
    // An archive with only a root shows it under "root", the same as unarchive gives.
    Value root = KeyedArchive::unarchive(fixture("archive.bplist"));
    Value top = KeyedArchive::unarchiveTopObjects(fixture("archive.bplist"));
    ASSERT_TRUE(top.isDictionary());
    EXPECT_EQ(top.dictionary()->size(), 1u);
    EXPECT_TRUE(identical(root, top.dictionary()->get("root")));
}

TEST(ForeignArchive, UnknownClassesNullsAndSetsDecode) {
    Value expectedOrigin = dict({{"$class", "VTPoint"}, {"x", Value::real(1.5)}, {"y", Value::integer(-2)}, {"label", "runway 27"}});
    for (const char* name : {"foreign_archive.bplist", "foreign_archive.xml"}) {
        Value top = KeyedArchive::unarchiveTopObjects(fixture(name));
        ASSERT_TRUE(top.isDictionary()) << name;
        Value settings = top.dictionary()->get("settings");
        ASSERT_TRUE(settings.isDictionary()) << name;
        auto field = [&](const char* key) { return settings.dictionary()->get(key); };
        EXPECT_TRUE(identical(expectedOrigin, field("origin"))) << name;
        ASSERT_TRUE(settings.dictionary()->contains("none")) << name;
        EXPECT_TRUE(field("none").isNull()) << name;
        EXPECT_TRUE(identical(list({"runway 27", "taxiway B"}), field("ordered"))) << name;
        EXPECT_TRUE(identical(list({"one", "two"}), field("counted"))) << name;
        EXPECT_TRUE(identical(list({Value::integer(7), Value::boolean(true)}), field("set"))) << name;
        EXPECT_TRUE(identical(dict({{"10", "ten"}, {"2.5", "two and a half"}}), field("by_number"))) << name;
        EXPECT_TRUE(identical(Value::unsignedInteger(UINT64_MAX), field("big"))) << name;
        Value shapes = top.dictionary()->get("shapes");
        EXPECT_TRUE(identical(list({expectedOrigin, dict({{"$class", "VTEmpty"}}), Value()}), shapes)) << name;
        // One object in the archive, one object decoded.
        EXPECT_EQ(shapes.array()->at(0).identity(), field("origin").identity()) << name;
    }
}

TEST(ForeignArchive, ACycleBecomesAReferenceToTheObject) {
    QByteArray bytes = fixture("foreign_archive.bplist");
    Value top = KeyedArchive::unarchiveTopObjects(bytes);
    ASSERT_TRUE(top.isDictionary());
    Value node = top.dictionary()->get("settings").dictionary()->get("node");
    ASSERT_TRUE(node.isDictionary());
    EXPECT_EQ(node.dictionary()->get("$class").toStdString(), "VTNode");
    EXPECT_EQ(node.dictionary()->get("name").toStdString(), "loop");
    EXPECT_TRUE(identical(list({Value::integer(1), Value::real(2.5)}), node.dictionary()->get("weights")));
    Value next = node.dictionary()->get("next");
    ASSERT_TRUE(next.isDictionary());
    ASSERT_EQ(next.dictionary()->size(), 1u);
    // The reference names the node's own entry in $objects.
    Value objects = plist::parse(bytes).dictionary()->get("$objects");
    Value target = objects.array()->at(size_t(next.dictionary()->get("$ref").integerPayload()));
    ASSERT_TRUE(target.isDictionary());
    EXPECT_TRUE(identical(target.dictionary()->get("next"), dict({{"CF$UID", next.dictionary()->get("$ref")}})));

    // A known container holding itself, when inspecting, too.
    Value arrayClass = dict({{"$classes", list({"NSArray", "NSObject"})}, {"$classname", "NSArray"}});
    Value uid1 = dict({{"CF$UID", Value::integer(1)}});
    Value selfHolding = dict({{"NS.objects", list({uid1, dict({{"CF$UID", Value::integer(3)}})})}, {"$class", dict({{"CF$UID", Value::integer(2)}})}});
    QByteArray archive = plist::toXml(dict({{"$archiver", "NSKeyedArchiver"},
                                            {"$version", Value::integer(100000)},
                                            {"$top", dict({{"root", uid1}})},
                                            {"$objects", list({"$null", selfHolding, arrayClass, "x"})}}));
    EXPECT_TRUE(identical(dict({{"root", list({dict({{"$ref", Value::integer(1)}}), "x"})}}), KeyedArchive::unarchiveTopObjects(archive)));
}

// A binary archive whose objects the caller lays out; object 0 is "$null", `classes` the class
// description of an unknown class.
struct HandArchive {
    plist::BinaryPlistWriter w;
    std::vector<plist::BinaryPlistWriter::Id> objects;
    using Id = plist::BinaryPlistWriter::Id;

    HandArchive() { objects.push_back(w.addString("$null")); }
    Id unknownClass() {
        Id keys[] = {w.addString("$classes"), w.addString("$classname")};
        Id chain = w.addString("VTLink");
        Id values[] = {w.addArray({&chain, 1}), chain};
        return w.addDictionary(keys, values);
    }
    QByteArray finish(Id topValue) {
        Id keys[] = {w.addString("$archiver"), w.addString("$version"), w.addString("$top"), w.addString("$objects")};
        Id topKey = w.addString("link");
        Id values[] = {w.addString("NSKeyedArchiver"), w.addInteger(100000), w.addDictionary({&topKey, 1}, {&topValue, 1}),
                       w.addArray(objects)};
        return w.finish(w.addDictionary(keys, values));
    }
};

TEST(ForeignArchive, DeepAndWideGraphsOfUnknownObjectsStayBounded) {
    LogCapture log;
    // A chain of 5000 unknown objects, each referring to the next: too deep, refused, no crash.
    {
        HandArchive a;
        size_t count = 5000;
        a.objects.push_back(a.unknownClass());
        for (size_t i = 0; i < count; ++i) {
            HandArchive::Id keys[] = {a.w.addString("next"), a.w.addString("$class")};
            HandArchive::Id values[] = {a.w.addUid(i + 3 <= count + 1 ? i + 3 : 0), a.w.addUid(1)};
            a.objects.push_back(a.w.addDictionary(keys, values));
        }
        QString error;
        EXPECT_TRUE(KeyedArchive::unarchiveTopObjects(a.finish(a.w.addUid(2)), &error).isNull());
        EXPECT_TRUE(error.contains("nested deeper")) << error.toStdString();
    }
    // Inline dictionaries each holding the next one twice: 2^60 paths, 60 objects, decoded once each.
    {
        HandArchive a;
        HandArchive::Id inner = a.w.addString("bottom");
        HandArchive::Id k[] = {a.w.addString("a"), a.w.addString("b")};
        for (int level = 0; level < 60; ++level) {
            HandArchive::Id values[] = {inner, inner};
            inner = a.w.addDictionary(k, values);
        }
        a.objects.push_back(a.unknownClass());
        HandArchive::Id keys[] = {a.w.addString("tree"), a.w.addString("$class")};
        HandArchive::Id values[] = {inner, a.w.addUid(1)};
        a.objects.push_back(a.w.addDictionary(keys, values));
        QElapsedTimer clock;
        clock.start();
        QString error;
        Value top = KeyedArchive::unarchiveTopObjects(a.finish(a.w.addUid(2)), &error);
        EXPECT_LT(clock.elapsed(), 2000);
        ASSERT_TRUE(top.isDictionary()) << error.toStdString();
        Value tree = top.dictionary()->get("link").dictionary()->get("tree");
        for (int level = 0; level < 60; ++level) {
            ASSERT_TRUE(tree.isDictionary()) << level;
            if (level < 59) {
                EXPECT_EQ(tree.dictionary()->get("a").identity(), tree.dictionary()->get("b").identity()) << level;
            }
            tree = tree.dictionary()->get("a");
        }
        EXPECT_EQ(tree.toStdString(), "bottom");
    }
}

}  // namespace
}  // namespace vantrel::test
