// Loading the whole bundled world database, from the files (in the page cache) to the finished
// tree, through the same loader the app uses; and the pieces of it. Then the queries on the loaded
// world database, and the selector pane on screen (offscreen): opening the largest country and
// the longest list, scrolling it, and a one-letter search shown in the table.

#include "platform/core/Paths.h"
#include "platform/plist/KeyedArchive.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/DatabaseDirectory.h"
#include "waypoints/NSData_Encryption.h"
#include "waypoints/WaypointDatabase.h"
#include "waypoints/NearbyQuery.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointCell.h"
#include "waypoints/WaypointSearch.h"
#include "waypoints/WaypointTree.h"

#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Transition.h"
#include "platform/ui/Window.h"

#include <QApplication>
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

// The world database, loaded once for the benchmarks that query it.
const waypoints::WaypointDatabase& worldDatabase() {
    static const std::unique_ptr<waypoints::WaypointDatabase> database = [] {
        useBundledDatabase();
        auto db = std::make_unique<waypoints::WaypointDatabase>();
        db->load(waypoints::ActiveCountriesStore(), [](const char*, platform::DictionaryPtr) {});
        return db;
    }();
    return *database;
}

void BM_SearchOneLetter(benchmark::State& state) {
    const waypoints::WaypointDatabase& database = worldDatabase();
    auto results = platform::Array::create(500);
    for (auto _ : state) {
        waypoints::searchByIdentifier(database.identifierIndex(), QStringLiteral("K"), *results);
        benchmark::DoNotOptimize(results->size());
    }
    state.counters["results"] = static_cast<double>(results->size());
}
BENCHMARK(BM_SearchOneLetter)->Unit(benchmark::kMicrosecond);

// The pane's search as the pilot types: identifiers and names, nearest first from Geneva. "an"
// is the widest two-letter search (thousands of names hold it); "annecy" a typical name.
void BM_SearchAsTyped(benchmark::State& state, const char* text) {
    const waypoints::WaypointDatabase& database = worldDatabase();
    auto results = platform::Array::create(500);
    const std::optional<waypoints::GeoPoint> geneva = waypoints::GeoPoint{46.24, 6.11};
    for (auto _ : state) {
        waypoints::searchWaypoints(database.identifierIndex(), QString::fromLatin1(text), geneva, *results);
        benchmark::DoNotOptimize(results->size());
    }
    state.counters["results"] = static_cast<double>(results->size());
}
BENCHMARK_CAPTURE(BM_SearchAsTyped, two_letters, "an")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchAsTyped, name, "annecy")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SearchAsTyped, identifier, "LSGG")->Unit(benchmark::kMicrosecond);

// What the map's worker does at each refresh: every record's distance from the aircraft (near
// Paris), the 180 nm around it into the cache.
void BM_ForcedNearbyQuery(benchmark::State& state) {
    const waypoints::WaypointDatabase& database = worldDatabase();
    waypoints::WaypointSet cache(500);
    waypoints::NearbyArea area{2.44, 48.96, 180.0, 1852.0};
    for (auto _ : state) {
        cache.clear();
        waypoints::addNearbyWaypoints(cache, *database.waypointsDB(), area, true);
        benchmark::DoNotOptimize(cache.size());
    }
    state.counters["records"] = static_cast<double>(database.waypointsDB()->size());
    state.counters["nearby"] = static_cast<double>(cache.size());
}
BENCHMARK(BM_ForcedNearbyQuery)->Unit(benchmark::kMicrosecond);

// The selector pane with the world database, presented in a window, as the pilot sees it.
class PaneOnScreen {
public:
    PaneOnScreen() {
        useBundledDatabase();
        platform::ui::Transition::setAnimationsEnabled(false);
        waypoints::WaypointCell::cacheSymbols();
        pane_->database().load(waypoints::ActiveCountriesStore(), [](const char*, platform::DictionaryPtr) {});
        window_.setRootViewController(root_);
        window_.show();
        root_->presentModalViewController(std::make_shared<platform::ui::NavigationController>(pane_), false);
    }
    waypoints::POISelectorPaneController& pane() { return *pane_; }
    platform::ui::TableView* table() { return pane_->waypointsTableView(); }
    // Taps a row of the list shown and draws the outcome.
    void tap(int row) {
        pane_->didSelectRowAtIndexPath(table(), {0, row});
        draw();
    }
    void back() {
        pane_->back();
        draw();
    }
    // Draws the whole window, every widget on it, as the next frame on screen would.
    void draw() { window_.grab(); }

