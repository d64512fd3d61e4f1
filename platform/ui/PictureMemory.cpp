#include "PictureMemory.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vantrel::platform::ui {

namespace {

using Clock = std::chrono::steady_clock;

struct Mapping {
    void* start = nullptr;
    std::size_t length = 0;
    Clock::time_point unusedSince;
};

struct Unused {
    std::mutex lock;
    std::vector<Mapping> mappings;  // oldest first
    bool releaseScheduled = false;
    std::size_t readyLength = 0;  // the length kept ready, 0 for none
    bool readyCheckQueued = false;
    bool preparing = false;  // a worker is making the ready mapping
};

// Never destroyed: a picture may go while the program's statics are torn down.
Unused& unused() {
    static auto* instance = new Unused;
    return *instance;
}

void releaseAtMain();

// The newest mapping of the length kept ready, which no timer gives back.
const Mapping* keptReady(const Unused& u) {
    const auto ready = std::find_if(u.mappings.rbegin(), u.mappings.rend(),
                                    [&u](const Mapping& m) { return m.length == u.readyLength; });
    return ready == u.mappings.rend() ? nullptr : &*ready;
}

// Asks the main loop to look at the unused mappings once their time may be up.
void scheduleRelease(Unused& u) {
    if (u.releaseScheduled) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    u.releaseScheduled = true;
    QMetaObject::invokeMethod(app, [] { QTimer::singleShot(kUnusedMappingMs, Qt::CoarseTimer, releaseAtMain); },
                              Qt::QueuedConnection);
}

void releaseAtMain() {
    {
        std::lock_guard guard(unused().lock);
        unused().releaseScheduled = false;
    }
    releaseUnusedPictures(false);
    std::lock_guard guard(unused().lock);
    if (unused().mappings.size() > (keptReady(unused()) ? 1u : 0u)) scheduleRelease(unused());
}

// Adds a mapping to those waiting; the oldest beyond the most that wait go back to the system.
void addUnused(Mapping kept, bool release) {
    kept.unusedSince = Clock::now();
    std::vector<Mapping> surplus;
    {
        Unused& u = unused();
        std::lock_guard guard(u.lock);
        u.mappings.push_back(kept);
        while (int(u.mappings.size()) > kMostUnusedMappings) {
            surplus.push_back(u.mappings.front());
            u.mappings.erase(u.mappings.begin());
        }
        if (release) scheduleRelease(u);
    }
    for (const Mapping& m : surplus) munmap(m.start, m.length);
}

void letGo(void* info) {
    auto* mapping = static_cast<Mapping*>(info);
    addUnused(*mapping, true);
    delete mapping;
}

// Maps length bytes and writes every page of them, so that the first picture drawn there meets
// no page fault: on a worker thread, off the main loop, and only when a processor has nothing
// else to do, so that it never takes one from the main loop.
void prepareReady(std::size_t length) {
    sched_param idle{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
    void* mapped = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped != MAP_FAILED) {
        static const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
        for (std::size_t at = 0; at < length; at += page) static_cast<volatile char*>(mapped)[at] = 0;
    }
    {
        std::lock_guard guard(unused().lock);
        unused().preparing = false;
    }
    // A mapping kept ready is not given back on a timer: nothing to schedule. (Should the size
    // kept ready have changed meanwhile, it goes at the next look the main loop takes.)
    if (mapped != MAP_FAILED) addUnused({mapped, length, {}}, false);
}

// On the main loop, a little after a picture of the length kept ready was taken: a worker makes
// one when none of that length waits.
void checkReady() {
    std::size_t length = 0;
    {
        Unused& u = unused();
        std::lock_guard guard(u.lock);
        u.readyCheckQueued = false;
        if (u.readyLength == 0 || u.preparing || keptReady(u)) return;
        u.preparing = true;
        length = u.readyLength;
    }
    try {
        std::thread(prepareReady, length).detach();
    } catch (const std::system_error&) {
        std::lock_guard guard(unused().lock);
        unused().preparing = false;  // no thread to be had: the next picture maps its own
    }
}

// Asks the main loop to look at the mapping kept ready a little after the screen shown has drawn:
// a picture taken during a rebuild often comes back before the rebuild ends, and the worker's
// page faults keep out of the way of that first frame.
void queueReadyCheck(Unused& u) {
    if (u.readyLength == 0 || u.readyCheckQueued) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    u.readyCheckQueued = true;
    QMetaObject::invokeMethod(app, [] { QTimer::singleShot(kReadyCheckDelayMs, checkReady); }, Qt::QueuedConnection);
}

// The bytes that newPicture maps for a picture (whole pages), or 0 for a plain image.
std::size_t mappedLength(QSize pixels, QImage::Format format, qsizetype* line = nullptr) {
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype perLine = ((qsizetype(pixels.width()) * depth + 31) / 32) * 4;
    if (line) *line = perLine;
    const qsizetype bytes = perLine * pixels.height();
    if (pixels.isEmpty() || depth < 8 || bytes < kMappedPictureBytes) return 0;
    static const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    return (std::size_t(bytes) + page - 1) / page * page;
}

// A mapping of length bytes (whole pages): one let go if there is one of that length, otherwise a
// new one.
void* takeMapping(std::size_t length) {
    {
        Unused& u = unused();
        std::lock_guard guard(u.lock);
        if (length == u.readyLength) queueReadyCheck(u);
        for (auto it = u.mappings.rbegin(); it != u.mappings.rend(); ++it)
            if (it->length == length) {
                void* start = it->start;
                u.mappings.erase(std::next(it).base());
                return start;
            }
    }
    void* mapped = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return mapped == MAP_FAILED ? nullptr : mapped;
}

QImage plainPicture(QSize pixels, QImage::Format format, qreal scale) {
    QImage plain(pixels, format);
    plain.setDevicePixelRatio(scale);
    return plain;
}

}  // namespace

QImage newPicture(QSize pixels, QImage::Format format, qreal scale) {
    qsizetype line = 0;
    const std::size_t length = mappedLength(pixels, format, &line);
    if (length == 0) return plainPicture(pixels, format, scale);
    void* start = takeMapping(length);
    if (!start) return plainPicture(pixels, format, scale);
    auto* mapping = new Mapping{start, length, {}};
    QImage picture(static_cast<uchar*>(start), pixels.width(), pixels.height(), line, format, letGo, mapping);
    picture.setDevicePixelRatio(scale);
    return picture;
}

void keepPictureReady(QSize pixels, QImage::Format format) {
    Unused& u = unused();
    std::lock_guard guard(u.lock);
    u.readyLength = mappedLength(pixels, format);
    queueReadyCheck(u);
}

qsizetype unusedPictureBytes() {
    Unused& u = unused();
    std::lock_guard guard(u.lock);
    qsizetype total = 0;
    for (const Mapping& m : u.mappings) total += qsizetype(m.length);
    return total;
}

void releaseUnusedPictures(bool everything) {
    std::vector<Mapping> expired;
    {
        Unused& u = unused();
        std::lock_guard guard(u.lock);
        const Clock::time_point due = Clock::now() - std::chrono::milliseconds(kUnusedMappingMs);
        // The newest of the length kept ready stays for the next picture.
        const Mapping* kept = everything ? nullptr : keptReady(u);
        std::vector<Mapping> staying;
        for (const Mapping& m : u.mappings) {
            if (&m != kept && (everything || m.unusedSince <= due)) expired.push_back(m);
            else staying.push_back(m);
        }
        u.mappings = std::move(staying);
    }
    for (const Mapping& m : expired) munmap(m.start, m.length);
}

}  // namespace vantrel::platform::ui
