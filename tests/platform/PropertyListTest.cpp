#include "PlistTestSupport.h"

#include "platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <unistd.h>

namespace vantrel::test {
namespace {

using platform::Array;
using platform::Value;
namespace plist = platform::plist;

Value integers(std::initializer_list<int64_t> values) {
    platform::ArrayPtr a = Array::create();
    for (int64_t v : values) a->append(Value::integer(v));
    return Value(a);
}

// What make_fixtures.py's every_type() holds; XML plists keep dates in whole seconds.
Value everyType(bool fractionalSeconds) {
    QByteArray bytes(256, 0);
    for (int i = 0; i < 256; ++i) bytes[i] = char(i);
    return dict({
        {"ascii", "Hello, world"},
        {"unicode", "Z\u00fcrich \u2708 \U0001d11e"},
        {"empty_string", ""},
        {"long_text", std::string(300, 'x')},
        {"integers", integers({0, 1, 255, 256, 65535, 65536, 4294967295, 4294967296, -1, -1000, INT64_MAX, INT64_MIN})},
        {"reals", list({Value::real(0.1), Value::real(-2.5), Value::real(1e300), Value::real(3.0)})},
        {"yes", Value::boolean(true)},
        {"no", Value::boolean(false)},
        {"date", Value::date(fractionalSeconds ? 1625056496.25 : 1625056496.0)},
        {"old_date", Value::date(-14182940.0)},
        {"data", Value::data(bytes)},
        {"empty_data", Value::data({})},
        {"nested", dict({{"a", list({Value::integer(1), list({Value::integer(2), list({Value::integer(3), dict({{"deep", "yes"}})})})})}})},
        {"empty_array", list({})},
        {"empty_dict", dict({})},
        {"long_array", integers({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19})},
    });
}

TEST(PropertyList, ReadsPlistlibFilesOfEveryType) {
    QString error;
    EXPECT_TRUE(identical(everyType(true), plist::parse(fixture("types.bplist"), &error))) << error.toStdString();
    EXPECT_TRUE(identical(everyType(false), plist::parse(fixture("types.xml"), &error))) << error.toStdString();
    // Past 64 bits signed (16-byte integers): exact unsigned integers up to 2^64 - 1.
    EXPECT_TRUE(identical(list({Value::unsignedInteger(18446744073709551615ull), Value::unsignedInteger(9223372036854775808ull),
                                Value::integer(INT64_MIN)}),
                          plist::parse(fixture("big_integers.bplist"))));
}

TEST(PropertyList, WrittenFilesReadBackTheSame) {
    Value graph = generatedGraph(3000);
    for (plist::Format format : {plist::Format::Xml, plist::Format::Binary}) {
        QByteArray bytes = format == plist::Format::Xml ? plist::toXml(graph) : plist::toBinary(graph);
        QString error;
        Value back = plist::parse(bytes, &error);
        EXPECT_TRUE(identical(graph, back)) << error.toStdString();
        // A record held twice is one object in binary (and two equal copies in XML).
        const auto& items = back.array()->items();
        EXPECT_EQ(items[8].identity() == items[9].identity(), format == plist::Format::Binary);
    }
    EXPECT_TRUE(identical(everyType(false), plist::parse(plist::toXml(everyType(false)))));
    EXPECT_TRUE(identical(everyType(true), plist::parse(plist::toBinary(everyType(true)))));
}

TEST(PropertyList, BinaryWriterStoresEqualTextsOnce) {
    platform::ArrayPtr records = Array::create();
    for (int i = 0; i < 1000; ++i) records->append(dict({{"name", "same"}, {"n", Value::integer(7)}}));
    QByteArray bytes = plist::toBinary(Value(records));
    // Objects: the array, 1000 dictionaries, "name", "same", "n" and 7.
    uint64_t count = 0;
    for (int i = 0; i < 8; ++i) count = count << 8 | uint8_t(bytes[bytes.size() - 24 + i]);
    EXPECT_EQ(count, 1005u);
}

TEST(PropertyList, RefusesValuesAFormCannotHold) {
    platform::ArrayPtr loop = Array::create();
    loop->append(Value(loop));
    QString error;
    EXPECT_TRUE(plist::toBinary(Value(loop), &error).isEmpty());
    EXPECT_TRUE(error.contains("contains itself")) << error.toStdString();
    EXPECT_TRUE(plist::toXml(Value(loop), &error).isEmpty());
    loop->clear();  // break the cycle so the array is freed

    EXPECT_TRUE(plist::toXml(list({Value()}), &error).isEmpty());
    EXPECT_TRUE(plist::toXml(Value::date(-3e9), &error).isEmpty());
    EXPECT_TRUE(error.contains("outside the years")) << error.toStdString();
    // A null in a dictionary is an absent entry in XML; binary keeps it.
    EXPECT_TRUE(identical(dict({{"a", "b"}}), plist::parse(plist::toXml(dict({{"a", "b"}, {"gone", Value()}})))));
    EXPECT_TRUE(identical(list({Value(), "x"}), plist::parse(plist::toBinary(list({Value(), "x"})))));
}

TEST(PropertyList, XmlKeepsNegativeIntegersAndWholeSecondsOfDates) {
    Value v = list({Value::integer(-5), Value::integer(INT64_MIN), Value::date(1000.75), Value::date(-0.5)});
    EXPECT_TRUE(identical(list({Value::integer(-5), Value::integer(INT64_MIN), Value::date(1000.0), Value::date(-1.0)}),
                          plist::parse(plist::toXml(v))));
    // libplist cannot read this date; the reader takes it from the text.
    LogCapture log;
    Value far = plist::parse("<plist><date>4001-01-01T00:00:00Z</date></plist>");
    EXPECT_EQ(far.type(), platform::ValueType::Date);
    EXPECT_EQ(far.realPayload(), double(QDateTime(QDate(4001, 1, 1), QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch()));
    EXPECT_FALSE(log.contains("outside the years"));
}

TEST(PropertyList, WriteFileIsAtomicAndReportsFailures) {
    TempDir dir;
    QString path = dir.file("flights.plist");
    QString error;
    ASSERT_TRUE(plist::writeFile(path, everyType(false), plist::Format::Xml, &error)) << error.toStdString();
    EXPECT_TRUE(identical(everyType(false), plist::readFile(path)));
    ASSERT_TRUE(plist::writeFile(path, everyType(true), plist::Format::Binary));
    EXPECT_TRUE(identical(everyType(true), plist::readFile(path)));
    QByteArray before;
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        before = f.readAll();
    }

    // A value that cannot be written leaves the old file as it was.
    platform::ArrayPtr loop = Array::create();
    loop->append(Value(loop));
    EXPECT_FALSE(plist::writeFile(path, Value(loop), plist::Format::Binary, &error));
    loop->clear();

    EXPECT_FALSE(plist::writeFile(dir.file("missing/x.plist"), everyType(false), plist::Format::Xml, &error));
    EXPECT_TRUE(error.contains("does not exist")) << error.toStdString();
    EXPECT_FALSE(plist::writeFile(QStringLiteral("/proc/vantrel-test.plist"), everyType(false), plist::Format::Xml, &error));
    EXPECT_FALSE(error.isEmpty());
    if (geteuid() != 0) {  // root writes into read-only folders anyway
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(plist::writeFile(path, everyType(false), plist::Format::Xml, &error));
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary left behind
}

TEST(PropertyList, ReadFileTellsAbsentFromDamaged) {
    TempDir dir;
    LogCapture log;
    QString error;
    EXPECT_TRUE(plist::readFile(dir.file("absent.plist"), &error).isNull());
    EXPECT_TRUE(error.contains("does not exist"));
    EXPECT_TRUE(log.lines().isEmpty());

    QFile damaged(dir.file("damaged.plist"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(fixture("types.xml").left(500));
    damaged.close();
    EXPECT_TRUE(plist::readFile(damaged.fileName(), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(log.contains("Property list unreadable"));
}

TEST(PropertyList, XmlNestingBeyondTheLimitIsRefused) {
    // libplist's own parser would overflow the stack on this.
    QByteArray deep = "<?xml version=\"1.0\"?><plist version=\"1.0\">" + QByteArray("<array>").repeated(300000) +
                      QByteArray("</array>").repeated(300000) + "</plist>";
    LogCapture log;
    QString error;
    EXPECT_TRUE(plist::parse(deep, &error).isNull());
    EXPECT_TRUE(error.contains("nested deeper")) << error.toStdString();
}

TEST(PropertyList, PlistlibReadsOurBinaryAsItReadsItsOwn) {
    TempDir dir;
    QString ours = dir.file("ours.bplist");
    ASSERT_TRUE(plist::writeFile(ours, plist::readFile(fixturePath("types.bplist")), plist::Format::Binary));
    std::optional<QString> theirs = plistlibDump({QStringLiteral("--dump"), fixturePath("types.bplist")});
    if (!theirs) GTEST_SKIP() << "python3 not installed";
    EXPECT_EQ(plistlibDump({QStringLiteral("--dump"), ours}), theirs);
}

}  // namespace
}  // namespace vantrel::test
