// libFuzzer target for a plan file as the plan list reads it: any bytes as the one file of a plans
// folder. The listing reads the file's name only; the plan is then read whole. Whatever the bytes,
// the folder lists one row that reads whole, and a file that is no named plan is never written
// over by saving a plan of the name it listed under.

#include "FuzzSupport.h"

#include "navplans/NavPlanStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using vantrel::navplans::NavPlanStore;
    vantrel::fuzz::quietLog();
    static QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/navplans");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QByteArray bytes = vantrel::fuzz::bytesOf(data, size);
    {
        QFile file(folder + QStringLiteral("/Plan.nav"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) vantrel::fuzz::broken("cannot lay out the file");
    }
    NavPlanStore store(folder);
    if (store.planCount() != 1) vantrel::fuzz::broken("one file must list as one row");
    const QString listed = store.planNameAt(0);
    const vantrel::platform::DictionaryPtr plan = store.planAt(0);
    if (!plan || !store.isLoaded(0)) vantrel::fuzz::broken("a row must read whole");
    const QString read = store.planNameAt(0);
    NavPlanStore::waypointsOf(*plan);
    const vantrel::platform::DictionaryPtr other = NavPlanStore::newPlan();
    store.savePlan(other, listed.isEmpty() ? QStringLiteral("Plan") : listed);
    QFile file(folder + QStringLiteral("/Plan.nav"));
    if (read.isEmpty() && (!file.open(QIODevice::ReadOnly) || file.readAll() != bytes))
        vantrel::fuzz::broken("a file that is no plan was written over");
    return 0;
}
