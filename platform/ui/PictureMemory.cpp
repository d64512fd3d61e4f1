#include "PictureMemory.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
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
};

// Never destroyed: a picture may go while the program's statics are torn down.
Unused& unused() {
    static auto* instance = new Unused;
    return *instance;
}

void releaseAtMain();

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
    if (!unused().mappings.empty()) scheduleRelease(unused());
}

void letGo(void* info) {
    auto* mapping = static_cast<Mapping*>(info);
    Mapping kept = *mapping;
    delete mapping;
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
        scheduleRelease(u);
    }
    for (const Mapping& m : surplus) munmap(m.start, m.length);
}

// A mapping of length bytes (whole pages): one let go if there is one of that length, otherwise a
// new one.
void* takeMapping(std::size_t length) {
    {
        Unused& u = unused();
        std::lock_guard guard(u.lock);
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
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype line = ((qsizetype(pixels.width()) * depth + 31) / 32) * 4;
    const qsizetype bytes = line * pixels.height();
    if (pixels.isEmpty() || depth < 8 || bytes < kMappedPictureBytes) return plainPicture(pixels, format, scale);
    static const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::size_t length = (std::size_t(bytes) + page - 1) / page * page;
    void* start = takeMapping(length);
    if (!start) return plainPicture(pixels, format, scale);
    auto* mapping = new Mapping{start, length, {}};
    QImage picture(static_cast<uchar*>(start), pixels.width(), pixels.height(), line, format, letGo, mapping);
    picture.setDevicePixelRatio(scale);
    return picture;
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
        while (!u.mappings.empty() && (everything || u.mappings.front().unusedSince <= due)) {
            expired.push_back(u.mappings.front());
            u.mappings.erase(u.mappings.begin());
        }
    }
    for (const Mapping& m : expired) munmap(m.start, m.length);
}

}  // namespace vantrel::platform::ui
