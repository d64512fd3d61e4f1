#pragma once
// A short animation of the screens (a push sliding in, a modal screen rising, a row's highlight
// fading): it calls `step` with the progress from 0 to 1 on every frame and `done` once at the end.
// A transition that is not animated, or while animations are switched off, steps to 1 and ends at
// once, before start() returns. finish() jumps to the end of a running transition, so that a new
// push can begin while the last one still slides.
//
// Threads: main thread only. Owned by a widget (Qt parent); it deletes itself once done.

#include <QObject>
#include <QPointer>
#include <functional>

class QVariantAnimation;

namespace vantrel::platform::ui {

class Transition : public QObject {
    Q_OBJECT
public:
    static constexpr int kDurationMs = 300;

    // Starts a transition owned by `owner` and answers it (null once it has ended).
    static QPointer<Transition> start(QObject* owner, bool animated, std::function<void(double)> step,
                                      std::function<void()> done, int durationMs = kDurationMs);

    // Ends the transition at once (step(1), then done); nothing when it has already ended.
    static void finish(const QPointer<Transition>& transition);

    // Off in tests and scripts that want every change at once.
    static void setAnimationsEnabled(bool enabled);
    static bool animationsEnabled();

    // How many transitions are running in the process (scripts wait for 0).
    static int runningCount();

    ~Transition() override;

private:
    Transition(QObject* owner, std::function<void(double)> step, std::function<void()> done);
    void complete();

    std::function<void(double)> step_;
    std::function<void()> done_;
    QVariantAnimation* animation_ = nullptr;
    bool completed_ = false;
};

}  // namespace vantrel::platform::ui
