// vantrel-tool: the command-line companion. Works on the same code as the app: builds and inspects
// the waypoint database, packs and unpacks containers, dumps property lists, computes geodesy and
// replays position sources.

#include "Commands.h"

#include "platform/core/Paths.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstring>
#include <memory>
#include <QStringList>
#include <cstdio>

namespace {

const char* const kUsage =
    "usage: vantrel-tool [--json] [--database DIR] [--documents DIR] COMMAND ...\n"
    "\n"
    "  db build [--csv DIR] [--out DIR]     build the waypoint database from the CSV sources\n"
    "  db info                              countries in load order, waypoint counts, load time\n"
    "  db search PREFIX                     waypoints whose identifier begins with PREFIX\n"
    "  db nearby LAT LON RADIUS [--units nautical|statute|metric]\n"
    "                                       waypoints closer than RADIUS, with their distances\n"
    "  container pack IN OUT                scramble a file into a container\n"
    "  container unpack IN OUT              read a container's plain payload\n"
    "  plist dump FILE                      print an XML or binary plist or a keyed archive\n"
    "                                       (JSON dates: ISO 8601 UTC with microseconds)\n"
    "  geo distance|bearing LON1 LAT1 LON2 LAT2\n"
    "  geo coord VALUE lat|lon\n"
    "  geo great-circle LON1 LAT1 LON2 LAT2 FACTOR\n"
    "  geo magvar LAT LON [ALT_M] [DATE]    magnetic declination at a place and date\n"
    "  gps replay SOURCE                    run every fix of a source through the location manager\n"
    "                                       (with the traffic it carries)\n"
    "  traffic replay FILE                  the traffic targets and alerts after each fix of a recording\n"
    "  logbook list                         the logbook's months and flights as the list shows them\n"
    "  logbook export --csv                 every flight as CSV (UTC times, block and flight time)\n"
    "  logbook track FLIGHT --igc|--gpx [OUT]\n"
    "                                       a flight's recorded track (FLIGHT: \"DATE TIME\" as listed, or its place)\n"
    "  plans list                           the navigation plans with their waypoints and lengths\n"
    "  plans export --gpx NAME              a plan as a GPX 1.1 route\n"
    "  plans import --gpx FILE [--replace]  each route of a GPX file as a plan, its waypoints as one more\n"
    "  airspace import FILE [--replace]     keep an OpenAir file among the pilot's airspace files\n"
    "  airspace list                        the airspace files, on or off, with their airspace counts\n"
    "  airspace at LAT LON [ALT_FT]         the airspaces containing that point (and height, feet MSL)\n"
    "  airspace on|off FILE                 switch a file's airspaces on or off (kept in the user defaults)\n"
    "  plans import --cup FILE [--replace]  a SeeYou CUP file's waypoints as one plan, each task as one more\n"
    "  map build [--source DIR] [--out FILE]\n"
    "                                       build the base map file from the Natural Earth GeoJSON\n"
    "  map info [FILE]                      the base map's levels, tiles, features and size\n"
    "  map render LAT LON SCALE OUT.png [--size WxH] [--scale 2]\n"
    "                                       draw the moving map there (base map and waypoints) to a PNG\n"
    "\n"
    "  --json           print one JSON document\n"
    "  --database DIR   the waypoint database directory (default: the app's bundle)\n"
    "  --documents DIR  the pilot's documents folder (default: the app's)\n"
    "  --version        print the version\n"
    "  COMMAND --help   the usage of one command\n";

const char* const kGroups[] = {"db", "container", "plist", "geo", "gps", "traffic", "logbook", "plans", "airspace", "map"};

bool isGroup(const QString& word) {
    for (const char* group : kGroups)
        if (word == QLatin1String(group)) return true;
    return false;
}

// The usage of one command: its lines of the whole usage (with the lines that continue them)
// and the options every command takes.
QString groupUsage(const QString& group) {
    const QStringList lines = QString::fromLatin1(kUsage).split(QLatin1Char('\n'));
    QString text = QStringLiteral("usage: vantrel-tool [--json] [--database DIR] [--documents DIR] %1 ...\n\n").arg(group);
    bool inGroup = false;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("  ")) && !line.startsWith(QLatin1String("   ")))
            inGroup = line.mid(2).section(QLatin1Char(' '), 0, 0) == group;
        else if (!line.startsWith(QLatin1String("   ")))
            inGroup = false;
        if (inGroup) text += line + QLatin1Char('\n');
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vantrel;
    // The main thread's event loop, as in the app; drawing the map needs the widgets' (offscreen).
    bool drawsMap = false;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "map") == 0 && std::strcmp(argv[i + 1], "render") == 0) drawsMap = true;
    if (drawsMap && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app =
        drawsMap ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QStringList words = QCoreApplication::arguments().mid(1);

    bool json = false;
    bool help = false;
    QStringList rest;
    for (int i = 0; i < words.size(); ++i) {
        const QString& w = words[i];
        if (w == QLatin1String("-h") || w == QLatin1String("--help")) {
            // Before the command: the whole usage; after it: that command's.
            if (rest.isEmpty()) {
                std::fputs(kUsage, stdout);
                return 0;
            }
            help = true;
        } else if (w == QLatin1String("--version") && rest.isEmpty()) {
            std::puts("vantrel-tool " VANTREL_VERSION);
            return 0;
        } else if (w == QLatin1String("--json")) {
            json = true;
        } else if (w == QLatin1String("--database") || w == QLatin1String("--documents")) {
            if (i + 1 >= words.size()) {
                std::fprintf(stderr, "%s needs a folder\n%s", qPrintable(w), kUsage);
                return 2;
            }
            if (w == QLatin1String("--database"))
                platform::Paths::setDatabaseDirectory(words[++i]);
            else
                platform::Paths::setDocumentsDirectory(words[++i]);
        } else if (rest.isEmpty() && w.startsWith(QLatin1Char('-'))) {
            // Only before the command: after it, words with a dash are its own (its options,
            // negative numbers).
            std::fprintf(stderr, "unknown option \"%s\"\n%s", qPrintable(w), kUsage);
            return 2;
        } else {
            rest.append(w);
        }
    }
    if (rest.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    QString group = rest.takeFirst();
    if (help && isGroup(group)) {
        std::fputs(qPrintable(groupUsage(group)), stdout);
        return 0;
    }
    if (group == QLatin1String("db")) return tool::runDbCommand(rest, json);
    if (group == QLatin1String("container")) return tool::runContainerCommand(rest, json);
    if (group == QLatin1String("plist")) return tool::runPlistCommand(rest, json);
    if (group == QLatin1String("geo")) return tool::runGeoCommand(rest, json);
    if (group == QLatin1String("gps")) return tool::runGpsCommand(rest, json);
    if (group == QLatin1String("traffic")) return tool::runTrafficCommand(rest, json);
    if (group == QLatin1String("logbook")) return tool::runLogbookCommand(rest, json);
    if (group == QLatin1String("plans")) return tool::runPlansCommand(rest, json);
    if (group == QLatin1String("airspace")) return tool::runAirspaceCommand(rest, json);
    if (group == QLatin1String("map")) return tool::runMapCommand(rest, json);
    std::fprintf(stderr, "unknown command \"%s\"\n%s", qPrintable(group), kUsage);
    return 2;
}
