#include "LoopMonitor.h"

#include "platform/core/Log.h"

#include <QFile>

#include <ctime>
#include <utility>

namespace vantrel::app {

LoopMonitor::LoopMonitor(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        const double waited = double(clock_.nsecsElapsed()) / 1e6;
        clock_.restart();
        const double busy = threadMilliseconds();
        const double busyInStall = busy - std::exchange(busyAtTick_, busy);
        if (waited > longest_) longest_ = waited;
        // The tick itself takes the main thread a few microseconds: what is left is other work.
        if (busyInStall > longestBusy_) longestBusy_ = busyInStall;
        if (waited > kFrameMs)
            platform::logLine(QStringLiteral("Main loop: stalled %1 ms at %2 s (main thread busy %3 ms)")
                                  .arg(waited, 0, 'f', 1)
                                  .arg(double(run_.elapsed()) / 1000.0, 0, 'f', 1)
                                  .arg(busyInStall, 0, 'f', 1));
    });
    clock_.start();
    run_.start();
    busyAtTick_ = threadMilliseconds();
    timer_.start();
}

LoopMonitor::~LoopMonitor() {
    platform::logLine(QStringLiteral("Main loop: longest stall %1 ms (main thread busy at most %4 ms between two turns) over "
                                     "%2 s; resident memory %3 MB")
                          .arg(longest_, 0, 'f', 1)
                          .arg(double(run_.elapsed()) / 1000.0, 0, 'f', 0)
                          .arg(double(residentKilobytes()) / 1024.0, 0, 'f', 1)
                          .arg(longestBusy_, 0, 'f', 1));
}

double LoopMonitor::threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
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
