// airspace import FILE [--replace] | list | at LAT LON [ALT_FT] | on|off FILE: the pilot's airspace files (the
// folder "airspace" in the documents folder) through the same store and index as the app.

#include "Commands.h"
#include "DocumentsWrite.h"
#include "Json.h"

#include "airspace/AirspaceStore.h"

#include <cmath>
#include <cstdio>

namespace vantrel::tool {

using airspace::AirspaceStore;

namespace {

const char* const kAirspaceUsage =
    "usage: vantrel-tool airspace import FILE [--replace]\n"
    "       vantrel-tool [--json] airspace list\n"
    "       vantrel-tool [--json] airspace at LAT LON [ALT_FT]\n"
    "       vantrel-tool airspace on|off FILE\n";

void print(const QString& text) { std::fputs(text.toUtf8().constData(), stdout); }
void warn(const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); }

int usage() {
    std::fputs(kAirspaceUsage, stderr);
    return 2;
}

std::optional<double> number(const QString& word) {
    bool ok = false;
    const double v = word.toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

int importFile(AirspaceStore& store, const QString& path, bool replace) {
    const AirspaceStore::ImportResult r = store.importFile(path, replace);
    const QString counts = QStringLiteral("%1 airspaces read, %2 skipped, %3 lines skipped")
                               .arg(r.airspaces)
                               .arg(r.skippedAirspaces)
                               .arg(r.skippedLines);
    switch (r.outcome) {
    case AirspaceStore::Outcome::Imported:
    case AirspaceStore::Outcome::Replaced:
        print(QStringLiteral("%1 %2: %3\n")
                  .arg(r.outcome == AirspaceStore::Outcome::Imported ? "imported" : "replaced", r.fileName, counts));
        return 0;
    case AirspaceStore::Outcome::Exists:
        warn(QStringLiteral("%1 is already loaded; not replaced without --replace (%2)").arg(r.fileName, counts));
        return 1;
    case AirspaceStore::Outcome::NothingRead:
        warn(QStringLiteral("%1 holds no airspace that reads (%2); nothing imported").arg(path, counts));
        return 1;
    case AirspaceStore::Outcome::Failed:
        warn(QStringLiteral("%1 not imported: %2").arg(path, r.error));
        return 1;
    }
    return 1;
}

int list(const AirspaceStore& store, bool json) {
    const airspace::LoadedAirspaces loaded = store.load();
    if (json) {
        std::string out = "{\"files\": [";
        for (size_t i = 0; i < loaded.files.size(); ++i) {
            const airspace::AirspaceFile& f = loaded.files[i];
            out += i ? ",\n  " : "\n  ";
            out += "{\"file\": " + jsonString(f.fileName.toStdString()) + ", \"enabled\": " + (f.enabled ? "true" : "false") +
                   ", \"airspaces\": " + std::to_string(f.airspaces) + ", \"skippedAirspaces\": " +
                   std::to_string(f.skippedAirspaces) + ", \"skippedLines\": " + std::to_string(f.skippedLines) + "}";
        }
        out += loaded.files.empty() ? "]}\n" : "\n]}\n";
        std::fputs(out.c_str(), stdout);
        return 0;
    }
    if (loaded.files.empty()) {
        print(QStringLiteral("No airspace files\n"));
        return 0;
    }
    for (const airspace::AirspaceFile& f : loaded.files)
        print(QStringLiteral("%1  %2  %3 airspaces%4\n")
                  .arg(f.fileName, f.enabled ? QStringLiteral("on ") : QStringLiteral("off"))
                  .arg(f.airspaces)
                  .arg(f.skippedAirspaces || f.skippedLines
                           ? QStringLiteral(" (%1 skipped, %2 lines skipped)").arg(f.skippedAirspaces).arg(f.skippedLines)
                           : QString()));
    return 0;
}

int at(const AirspaceStore& store, double lat, double lon, std::optional<double> altitude, bool json) {
    const airspace::LoadedAirspaces loaded = store.load();
    const std::vector<size_t> found = loaded.index->containing(lat, lon, altitude);
    if (json) {
        std::string out = "{\"airspaces\": [";
        for (size_t i = 0; i < found.size(); ++i) {
            const airspace::Airspace& a = loaded.index->at(found[i]);
            out += i ? ",\n  " : "\n  ";
            out += "{\"name\": " + jsonString(a.name.toStdString()) + ", \"class\": " +
                   jsonString(a.airspaceClass.toStdString()) + ", \"lower\": " + jsonString(a.lower.text().toStdString()) +
                   ", \"upper\": " + jsonString(a.upper.text().toStdString()) + "}";
        }
        out += found.empty() ? "]}\n" : "\n]}\n";
        std::fputs(out.c_str(), stdout);
        return 0;
    }
    if (found.empty()) print(QStringLiteral("No airspace here\n"));
    for (size_t id : found) {
        const airspace::Airspace& a = loaded.index->at(id);
        print(QStringLiteral("%1  %2  %3 - %4  (%5 line %6)\n")
                  .arg(a.name, a.airspaceClass, a.lower.text(), a.upper.text(), a.origin)
                  .arg(a.line));
    }
    return 0;
}

}  // namespace

int runAirspaceCommand(const QStringList& args, bool json) {
    if (args.isEmpty()) return usage();
    const QString& verb = args[0];
    // The import and the switches write the pilot's files: only while no app holds them.
    std::optional<platform::DocumentsLock> lock;
    const bool writes = verb == QLatin1String("import") || verb == QLatin1String("on") || verb == QLatin1String("off");
    if (writes && !lockDocumentsForWriting(lock, QStringLiteral("Nothing was changed"))) return 1;
    AirspaceStore store(AirspaceStore::defaultFolder());
    if (verb == QLatin1String("import")) {
        const bool replace = args.size() == 3 && args[2] == QLatin1String("--replace");
        if (args.size() != 2 && !replace) return usage();
        return importFile(store, args[1], replace);
    }
    if (verb == QLatin1String("list") && args.size() == 1) return list(store, json);
    if ((verb == QLatin1String("on") || verb == QLatin1String("off")) && args.size() == 2) {
        if (!store.fileNames().contains(args[1])) {
            warn(QStringLiteral("there is no airspace file \"%1\" (see vantrel-tool airspace list)").arg(args[1]));
            return 1;
        }
        store.setEnabled(args[1], verb == QLatin1String("on"));
        return 0;
    }
    if (verb == QLatin1String("at") && (args.size() == 3 || args.size() == 4)) {
        const std::optional<double> lat = number(args[1]), lon = number(args[2]);
        const std::optional<double> alt = args.size() == 4 ? number(args[3]) : std::nullopt;
        if (!lat || !lon || std::abs(*lat) > 90.0 || std::abs(*lon) > 180.0 || (args.size() == 4 && !alt)) {
            warn(QStringLiteral("LAT LON need degrees (-90..90, -180..180) and ALT_FT feet"));
            return 2;
        }
        return at(store, *lat, *lon, alt, json);
    }
    return usage();
}

}  // namespace vantrel::tool
