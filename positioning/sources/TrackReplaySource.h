#pragma once
// Replays a recorded track (an NMEA file, an IGC flight log) in real time, or at a multiple of it:
// each fix when its recorded time comes, with its recorded timestamp. Pauses longer than kLongestPause are shortened
// and backward time jumps play at once. While it plays it feeds the accelerometer at 15 samples a
// second with the slip of the recorded turns; at its end it reports a failure, so the last fix is
// not taken for a live one. AsFastAsPossible delivers every fix before startUpdatingLocation
// returns, and no failure. Messages recorded with the track (an NMEA log's proprietary sentences)
// go out through unusedMessage() right after the fix they followed in the recording.
//
// Owns its track and timers. Threads: main thread only.

#include "positioning/PositionSource.h"

#include <QElapsedTimer>
#include <QTimer>

#include <cmath>
#include <vector>

namespace vantrel::positioning {

class TrackReplaySource : public PositionSource {
    Q_OBJECT
public:
    static constexpr double kLongestPause = 30.0;  // seconds
    // Replay speeds that make sense: a long flight in seconds, or a short one slowed down.
    static constexpr double kSlowestReplay = 0.1;
    static constexpr double kFastestReplay = 100.0;

    TrackReplaySource(QString description, std::vector<Fix> track, QObject* parent = nullptr);

    void startUpdatingLocation() override;
    QString description() const override { return description_; }
    bool setPacing(Pacing pacing) override;
    // Plays the fixes at this multiple of their recorded pace (timestamps unchanged); 1 is real time.
    void setReplaySpeed(double factor) { replaySpeed_ = factor; }
    double replaySpeed() const { return replaySpeed_; }

    const std::vector<Fix>& track() const { return track_; }

    struct Message {
        size_t fixesBefore;  // how many of the track's fixes came before it
        QByteArray message;
    };
    // The messages to replay, in recorded order.
    void setMessages(std::vector<Message> messages) { messages_ = std::move(messages); }

private:
    void deliverNext();
    void deliverMessages();  // those that came before fix next_
    void followTurn(const Fix& fix);
    void finish();

    QString description_;
    std::vector<Fix> track_;
    size_t next_ = 0;
    std::vector<Message> messages_;
    size_t nextMessage_ = 0;
    bool started_ = false;
    Pacing pacing_ = Pacing::RealTime;
    double replaySpeed_ = 1.0;
    QTimer fixTimer_;
    // The fixes keep to this clock: each is due at the replayed time since the first, so the time
    // spent handling one does not slow the replay down.
    QElapsedTimer clock_;
    double dueMs_ = 0.0;  // when the next fix is due on the clock
    QTimer accelerationTimer_;
    double turnRate_ = 0.0;  // degrees per second, positive to the right
    double lastTrack_ = NAN;  // degrees
    const Fix* lastMoved_ = nullptr;  // the fix the last track was measured from
};

}  // namespace vantrel::positioning
