#pragma once
// Threads and the main thread. The main thread is the one that runs Qt's event loop (the thread
// that created the QCoreApplication).

#include <functional>

namespace vantrel::platform {

bool isMainThread();

// Runs fn on the main thread. With wait, the caller blocks until it has run (directly, when the
// caller is the main thread). Without wait, fn runs on a later turn of the event loop.
void performOnMainThread(std::function<void()> fn, bool waitUntilDone);

// Runs fn once on the calling thread's event loop after the delay. Nothing cancels it.
void performAfterDelay(double seconds, std::function<void()> fn);

// Starts a thread that runs fn and ends.
void detachNewThread(std::function<void()> fn);

// The end of the application: from beginShutdown() on, work handed to the main thread is dropped
// instead of run (a waiting caller returns at once), and long-running threads are expected to
// stop at their next check of isShuttingDown(). waitForDetachedThreads() then lets those threads
// finish, delivering the main-thread calls they are blocked in, for at most the given time.
void beginShutdown();
bool isShuttingDown();
bool waitForDetachedThreads(int timeoutMs);

}  // namespace vantrel::platform
