// db build | info | search: the waypoint database through the same code as the app.

#include "Commands.h"
#include "Json.h"

#include "platform/core/Paths.h"
#include "tools/dbbuilder/DatabaseBuilder.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointKeys.h"
#include "waypoints/WaypointSearch.h"

#include <QElapsedTimer>
#include <cstdio>
#include <vector>

namespace vantrel::tool {

using platform::Value;

namespace {

void print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

// Loads the database exactly as the app does and returns the time it took in milliseconds.
double loadDatabase() {
    QElapsedTimer timer;
    timer.start();
    waypoints::POISelectorPaneController::sharedPOIDatabase().loadDatabase();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

int build(const QStringList& args) {
    QString csvDir = QStringLiteral(VANTREL_SOURCE_DIR "/data/ourairports");
    QString outDir = platform::Paths::databaseDirectory();
    for (int i = 0; i < args.size(); ++i) {
        if ((args[i] == QLatin1String("--csv") || args[i] == QLatin1String("--out")) && i + 1 < args.size()) {
            (args[i] == QLatin1String("--csv") ? csvDir : outDir) = args[i + 1];
            ++i;
        } else {
            std::fputs("usage: vantrel-tool db build [--csv DIR] [--out DIR]\n", stderr);
            return 2;
        }
    }
    dbbuilder::BuildStats stats;
    QString error;
    if (!dbbuilder::buildDatabase(csvDir, outDir, &stats, &error)) {
        std::fprintf(stderr, "database build failed: %s\n", qPrintable(error));
        return 1;
    }
    return 0;  // the builder has logged what it built
}

int info(bool json) {
    double ms = loadDatabase();
    auto& database = waypoints::POISelectorPaneController::sharedPOIDatabase();
    platform::ArrayPtr countries = database.countries();
    std::vector<size_t> counts(countries->size(), 0);
    for (const Value& record : *database.waypointsDB()) {
        int ct = record.dictionary()->get(waypoints::keys::ct).intValue();
        if (ct >= 0 && static_cast<size_t>(ct) < counts.size()) ++counts[static_cast<size_t>(ct)];
    }
    size_t total = database.waypointsDB()->size();
    if (json) {
        std::string out = "{\"countries\": [";
        for (size_t i = 0; i < counts.size(); ++i) {
            if (i) out += ", ";
            out += "{\"name\": " + jsonString(countries->at(i).stringView()) +
                   ", \"waypoints\": " + std::to_string(counts[i]) + "}";
        }
        out += "], \"waypoints\": " + std::to_string(total) + ", \"load_ms\": " + jsonNumber(ms) + "}";
        print(out);
        return 0;
    }
    for (size_t i = 0; i < counts.size(); ++i)
        std::printf("%-40s %7zu\n", std::string(countries->at(i).stringView()).c_str(), counts[i]);
    std::printf("%zu waypoints in %zu countries, loaded in %.1f ms\n", total, counts.size(), ms);
    return 0;
}

int search(const QStringList& args, bool json) {
    if (args.size() != 1) {
        std::fputs("usage: vantrel-tool db search PREFIX\n", stderr);
        return 2;
    }
    loadDatabase();
    auto& database = waypoints::POISelectorPaneController::sharedPOIDatabase();
    platform::ArrayPtr results = platform::Array::create(500);
    waypoints::searchByIdentifier(*database.waypointsDB(), waypoints::searchKeyFor(args[0]), *results);
    if (json) {
        print(toJson(Value(results)));
        return 0;
    }
    for (const Value& item : *results) {
        platform::DictionaryPtr r = item.dictionary();
        std::printf("%-8s %-40s %11.6f %11.6f  %s\n", r->get(waypoints::keys::waypointId).toStdString().c_str(),
                    r->get(waypoints::keys::waypointName).toStdString().c_str(),
                    r->get(waypoints::keys::waypointLatitude).doubleValue(),
                    r->get(waypoints::keys::waypointLongitude).doubleValue(),
                    database.countries()->at(static_cast<size_t>(r->get(waypoints::keys::ct).intValue())).toStdString().c_str());
    }
    std::printf("%zu waypoints\n", results->size());
    return 0;
}

}  // namespace

int runDbCommand(const QStringList& args, bool json) {
    QString command = args.value(0);
    if (command == QLatin1String("build")) return build(args.mid(1));
    if (command == QLatin1String("info") && args.size() == 1) return info(json);
    if (command == QLatin1String("search")) return search(args.mid(1), json);
    std::fputs("usage: vantrel-tool db build|info|search ...\n", stderr);
    return 2;
}

}  // namespace vantrel::tool
