// libFuzzer target for a country file end to end: the input is written as the only country file of
// a database folder, which the loader then reads as the app does (the scrambled container, the
// keyed archive, the records into the tree and the identifier index), followed by a search and a
// nearby query over what was loaded. Nothing may crash, and the load must always finish.

#include "FuzzSupport.h"

#include "platform/core/Paths.h"
#include "platform/plist/PropertyList.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/NearbyQuery.h"
#include "waypoints/WaypointDatabase.h"
#include "waypoints/WaypointSearch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using vantrel::platform::Value;
namespace waypoints = vantrel::waypoints;

namespace {

struct Folder {
    QTemporaryDir dir{QDir(QFileInfo::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm") : QDir::tempPath())
                          .filePath(QStringLiteral("vantrel-fuzz-XXXXXX"))};
    Folder() {
        if (!dir.isValid()) vantrel::fuzz::broken("no temporary folder");
        vantrel::platform::Paths::setDatabaseDirectory(dir.path());
        vantrel::platform::Paths::setDocumentsDirectory(dir.path());
        auto states = vantrel::platform::Array::create();
        states->append(Value(QStringLiteral("Vaud")));
        if (!vantrel::platform::plist::writeFile(dir.filePath(QStringLiteral("states.plist")), Value(states)))
            vantrel::fuzz::broken("cannot write states.plist");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::fuzz::quietLog();
    static Folder folder;
    {
        QFile file(folder.dir.filePath(QStringLiteral("Fuzzland.ewpts")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            vantrel::fuzz::broken("cannot write the country file");
    }
    waypoints::ActiveCountriesStore store;
    waypoints::WaypointDatabase database;
    bool done = false;
    database.load(store, [&done](const char* name, vantrel::platform::DictionaryPtr) {
        if (QByteArrayView(name) == "UPDATE_LOAD_DONE") done = true;
    });
    if (!done) vantrel::fuzz::broken("the load did not finish");

    // What a pilot does next with the records: a search by identifier and the nearby list.
    auto results = vantrel::platform::Array::create();
    waypoints::searchByIdentifier(database.identifierIndex(), waypoints::searchKeyFor(QStringLiteral("L")), *results);
    auto nearby = vantrel::platform::Array::create();
    waypoints::addNearbyWaypoints(*nearby, *database.waypointsDB(), {6.5, 46.5, 100.0, 1852.0}, true);
    return 0;
}
