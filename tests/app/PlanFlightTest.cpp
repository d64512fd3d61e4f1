// A plan flown in the real app, end to end: the demo flight's own route LSGG - LSGL - LSMP - LSGE -
// LSGS - LFLP as a plan, the demo flight recorded to an IGC file and replayed at speed. The first
// run flies the plan from its editor, takes VOR 1 away from the plan by choosing a waypoint and
// gives it back, steps to the next leg and back from the map's pane, and quits in the middle of the flight; the second run resumes the stored leg and
// flies on to "Arrived". Every dump must show VOR 1, the ADF and the map pointing at the active
// waypoint, VOR 1's ring on the leg's course, and the waypoints passed in the plan's order.

#include "waypoints/DatabaseFixture.h"

#include "navigation/PlanNavigator.h"
#include "navplans/NavPlanKeys.h"
#include "navplans/NavPlanStore.h"
#include "platform/plist/PropertyList.h"
#include "positioning/sources/SimulatorSource.h"
#include "support/TestSupport.h"

#include <QTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;
using platform::Value;

namespace {

const QStringList kRoute{"LSGG", "LSGL", "LSMP", "LSGE", "LSGS", "LFLP"};

// "B" records of the fixes, every second one at one-second steps (the flight at twice its speed),
// from the take-off until a minute past the last waypoint.
QByteArray demoFlightIgc() {
    std::vector<positioning::Fix> fixes;
    positioning::SimulatorSource simulator(positioning::SimulatorSource::fallbackRoute(), 7);
    positioning::PositionSource::Handlers handlers;
    handlers.fix = [&](const positioning::Fix& f) { fixes.push_back(f); };
    simulator.setHandlers(std::move(handlers));
    if (!simulator.setPacing(positioning::PositionSource::Pacing::AsFastAsPossible)) return {};
    simulator.startUpdatingLocation();
    const positioning::RoutePoint last = positioning::SimulatorSource::fallbackRoute().back();

    QByteArray igc = "AXXX demo\r\nHFDTEDATE:120626,01\r\nI013638FXA\r\n";
    size_t first = 0;
    while (first < fixes.size() && fixes[first].altitude.value_or(0) < fixes.front().altitude.value_or(0) + 30) ++first;
    int second = 0, afterLast = -1;
    for (size_t i = first; i < fixes.size() && afterLast < 60; i += 2, ++second) {
        const positioning::Fix& f = fixes[i];
        if (afterLast >= 0) ++afterLast;
        else if (navigation::distanceMetres(f.latitude, f.longitude, last.latitude, last.longitude) < 500) afterLast = 0;
        const QTime t = QTime(10, 0).addSecs(second);
        const auto dm = [](double degrees, int width) {
            const double a = std::fabs(degrees);
            const int whole = int(a);
            const int thousandths = int(std::lround((a - whole) * 60000.0));
            return QStringLiteral("%1%2").arg(whole, width, 10, QChar('0')).arg(thousandths, 5, 10, QChar('0'));
        };
        igc += QStringLiteral("B%1%2%3%4%5A%6%7005\r\n")
                   .arg(t.toString("HHmmss"), dm(f.latitude, 2), f.latitude < 0 ? "S" : "N", dm(f.longitude, 3),
                        f.longitude < 0 ? "W" : "E")
                   .arg(int(f.altitude.value_or(0)), 5, 10, QChar('0'))
                   .arg(int(f.altitude.value_or(0)), 5, 10, QChar('0'))
                   .toLatin1();
    }
    return igc;
}

class FlightHome {
public:
    FlightHome() {
        db.writeStates({});
        db.writeCountry(QStringLiteral("Switzerland"), {test::makeRecord("SPR", 46.4687, 6.44806, 4, -1, "St-Prex")});
        QFile igc(home.file("demo.igc"));
        if (igc.open(QIODevice::WriteOnly)) igc.write(demoFlightIgc());
    }

