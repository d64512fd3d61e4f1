#pragma once
// Scrolling by finger or mouse, as on the phone: the content follows a drag, and a flick goes on
// by itself and slows down. Also scrolls smoothly to an offset. One axis (vertical); positions
// and offsets are in points, times are the input events' timestamps in milliseconds.
//
// Threads: main thread only. A Qt child of the view it scrolls; the callbacks read and set that
// view's offset and must stay valid while it lives.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

namespace vantrel::platform::ui {

class KineticScroller : public QObject {
    Q_OBJECT
public:
    struct Target {
        std::function<double()> offset;
        std::function<void(double)> setOffset;  // clamps to the content
        std::function<double()> maxOffset;
    };

    KineticScroller(Target target, QObject* parent);

    void beginDrag(double position, qint64 timeMs);
    void dragTo(double position, qint64 timeMs);
    void endDrag(double position, qint64 timeMs);
    // Stops a flick or a smooth scroll; true when one was running.
    bool stop();
    void scrollTo(double offset, bool animated);

    bool isDragging() const { return dragging_; }

private:
    struct Sample {
        double position;
        qint64 time;
    };
    void frame();

    Target target_;
    bool dragging_ = false;
    double dragStartOffset_ = 0;
    double dragStartPosition_ = 0;
    std::vector<Sample> samples_;
    QTimer timer_;
    QElapsedTimer clock_;
    double velocity_ = 0;  // points per millisecond, positive scrolls the content up
    bool animating_ = false;
    double animationFrom_ = 0;
    double animationTo_ = 0;
};

}  // namespace vantrel::platform::ui
