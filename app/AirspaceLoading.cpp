#include "AirspaceLoading.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Threads.h"

#include <mutex>
#include <optional>

namespace vantrel::app {

using airspace::AirspaceLibrary;
using airspace::AirspaceStore;

namespace {
// Held around a whole load and its publication.
std::mutex& loadLock() {
    static std::mutex lock;
    return lock;
}

// The background reload: at most one worker, and whether it must go round once more.
struct Reloader {
    std::mutex mutex;
    bool running = false;
    bool again = false;
    std::optional<AirspaceStore> store;
};
Reloader& reloader() {
    static Reloader r;
    return r;
}

// The poster of the notifications.
const int kPoster = 0;

QString counted(qsizetype n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}
}  // namespace

QString describeAirspaceLoad(const airspace::LoadedAirspaces& loaded) {
    QStringList off, nothing, skipped;
    int on = 0;
    for (const airspace::AirspaceFile& file : loaded.files) {
        if (!file.enabled) {
            off << file.fileName;
            continue;
        }
        ++on;
        if (file.airspaces == 0) nothing << file.fileName;
        QStringList parts;
        if (file.skippedAirspaces > 0) parts << counted(file.skippedAirspaces, "airspace", "airspaces");
        if (file.skippedLines > 0) parts << counted(file.skippedLines, "line", "lines");
        if (!parts.isEmpty()) skipped << QStringLiteral("%1 (%2)").arg(file.fileName, parts.join(QStringLiteral(", ")));
    }
    if (loaded.files.empty()) return QStringLiteral("Airspace: no airspace files");
    QString line = QStringLiteral("Airspace: %1 from %2")
                       .arg(counted(qsizetype(loaded.index ? loaded.index->size() : 0), "airspace", "airspaces"),
                            counted(on, "file", "files"));
    if (!off.isEmpty()) line += QStringLiteral("; off: %1").arg(off.join(QStringLiteral(", ")));
    if (!nothing.isEmpty()) line += QStringLiteral("; nothing read from %1").arg(nothing.join(QStringLiteral(", ")));
    if (!skipped.isEmpty()) line += QStringLiteral("; skipped in %1").arg(skipped.join(QStringLiteral(", ")));
    return line;
}

namespace {
void loadAndPublish(const AirspaceStore& store) {
    std::lock_guard lock(loadLock());
    airspace::LoadedAirspaces loaded = store.load();
    platform::logLine(describeAirspaceLoad(loaded));
    AirspaceLibrary::shared().publish(std::move(loaded));
}

void postDidChange(bool wait) {
    platform::performOnMainThread(
        [] { platform::NotificationCenter::defaultCenter().postNotificationName(kAirspaceDidChange, &kPoster); }, wait);
}
}  // namespace

void loadAirspaceFiles(const AirspaceStore& store) {
    loadAndPublish(store);
    postDidChange(!platform::isMainThread());
}

void reloadAirspaceFilesInBackground(const AirspaceStore& store) {
    Reloader& r = reloader();
    {
        std::lock_guard lock(r.mutex);
        r.store = store;
        if (r.running) {
            r.again = true;
            return;
        }
        r.running = true;
        r.again = false;
    }
    platform::detachNewThread([&r] {
        for (;;) {
            std::optional<AirspaceStore> store;
            {
                std::lock_guard lock(r.mutex);
                store = r.store;
                r.again = false;
            }
            loadAndPublish(*store);
            std::lock_guard lock(r.mutex);
            // Queued before the worker counts as done: whoever sees it done finds the post waiting.
            postDidChange(false);
            if (!r.again || platform::isShuttingDown()) {
                r.running = false;
                return;
            }
        }
    });
}

bool isReloadingAirspaceFiles() {
    Reloader& r = reloader();
    std::lock_guard lock(r.mutex);
    return r.running;
}

}  // namespace vantrel::app
