// The store of the pilot's airspace files and vantrel-tool's airspace commands: import, a second
// import refused without --replace (the loaded file left as it was), a file that is not OpenAir
// refused, the per-file switch kept in the user defaults across a restart, and the at/list answers
// as JSON, run as a program on the test files.

#include "AirspaceTestSupport.h"

#include "airspace/AirspaceStore.h"
#include "platform/core/DocumentsLock.h"
#include "platform/core/UserDefaults.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::airspace;

namespace {

using ToolRun = test::ProgramRun;

ToolRun tool(const QString& documents, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VANTREL_DEFAULTS_FILE"), documents + QStringLiteral("/defaults.plist"));
    return test::runProgram(QStringLiteral(VANTREL_TOOL_PATH), QStringList{QStringLiteral("--documents"), documents} + args, env);
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

TEST(AirspaceStore, ImportsKeepsWhatIsLoadedAndRemembersTheSwitches) {
    test::TempDir home;
    platform::UserDefaults defaults(home.file("defaults.plist"));
    const QString folder = home.file("airspace");
    AirspaceStore store(folder, &defaults);

    // Two files of the same name: the second is refused without replace and leaves the first.
    const QString geneva = test::airspaceFixture("geneva.txt");
    const QString other = home.file("incoming/geneva.txt");
    QDir().mkpath(home.file("incoming"));
    writeFile(other, "AC R\nAN ONLY ONE\nAL GND\nAH FL50\nV X=46:00:00 N 006:00:00 E\nDC 1\n");
    struct Step {
        QString path;
        bool replace;
        AirspaceStore::Outcome outcome;
        int airspaces;
        QByteArray kept;  // what the folder's file holds afterwards
    };
    const QByteArray genevaBytes = contents(geneva);
    const QByteArray otherBytes = contents(other);
    const Step steps[] = {
        {geneva, false, AirspaceStore::Outcome::Imported, 11, genevaBytes},
        {other, false, AirspaceStore::Outcome::Exists, 1, genevaBytes},
        {other, true, AirspaceStore::Outcome::Replaced, 1, otherBytes},
        {geneva, true, AirspaceStore::Outcome::Replaced, 11, genevaBytes},
        {test::airspaceFixture("../navplans/gpx10-route.gpx"), false, AirspaceStore::Outcome::NothingRead, 0, {}},
        {home.file("missing.txt"), false, AirspaceStore::Outcome::Failed, 0, {}},
    };
    for (const Step& s : steps) {
        const AirspaceStore::ImportResult r = store.importFile(s.path, s.replace);
        EXPECT_EQ(r.outcome, s.outcome) << s.path.toStdString();
        EXPECT_EQ(r.airspaces, s.airspaces) << s.path.toStdString();
        if (!s.kept.isEmpty()) {
            EXPECT_EQ(contents(folder + "/geneva.txt"), s.kept) << s.path.toStdString();
        }
    }
    EXPECT_EQ(store.fileNames(), QStringList{"geneva.txt"});  // nothing left of the refused ones
    ASSERT_EQ(store.importFile(test::airspaceFixture("sample-400.txt"), false).outcome, AirspaceStore::Outcome::Imported);

    // Both on: both in the index. The switch off for one survives a restart and takes it out.
    LoadedAirspaces loaded = store.load();
    EXPECT_EQ(loaded.index->size(), 411u);
    store.setEnabled("sample-400.txt", false);
    EXPECT_TRUE(store.warningsEnabled());  // on until the pilot turns them off
    store.setWarningsEnabled(false);
    platform::UserDefaults restarted(home.file("defaults.plist"));
    AirspaceStore again(folder, &restarted);
    EXPECT_FALSE(again.isEnabled("sample-400.txt"));
    EXPECT_TRUE(again.isEnabled("geneva.txt"));
    EXPECT_FALSE(again.warningsEnabled());  // the files' switches kept beside it
    loaded = again.load();
    EXPECT_EQ(loaded.index->size(), 11u);
    ASSERT_EQ(loaded.files.size(), 2u);
    EXPECT_EQ(loaded.files[1].fileName, "sample-400.txt");
    EXPECT_FALSE(loaded.files[1].enabled);
    EXPECT_EQ(loaded.files[1].airspaces, 400);  // counted even while off
    EXPECT_EQ(loaded.index->containing(46.2381, 6.1089, 2000.0).size(), 1u);  // Geneva CTR

    // The library hands the load to other threads whole.
    AirspaceLibrary library;
    EXPECT_EQ(library.current().index->size(), 0u);
    library.loadFrom(again);
    EXPECT_EQ(library.current().index->size(), 11u);
}

TEST(AirspaceCommands, ImportListAndAtAsAPilotWould) {
    test::TempDir documents;
    ToolRun r = tool(documents.path(), {"airspace", "import", test::airspaceFixture("geneva.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "imported geneva.txt: 11 airspaces read, 0 skipped, 0 lines skipped\n");
    r = tool(documents.path(), {"airspace", "import", test::airspaceFixture("geneva.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("geneva.txt is already loaded; not replaced without --replace")) << r.err.toStdString();
    r = tool(documents.path(), {"airspace", "import", test::airspaceFixture("damaged-latin1.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "imported damaged-latin1.txt: 2 airspaces read, 5 skipped, 5 lines skipped\n");
    EXPECT_TRUE(r.err.contains("damaged-latin1.txt: line 17") || r.err.contains("line 17: point")) << r.err.toStdString();

    r = tool(documents.path(), {"airspace", "list", "--json"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray files = QJsonDocument::fromJson(r.out).object()["files"].toArray();
    ASSERT_EQ(files.size(), 2) << r.out.toStdString();
    EXPECT_EQ(files[0].toObject()["file"].toString(), "damaged-latin1.txt");
    EXPECT_EQ(files[0].toObject()["skippedAirspaces"].toInt(), 5);
    EXPECT_EQ(files[1].toObject()["airspaces"].toInt(), 11);
    EXPECT_TRUE(files[1].toObject()["enabled"].toBool());

    // Over Geneva's runway: the CTR, and the two TMAs above it; with a height, only the one there.
    struct Case {
        QStringList where;
        QStringList names;  // in file order
    };
    const Case cases[] = {
        {{"46.2381", "6.1089"}, {"GENEVA CTR", "GENEVA TMA 1", "GENEVA TMA 2"}},
        {{"46.2381", "6.1089", "2000"}, {"GENEVA CTR"}},
        {{"46.2381", "6.1089", "12000"}, {"GENEVA TMA 2"}},
        {{"46.30", "6.30", "6000"}, {"GENEVA TMA 1"}},
        {{"47.49", "8.62"}, {"Z\u00fcrich CTR"}},
        {{"0", "0"}, {}},
    };
    for (const Case& c : cases) {
        r = tool(documents.path(), QStringList{"--json", "airspace", "at"} + c.where);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonArray found = QJsonDocument::fromJson(r.out).object()["airspaces"].toArray();
        QStringList names;
        for (const QJsonValue& v : found) names << v.toObject()["name"].toString();
        EXPECT_EQ(names, c.names) << c.where.join(' ').toStdString() << "\n" << r.out.toStdString();
    }
    r = tool(documents.path(), {"airspace", "at", "46.2381", "6.1089", "2000", "--json"});
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object()["airspaces"].toArray()[0].toObject(),
              (QJsonObject{{"name", "GENEVA CTR"}, {"class", "D"}, {"lower", "GND"}, {"upper", "4500 ft MSL"}}));
    EXPECT_EQ(tool(documents.path(), {"airspace", "at", "north", "6"}).status, 2);

    // Switched off, a file's airspaces are no longer found; back on, they are.
    for (const char* state : {"off", "on"}) {
        ASSERT_EQ(tool(documents.path(), {"airspace", state, "geneva.txt"}).status, 0);
        r = tool(documents.path(), {"--json", "airspace", "at", "46.2381", "6.1089"});
        EXPECT_EQ(QJsonDocument::fromJson(r.out).object()["airspaces"].toArray().size(), state[1] == 'f' ? 0 : 3) << state;
    }
    EXPECT_EQ(tool(documents.path(), {"airspace", "off", "nothing.txt"}).status, 1);

    // While the app holds the documents, the writes refuse and say so; the reads go on.
    platform::DocumentsLock app(documents.path());
    ASSERT_TRUE(app.held());
    for (const QStringList& write : {QStringList{"airspace", "import", test::airspaceFixture("sample-400.txt")},
                                     QStringList{"airspace", "off", "geneva.txt"}}) {
        r = tool(documents.path(), write);
        EXPECT_EQ(r.status, 1) << write.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("Vantrel is running on the documents")) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(documents.file("airspace/sample-400.txt")));
    r = tool(documents.path(), {"--json", "airspace", "at", "46.2381", "6.1089"});
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object()["airspaces"].toArray().size(), 3);  // still on
}
