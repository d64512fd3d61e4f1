// The real app driven by scripts, as a pilot uses it: a first start that picks metric units,
// switches the disclaimer off and dismisses a country; a second start that shows no disclaimer
// and loads no waypoint of that country; "Disagree" ending the app; scripts that fail; and a
// logger's climb replayed with bearings from magnetic north, its altitudes in the dumps.

#include "waypoints/DatabaseFixture.h"

#include "platform/plist/PropertyList.h"
#include "positioning/Geodesy.h"
#include "positioning/MagneticModel.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

    AppRun run(const QString& script, const QStringList& extraArguments = {}) const {
        const QString path = home.file("steps.vscript");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
        file.write(script.toUtf8());
        file.close();

        const test::ProgramRun app = test::runProgram(
            QStringLiteral(VANTREL_APP_PATH),
            QStringList{"--database", db.databaseDirectory(), "--documents", documents(), "--script", path} + extraArguments,
            test::appEnvironment(home.path(), defaultsFile()), 60000, home.path());
        return {app.status, QString::fromUtf8(app.out), QString::fromUtf8(app.err)};
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
        "tap tab \"More\"\n"
        "tap row \"Settings\"\n"
        "tap row \"Metric\"\n"
        "tap button \"Show disclaimer at start\"\n"
        "tap tab \"More\"\n"
        "tap row \"Active Countries\"\n"
        "tap row \"Italy\"\n"
        "tap tab \"VOR 1\"\n"
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
        "tap tab \"Map\"\n"
        "tap tab \"VOR 1\"\n"
        "tap button \"Select\"\n"
        "tap row \"France\"\n"
        "tap row \"Italy\"\n"
        "quit\n");
    EXPECT_EQ(second.status, 1);
    EXPECT_TRUE(second.err.contains("line 5 (tap row \"Italy\") failed: no row showing \"Italy\""))
        << second.err.toStdString();
    EXPECT_EQ(home.defaults("units").intValue(), 2);
}

