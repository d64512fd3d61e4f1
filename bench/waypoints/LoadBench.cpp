// Loading the whole bundled world database, from the files (in the page cache) to the finished
// tree, through the same loader the app uses; and the pieces of it.

#include "platform/core/Paths.h"
#include "platform/plist/KeyedArchive.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/DatabaseDirectory.h"
#include "waypoints/NSData_Encryption.h"
#include "waypoints/WaypointDatabase.h"
#include "waypoints/WaypointSearch.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

using namespace vantrel;

namespace {

QString databaseDir() { return QStringLiteral(VANTREL_BUILD_BUNDLE_DIR "/database"); }

// Points the loader at the bundled database with nothing dismissed.
void useBundledDatabase() {
    static QTemporaryDir documents;
    platform::Paths::setDatabaseDirectory(databaseDir());
    platform::Paths::setDocumentsDirectory(documents.path());
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

void BM_LoadWorldDatabase(benchmark::State& state) {
    useBundledDatabase();
    waypoints::ActiveCountriesStore store;
    size_t records = 0, countries = 0;
    for (auto _ : state) {
        waypoints::WaypointDatabase database;
        database.load(store, [](const char*, platform::DictionaryPtr) {});
        records = database.waypointsDB()->size();
        countries = database.countries()->size();
        benchmark::DoNotOptimize(database.byCountryDB());
    }
    state.counters["waypoints"] = static_cast<double>(records);
    state.counters["countries"] = static_cast<double>(countries);
}
BENCHMARK(BM_LoadWorldDatabase)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What a loaded database costs in memory: resident size before and after one load kept alive.
void BM_LoadedDatabaseMemory(benchmark::State& state) {
    useBundledDatabase();
    waypoints::ActiveCountriesStore store;
    for (auto _ : state) {
        long before = residentKilobytes();
        auto database = std::make_unique<waypoints::WaypointDatabase>();
        database->load(store, [](const char*, platform::DictionaryPtr) {});
        long after = residentKilobytes();
        state.counters["database_MB"] = static_cast<double>(after - before) / 1024.0;
        state.counters["process_MB"] = static_cast<double>(after) / 1024.0;
    }
}
BENCHMARK(BM_LoadedDatabaseMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// Unscrambling and decoding only, country by country, as the comparison with Python's plistlib
// (bench/waypoints/plistlib_load.py) does.
void BM_DecodeWorldArchives(benchmark::State& state) {
    QStringList names = waypoints::countryNamesOf(waypoints::directoryContents(databaseDir()));
    size_t records = 0;
    for (auto _ : state) {
        records = 0;
        for (const QString& name : names) {
            QByteArray payload = waypoints::dataWithContentsOfEncryptedFile(databaseDir() + QLatin1Char('/') + name +
                                                                            QStringLiteral(".ewpts"));
            platform::Value root = platform::KeyedArchive::unarchive(payload);
            records += root.array() ? root.array()->size() : 0;
        }
    }
    state.counters["waypoints"] = static_cast<double>(records);
}
BENCHMARK(BM_DecodeWorldArchives)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SearchOneLetter(benchmark::State& state) {
    useBundledDatabase();
    waypoints::ActiveCountriesStore store;
    waypoints::WaypointDatabase database;
    database.load(store, [](const char*, platform::DictionaryPtr) {});
    auto results = platform::Array::create(500);
    for (auto _ : state) {
        waypoints::searchByIdentifier(*database.waypointsDB(), QStringLiteral("K"), *results);
        benchmark::DoNotOptimize(results->size());
    }
    state.counters["results"] = static_cast<double>(results->size());
}
BENCHMARK(BM_SearchOneLetter)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
