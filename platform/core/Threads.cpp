#include "Threads.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <QElapsedTimer>

#include <atomic>
#include <cmath>
#include <thread>

namespace vantrel::platform {

namespace {
std::atomic<bool> shuttingDown{false};
std::atomic<int> runningThreads{0};
}  // namespace

bool isMainThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void performOnMainThread(std::function<void()> fn, bool waitUntilDone) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        // No event loop (command-line tools): the caller's thread is the only one there is.
        fn();
        return;
    }
    if (waitUntilDone && isMainThread()) {
        fn();
        return;
    }
    if (shuttingDown) return;
    auto unlessShuttingDown = [fn = std::move(fn)] {
        if (!shuttingDown) fn();
    };
    QMetaObject::invokeMethod(app, std::move(unlessShuttingDown),
                              waitUntilDone ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

void performAfterDelay(double seconds, std::function<void()> fn) {
    int ms = seconds > 0 ? static_cast<int>(std::lround(seconds * 1000.0)) : 0;
    QTimer::singleShot(ms, Qt::PreciseTimer, std::move(fn));
}

void detachNewThread(std::function<void()> fn) {
    ++runningThreads;
    std::thread([fn = std::move(fn)] {
        fn();
        --runningThreads;
    }).detach();
}

void beginShutdown() { shuttingDown = true; }
bool isShuttingDown() { return shuttingDown; }

bool waitForDetachedThreads(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (runningThreads > 0 && timer.elapsed() < timeoutMs) {
        // Deliver the main-thread calls the threads may be blocked in (they are dropped now).
        if (QCoreApplication::instance() && isMainThread()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return runningThreads == 0;
}

}  // namespace vantrel::platform
