// plans list | export --gpx NAME | import --gpx|--cup FILE [--replace]: the pilot's navigation plans
// (the folder "navplans" in the documents folder) through the same store as the app.

#include "Commands.h"
#include "Json.h"

#include "navplans/NavPlanKeys.h"
#include "navplans/NavPlanStore.h"
#include "navplans/PlanCoordinates.h"
#include "navplans/PlanGpx.h"
#include "navplans/PlanImport.h"

#include "DocumentsWrite.h"
#include "platform/core/DocumentsLock.h"
#include "platform/core/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cstdio>
#include <optional>

namespace vantrel::tool {

using navplans::NavPlanStore;
using platform::Dictionary;
using platform::DictionaryPtr;
using platform::Value;

namespace {

const char* const kPlansUsage =
    "usage: vantrel-tool [--json] plans list\n"
    "       vantrel-tool plans export --gpx NAME\n"
    "       vantrel-tool plans import --gpx FILE [--replace]\n"
    "       vantrel-tool plans import --cup FILE [--replace]\n";

constexpr double kMetresPerNauticalMile = 1852.0;

void print(const QByteArray& text) { std::fwrite(text.constData(), 1, size_t(text.size()), stdout); }
void warn(const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); }

QString nameOf(const Dictionary& record) {
    const Value name = record.get(navplans::keys::waypointName);
    return name.isString() ? name.toQString() : QString();
}

platform::ArrayPtr waypointsOf(const Dictionary& plan) {
    platform::ArrayPtr waypoints = plan.get(navplans::keys::wp).array();
    return waypoints ? waypoints : platform::Array::create();
}

// [{"name": ..., "file": ..., "length_m": metres or null, "waypoints": [records as stored]}, ...]
void listJson(const NavPlanStore& store) {
    platform::ArrayPtr plans = platform::Array::create();
    for (const Value& entry : *store.navigationPlansArray()) {
        const DictionaryPtr plan = entry.dictionary();
        const platform::ArrayPtr waypoints = waypointsOf(*plan);
        const std::optional<double> length = navplans::planLengthMetres(*waypoints);
        DictionaryPtr shown = Dictionary::create(4);
        shown->set("name", plan->get(navplans::keys::waypointName));
        shown->set("file", Value(store.fileNameOf(plan)));
        shown->set("length_m", length ? Value::real(*length) : Value());
        shown->set("waypoints", Value(waypoints));
        plans->append(Value(shown));
    }
    print(QByteArray::fromStdString(toJson(Value(plans))) + '\n');
}

// One line per plan (name, file, waypoints, length), then one per waypoint as stored.
void listText(const NavPlanStore& store) {
    if (store.navigationPlansArray()->empty()) {
        print("No navigation plans\n");
        return;
    }
    for (const Value& entry : *store.navigationPlansArray()) {
        const DictionaryPtr plan = entry.dictionary();
        const platform::ArrayPtr waypoints = waypointsOf(*plan);
        const std::optional<double> length = navplans::planLengthMetres(*waypoints);
        const QString name = nameOf(*plan);
        print(QStringLiteral("%1  (%2)  %3 waypoint%4, %5\n")
                  .arg(name.isEmpty() ? QStringLiteral("(no name)") : name, store.fileNameOf(plan))
                  .arg(waypoints->size())
                  .arg(waypoints->size() == 1 ? "" : "s")
                  .arg(length ? QStringLiteral("%1 NM").arg(*length / kMetresPerNauticalMile, 0, 'f', 1)
                              : QStringLiteral("length unknown (a waypoint has no usable position)"))
                  .toUtf8());
        for (size_t i = 0; i < waypoints->size(); ++i) {
            const Dictionary* waypoint = waypoints->at(i).asDictionary();
            if (!waypoint) {
                print(QStringLiteral("  %1. (not a waypoint record)\n").arg(i + 1).toUtf8());
                continue;
            }
            const QString note = navplans::recordText(waypoint->get(navplans::keys::misc));
            print(QStringLiteral("  %1. %2  %3, %4%5\n")
                      .arg(i + 1)
                      .arg(nameOf(*waypoint),
                           navplans::recordText(waypoint->get(navplans::keys::waypointLatitude)),
                           navplans::recordText(waypoint->get(navplans::keys::waypointLongitude)),
                           note.isEmpty() ? QString() : QStringLiteral("  \"%1\"").arg(note))
                      .toUtf8());
        }
    }
}

// The plan with that name, or else the plan in the file of that name (with or without ".nav").
int exportGpx(const NavPlanStore& store, const QString& wanted) {
    std::vector<DictionaryPtr> found = store.plansNamed(wanted);
    if (found.empty()) {
        for (const Value& entry : *store.navigationPlansArray()) {
            const QString file = store.fileNameOf(entry.dictionary());
            if (file == wanted || file == wanted + QStringLiteral(".nav")) found.push_back(entry.dictionary());
        }
    }
    if (found.empty()) {
        warn(QStringLiteral("there is no plan named \"%1\" (see vantrel-tool plans list)").arg(wanted));
        return 1;
    }
    if (found.size() > 1) {
        QStringList files;
        for (const DictionaryPtr& plan : found) files << store.fileNameOf(plan);
        warn(QStringLiteral("%1 plans are named \"%2\" (%3); give the file name instead")
                 .arg(found.size())
                 .arg(wanted, files.join(QStringLiteral(", "))));
        return 1;
    }
    navplans::gpx::Export gpx = navplans::gpx::routeDocument(*found.front());
    for (const QString& line : gpx.skipped) warn(QStringLiteral("plan \"%1\": %2").arg(nameOf(*found.front()), line));
    print(gpx.document);
    return 0;
}

// "Name", then "Name (2)", ... for a name already taken by a plan of this same import.
QString unusedName(const QString& name, QSet<QString>& used) {
    QString candidate = name;
    for (int n = 2; used.contains(candidate); ++n) candidate = QStringLiteral("%1 (%2)").arg(name).arg(n);
    used.insert(candidate);
    return candidate;
}

// A GPX or CUP file, as the flag says, through the same reader as the app's import.
int importPlans(NavPlanStore& store, const QString& path, navplans::PlanFileKind kind, bool replace) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        warn(QStringLiteral("%1: %2").arg(path, file.errorString()));
        return 1;
    }
    const navplans::gpx::Import gpx = navplans::readPlanFile(path, file.readAll(), kind);
    if (!gpx.error.isEmpty()) {
        warn(QStringLiteral("%1: %2; nothing imported").arg(path, gpx.error));
        return 1;
    }
    int status = 0;
    for (const QString& line : gpx.refused) {
        warn(QStringLiteral("%1: %2").arg(path, line));
        status = 1;
    }
    if (gpx.tracksSkipped > 0)
        warn(QStringLiteral("%1: %2 track(s) left out: plans hold routes and waypoints").arg(path).arg(gpx.tracksSkipped));
    if (gpx.plans.empty()) {
        warn(QStringLiteral("%1 holds no route and no waypoint; nothing imported").arg(path));
        return 1;
    }
    QSet<QString> used;
    for (const DictionaryPtr& plan : gpx.plans) {
        const QString name = unusedName(nameOf(*plan), used);
        const NavPlanStore::SaveResult saved =
            store.savePlan(plan, name, replace ? NavPlanStore::SameName::Replace : NavPlanStore::SameName::Keep);
        const size_t count = waypointsOf(*plan)->size();
        switch (saved.outcome) {
        case NavPlanStore::Outcome::Written:
        case NavPlanStore::Outcome::Replaced:
            print(QStringLiteral("%1 \"%2\" (%3 waypoint%4) as %5\n")
                      .arg(saved.outcome == NavPlanStore::Outcome::Written ? "imported" : "replaced", nameOf(*plan))
                      .arg(count)
                      .arg(count == 1 ? "" : "s")
                      .arg(saved.fileName)
                      .toUtf8());
            break;
        case NavPlanStore::Outcome::Exists:
            warn(QStringLiteral("\"%1\" is already a plan (%2); not imported without --replace").arg(name, saved.fileName));
            status = 1;
            break;
        case NavPlanStore::Outcome::Failed:
            warn(QStringLiteral("\"%1\" could not be written").arg(name));
            status = 1;
            break;
        }
    }
    return status;
}

}  // namespace

