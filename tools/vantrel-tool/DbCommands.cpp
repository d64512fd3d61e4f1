// db build | info | search | nearby: the waypoint database through the same code as the app.

#include "Commands.h"
#include "Json.h"

#include "units/UnitSettings.h"
#include "platform/core/Paths.h"
#include "tools/dbbuilder/DatabaseBuilder.h"
#include "waypoints/NearbyQuery.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointDistance.h"
#include "waypoints/WaypointKeys.h"
#include "waypoints/WaypointSearch.h"
#include "waypoints/WaypointTypes.h"

#include <algorithm>
#include <QElapsedTimer>
#include <cmath>
#include <cstdio>
#include <optional>
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

// The text in UTF-8, padded with blanks to `columns` characters as a terminal shows them (printf's
// "%-40s" counts bytes, so that an accented name would shift the columns after it).
std::string padded(const QString& text, int columns) {
    int shown = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isLowSurrogate()) continue;  // the second half of one character
        const QChar::Category category = c.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing) continue;
        ++shown;
    }
    std::string out = text.toStdString();
    if (shown < columns) out.append(size_t(columns - shown), ' ');
    return out;
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
    // A skipped (damaged) country file stays in the country list, which the records' indexes
    // count, but it was not loaded: it is reported apart, not as a country with no waypoints.
    const auto& skipped = database.database().skippedCountries();
    std::vector<bool> loaded(countries->size(), true);
    for (size_t i = 0; i < countries->size(); ++i)
        for (const auto& s : skipped)
            if (countries->at(i).toQString() == s.country) loaded[i] = false;
    size_t loadedCount = size_t(std::count(loaded.begin(), loaded.end(), true));
    size_t total = database.waypointsDB()->size();
    if (json) {
        std::string out = "{\"countries\": [";
        bool first = true;
        for (size_t i = 0; i < counts.size(); ++i) {
            if (!loaded[i]) continue;
            if (!first) out += ", ";
            first = false;
            out += "{\"name\": " + jsonString(countries->at(i).stringView()) +
                   ", \"waypoints\": " + std::to_string(counts[i]) + "}";
        }
        out += "], \"skipped\": [";
        for (size_t i = 0; i < skipped.size(); ++i) {
            if (i) out += ", ";
            out += "{\"name\": " + jsonString(skipped[i].country.toStdString()) + ", \"reason\": " + jsonString(skipped[i].reason.toStdString()) + "}";
        }
        out += "], \"waypoints\": " + std::to_string(total) + ", \"load_ms\": " + jsonNumber(ms) + "}";
        print(out);
        return 0;
    }
    for (size_t i = 0; i < counts.size(); ++i)
        if (loaded[i]) std::printf("%s %7zu\n", padded(countries->at(i).toQString(), 40).c_str(), counts[i]);
    for (const auto& s : skipped)
        std::printf("skipped: %s (%s)\n", qPrintable(s.country), qPrintable(s.reason));
    std::printf("%zu waypoints in %zu countries, loaded in %.1f ms", total, loadedCount, ms);
    if (!skipped.empty()) std::printf("; %zu country files skipped", skipped.size());
    std::printf("\n");
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
    waypoints::searchByIdentifier(database.database().identifierIndex(), waypoints::searchKeyFor(args[0]), *results);
    if (json) {
        print(toJson(Value(results)));
        return 0;
    }
    for (const Value& item : *results) {
        platform::DictionaryPtr r = item.dictionary();
        std::printf("%s %s %11.6f %11.6f  %s\n", padded(r->get(waypoints::keys::waypointId).toQString(), 8).c_str(),
                    padded(r->get(waypoints::keys::waypointName).toQString(), 40).c_str(),
                    r->get(waypoints::keys::waypointLatitude).doubleValue(),
                    r->get(waypoints::keys::waypointLongitude).doubleValue(),
                    database.countries()->at(static_cast<size_t>(r->get(waypoints::keys::ct).intValue())).toStdString().c_str());
    }
    std::printf("%zu waypoints\n", results->size());
    return 0;
}

const char* const kNearbyUsage =
    "usage: vantrel-tool db nearby LAT LON RADIUS [--units nautical|statute|metric]\n"
    "       the waypoints closer than RADIUS (in the units, nautical miles by default) to the point,\n"
    "       in database order, each with its distance\n";

