#include "Transition.h"

#include <QEasingCurve>
#include <QVariantAnimation>

namespace vantrel::platform::ui {

namespace {
bool enabled = true;
int running = 0;
}  // namespace

Transition::Transition(QObject* owner, std::function<void(double)> step, std::function<void()> done)
    : QObject(owner), step_(std::move(step)), done_(std::move(done)) {
    ++running;
}

Transition::~Transition() {
    if (!completed_) --running;
}

QPointer<Transition> Transition::start(QObject* owner, bool animated, std::function<void(double)> step,
                                       std::function<void()> done, int durationMs) {
    auto* transition = new Transition(owner, std::move(step), std::move(done));
    QPointer<Transition> handle(transition);
    if (!animated || !enabled || durationMs <= 0) {
        transition->complete();
        return handle;
    }
    transition->animation_ = new QVariantAnimation(transition);
    transition->animation_->setStartValue(0.0);
    transition->animation_->setEndValue(1.0);
    transition->animation_->setDuration(durationMs);
    transition->animation_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(transition->animation_, &QVariantAnimation::valueChanged, transition, [transition](const QVariant& v) {
        if (!transition->completed_ && transition->step_) transition->step_(v.toDouble());
    });
    connect(transition->animation_, &QVariantAnimation::finished, transition, [transition] { transition->complete(); });
    transition->animation_->start();
    return handle;
}

void Transition::finish(const QPointer<Transition>& transition) {
    if (transition) transition->complete();
}

void Transition::complete() {
    if (completed_) return;
    completed_ = true;
    --running;
    if (animation_) animation_->stop();
    // The callbacks may start the next transition or drop the last owner of a controller: keep them
    // alive on the stack while they run.
    auto step = std::move(step_);
    auto done = std::move(done_);
    if (step) step(1.0);
    if (done) done();
    deleteLater();
}

void Transition::setAnimationsEnabled(bool on) { enabled = on; }
bool Transition::animationsEnabled() { return enabled; }
int Transition::runningCount() { return running; }

}  // namespace vantrel::platform::ui
