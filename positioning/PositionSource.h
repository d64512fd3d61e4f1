#pragma once
// The one interface behind which every position source sits: gpsd, NMEA 0183 streams, recorded
// tracks (NMEA or IGC files) and the simulator. A source delivers fixes, failures and, where it
// has them, accelerometer samples (in g, the device's axes) to the handlers its owner sets.
//
// Ownership: the owner (the location manager, or a tool) holds the source in a unique_ptr.
// Threads: created, started and destroyed on the main thread; every handler runs on the main thread.

#include "Fix.h"

#include <QObject>
#include <QString>

#include <functional>

namespace vantrel::positioning {

class PositionSource : public QObject {
    Q_OBJECT
public:
    struct Handlers {
        std::function<void(const Fix&)> fix;
        std::function<void(const QString& error)> failure;
        std::function<void(double x, double y, double z)> acceleration;
        std::function<void()> finished;  // a recording has played to its end
    };

    enum class Pacing { RealTime, AsFastAsPossible };

    ~PositionSource() override;

    void setHandlers(Handlers handlers) { handlers_ = std::move(handlers); }

    // Starts delivering. Live sources keep reconnecting after a failure until destroyed.
    virtual void startUpdatingLocation() = 0;

    // "gpsd at localhost:2947", "NMEA file track.nmea", ...
    virtual QString description() const = 0;

    // Recorded sources can deliver every fix at once (AsFastAsPossible, before start returns);
    // live ones cannot and answer false.
    virtual bool setPacing(Pacing pacing);

protected:
    explicit PositionSource(QObject* parent = nullptr);

    void deliverFix(const Fix& fix);
    // Logs the failure and passes it on, once per outage: the same failure repeated before the
    // next fix (a reconnection that fails again) is not reported twice.
    void deliverFailure(const QString& error);
    void deliverAcceleration(double x, double y, double z);
    void deliverFinished();

    bool hasDeliveredFix() const { return hasDeliveredFix_; }

    // Passes a message on through unusedMessage().
    void deliverUnusedMessage(const QByteArray& message) { emit unusedMessage(message); }

signals:
    // A message read and checked by the source but not used by it: a proprietary NMEA sentence
    // ('$' to checksum, without line end) or frames of a binary protocol (flags included).
    // Emitted on the main thread, after the fix that came before it in the input.
    void unusedMessage(const QByteArray& message);

private:
    Handlers handlers_;
    bool hasDeliveredFix_ = false;
    QString outage_;  // the failure reported since the last fix, if any
};

}  // namespace vantrel::positioning
