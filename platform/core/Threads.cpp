#include "Threads.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <QElapsedTimer>

#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace vantrel::platform {

namespace {
std::atomic<bool> shuttingDown{false};
std::atomic<int> runningThreads{0};
}  // namespace

// The calls handed to the main thread. Each waits in `calls` under `callsMutex` until the main
// thread's receiver runs it by number. The queued event carries only that number: the closure is
// handed over under our own mutex rather than inside Qt's event queue, which ThreadSanitizer cannot
// see into (Qt is not instrumented), so a closure made on a worker and run on the main thread is
// ordered for it as it is in fact.
class MainThreadCalls : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~MainThreadCalls() override;
    Q_INVOKABLE void run(quint64 id);
};

namespace {
std::mutex callsMutex;
std::unordered_map<quint64, std::function<void()>> calls;
quint64 lastCall = 0;
std::atomic<MainThreadCalls*> receiver{nullptr};

// Made with each application object, on its thread, as its child.
void makeReceiver() { receiver = new MainThreadCalls(QCoreApplication::instance()); }
}  // namespace

MainThreadCalls::~MainThreadCalls() {
    MainThreadCalls* self = this;
    receiver.compare_exchange_strong(self, nullptr);
}

void MainThreadCalls::run(quint64 id) {
    std::function<void()> fn;
    {
        std::lock_guard lock(callsMutex);
        auto it = calls.find(id);
        if (it == calls.end()) return;
        fn = std::move(it->second);
        calls.erase(it);
    }
    if (!shuttingDown) fn();
    fn = nullptr;
    // A caller waiting for this call takes the mutex once it is released: what fn did is then
    // ordered before the caller goes on.
    std::lock_guard lock(callsMutex);
}

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
    MainThreadCalls* to = receiver;
    if (!to) {
        // No receiver made with this application object: the closure goes in Qt's event.
        auto unlessShuttingDown = [fn = std::move(fn)] {
            if (!shuttingDown) fn();
        };
        QMetaObject::invokeMethod(app, std::move(unlessShuttingDown),
                                  waitUntilDone ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
        return;
    }
    quint64 id;
    {
        std::lock_guard lock(callsMutex);
        id = ++lastCall;
        calls.emplace(id, std::move(fn));
    }
    QMetaObject::invokeMethod(to, "run", waitUntilDone ? Qt::BlockingQueuedConnection : Qt::QueuedConnection,
                              Q_ARG(quint64, id));
    if (waitUntilDone) {
        std::lock_guard lock(callsMutex);
    }
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

namespace {
void makeMainThreadReceiver() { vantrel::platform::makeReceiver(); }
}  // namespace
Q_COREAPP_STARTUP_FUNCTION(makeMainThreadReceiver)

#include "Threads.moc"