    // The row of the top level whose country holds the most waypoints.
    int largestCountry() const {
        platform::ArrayPtr countries = pane_->byCountryDB();
        int best = 0;
        for (size_t i = 0; i < countries->size(); ++i)
            if (waypoints::countWaypoints(countries->at(i)) > waypoints::countWaypoints(countries->at(size_t(best)))) best = int(i);
        return best;
    }
    // The way to the longest list of the tree (a country's or a state's rows).
    std::vector<int> longestList() const {
        std::vector<int> best;
        size_t most = 0;
        platform::ArrayPtr countries = pane_->byCountryDB();
        for (size_t c = 0; c < countries->size(); ++c) {
            platform::ArrayPtr children = waypoints::childrenOf(countries->at(c));
            if (children->size() > most) {
                most = children->size();
                best = {int(c)};
            }
            for (size_t s = 0; s < children->size(); ++s) {
                platform::ArrayPtr inner = waypoints::childrenOf(children->at(s));
                if (inner && inner->size() > most) {
                    most = inner->size();
                    best = {int(c), int(s)};
                }
            }
        }
        return best;
    }

private:
    std::shared_ptr<waypoints::POISelectorPaneController> pane_ = std::make_shared<waypoints::POISelectorPaneController>();
    std::shared_ptr<platform::ui::ViewController> root_ = std::make_shared<platform::ui::ViewController>();
    platform::ui::Window window_;
};

// Made on first use and gone before the application object goes.
std::unique_ptr<PaneOnScreen> paneOnScreenInstance;
PaneOnScreen& paneOnScreen() {
    if (!paneOnScreenInstance) paneOnScreenInstance = std::make_unique<PaneOnScreen>();
    return *paneOnScreenInstance;
}

void BM_OpenLargestCountry(benchmark::State& state) {
    PaneOnScreen& screen = paneOnScreen();
    const int country = screen.largestCountry();
    for (auto _ : state) {
        screen.tap(country);
        state.PauseTiming();
        screen.back();
        state.ResumeTiming();
    }
    platform::Value node = screen.pane().byCountryDB()->at(size_t(country));
    state.SetLabel(node.dictionary()->get("waypoint_name").toStdString());
    state.counters["rows"] = static_cast<double>(waypoints::childrenOf(node)->size());
    state.counters["waypoints"] = static_cast<double>(waypoints::countWaypoints(node));
}
BENCHMARK(BM_OpenLargestCountry)->Unit(benchmark::kMillisecond);

// The longest list of the tree, opened from the level above it.
void BM_OpenLongestList(benchmark::State& state) {
    PaneOnScreen& screen = paneOnScreen();
    const std::vector<int> way = screen.longestList();
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = 0; i + 1 < way.size(); ++i) screen.tap(way[i]);
        state.ResumeTiming();
        screen.tap(way.back());
        state.PauseTiming();
        state.SetLabel(screen.pane().title().toStdString());
        state.counters["rows"] = static_cast<double>(screen.table()->numberOfRowsInSection(0));
        for (size_t i = 0; i < way.size(); ++i) screen.back();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenLongestList)->Unit(benchmark::kMillisecond);

// Scrolling the longest list a screenful at a time, every row drawn.
void BM_ScrollLongestList(benchmark::State& state) {
    PaneOnScreen& screen = paneOnScreen();
    for (int row : screen.longestList()) screen.tap(row);
    platform::ui::TableView* table = screen.table();
    double offset = 0;
    for (auto _ : state) {
        offset += table->height();
        if (offset > table->maxContentOffset()) offset = 0;
        table->setContentOffset(offset);
        screen.draw();
    }
    state.counters["rows"] = static_cast<double>(table->numberOfRowsInSection(0));
    state.counters["cells"] = static_cast<double>(table->liveCellCount());
    for (size_t i = 0; i < screen.longestList().size(); ++i) screen.back();
}
BENCHMARK(BM_ScrollLongestList)->Unit(benchmark::kMicrosecond);

// A one-letter search from the search bar, its thousands of results shown in the table.
void BM_PaneSearchOneLetter(benchmark::State& state) {
    PaneOnScreen& screen = paneOnScreen();
    platform::ui::SearchBar* bar = screen.pane().theSearchBar();
    bar->setText(QStringLiteral("k"));
    for (auto _ : state) {
        screen.pane().searchBarSearchButtonClicked(bar);
        screen.draw();
    }
    state.counters["rows"] = static_cast<double>(screen.table()->numberOfRowsInSection(0));
    screen.back();
}
BENCHMARK(BM_PaneSearchOneLetter)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);  // the pane benchmarks draw; the others need only the main thread
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    paneOnScreenInstance.reset();
    return 0;
}
