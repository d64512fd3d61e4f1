// The airspace targets: reading and indexing a file of 5,000 airspaces (at most 1 s), the warning
// check for one fix with 10,000 airspaces loaded (at most 0.5 ms), and reading a 50 MB file. The
// files are made here, like a national file: polygons, circles, sectors of two arcs and arcs
// between two points, packed over central Europe.

#include "airspace/AirspaceStore.h"
#include "airspace/AirspaceWarnings.h"
#include "airspace/OpenAirReader.h"
#include "platform/core/Log.h"
#include "platform/core/UserDefaults.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>

using namespace vantrel::airspace;

namespace {

QByteArray coordinate(double lat, double lon) {
    auto part = [](double v, char pos, char neg, int width) {
        const char hemi = v >= 0 ? pos : neg;
        v = std::abs(v);
        int d = int(v), m = int((v - d) * 60), s = int(std::lround(((v - d) * 60 - m) * 60));
        if (s == 60) s = 0, ++m;
        if (m == 60) m = 0, ++d;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%0*d:%02d:%02d %c", width, d, m, s, hemi);
        return QByteArray(buf);
    };
    return part(lat, 'N', 'S', 2) + ' ' + part(lon, 'E', 'W', 3);
}

// `count` airspaces over 44-54 N, 0-16 E (160 square degrees: 10,000 of them is three times the
// density of the busiest national files).
QByteArray makeFile(int count) {
    std::mt19937 rng(28);
    std::uniform_real_distribution<double> lat(44, 54), lon(0, 16), radius(2, 15), angle(0, 360);
    const char* lowers[] = {"GND", "1000ft AGL", "2500ft AMSL", "FL65", "3000"};
    const char* uppers[] = {"FL95", "4500ft AMSL", "UNL", "3000 ft AGL", "FL195"};
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        const double la = lat(rng), lo = lon(rng), r = radius(rng);
        out += "AC D\nAN AREA " + QByteArray::number(i) + "\nAL " + lowers[i % 5] + "\nAH " + uppers[(i / 5) % 5] + "\n";
        auto at = [&](double bearing, double nm) {
            return coordinate(la + nm / 60 * std::cos(bearing * M_PI / 180),
                              lo + nm / 60 * std::sin(bearing * M_PI / 180) / std::cos(la * M_PI / 180));
        };
        switch (i % 4) {
        case 0:
            for (int k = 0; k < 8; ++k) out += "DP " + at(k * 45 + angle(rng) / 10, r * (0.7 + 0.3 * (k % 2))) + "\n";
            break;
        case 1:
            out += "V X=" + coordinate(la, lo) + "\nDC " + QByteArray::number(r, 'f', 1) + "\n";
            break;
        case 2: {
            const int a = int(angle(rng)), b = int(angle(rng));
            out += "V X=" + coordinate(la, lo) + "\nV D=+\nDA " + QByteArray::number(r, 'f', 1) + "," +
                   QByteArray::number(a) + "," + QByteArray::number(b) + "\nV D=-\nDA " + QByteArray::number(r / 3, 'f', 1) +
                   "," + QByteArray::number(b) + "," + QByteArray::number(a) + "\n";
            break;
        }
        default: {
            const double a = angle(rng);
            out += "V X=" + coordinate(la, lo) + "\nDP " + coordinate(la, lo) + "\nDP " + at(a, r) + "\nDB " + at(a, r) +
                   ", " + at(a + 120, r) + "\n";
        }
        }
        out += "\n";
    }
    return out;
}

void quiet() { vantrel::platform::setLogSink([](const QString&) {}); }

void BM_ReadAndIndex5000(benchmark::State& state) {
    quiet();
    const QByteArray file = makeFile(5000);
    size_t points = 0;
    for (auto _ : state) {
        ReadResult read = readOpenAir(file, QStringLiteral("bench.txt"));
        points = 0;
        for (const Airspace& a : read.airspaces) points += a.outline.size();
        AirspaceIndex index(std::move(read.airspaces));
        benchmark::DoNotOptimize(index.size());
    }
    state.counters["MB"] = double(file.size()) / 1e6;
    state.counters["points"] = double(points);
}
BENCHMARK(BM_ReadAndIndex5000)->Unit(benchmark::kMillisecond);

// The whole import through the store: read, check, copy into the folder (synced), then the load.
void BM_StoreImportAndLoad5000(benchmark::State& state) {
    quiet();
    QTemporaryDir dir;
    const QString source = dir.filePath("europe.txt");
    {
        QFile f(source);
        f.open(QIODevice::WriteOnly);
        f.write(makeFile(5000));
    }
    vantrel::platform::UserDefaults defaults(dir.filePath("defaults.plist"));
    AirspaceStore store(dir.filePath("airspace"), &defaults);
    for (auto _ : state) {
        const AirspaceStore::ImportResult r = store.importFile(source, true);
        LoadedAirspaces loaded = store.load();
        if (r.airspaces != 5000 || loaded.index->size() != 5000) state.SkipWithError("not all read");
    }
}
BENCHMARK(BM_StoreImportAndLoad5000)->Unit(benchmark::kMillisecond);

void BM_WarningCheck10000(benchmark::State& state) {
    quiet();
    const AirspaceIndex index(readOpenAir(makeFile(10000), QStringLiteral("bench.txt")).airspaces);
    // Fixes on a line across the busiest part, at 120 kt with a climb, so that most fixes have
    // airspaces inside and ahead.
    std::vector<AircraftState> fixes;
    for (int i = 0; i < 1000; ++i)
        fixes.push_back({46.0 + i * 0.006, 4.0 + i * 0.008, 2000.0 + (i % 50) * 100.0, 45.0, 120.0, 500.0});
    size_t i = 0, warnings = 0;
    for (auto _ : state) {
        const std::vector<AirspaceWarning> w = checkAirspaceWarnings(index, fixes[i++ % fixes.size()]);
        warnings += w.size();
        benchmark::DoNotOptimize(w.data());
    }
    state.counters["warnings/fix"] = double(warnings) / double(state.iterations());
}
BENCHMARK(BM_WarningCheck10000)->Unit(benchmark::kMicrosecond);

void BM_Read50MB(benchmark::State& state) {
    quiet();
    QByteArray file = makeFile(20000);
    const QByteArray one = file;
    while (file.size() < 50'000'000) file += one;
    for (auto _ : state) {
        const ReadResult read = readOpenAir(file, QStringLiteral("big.txt"));
        benchmark::DoNotOptimize(read.airspaces.size());
    }
    state.counters["MB"] = double(file.size()) / 1e6;
}
BENCHMARK(BM_Read50MB)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
