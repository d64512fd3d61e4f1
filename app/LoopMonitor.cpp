#include "LoopMonitor.h"

#include "platform/core/Log.h"
#include "platform/ui/PictureMemory.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QMetaEnum>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace vantrel::app {

LoopMonitor::LoopMonitor(double thresholdMs, QObject* parent) : QObject(parent), threshold_(thresholdMs) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &LoopMonitor::tick);
    clock_.start();
    run_.start();
    busyAtTick_ = threadMilliseconds();
    // Opened here, on the main thread: thread-self is the thread that opens it.
    schedstat_ = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    queuedAtTick_ = threadRunQueueMilliseconds();
    processAtTick_ = processMilliseconds();
    rusage faults{};
    if (getrusage(RUSAGE_THREAD, &faults) == 0) {
        minorFaultsAtTick_ = faults.ru_minflt;
        majorFaultsAtTick_ = faults.ru_majflt;
    }
    QCoreApplication::instance()->installEventFilter(this);
    timer_.start();
}

bool LoopMonitor::eventFilter(QObject* watched, QEvent* event) {
    const qint64 now = run_.nsecsElapsed();
    if (lastEvent_.receiver && now - lastEvent_.at > longestEventNs_) {
        longestEventNs_ = now - lastEvent_.at;
        longestEvent_ = lastEvent_;
    }
    lastEvent_ = {now, watched->metaObject()->className(), int(event->type())};
    return false;
}

void LoopMonitor::tick() {
    const double waited = double(clock_.nsecsElapsed()) / 1e6;
    clock_.restart();
    const double busy = threadMilliseconds();
    const double busyInStall = busy - std::exchange(busyAtTick_, busy);
    const double queued = threadRunQueueMilliseconds();
    const double queuedInStall = queued - std::exchange(queuedAtTick_, queued);
    const double process = processMilliseconds();
    const double othersInStall = process - std::exchange(processAtTick_, process) - busyInStall;
    rusage faults{};
    long minor = 0, major = 0;
    if (getrusage(RUSAGE_THREAD, &faults) == 0) {
        minor = faults.ru_minflt - std::exchange(minorFaultsAtTick_, faults.ru_minflt);
        major = faults.ru_majflt - std::exchange(majorFaultsAtTick_, faults.ru_majflt);
    }
    if (waited > longest_) longest_ = waited;
    // The tick itself takes the main thread a few microseconds: what is left is other work.
    if (busyInStall > longestBusy_) longestBusy_ = busyInStall;
    if (waited > threshold_) {
        QString longest = QStringLiteral("nothing");
        if (longestEvent_.receiver)
            longest = QStringLiteral("%1 to %2, %3 ms")
                          .arg(QString::fromLatin1(QMetaEnum::fromType<QEvent::Type>().valueToKey(longestEvent_.type)),
                               QString::fromLatin1(longestEvent_.receiver))
                          .arg(double(longestEventNs_) / 1e6, 0, 'f', 1);
        platform::logLine(
            QStringLiteral(
                "Main loop: stalled %1 ms at %2 s (main thread busy %3 ms, waiting for a processor %4 ms, %7 page faults, "
                "%8 of them read from the disk; other threads busy %6 ms; longest event: %5)")
                .arg(waited, 0, 'f', 1)
                .arg(double(run_.elapsed()) / 1000.0, 0, 'f', 1)
                .arg(busyInStall, 0, 'f', 1)
                .arg(queued < 0 ? QStringLiteral("?") : QString::number(queuedInStall, 'f', 1), longest)
                .arg(std::max(0.0, othersInStall), 0, 'f', 1)
                .arg(minor + major)
                .arg(major));
    }
    // The timer's own event is the last of this turn: the next turn starts counting afresh.
    longestEvent_ = {};
    longestEventNs_ = 0;
    lastEvent_ = {};
}

LoopMonitor::~LoopMonitor() {
    if (schedstat_ >= 0) ::close(schedstat_);
    platform::logLine(QStringLiteral("Main loop: longest stall %1 ms (main thread busy at most %4 ms between two turns) over "
                                     "%2 s; resident memory %3 MB, %5 MB of it pictures waiting to be reused")
                          .arg(longest_, 0, 'f', 1)
                          .arg(double(run_.elapsed()) / 1000.0, 0, 'f', 0)
                          .arg(double(residentKilobytes()) / 1024.0, 0, 'f', 1)
                          .arg(longestBusy_, 0, 'f', 1)
                          .arg(double(platform::ui::unusedPictureBytes()) / double(1 << 20), 0, 'f', 1));
}

double LoopMonitor::thresholdFromEnvironment() {
    bool ok = false;
    const double ms = qEnvironmentVariable("VANTREL_LOOP_MONITOR").toDouble(&ok);
    return ok && ms >= 2 && ms <= 1000 ? ms : kFrameMs;
}

double LoopMonitor::threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double LoopMonitor::processMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double LoopMonitor::threadRunQueueMilliseconds() const {
    // Its second field is the time spent on a run queue, in nanoseconds. Read again from the start
    // at each tick, with plain calls.
    if (schedstat_ < 0) return -1;
    char text[128];
    const ssize_t n = ::pread(schedstat_, text, sizeof text - 1, 0);
    if (n <= 0) return -1;
    text[n] = '\0';
    unsigned long long running = 0, waiting = 0;
    if (std::sscanf(text, "%llu %llu", &running, &waiting) != 2) return -1;
    return double(waiting) / 1e6;
}

long LoopMonitor::residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    // Files of /proc have no size: read what there is rather than asking for the end.
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

}  // namespace vantrel::app
