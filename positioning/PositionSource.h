#pragma once
// The one interface behind which every position source sits: gpsd, NMEA 0183 streams, recorded
// tracks (NMEA or IGC files) and the simulator. A source delivers fixes, failures and, where it
// has them, accelerometer samples (in g, the device's axes) to the handlers its owner sets.
// It also keeps a state text for the pilot ("waiting for gpsd at localhost:2947", "receiving from
// ...", "no data for 10 s from udp:49002") and emits stateChanged when that text changes.
//
// Ownership: the owner (the location manager, or a tool) holds the source in a unique_ptr.
// Threads: created, started and destroyed on the main thread; every handler runs on the main thread.

#include "Fix.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace vantrel::positioning {

// Reads the messages a live source does not use itself (another device's sentences, a traffic
// receiver's frames) on the thread where the source reads its input, so that a flood of them
// costs the main thread nothing.
class MessageReader {
public:
    virtual ~MessageReader() = default;
    // One message as unusedMessage() would carry it, in the order they came; on the source's
    // reading thread, one call at a time.
    virtual void read(QByteArrayView message) = 0;
};

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

    // The argument that chose this source, as typed after --gps ("udp:49002"); the description
    // when there is none.
    virtual QString name() const { return description(); }

    // What the source is doing, for the pilot: empty before start, "waiting for <description>"
    // until the first fix, "receiving from <description>" while fixes come, "<failure> from
    // <name>" after a failure.
    const QString& stateText() const { return stateText_; }

    // Hands the messages this source does not use to `reader` on its reading thread instead of
    // emitting unusedMessage() for each, and emits unusedMessagesRead() on the main thread once
    // the reader has read some (once for all read since the last). Null goes back to
    // unusedMessage(). A source that reads on the main thread answers false and changes nothing.
    virtual bool setMessageReader(std::shared_ptr<MessageReader> reader);

    // Recorded sources can deliver every fix at once (AsFastAsPossible, before start returns);
    // live ones cannot and answer false.
    virtual bool setPacing(Pacing pacing);

signals:
    void stateChanged(const QString& stateText);

protected:
    explicit PositionSource(QObject* parent = nullptr);

    // Sets the state text; emits stateChanged when it differs. startUpdatingLocation() of each
    // source calls setWaiting().
    void setStateText(const QString& text);
    void setWaiting() { setStateText(QStringLiteral("waiting for %1").arg(description())); }

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
    // The reader given to setMessageReader() has read messages. Main thread.
    void unusedMessagesRead();

private:
    Handlers handlers_;
    bool hasDeliveredFix_ = false;
    QString outage_;  // the failure reported since the last fix, if any
    QString stateText_;
    bool stateReceiving_ = false;  // the text is "receiving from ...": fixes skip the formatting
};

}  // namespace vantrel::positioning
