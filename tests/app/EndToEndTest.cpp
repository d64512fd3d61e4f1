// The real app driven by scripts, as a pilot uses it: a first start that picks metric units,
// switches the disclaimer off and dismisses a country; a second start that shows no disclaimer
// and loads no waypoint of that country; "Disagree" ending the app; and scripts that fail.

#include "waypoints/DatabaseFixture.h"

#include "platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace vantrel;
using test::makeRecord;

namespace {
struct AppRun {
    int status = -1;
    QString out;
    QString err;
};

class AppHome {
public:
    AppHome() {
        db.writeStates({});
        db.writeCountry(QStringLiteral("France"), {makeRecord("LFPG", 49.0, 2.55)});
        db.writeCountry(QStringLiteral("Italy"), {makeRecord("LIRF", 41.8, 12.25)});
        db.writeCountry(QStringLiteral("Spain"), {makeRecord("LEMD", 40.47, -3.56)});
    }

    QString defaultsFile() const { return home.file("defaults.plist"); }
    QString documents() const { return db.documentsDirectory(); }

    AppRun run(const QString& script) const {
        const QString path = home.file("steps.vscript");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
        file.write(script.toUtf8());
        file.close();

        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VANTREL_DEFAULTS_FILE", defaultsFile());
        env.insert("XDG_CONFIG_HOME", home.file("config"));
        env.insert("XDG_DATA_HOME", home.file("data"));
        app.setProcessEnvironment(env);
        app.setWorkingDirectory(home.path());
        app.start(QStringLiteral(VANTREL_APP_PATH), {"--database", db.databaseDirectory(), "--documents", documents(),
                                                     "--script", path});
        AppRun result;
        if (!app.waitForFinished(60000)) {
            app.kill();
            app.waitForFinished();
        }
        result.status = app.exitStatus() == QProcess::NormalExit ? app.exitCode() : -1;
        result.out = QString::fromUtf8(app.readAllStandardOutput());
        result.err = QString::fromUtf8(app.readAllStandardError());
        return result;
    }

    platform::Value defaults(const char* key) const {
        platform::Value root = platform::plist::readFile(defaultsFile());
        return root.isDictionary() ? root.dictionary()->get(key) : platform::Value();
    }

    test::DatabaseFixture db;
    test::TempDir home;
};
}  // namespace

TEST(EndToEnd, ChoicesOfAFirstStartHoldAtTheNext) {
    AppHome home;
    AppRun first = home.run(
        "tap button \"Agree\"\n"
        "tap tab \"Settings\"\n"
        "tap row \"Metric\"\n"
        "tap button \"Show disclaimer at start\"\n"
        "tap tab \"Active Countries\"\n"
        "tap row \"Italy\"\n"
        "tap tab \"Database\"\n"
        "screenshot \"first.png\"\n"
        "quit\n");
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains("Screenshot: " + home.home.file("first.png")));
    EXPECT_TRUE(QFile::exists(home.home.file("first.png")));
    EXPECT_EQ(home.defaults("units").intValue(), 2);
    EXPECT_TRUE(home.defaults("disableDisclaimer").boolValue());
    platform::Value dismissed = platform::plist::readFile(home.documents() + "/DismissedCountries.plist");
    ASSERT_TRUE(dismissed.isArray());
    ASSERT_EQ(dismissed.array()->size(), 1u);
    EXPECT_EQ(dismissed.array()->at(0).toQString(), "Italy");

    // A covered tab bar would fail the first tap; France is loaded, Italy is not.
    AppRun second = home.run(
        "tap tab \"Settings\"\n"
        "tap tab \"Database\"\n"
        "tap row \"France  (1)\"\n"
        "tap row \"Italy  (1)\"\n"
        "quit\n");
    EXPECT_EQ(second.status, 1);
    EXPECT_TRUE(second.err.contains("line 4 (tap row \"Italy  (1)\") failed: no row showing \"Italy  (1)\""))
        << second.err.toStdString();
    EXPECT_EQ(home.defaults("units").intValue(), 2);
}

TEST(EndToEnd, DisagreeEndsTheAppAtOnceAndWritesNothing) {
    AppHome home;
    AppRun run = home.run("tap button \"Disagree\"\nwait 5\nscreenshot \"late.png\"\n");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(home.defaultsFile()));
    EXPECT_FALSE(QFile::exists(home.documents() + "/DismissedCountries.plist"));
    EXPECT_FALSE(QFile::exists(home.home.file("late.png")));
}

TEST(EndToEnd, AScriptThatFindsNothingOrCannotBeReadFails) {
    AppHome home;
    AppRun missing = home.run("tap tab \"Radar\"\nquit\n");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("line 1 (tap tab \"Radar\") failed"));
    // The disclaimer covers the tabs at a first start.
    EXPECT_TRUE(missing.err.contains("no tab titled \"Radar\"") || missing.err.contains("covered"));

    AppRun wrong = home.run("tap tab \"Settings\"\nwait soon\n");
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.err.contains("line 2: \"soon\" is not a number")) << wrong.err.toStdString();
    EXPECT_FALSE(wrong.err.contains("Init GPS manager"));
}