// The instruments keep their waypoint and course across a restart, and a rearranged tab bar too:
// the settings written at the end of the first run are what the second run shows.
TEST(EndToEnd, InstrumentsAndTabsAreAsTheyWereLeft) {
    AppHome home;
    AppRun first = home.run(
        "tap button \"Agree\"\n"
        "tap tab \"VOR 1\"\n"
        "tap button \"Select\"\n"
        "tap row \"France\"\n"
        "tap row \"LFPG, LFPG\"\n"
        "tap button \"Select\"\n"
        "drag on primaryVOR 250 200 250 170\n"
        "tap button \"+1°\"\n"
        "tap tab \"More\"\n"
        "tap button \"Edit\"\n"
        "drag 224 455 32 455\n"
        "tap button \"Done\"\n"
        "dump \"first.json\"\n"
        "quit\n");
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    const platform::Value saved = home.defaults("VOR 1");
    ASSERT_TRUE(saved.isDictionary());
    EXPECT_EQ(saved.dictionary()->get("waypoint").dictionary()->get("waypoint_id").toQString(), "LFPG");
    EXPECT_FLOAT_EQ(saved.dictionary()->get("ringAngle").floatValue(), 16.0f);
    for (const char* title : {"VOR 1", "ADF", "Compass", "Map", "VOR 2"}) EXPECT_TRUE(home.defaults(title).isDictionary()) << title;
    const platform::Value layout = home.defaults("instrumentsLayout");
    ASSERT_TRUE(layout.isArray());
    ASSERT_EQ(layout.array()->size(), 10u);

    AppRun second = home.run("wait 0.2\ndump \"second.json\"\nquit\n");
    ASSERT_EQ(second.status, 0) << second.err.toStdString();
    QFile file(home.home.file("second.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonObject vor = state["primaryVOR"].toObject();
    EXPECT_EQ(vor["waypoint_id"].toString(), "LFPG");
    EXPECT_DOUBLE_EQ(vor["ringAngle"].toDouble(), 16.0);
    EXPECT_EQ(vor["labels"].toObject()["poiName"].toString(), "LFPG, LFPG");
    QStringList tabs;
    for (const QJsonValue& title : state["tabs"].toObject()["titles"].toArray()) tabs << title.toString();
    QStringList stored;
    for (const platform::Value& title : *layout.array()) stored << title.toQString();
    EXPECT_EQ(tabs, stored);
    EXPECT_TRUE(state.contains("location"));
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

// A logger's climb out of Sion replayed at five times its pace, North set to Magnetic in Settings,
// VOR 1 pointed at a station declared 2 degrees east: the dump holds the fix's altitudes and the
// climb, and every instrument the variation it uses.
TEST(EndToEnd, AReplayedClimbShowsItsAltitudesAndMagneticBearings) {
    AppHome home;
    platform::Value spr = makeRecord("SPR", 46.4687, 6.44806, 4, -1, "St-Prex");
    spr.dictionary()->set("waypoint_magnetic_variation", platform::Value::real(2.0));
    home.db.writeCountry(QStringLiteral("Switzerland"), {spr});
    AppRun run = home.run(
        "tap button \"Agree\"\n"
        "tap tab \"More\"\n"
        "tap row \"Settings\"\n"
        "tap row \"Magnetic\"\n"
        "tap tab \"VOR 1\"\n"
        "tap button \"Select\"\n"
        "tap row \"Switzerland\"\n"
        "tap row \"SPR, St-Prex\"\n"
        "tap button \"Select\"\n"
        "wait 4\n"
        "dump \"climb.json\"\n"
        "quit\n",
        {"--gps", QStringLiteral("igc:" VANTREL_TEST_DATA_DIR "/positioning/sion-climb.igc@5x")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(home.defaults("north").toQString(), "magnetic");
    QFile file(home.home.file("climb.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(state["north"].toString(), "magnetic");

    const QJsonObject location = state["location"].toObject();
    ASSERT_FALSE(location.isEmpty()) << "the replay ended before the dump";
    const double altitude = location["altitude"].toDouble(), lat = location["latitude"].toDouble(),
                 lon = location["longitude"].toDouble();
    EXPECT_GE(altitude, 482.0);
    EXPECT_LE(altitude, 1177.0);
    // Both altitudes are those of the file's B record at the dumped position (the file's pressure
    // altitude runs 34 to 36 m under its GNSS altitude, rounded to whole metres).
    std::optional<double> recordedPressure;
    QFile igc(QStringLiteral(VANTREL_TEST_DATA_DIR "/positioning/sion-climb.igc"));
    ASSERT_TRUE(igc.open(QIODevice::ReadOnly));
    while (!igc.atEnd()) {
        const QByteArray b = igc.readLine();
        if (!b.startsWith('B') || b.size() < 35) continue;
        const double recordLat = b.mid(7, 2).toDouble() + b.mid(9, 5).toDouble() / 60000.0;
        const double recordLon = b.mid(15, 3).toDouble() + b.mid(18, 5).toDouble() / 60000.0;
        if (std::abs(recordLat - lat) < 1e-6 && std::abs(recordLon - lon) < 1e-6 && b.mid(30, 5).toDouble() == altitude)
            recordedPressure = b.mid(25, 5).toDouble();
    }
    ASSERT_TRUE(recordedPressure) << "no B record at the dumped position and altitude";
    EXPECT_EQ(location["pressureAltitude"].toDouble(), *recordedPressure);
    // The file climbs at 2.5 m/s from its 21st second; the altitudes are whole metres.
    if (altitude > 482.0 + 15.0) {
        EXPECT_NEAR(location["verticalSpeed"].toDouble(), 2.5, 0.2);
    }

    const double year = positioning::MagneticModel::decimalYear(location["timestamp"].toDouble());
    const double here = positioning::MagneticModel::builtIn()->declination(lat, lon, altitude, year);
    const QJsonObject vor = state["primaryVOR"].toObject();
    EXPECT_EQ(vor["waypoint_id"].toString(), "SPR");
    EXPECT_EQ(vor["magneticVariation"].toDouble(), 2.0);
    const float trueBearing = positioning::Geodesy::calcAngle({float(lon), float(lat)}, {6.44806f, 46.4687f});
    EXPECT_NEAR(vor["angleToReference"].toDouble(), std::trunc(trueBearing - 2.0), 1.0);
    for (const char* name : {"primaryADF", "sharedCompassView", "sharedView"}) {
        const QJsonObject instrument = state[name].toObject();
        if (instrument.isEmpty()) continue;  // not made yet
        EXPECT_NEAR(instrument["magneticVariation"].toDouble(), here, 0.05) << name;
    }
    const QJsonObject compass = state["sharedCompassView"].toObject();
    if (!compass.isEmpty()) {
        EXPECT_TRUE(compass["labels"].toObject()["trackLabel"].toString().endsWith("°M"));
        EXPECT_EQ(compass["labels"].toObject()["altitudeLabel"].toString(),
                  QString::asprintf("%.0f ft", std::round(altitude * 3.278)));
    }
}
