// Flying a plan: the legs follow on the demo flight flown whole, by distance and across the passing
// line on synthetic tracks (corner cutting, a turn back, the 180th meridian), Next and Previous at
// the ends, a flight resumed from the defaults, the pane text in the pilot's units, and plans that
// cannot be flown as they are.

#include "navigation/ActivePlan.h"
#include "navigation/PlanNavigator.h"
#include "navplans/NavPlanKeys.h"
#include "navplans/NavPlanStore.h"
#include "platform/core/UserDefaults.h"
#include "positioning/sources/SimulatorSource.h"
#include "support/TestSupport.h"
#include "units/UnitSettings.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;
using navigation::ActivePlan;
using navigation::PlanNavigator;
using navigation::Route;
using platform::Dictionary;
using platform::DictionaryPtr;
using platform::Value;
using positioning::Fix;

namespace {

struct Point {
    double lat, lon;
};

DictionaryPtr waypoint(const QString& name, const QString& lat, const QString& lon) {
    DictionaryPtr w = Dictionary::create(4);
    w->set(navplans::keys::waypointName, Value(name));
    w->set(navplans::keys::waypointLatitude, Value(lat));
    w->set(navplans::keys::waypointLongitude, Value(lon));
    return w;
}

DictionaryPtr planOf(const QString& name, const std::vector<std::pair<QString, Point>>& points) {
    platform::ArrayPtr wp = platform::Array::create();
    for (const auto& [id, p] : points) wp->append(Value(waypoint(id, QString::number(p.lat, 'f', 6), QString::number(p.lon, 'f', 6))));
    DictionaryPtr plan = Dictionary::create(2);
    plan->set(navplans::keys::waypointName, Value(name));
    plan->set(navplans::keys::wp, Value(wp));
    return plan;
}

// The demo flight's own circuit, as a plan.
std::vector<std::pair<QString, Point>> demoRoute() {
    std::vector<std::pair<QString, Point>> points;
    for (const positioning::RoutePoint& p : positioning::SimulatorSource::fallbackRoute()) points.push_back({p.name, {p.latitude, p.longitude}});
    return points;
}

// Fixes every ~50 m along the straight (in degrees) lines between the corners, a second apart;
// longitudes are unfolded across the 180th meridian and folded back into -180..180.
std::vector<Fix> track(const std::vector<Point>& corners) {
    std::vector<Fix> fixes;
    double t = 1717164000;
    for (size_t i = 1; i < corners.size(); ++i) {
        const Point a = corners[i - 1];
        Point b = corners[i];
        if (b.lon - a.lon > 180) b.lon -= 360;
        if (b.lon - a.lon < -180) b.lon += 360;
        const double metres = navigation::distanceMetres(a.lat, a.lon, b.lat, b.lon);
        const int steps = std::max(1, int(metres / 50.0));
        for (int s = (i == 1 ? 0 : 1); s <= steps; ++s) {
            const double f = double(s) / steps;
            Fix fix;
            fix.latitude = a.lat + f * (b.lat - a.lat);
            fix.longitude = a.lon + f * (b.lon - a.lon);
            if (fix.longitude > 180) fix.longitude -= 360;
            if (fix.longitude < -180) fix.longitude += 360;
            fix.horizontalAccuracy = 5;
            fix.timestamp = t++;
            fixes.push_back(fix);
        }
    }
    return fixes;
}

// A point at a distance (NM) and course (degrees) from another, on the sphere.
Point offset(Point from, double course, double nm) {
    const double r = 6372797.560856, d = nm * 1852.0 / r, c = course * M_PI / 180.0;
    const double la = from.lat * M_PI / 180.0, lo = from.lon * M_PI / 180.0;
    const double la2 = std::asin(std::sin(la) * std::cos(d) + std::cos(la) * std::sin(d) * std::cos(c));
    double lo2 = lo + std::atan2(std::sin(c) * std::sin(d) * std::cos(la), std::cos(d) - std::sin(la) * std::sin(la2));
    double lon = lo2 * 180.0 / M_PI;
    if (lon > 180) lon -= 360;
    if (lon < -180) lon += 360;
    return {la2 * 180.0 / M_PI, lon};
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(PlanNavigation, TheDemoFlightPassesEveryWaypointOfItsRouteInTurn) {
    std::vector<Fix> fixes;
    positioning::SimulatorSource simulator(positioning::SimulatorSource::fallbackRoute(), 7);
    positioning::PositionSource::Handlers handlers;
    handlers.fix = [&](const Fix& f) { fixes.push_back(f); };
    simulator.setHandlers(std::move(handlers));
    ASSERT_TRUE(simulator.setPacing(positioning::PositionSource::Pacing::AsFastAsPossible));
    simulator.startUpdatingLocation();
    ASSERT_GT(fixes.size(), 1000u);

    const Route route = Route::fromPlan(*planOf("Lake", demoRoute()));
    PlanNavigator navigator(route, 1);
    std::vector<QString> passed;
    for (const Fix& fix : fixes) {
        if (auto p = navigator.update(fix)) {
            passed.push_back(p->id);
            const navigation::RoutePoint& w = route.points[p->routeIndex];
            const double metres = navigation::distanceMetres(fix.latitude, fix.longitude, w.latitude, w.longitude);
            EXPECT_LE(metres, p->byDistance ? 926.0 : 2.0 * 1852.0 + 200.0) << p->id.toStdString();
            EXPECT_EQ(p->time, fix.timestamp);
        }
    }
    EXPECT_EQ(passed, (std::vector<QString>{"LSGL", "LSMP", "LSGE", "LSGS", "LFLP"}));
    EXPECT_TRUE(navigator.arrived());
    for (size_t i = 1; i < navigator.passed().size(); ++i) EXPECT_GT(navigator.passed()[i].time, navigator.passed()[i - 1].time);
}

TEST(PlanNavigation, LegsFollowByDistanceAndAcrossThePassingLine) {
    const Point a{46.0, 6.0};
    const Point w = offset(a, 90, 20);   // 20 NM east of A
    const Point east = offset(w, 90, 20);
    const Point north = offset(w, 0, 20);
    const Point fiji1{-17.0, 179.5}, fiji2{-17.0, -179.6}, fiji3{-16.5, -179.0};
    struct Case {
        const char* what;
        std::vector<Point> plan;          // waypoints 0, 1, 2
        std::vector<Point> flown;         // the track's corners
        bool passed;                      // waypoint 1 passed
        bool byDistance;
    };
    const std::vector<Case> cases = {
        {"straight over the waypoint", {a, w, east}, {a, east}, true, true},
        {"straight, 0.4 NM abeam", {a, w, east}, {offset(a, 0, 0.4), offset(east, 0, 0.4)}, true, true},
        {"straight, 1.5 NM abeam, across the line", {a, w, east}, {offset(a, 0, 1.5), offset(east, 0, 1.5)}, true, false},
        {"straight, 3 NM abeam: beyond the line's reach", {a, w, east}, {offset(a, 0, 3), offset(east, 0, 3)}, false, false},
        {"corner cut 1 NM inside the turn", {a, w, north}, {a, offset(w, 270, 1.5), offset(w, 0, 1.5), north}, true, false},
        {"corner cut far inside the turn", {a, w, north}, {a, offset(w, 270, 5), offset(w, 0, 5), north}, false, false},
        {"turning back 1 NM short of a turn-back point", {a, w, offset(a, 5, 3)}, {a, offset(w, 270, 1), a}, false, false},
        {"turning back over a turn-back point", {a, w, offset(a, 5, 3)}, {a, offset(w, 90, 0.1), a}, true, true},
        {"turning back 0.8 NM beside a turn-back point", {a, w, offset(a, 5, 3)},
         {offset(a, 0, 0.8), offset(offset(w, 0, 0.8), 90, 0.3), a}, true, false},
        {"across the 180th meridian, over the point", {fiji1, fiji2, fiji3}, {fiji1, fiji2, fiji3}, true, true},
        {"across the 180th meridian, corner cut", {fiji1, fiji2, fiji3},
         {fiji1, offset(fiji2, 270, 2.5), offset(fiji2, 45, 2.5), fiji3}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Route route = Route::fromPlan(*planOf("P", {{"A", c.plan[0]}, {"W", c.plan[1]}, {"B", c.plan[2]}}));
        ASSERT_EQ(route.points.size(), 3u);
        PlanNavigator navigator(route, 1);
        std::optional<PlanNavigator::Passing> passing;
        for (const Fix& fix : track(c.flown)) {
            auto p = navigator.update(fix);
            if (p && p->routeIndex == 1) passing = p;
        }
        EXPECT_EQ(passing.has_value(), c.passed);
        if (passing && c.passed) {
            EXPECT_EQ(passing->byDistance, c.byDistance);
        }
    }
}

TEST(PlanNavigation, ResumesFromTheDefaultsAndStepsWithNextAndPrevious) {
    test::TempDir home;
    QDir(home.path()).mkdir("navplans");
    auto demo = demoRoute();
    demo.pop_back();  // LSGG LSGL LSMP LSGE LSGS
    navplans::NavPlanStore store(home.file("navplans"));
    ASSERT_TRUE(store.savePlan(planOf("Lake", demo), "Lake").ok());
    const QString planFile = home.file("navplans/Lake.nav");
    const QByteArray planBytes = readAll(planFile);
    ASSERT_FALSE(planBytes.isEmpty());

    platform::UserDefaults defaults(home.file("defaults.plist"));
    DictionaryPtr stored = Dictionary::create(2);
    stored->set("name", Value("Lake"));
    stored->set("leg", Value::integer(3));
    defaults.setObject(navigation::kActivePlanKey, Value(stored));

    ActivePlan flight(defaults);
    ASSERT_EQ(flight.restore(store), QString());
    ASSERT_TRUE(flight.isFlying());
    EXPECT_EQ(flight.navigator()->activePoint().id, "LSGE");
    EXPECT_TRUE(flight.next());
    EXPECT_FALSE(flight.next());  // LSGS is the last
    EXPECT_EQ(flight.navigator()->activePoint().id, "LSGS");
    platform::UserDefaults reread(home.file("defaults.plist"));
    EXPECT_EQ(reread.objectForKey("activePlan").asDictionary()->get("leg").intValue(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(flight.previous());
    EXPECT_FALSE(flight.previous());
    EXPECT_EQ(flight.navigator()->activePoint().id, "LSGG");
    EXPECT_EQ(flight.navigator()->legCourse(), std::nullopt);

    // A restart in the middle of the plan: a new flight object reads where the last one stood.
    EXPECT_TRUE(flight.next());
    EXPECT_TRUE(flight.next());
    ActivePlan restarted(defaults);
    ASSERT_EQ(restarted.restore(store), QString());
    EXPECT_EQ(restarted.navigator()->activePoint().id, "LSMP");
    ASSERT_TRUE(restarted.navigator()->legCourse());

    // Flying it to the end: passed entries, "Arrived", the stored flight gone, the plan file as it was.
    std::vector<Point> corners;
    for (size_t i = 1; i < demo.size(); ++i) corners.push_back(demo[i].second);
    QStringList banners;
    for (const Fix& fix : track(corners))
        if (auto event = restarted.onFix(fix)) banners << event->banner;
    EXPECT_EQ(banners, (QStringList{"Passed LSMP - to LSGE", "Passed LSGE - to LSGS", "Arrived"}));
    EXPECT_FALSE(restarted.isFlying());
    EXPECT_TRUE(platform::UserDefaults(home.file("defaults.plist")).objectForKey("activePlan").isNull());
    const Value dump = restarted.dumpValue();
    ASSERT_TRUE(dump.isDictionary());
    EXPECT_EQ(dump.asDictionary()->get("name").toQString(), "Lake");
    EXPECT_TRUE(dump.asDictionary()->get("arrived").boolValue());
    const platform::ArrayPtr passed = dump.asDictionary()->get("passed").array();
    ASSERT_EQ(passed->size(), 3u);
    EXPECT_EQ(passed->at(2).asDictionary()->get("id").toQString(), "LSGS");
    EXPECT_GT(passed->at(2).asDictionary()->get("time").doubleValue(), passed->at(1).asDictionary()->get("time").doubleValue());
    EXPECT_EQ(readAll(planFile), planBytes);
}

TEST(PlanNavigation, PaneTextInThePilotsUnitsAndNorth) {
    test::TempDir home;
    navplans::NavPlanStore store(home.file("navplans"));
    auto demo = demoRoute();
    demo.pop_back();
    ASSERT_TRUE(store.savePlan(planOf("Lake", demo), "Lake").ok());
    platform::UserDefaults defaults(home.file("defaults.plist"));
    ActivePlan flight(defaults);
    units::UnitSettings units;
    ASSERT_EQ(flight.fly(store, "Lake"), QString());
    EXPECT_EQ(flight.paneText(units), "To LSGL (2/5) DIS -- nm BRG --- ETE -:-- - ETA dest --:--");

    Fix fix;
    fix.latitude = 46.30;
    fix.longitude = 6.20;
    fix.horizontalAccuracy = 5;
    fix.timestamp = 1717164000;  // 2024-05-31 14:00:00 UTC
    EXPECT_FALSE(flight.onFix(fix));
    flight.setGroundSpeed(100 * 1852.0 / 3600.0);
    struct Case {
        int unit;
        bool magnetic;
        double variation;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{
             {0, false, 0, "To LSGL (2/5) DIS 22.7 nm BRG 049°T ETE 0:14 - ETA dest 14:52"},
             {0, true, 2.0, "To LSGL (2/5) DIS 22.7 nm BRG 047°M ETE 0:14 - ETA dest 14:52"},
             {0, true, -11.0, "To LSGL (2/5) DIS 22.7 nm BRG 060°M ETE 0:14 - ETA dest 14:52"},
             {2, false, 0, "To LSGL (2/5) DIS 42.0 km BRG 049°T ETE 0:14 - ETA dest 14:52"},
             // Magnetic asked for before a variation is known: true, and marked so.
             {0, true, std::nan(""), "To LSGL (2/5) DIS 22.7 nm BRG 049°T ETE 0:14 - ETA dest 14:52"},
         }) {
        units.setSelectedUnit(c.unit);
        EXPECT_EQ(flight.paneText(units, c.magnetic, c.variation), c.text);
    }
    flight.setGroundSpeed(0.5);  // standing: no times
    units.setSelectedUnit(0);
    EXPECT_EQ(flight.paneText(units), "To LSGL (2/5) DIS 22.7 nm BRG 049°T ETE -:-- - ETA dest --:--");
    const Value dump = flight.dumpValue();
    EXPECT_EQ(dump.asDictionary()->get("waypoint_id").toQString(), "LSGL");
    EXPECT_NEAR(dump.asDictionary()->get("legCourse").doubleValue(), 48.56, 0.01);
    EXPECT_NEAR(dump.asDictionary()->get("distanceToGo").doubleValue() / 1852.0, 22.68, 0.01);

    // The plan file removed while flown: said once, the route flown on as loaded.
    ASSERT_TRUE(QFile::remove(home.file("navplans/Lake.nav")));
    test::LogCapture log;
    EXPECT_TRUE(flight.checkPlanFile().contains("was removed"));
    EXPECT_TRUE(flight.isFlying());
    EXPECT_EQ(flight.navigator()->activePoint().id, "LSGL");
    // ... and at the next start it is reported and the stored flight dropped.
    store.reload();
    ActivePlan afterReload(defaults);
    EXPECT_EQ(afterReload.restore(store), "There is no plan named \"Lake\" to fly");
    EXPECT_FALSE(afterReload.isFlying());
    EXPECT_TRUE(defaults.objectForKey("activePlan").isNull());
}

TEST(PlanNavigation, PlansThatCannotBeFlownAsTheyAre) {
    test::TempDir home;
    navplans::NavPlanStore store(home.file("navplans"));
    const Point g{46.238098, 6.10895}, l{46.5453, 6.61667}, p{46.8432, 6.91506};
    ASSERT_TRUE(store.savePlan(planOf("Empty", {}), "Empty").ok());
    ASSERT_TRUE(store.savePlan(planOf("One", {{"LSGG", g}}), "One").ok());
    ASSERT_TRUE(store.savePlan(planOf("Same", {{"LSGG", g}, {"LSGG", g}}), "Same").ok());
    DictionaryPtr mixed = planOf("Mixed", {{"LSGG", g}, {"LSGL", l}, {"LSGL", l}, {"LSMP", p}});
    mixed->get(navplans::keys::wp).asArray()->insert(1, Value(waypoint("BAD", "46°14'N", "6.1")));
    mixed->get(navplans::keys::wp).asArray()->append(Value("not a record"));
    ASSERT_TRUE(store.savePlan(mixed, "Mixed").ok());
    platform::UserDefaults defaults(home.file("defaults.plist"));

    ActivePlan flight(defaults);
    const QString none = "has fewer than two waypoints with usable, distinct positions: nothing to fly";
    EXPECT_TRUE(flight.fly(store, "Empty").contains(none));
    EXPECT_TRUE(flight.fly(store, "One").contains(none));
    EXPECT_TRUE(flight.fly(store, "Same").contains(none));
    EXPECT_EQ(flight.fly(store, "Nowhere"), "There is no plan named \"Nowhere\" to fly");
    EXPECT_FALSE(flight.isFlying());
    EXPECT_TRUE(defaults.objectForKey("activePlan").isNull());

    ASSERT_EQ(flight.fly(store, "Mixed", 3), QString());  // plan index 3 is the repeated LSGL: flies to LSMP
    EXPECT_EQ(flight.navigator()->activePoint().id, "LSMP");
    const QStringList problems = flight.routeProblems();
    ASSERT_EQ(problems.size(), 3);
    EXPECT_EQ(problems[0], "waypoint 2 (BAD) has no usable position (latitude \"46°14'N\", longitude \"6.1\"); left out");
    EXPECT_EQ(problems[1], "waypoint 4 (LSGL) is at the same place as waypoint 3 (LSGL); left out");
    EXPECT_EQ(problems[2], "waypoint 6 is not a waypoint record; left out");
    EXPECT_EQ(flight.paneText(units::UnitSettings()).left(16), "To LSMP (5/6) DI");

    // A stored flight that is no plan name and leg is dropped with a message.
    defaults.setObject(navigation::kActivePlanKey, Value("Mixed"));
    ActivePlan damaged(defaults);
    EXPECT_TRUE(damaged.restore(store).startsWith("The stored active plan is not a plan name and a leg"));
    EXPECT_TRUE(defaults.objectForKey("activePlan").isNull());
}