int nearbyUsage(const QString& problem) {
    std::fprintf(stderr, "%s\n%s", qPrintable(problem), kNearbyUsage);
    return 2;
}

// The unit system of a --units word: its index in the unit settings.
std::optional<int> unitSystemNamed(const QString& word) {
    const QStringList names{QStringLiteral("nautical"), QStringLiteral("statute"), QStringLiteral("metric")};
    qsizetype index = names.indexOf(word);
    return index < 0 ? std::nullopt : std::optional<int>(int(index));
}

int nearby(const QStringList& args, bool json) {
    QStringList numbers;
    units::UnitSettings units;
    units.setSelectedUnit(0);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--units")) {
            std::optional<int> system = i + 1 < args.size() ? unitSystemNamed(args[i + 1]) : std::nullopt;
            if (!system) return nearbyUsage(QStringLiteral("--units wants nautical, statute or metric"));
            units.setSelectedUnit(*system);
            ++i;
        } else {
            numbers.append(args[i]);
        }
    }
    if (numbers.size() != 3) return nearbyUsage(QStringLiteral("db nearby wants a latitude, a longitude and a radius"));
    double value[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        value[i] = numbers[i].toDouble(&ok);
        if (!ok || !std::isfinite(value[i])) return nearbyUsage(QStringLiteral("not a number: %1").arg(numbers[i]));
    }
    const double latitude = value[0], longitude = value[1], radius = value[2];
    if (std::fabs(latitude) > 90 || std::fabs(longitude) > 180 || radius < 0)
        return nearbyUsage(QStringLiteral("the latitude lies within 90 degrees, the longitude within 180, the radius is not negative"));

    loadDatabase();
    auto& database = waypoints::POISelectorPaneController::sharedPOIDatabase();
    waypoints::NearbyArea area{longitude, latitude, radius, units.distanceFactor()};
    platform::ArrayPtr results = platform::Array::create(500);
    waypoints::addNearbyWaypoints(*results, *database.waypointsDB(), area, true);

    auto distanceOf = [](const Value& item) { return waypoints::currentDistance(*item.asDictionary()).value_or(NAN); };
    if (json) {
        std::string out = "{\"latitude\": " + jsonNumber(latitude) + ", \"longitude\": " + jsonNumber(longitude) +
                          ", \"radius\": " + jsonNumber(radius) + ", \"unit\": " +
                          jsonString(units.distanceUnit().toStdString()) +
                          ", \"limit_m\": " + jsonNumber(area.radius * area.distanceFactor) + ", \"waypoints\": [";
        for (size_t i = 0; i < results->size(); ++i) {
            // The record as stored, with its distance, which is no entry of the record itself.
            platform::DictionaryPtr shown = results->at(i).dictionary()->mutableCopy();
            shown->set("current_distance", Value::real(distanceOf(results->at(i))));
            out += (i ? ", " : "") + toJson(Value(shown), false);
        }
        print(out + "]}");
        return 0;
    }
    for (const Value& item : *results) {
        platform::DictionaryPtr r = item.dictionary();
        double metres = distanceOf(item);
        std::printf("%s %s %11.6f %11.6f  %-8s %10.1f m %8.2f %s\n",
                    padded(r->get(waypoints::keys::waypointId).toQString(), 8).c_str(),
                    padded(r->get(waypoints::keys::waypointName).toQString(), 40).c_str(),
                    r->get(waypoints::keys::waypointLatitude).doubleValue(),
                    r->get(waypoints::keys::waypointLongitude).doubleValue(),
                    waypoints::WaypointTypes::nameForType(r->get(waypoints::keys::waypointType).intValue())
                        .toStdString()
                        .c_str(),
                    metres, metres / units.distanceFactor(), units.distanceUnit().toStdString().c_str());
    }
    std::printf("%zu waypoints closer than %g %s\n", results->size(), radius, units.distanceUnit().toStdString().c_str());
    return 0;
}

}  // namespace

int runDbCommand(const QStringList& args, bool json) {
    QString command = args.value(0);
    if (command == QLatin1String("build")) return build(args.mid(1));
    if (command == QLatin1String("info") && args.size() == 1) return info(json);
    if (command == QLatin1String("search")) return search(args.mid(1), json);
    if (command == QLatin1String("nearby")) return nearby(args.mid(1), json);
    std::fputs("usage: vantrel-tool db build|info|search|nearby ...\n", stderr);
    return 2;
}

}  // namespace vantrel::tool