    bool writePlan() {
        navplans::NavPlanStore store(db.documentsDirectory() + "/navplans");
        platform::ArrayPtr wp = platform::Array::create();
        for (const positioning::RoutePoint& p : positioning::SimulatorSource::fallbackRoute()) {
            platform::DictionaryPtr w = platform::Dictionary::create(3);
            w->set(navplans::keys::waypointName, Value(p.name));
            w->set(navplans::keys::waypointLatitude, Value(QString::number(p.latitude, 'f', 6)));
            w->set(navplans::keys::waypointLongitude, Value(QString::number(p.longitude, 'f', 6)));
            wp->append(Value(w));
        }
        platform::DictionaryPtr plan = platform::Dictionary::create(2);
        plan->set(navplans::keys::waypointName, Value("Demo"));
        plan->set(navplans::keys::wp, Value(wp));
        return store.savePlan(plan, "Demo").ok();
    }

    // Runs the app on the replayed flight at 100 times its pace; answers its exit status.
    int run(const QString& script, QString* err) const {
        const QString path = home.file("steps.vscript");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return -1;
        file.write(script.toUtf8());
        file.close();
        const test::ProgramRun app = test::runProgram(
            QStringLiteral(VANTREL_APP_PATH),
            {"--database", db.databaseDirectory(), "--documents", db.documentsDirectory(), "--script", path, "--gps",
             "igc:" + home.file("demo.igc") + "@100x"},
            test::appEnvironment(home.path(), defaultsFile()), 120000, home.path());
        *err = QString::fromUtf8(app.err);
        return app.status;
    }

    QString defaultsFile() const { return home.file("defaults.plist"); }
    Value defaults(const char* key) const {
        Value root = platform::plist::readFile(defaultsFile());
        return root.isDictionary() ? root.dictionary()->get(key) : Value();
    }
    QJsonObject dump(const QString& name) const {
        QFile file(home.file(name));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
    }

    test::DatabaseFixture db;
    test::TempDir home;
};

// What must hold in every dump of a flight: the instruments that follow point at the active
// waypoint, VOR 1's ring on the leg's course (true north), the passed ones in route order.
void expectFollowing(const QJsonObject& state, const std::string& where) {
    const QJsonObject plan = state["activePlan"].toObject();
    ASSERT_FALSE(plan.isEmpty()) << where;
    const QString active = plan["waypoint_id"].toString();
    const QJsonObject following = plan["following"].toObject();
    if (!plan["arrived"].toBool()) {
        for (const auto& [instrument, follower] : {std::pair{"primaryVOR", "VOR 1"}, {"primaryADF", "ADF"}, {"sharedView", "Map"}}) {
            if (following[follower].toBool()) {
                EXPECT_EQ(state[instrument].toObject()["waypoint_id"].toString(), active) << where << " " << instrument;
            }
        }
        if (following["VOR 1"].toBool() && plan["legCourse"].isDouble()) {
            EXPECT_NEAR(state["primaryVOR"].toObject()["ringAngle"].toDouble(), plan["legCourse"].toDouble(), 0.01) << where;
        }
        EXPECT_EQ(plan["leg"].toInt(), kRoute.indexOf(active)) << where;
        EXPECT_TRUE(plan["paneText"].toString().startsWith(QStringLiteral("To %1 (%2/6) DIS ").arg(active).arg(plan["leg"].toInt() + 1)))
            << where << " " << plan["paneText"].toString().toStdString();
    }
    const QJsonArray passed = plan["passed"].toArray();
    for (qsizetype i = 1; i < passed.size(); ++i) {
        EXPECT_EQ(kRoute.indexOf(passed[i]["id"].toString()), kRoute.indexOf(passed[i - 1]["id"].toString()) + 1) << where;
        EXPECT_GT(passed[i]["time"].toDouble(), passed[i - 1]["time"].toDouble()) << where;
    }
}

}  // namespace

