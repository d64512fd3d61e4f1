// `vantrel-tool plist dump` on property lists and keyed archives from other software: its JSON
// must hold what plistlib reads from each file (make_fixtures.py --check-dump compares them).

#include "platform/plist/BinaryPlist.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace vantrel::test {
namespace {

QString fixturePath(const char* name) { return QStringLiteral(VANTREL_TEST_DATA_DIR "/plist/") + QLatin1String(name); }

struct Outcome {
    int status;
    QByteArray out, err;
};

Outcome run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

Outcome dump(const char* name, bool json = true) {
    QStringList args{QStringLiteral("plist"), QStringLiteral("dump"), fixturePath(name)};
    if (json) args.prepend(QStringLiteral("--json"));
    return run(QStringLiteral(VANTREL_TOOL_PATH), args);
}

TEST(PlistDump, JsonHoldsWhatPlistlibReads) {
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) GTEST_SKIP() << "python3 not installed";
    TempDir dir;
    for (const char* name : {"types.bplist", "types.xml", "archive.bplist", "archive.xml", "foreign_archive.bplist",
                             "foreign_archive.xml", "wide_values.bplist", "wide_values.xml", "number_keys.bplist",
                             "utf16le.xml", "utf16be.xml", "utf8bom.xml", "big_integers.bplist"}) {
        Outcome ours = dump(name);
        ASSERT_EQ(ours.status, 0) << name << ": " << ours.err.toStdString();
        QString printed = dir.file(QStringLiteral("dump.json"));
        QFile file(printed);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(ours.out);
        file.close();
        Outcome check = run(python, {QStringLiteral(VANTREL_TEST_DATA_DIR "/plist/make_fixtures.py"), QStringLiteral("--check-dump"),
                                 fixturePath(name), printed});
        EXPECT_EQ(check.out.trimmed().toStdString(), "same") << name << ": " << check.err.toStdString();
    }
}

TEST(PlistDump, PrintsExactIntegersAndDatesWithMicroseconds) {
    Outcome wide = dump("wide_values.bplist");
    ASSERT_EQ(wide.status, 0) << wide.err.toStdString();
    for (const char* text : {"\n    18446744073709551615,\n", "\n    9223372036854775808,\n", "\n    -9223372036854775808,\n",
                             "\"0001-01-01T00:00:00.000000Z\"", "\"9999-12-31T23:59:59.000000Z\"",
                             "\"precise\": \"2021-06-30T12:34:56.123456Z\""})
        EXPECT_TRUE(wide.out.contains(text)) << text << " in\n" << wide.out.toStdString();
    EXPECT_FALSE(wide.out.contains("18446744073709551616"));
    // XML dates of far years read the same instants.
    Outcome xml = dump("wide_values.xml");
    EXPECT_EQ(xml.out.left(xml.out.indexOf("\"precise\"")), wide.out.left(wide.out.indexOf("\"precise\"")));
}

TEST(PlistDump, ArchivesShowTheirRootOrEveryTopKey) {
    // Only "root": the root object itself, as the dump has always shown it.
    Outcome root = dump("archive.bplist");
    ASSERT_EQ(root.status, 0) << root.err.toStdString();
    EXPECT_TRUE(root.out.startsWith("[\n  {\n    \"waypoint_id\": \"LFPG\"")) << root.out.toStdString();
    Outcome foreign = dump("foreign_archive.bplist");
    ASSERT_EQ(foreign.status, 0) << foreign.err.toStdString();
    for (const char* text : {"\"settings\": {", "\"shapes\": [", "\"version\": 3", "\"$class\": \"VTNode\"", "\"$ref\": 6",
                             "\"none\": null", "\"big\": 18446744073709551615"})
        EXPECT_TRUE(foreign.out.contains(text)) << text << " in\n" << foreign.out.toStdString();
    // The text form shows the same graph.
    Outcome text = dump("foreign_archive.xml", false);
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains("$class = VTPoint;")) << text.out.toStdString();
}

TEST(PlistDump, DamagedFilesFailWithAReason) {
    TempDir dir;
    QString path = dir.file(QStringLiteral("damaged.plist"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QFile original(fixturePath("foreign_archive.bplist"));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    // Point the trailer's top object past the last object.
    bytes[bytes.size() - 10] = '\x7f';
    file.write(bytes);
    file.close();
    Outcome damaged = run(QStringLiteral(VANTREL_TOOL_PATH), {QStringLiteral("plist"), QStringLiteral("dump"), path});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_TRUE(damaged.err.contains("is not a property list")) << damaged.err.toStdString();
    // Each array holding the next twice: 40 objects, 2^40 values to print.
    platform::plist::BinaryPlistWriter w;
    platform::plist::BinaryPlistWriter::Id inner = w.addString("leaf");
    for (int level = 0; level < 40; ++level) {
        platform::plist::BinaryPlistWriter::Id twice[] = {inner, inner};
        inner = w.addArray(twice);
    }
    QFile wide(dir.file(QStringLiteral("wide.plist")));
    ASSERT_TRUE(wide.open(QIODevice::WriteOnly));
    wide.write(w.finish(inner));
    wide.close();
    Outcome refused = run(QStringLiteral(VANTREL_TOOL_PATH), {QStringLiteral("plist"), QStringLiteral("dump"), wide.fileName()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains("would not end")) << refused.err.toStdString();
    Outcome usage = run(QStringLiteral(VANTREL_TOOL_PATH), {QStringLiteral("plist"), QStringLiteral("dump")});
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(usage.err.contains("microseconds")) << usage.err.toStdString();
}

}  // namespace
}  // namespace vantrel::test
