// Airspace warnings in the real app, end to end: an OpenAir file in the documents' airspace folder,
// a recorded flight straight north at 3000 ft into a control zone, replayed at ten times its pace.
// The warning must come as "entering" with a time to go, turn to "inside", show as a banner on the
// screen in use, be logged, go quiet (but stay in the dump, acknowledged) after "OK", and go while
// the pilot's switch in the Airspace screen is off, coming back still acknowledged.

#include "waypoints/DatabaseFixture.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTime>
#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;

namespace {

constexpr double kStartLat = 46.0;  // the flight runs north along 7 E
constexpr double kNmPerDegree = 60.0;
// A circle of 10 NM whose edge is 5 NM north of the start: at 120 kt the aircraft is 2.5 minutes
// from it, enters after 2.5 minutes and is inside for 10 minutes.
const char* kAirspace =
    "* one control zone\n"
    "AC D\nAN TEST CTR\nAL GND\nAH 4500ft AMSL\nV X=46:15:00 N 007:00:00 E\nDC 10\n";

// One B record a second, flying north at 120 kt and 3000 ft for 14 minutes.
QByteArray northboundIgc() {
    QByteArray igc = "AXXX test\r\nHFDTEDATE:120626,01\r\n";
    for (int s = 0; s < 14 * 60; ++s) {
        const double lat = kStartLat + (120.0 / 3600.0) * s / kNmPerDegree;
        const int thousandths = int(std::lround((lat - 46.0) * 60000.0));
        igc += QStringLiteral("B%1%2%3N00700000EA0091400914\r\n")
                   .arg(QTime(10, 0).addSecs(s).toString("HHmmss"))
                   .arg(46, 2, 10, QChar('0'))
                   .arg(thousandths, 5, 10, QChar('0'))
                   .toLatin1();
    }
    return igc;
}

class AirspaceHome {
public:
    AirspaceHome() {
        db.writeStates({});
        db.writeCountry(QStringLiteral("Switzerland"), {test::makeRecord("SPR", 46.4687, 6.44806, 4, -1, "St-Prex")});
        QDir().mkpath(db.documentsDirectory() + "/airspace");
        write(db.documentsDirectory() + "/airspace/test.txt", kAirspace);
        write(home.file("north.igc"), northboundIgc());
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    test::ProgramRun run(const QString& script) const {
        const QString path = home.file("steps.vscript");
        write(path, script.toUtf8());
        return test::runProgram(QStringLiteral(VANTREL_APP_PATH),
                                {"--database", db.databaseDirectory(), "--documents", db.documentsDirectory(), "--script",
                                 path, "--gps", "igc:" + home.file("north.igc") + "@10x"},
                                test::appEnvironment(home.path(), defaultsFile()), 120000, home.path());
    }
    QString defaultsFile() const { return home.file("defaults.plist"); }
    QJsonObject dump(const QString& name) const {
        QFile file(home.file(name));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    test::TempDir home;
    test::DatabaseFixture db;
};

}  // namespace

TEST(AirspaceWarningsApp, EnteringThenInsideOnTheScreenSwitchedOffAndOnAndAcknowledged) {
    AirspaceHome home;
    QString script = "tap button \"Agree\"\n";
    for (int i = 0; i < 12; ++i) script += QStringLiteral("wait 2\ndump \"before-%1.json\"\n").arg(i);
    // Still inside (it lasts a minute at this pace): "OK" on the Airspace screen, whose banner
    // covers the switch, then the switch off and on.
    script += "tap tab \"More\"\ntap row \"Settings\"\ntap row \"Airspace\"\n"
              "tap button \"OK\"\ndump \"acknowledged.json\"\nwait 2\ndump \"later.json\"\n"
              "tap button \"Warnings\"\nwait 0.5\ndump \"off.json\"\n"
              "tap button \"Warnings\"\nwait 0.5\ndump \"on.json\"\nquit\n";
    const test::ProgramRun run = home.run(script);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();

    // Entering first (with its time to go), then inside; each shown as the top banner as it came.
    bool sawEntering = false, sawInside = false;
    for (int i = 0; i < 12; ++i) {
        const QJsonObject state = home.dump(QStringLiteral("before-%1.json").arg(i));
        const QJsonArray warnings = state["airspaceWarnings"].toArray();
        if (warnings.isEmpty()) {
            EXPECT_FALSE(sawEntering) << "the warning went before the aircraft left, at dump " << i;
            continue;
        }
        const QJsonObject w = warnings[0].toObject();
        EXPECT_EQ(w["name"].toString(), "TEST CTR");
        EXPECT_EQ(w["class"].toString(), "D");
        EXPECT_EQ(w["upper"].toString(), "4500 ft MSL");
        EXPECT_FALSE(w["groundTakenAsSeaLevel"].toBool());  // a floor at the ground needs no word
        const QJsonArray banners = state["banners"].toArray();
        ASSERT_FALSE(banners.isEmpty()) << "dump " << i;
        EXPECT_TRUE(banners[0].toString().startsWith("TEST CTR (D, GND - 4500 ft MSL): ")) << banners[0].toString().toStdString();
        if (w["kind"].toString() == "entering") {
            EXPECT_FALSE(sawInside) << "entering again after inside, at dump " << i;
            sawEntering = true;
            EXPECT_GT(w["secondsToEntry"].toDouble(), 0.0);
            EXPECT_LE(w["secondsToEntry"].toDouble(), 120.0);
        } else {
            EXPECT_EQ(w["kind"].toString(), "inside");
            sawInside = true;
        }
    }
    EXPECT_TRUE(sawEntering);
    ASSERT_TRUE(sawInside);
    EXPECT_TRUE(run.err.contains("Airspace warning: TEST CTR (D, GND - 4500 ft MSL): entering in ")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Airspace warning: TEST CTR (D, GND - 4500 ft MSL): inside"));

    // "OK": quiet while still inside, the warning kept in the dump as acknowledged.
    for (const char* name : {"acknowledged.json", "later.json"}) {
        const QJsonObject state = home.dump(name);
        const QJsonArray warnings = state["airspaceWarnings"].toArray();
        ASSERT_EQ(warnings.size(), 1) << name;
        EXPECT_EQ(warnings[0]["kind"].toString(), "inside") << name;
        EXPECT_TRUE(warnings[0]["acknowledged"].toBool()) << name;
        EXPECT_TRUE(state["banners"].toArray().isEmpty()) << name;
    }
    EXPECT_TRUE(run.err.contains("Airspace warning acknowledged: TEST CTR"));

    // Switched off: no warning at all; on again: still inside, still acknowledged, no banner.
    const QJsonObject off = home.dump("off.json");
    EXPECT_TRUE(off["airspaceWarnings"].toArray().isEmpty());
    const QJsonObject on = home.dump("on.json");
    ASSERT_EQ(on["airspaceWarnings"].toArray().size(), 1);
    EXPECT_TRUE(on["airspaceWarnings"][0]["acknowledged"].toBool());
    EXPECT_TRUE(on["banners"].toArray().isEmpty());
}