TEST(PlanFlight, TheDemoRouteIsFlownTakenBackGivenBackAndResumedAfterARestart) {
    FlightHome home;
    ASSERT_TRUE(home.writePlan());
    QString err;

    QString script =
        "tap button \"Agree\"\n"
        "tap tab \"Logbook\"\n"
        "tap button \"Plans\"\n"
        "tap row \"Demo\"\n"
        "tap button \"Fly\"\n"
        "tap tab \"VOR 1\"\n"
        "dump \"flying.json\"\n"
        "tap button \"Select\"\n"
        "tap row \"Switzerland\"\n"
        "tap row \"SPR, St-Prex\"\n"
        "tap button \"Select\"\n"
        "dump \"taken.json\"\n"
        "tap button \"Follow plan\"\n"
        "dump \"given.json\"\n"
        "tap tab \"Map\"\n"
        "tap button \"Next\"\n"
        "dump \"next.json\"\n"
        "tap button \"Previous\"\n"
        "dump \"previous.json\"\n";
    for (int i = 0; i < 5; ++i) script += QStringLiteral("wait 1.5\ndump \"first-%1.json\"\n").arg(i);
    script += "quit\n";
    ASSERT_EQ(home.run(script, &err), 0) << err.toStdString();

    const QJsonObject flying = home.dump("flying.json");
    expectFollowing(flying, "flying");
    EXPECT_EQ(flying["activePlan"]["name"].toString(), "Demo");

    const QJsonObject taken = home.dump("taken.json");
    EXPECT_EQ(taken["primaryVOR"]["waypoint_id"].toString(), "SPR");
    EXPECT_FALSE(taken["activePlan"]["following"]["VOR 1"].toBool());
    EXPECT_TRUE(taken["activePlan"]["following"]["ADF"].toBool());
    expectFollowing(taken, "taken");

    const QJsonObject given = home.dump("given.json");
    EXPECT_TRUE(given["activePlan"]["following"]["VOR 1"].toBool());
    expectFollowing(given, "given");
    // The pilot's Next and Previous move the leg by one; a waypoint passed meanwhile moves the
    // leg and the passed list together, so their difference tells the pilot's steps apart.
    const auto ownSteps = [](const QJsonObject& state) {
        const QJsonObject plan = state.value("activePlan").toObject();
        return plan.value("leg").toInt() - int(plan.value("passed").toArray().size());
    };
    const QJsonObject next = home.dump("next.json"), previous = home.dump("previous.json");
    expectFollowing(next, "next");
    expectFollowing(previous, "previous");
    EXPECT_EQ(ownSteps(next), ownSteps(given) + 1);
    EXPECT_EQ(ownSteps(previous), ownSteps(given));
    int lastLeg = 0;
    for (int i = 0; i < 5; ++i) {
        const QJsonObject state = home.dump(QStringLiteral("first-%1.json").arg(i));
        expectFollowing(state, "first run " + std::to_string(i));
        EXPECT_GE(state["activePlan"]["leg"].toInt(), lastLeg);
        lastLeg = state["activePlan"]["leg"].toInt();
    }
    // Quit in the middle: the leg flown is kept for the next start, the plan file untouched.
    const Value stored = home.defaults("activePlan");
    ASSERT_TRUE(stored.isDictionary());
    EXPECT_EQ(stored.dictionary()->get("name").toQString(), "Demo");
    const int resumedLeg = int(stored.dictionary()->get("leg").doubleValue());
    EXPECT_GE(resumedLeg, 2) << "no leg advanced by itself in the first run";
    EXPECT_LT(resumedLeg, 5);

    // The second start resumes that leg and flies on, by itself, to the end.
    script = "tap button \"Agree\"\ndump \"resumed.json\"\n";
    for (int i = 0; i < 20; ++i) script += QStringLiteral("wait 1.5\ndump \"second-%1.json\"\n").arg(i);
    script += "quit\n";
    ASSERT_EQ(home.run(script, &err), 0) << err.toStdString();
    const QJsonObject resumed = home.dump("resumed.json");
    EXPECT_EQ(resumed["activePlan"]["leg"].toInt(), resumedLeg);
    expectFollowing(resumed, "resumed");
    QStringList passed;
    QJsonObject end;
    for (int i = 0; i < 20; ++i) {
        end = home.dump(QStringLiteral("second-%1.json").arg(i));
        expectFollowing(end, "second run " + std::to_string(i));
    }
    const QJsonObject endPlan = end.value("activePlan").toObject();
    for (const QJsonValue& p : endPlan.value("passed").toArray()) passed.append(p["id"].toString());
    EXPECT_EQ(passed, kRoute.mid(resumedLeg)) << passed.join(' ').toStdString();
    EXPECT_TRUE(endPlan.value("arrived").toBool());
    EXPECT_EQ(endPlan.value("banner").toString(), "Arrived");
    EXPECT_EQ(endPlan.value("paneText").toString(), "Arrived");
    EXPECT_TRUE(home.defaults("activePlan").isNull()) << "an arrival leaves no flight to resume";
}
