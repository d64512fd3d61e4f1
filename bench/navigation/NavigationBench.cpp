// The cost of one fix for the navigation of a plan of 200 waypoints (target: under 20 us a fix):
// the fix through the navigator (distance and passing line, a waypoint passed now and then), and
// the pane's text made from it as the map's pane would each fix.

#include "navigation/ActivePlan.h"
#include "navigation/PlanNavigator.h"
#include "navplans/NavPlanKeys.h"
#include "navplans/NavPlanStore.h"
#include "platform/core/Log.h"
#include "units/UnitSettings.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

using namespace vantrel;

namespace {

constexpr size_t kWaypoints = 200;

// A zigzag of 200 waypoints about 5 NM apart, heading east from Geneva.
platform::DictionaryPtr zigzagPlan() {
    platform::ArrayPtr wp = platform::Array::create();
    for (size_t i = 0; i < kWaypoints; ++i) {
        platform::DictionaryPtr w = platform::Dictionary::create(3);
        w->set(navplans::keys::waypointName, platform::Value(QStringLiteral("WP%1").arg(i)));
        w->set(navplans::keys::waypointLatitude, platform::Value(QString::number(46.0 + (i % 2 ? 0.05 : 0.0), 'f', 6)));
        w->set(navplans::keys::waypointLongitude, platform::Value(QString::number(6.0 + double(i) * 0.1, 'f', 6)));
        wp->append(platform::Value(w));
    }
    platform::DictionaryPtr plan = platform::Dictionary::create(2);
    plan->set(navplans::keys::waypointName, platform::Value("Zigzag"));
    plan->set(navplans::keys::wp, platform::Value(wp));
    return plan;
}

// The track along the route, a fix every 50 m: every waypoint gets passed during the run.
std::vector<positioning::Fix> trackAlong(const navigation::Route& route) {
    std::vector<positioning::Fix> fixes;
    double t = 1717164000;
    for (size_t i = 1; i < route.points.size(); ++i) {
        const auto& a = route.points[i - 1];
        const auto& b = route.points[i];
        const int steps = int(navigation::distanceMetres(a.latitude, a.longitude, b.latitude, b.longitude) / 50.0);
        for (int s = 0; s < steps; ++s) {
            positioning::Fix f;
            f.latitude = a.latitude + (b.latitude - a.latitude) * s / steps;
            f.longitude = a.longitude + (b.longitude - a.longitude) * s / steps;
            f.horizontalAccuracy = 5;
            f.timestamp = t++;
            fixes.push_back(f);
        }
    }
    return fixes;
}

void BM_SequencingPerFix(benchmark::State& state) {
    const navigation::Route route = navigation::Route::fromPlan(*zigzagPlan());
    const std::vector<positioning::Fix> fixes = trackAlong(route);
    auto navigator = std::make_unique<navigation::PlanNavigator>(route, 1);
    size_t i = 0;
    int64_t passed = 0;
    for (auto _ : state) {
        if (i == fixes.size()) {
            state.PauseTiming();
            navigator = std::make_unique<navigation::PlanNavigator>(route, 1);
            i = 0;
            state.ResumeTiming();
        }
        passed += navigator->update(fixes[i++]).has_value();
        benchmark::DoNotOptimize(navigator->distanceToDestination());
    }
    state.counters["passed"] = double(passed);
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_SequencingPerFix);

// The same through the active plan (log lines to a sink that drops them, the defaults written to
// a temporary folder at each waypoint passed, about one fix in 185, with its sync to the disk)
// with the pane's text made at every fix.
void BM_ActivePlanFixAndPaneText(benchmark::State& state) {
    platform::setLogSink([](const QString&) {});
    QTemporaryDir home;
    navplans::NavPlanStore store(home.filePath(QStringLiteral("navplans")));
    store.savePlan(zigzagPlan(), QStringLiteral("Zigzag"));
    platform::UserDefaults defaults(home.filePath(QStringLiteral("defaults.plist")));
    units::UnitSettings units;
    navigation::ActivePlan flight(defaults);
    const std::vector<positioning::Fix> fixes = trackAlong(navigation::Route::fromPlan(*zigzagPlan()));
    flight.fly(store, QStringLiteral("Zigzag"));
    flight.setGroundSpeed(50.0);
    size_t i = 0;
    int64_t passed = 0;
    for (auto _ : state) {
        if (i == fixes.size() || !flight.isFlying()) {
            state.PauseTiming();
            flight.fly(store, QStringLiteral("Zigzag"));
            i = 0;
            state.ResumeTiming();
        }
        passed += flight.onFix(fixes[i++]).has_value();
        benchmark::DoNotOptimize(flight.paneText(units));
    }
    state.counters["passed"] = double(passed);
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_ActivePlanFixAndPaneText);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