int runPlansCommand(const QStringList& args, bool json) {
    const bool list = args == QStringList{QStringLiteral("list")};
    const bool exporting = args.size() == 3 && args[0] == QLatin1String("export") && args[1] == QLatin1String("--gpx");
    const bool importing = (args.size() == 3 || (args.size() == 4 && args[3] == QLatin1String("--replace"))) &&
                           args[0] == QLatin1String("import") &&
                           (args[1] == QLatin1String("--gpx") || args[1] == QLatin1String("--cup"));
    if (!list && !exporting && !importing) {
        std::fputs(kPlansUsage, stderr);
        return 2;
    }
    // An import writes the pilot's files: only while no app (and no other import) holds them.
    std::optional<platform::DocumentsLock> lock;
    if (importing && !lockDocumentsForWriting(lock, QStringLiteral("Nothing was imported"))) return 1;
    NavPlanStore store(NavPlanStore::defaultFolder());
    if (store.savePath().isEmpty()) {
        warn(QStringLiteral("there is no documents folder"));
        return 1;
    }
    if (exporting) return exportGpx(store, args[2]);
    if (importing)
        return importPlans(store, args[2], args[1] == QLatin1String("--cup") ? navplans::PlanFileKind::Cup : navplans::PlanFileKind::Gpx,
                           args.size() == 4);
    if (json)
        listJson(store);
    else
        listText(store);
    return 0;
}

}  // namespace vantrel::tool
