#pragma once
// A measure of the app's smoothness for long runs (VANTREL_LOOP_MONITOR=1): a timer asks the main
// loop for a turn every 4 ms and records the longest time between two of its turns: 4 ms when the
// loop is idle, and otherwise at least as long as the loop was busy with something else (a frame,
// a fix, a list), up to one tick more, so that a stall is never under-counted. A stall longer than
// a frame is logged when it happens, with the processor time the main thread itself spent in it
// and the time it was ready to run but waited for a processor (the kernel's run-queue delay); the
// rest of the stall it was blocked, on a lock or on the disk. The processor time of the app's
// other threads in the stall tells whether they had the processors meanwhile, and the main
// thread's page faults in it whether it waited for memory read back from the disk. It also names
// the event that took longest in the stall (the time from its delivery to the next event's: a
// paint event to the compass, a mouse release to the tab bar). At the end of the run one line
// gives the longest stall, the most the main thread itself worked between two turns, and the
// resident memory at that moment.
//
// Threads: main thread only. A Qt child of whatever it is given.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace vantrel::app {

class LoopMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 4;
    static constexpr double kFrameMs = 16.0;  // by default a stall longer than a frame is logged

    // Logs each stall longer than thresholdMs as it happens.
    LoopMonitor(double thresholdMs, QObject* parent);
    // The threshold that VANTREL_LOOP_MONITOR gives: a number of milliseconds from 2 up, otherwise
    // (1, or anything else) a frame.
    static double thresholdFromEnvironment();
    ~LoopMonitor() override;

    // The longest stall so far, in milliseconds, and the resident memory of the process in kB.
    double longestStallMs() const { return longest_; }
    static long residentKilobytes();
    // Processor time of the calling thread, in milliseconds.
    static double threadMilliseconds();
    // Processor time of the whole process, in milliseconds.
    static double processMilliseconds();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tick();
    // How long the main thread has been ready to run but waiting for a processor, in
    // milliseconds; -1 when the kernel does not say.
    double threadRunQueueMilliseconds() const;

    QTimer timer_;
    QElapsedTimer clock_;
    QElapsedTimer run_;
    double threshold_;
    double longest_ = 0;
    double busyAtTick_ = 0;  // threadMilliseconds() at the last tick
    int schedstat_ = -1;  // the main thread's scheduler figures, open for the monitor's life
    double queuedAtTick_ = 0;  // threadRunQueueMilliseconds() at the last tick
    double processAtTick_ = 0;  // processMilliseconds() at the last tick
    long minorFaultsAtTick_ = 0;  // the main thread's page faults at the last tick
    long majorFaultsAtTick_ = 0;
    double longestBusy_ = 0;  // the most the main thread itself worked between two ticks
    // The events delivered since the last tick: when the last began, what it was, and the longest.
    struct Step {
        qint64 at = 0;  // nanoseconds since the monitor started (run_)
        const char* receiver = nullptr;
        int type = 0;
    };
    Step lastEvent_;
    Step longestEvent_;
    qint64 longestEventNs_ = 0;
};

}  // namespace vantrel::app
