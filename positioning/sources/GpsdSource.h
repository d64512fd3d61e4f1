#pragma once
// Fixes from a gpsd daemon through libgps. A worker thread connects, watches in JSON and reads the
// TPV reports; gpsd sends several per epoch as it learns more, so the reports of one time are
// merged and the epoch is delivered once it is complete (a new time, or 200 ms of quiet). The
// accuracy is gpsd's horizontal error estimate (eph, else from epx and epy). A lost or refused
// connection, gpsd reporting no fix, or no report for ten seconds (a receiver gone quiet while
// gpsd stays up) is a failure; the worker reconnects every few seconds after a lost connection and
// goes on watching after a silence.
//
// Ownership: owns its worker thread, which it stops and joins when destroyed (a connect to a host
// that does not answer can hold that up to the system's connect timeout).
// Threads: created, started and destroyed on the main thread; handlers run on the main thread.

#include "positioning/PositionSource.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vantrel::positioning {

class GpsdSource : public PositionSource {
    Q_OBJECT
public:
    static constexpr const char* kDefaultHost = "localhost";
    static constexpr const char* kDefaultPort = "2947";
    static constexpr int kReconnectSeconds = 3;
    static constexpr int kSilenceMs = 10000;

    GpsdSource(QString host, QString port, QObject* parent = nullptr);
    ~GpsdSource() override;

    void startUpdatingLocation() override;
    QString description() const override;
    // How long without a position report is a failure (before start; tests shorten it).
    void setSilenceMs(int ms) { silenceMs_ = ms; }

private:
    void run();
    bool waitBeforeReconnect();
    void post(std::function<void()> fn);

    QString host_;
    QString port_;
    int silenceMs_ = kSilenceMs;
    std::thread worker_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
};

}  // namespace vantrel::positioning
