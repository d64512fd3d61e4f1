// Geodesy operations per second (the moving map calls them for every waypoint it draws) and the
// location manager's cost per fix (log line and notification included; the log goes to a sink
// that drops it, so the terminal's speed is not measured).

#include "platform/core/Log.h"
#include "positioning/Geodesy.h"
#include "positioning/LocationManager.h"
#include "positioning/MagneticModel.h"
#include "positioning/sources/NmeaParser.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <vector>

using namespace vantrel::positioning;

namespace {

// Points spread over Europe, so the benchmark does not measure one cached case.
std::vector<FloatPoint> points(size_t n) {
    std::vector<FloatPoint> result;
    for (size_t i = 0; i < n; ++i) result.push_back({float(-10.0 + double(i % 97) * 0.37), float(36.0 + double(i % 89) * 0.29)});
    return result;
}

void BM_Distance(benchmark::State& state) {
    std::vector<FloatPoint> p = points(1024);
    size_t i = 0;
    for (auto _ : state) {
        const FloatPoint& a = p[i % 1024];
        const FloatPoint& b = p[(i * 7 + 3) % 1024];
        benchmark::DoNotOptimize(Geodesy::calcDistanceInMeters(a.x, a.y, b.x, b.y));
        ++i;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_Distance);

// One evaluation of the degree-12 magnetic model, over points spread across Europe.
void BM_MagneticModelField(benchmark::State& state) {
    const MagneticModel* model = MagneticModel::builtIn();
    if (!model) {
        state.SkipWithError("the built-in magnetic model is damaged");
        return;
    }
    std::vector<FloatPoint> p = points(1024);
    size_t i = 0;
    for (auto _ : state) {
        const FloatPoint& a = p[i % 1024];
        benchmark::DoNotOptimize(model->field(a.y, a.x, 1500.0, 2027.5).declination);
        ++i;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_MagneticModelField);

void BM_Bearing(benchmark::State& state) {
    std::vector<FloatPoint> p = points(1024);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Geodesy::calcAngle(p[i % 1024], p[(i * 7 + 3) % 1024]));
        ++i;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_Bearing);

void BM_GreatCirclePoint(benchmark::State& state) {
    std::vector<FloatPoint> p = points(1024);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Geodesy::calcGreatCircle(p[i % 1024], p[(i * 7 + 3) % 1024], double(i % 64) / 64.0));
        ++i;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_GreatCirclePoint);

void dropLine(const QString&) {}

void BM_FixHandler(benchmark::State& state) {
    vantrel::platform::setLogSink(&dropLine);
    LocationManager manager;
    double t = 0;
    for (auto _ : state) {
        Fix fix;
        fix.latitude = 46.0 + t * 1e-5;
        fix.longitude = 6.0 + t * 2e-5;
        fix.horizontalAccuracy = 5.0;
        fix.timestamp = t;
        manager.locationManagerDidUpdateToLocation(fix);
        t += 1.0;
    }
    vantrel::platform::setLogSink(nullptr);
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_FixHandler);

void BM_NmeaEpoch(benchmark::State& state) {
    const QByteArray epoch =
        "$GPRMC,235954.00,A,4614.2860,N,00606.5400,E,100.0,60.0,310524,1.9,E,A*0D\r\n"
        "$GPGGA,235954.00,4614.2860,N,00606.5400,E,1,09,0.9,1250.0,M,48.2,M,,*52\r\n"
        "$GPGSA,A,3,02,05,07,13,15,18,20,24,29,,,,1.6,0.9,1.3*3E\r\n"
        "$GPGST,235954.00,2.1,3.0,2.0,45.0,2.4,3.2,4.8*63\r\n";
    NmeaParser parser(QStringLiteral("bench"), QDate(2024, 5, 31));
    for (auto _ : state) {
        parser.addData(epoch);  // the same time again: merged into one epoch, parsed in full
        benchmark::DoNotOptimize(parser.takeEpochs());
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_NmeaEpoch);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
