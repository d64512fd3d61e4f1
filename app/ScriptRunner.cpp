#include "ScriptRunner.h"

#include "StateDump.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/Transition.h"
#include "platform/ui/Window.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>
#include <cstdio>

namespace vantrel::app {

using Kind = ScriptStep::Kind;

namespace {
constexpr int kWaitStepMs = 10;
constexpr int kLongestWaitMs = 15000;
}  // namespace

ScriptRunner::ScriptRunner(platform::ui::Window& window, Script script)
    : QObject(&window), window_(window), automation_(&window), script_(std::move(script)) {
    // Registered on the first turn of the loop, after the delegate's own handler, so that the
    // steps begin once the delegate has put its screens up.
    QTimer::singleShot(0, this, [this] {
        platform::NotificationCenter::defaultCenter().addObserver(this, "UPDATE_LOAD_DONE", nullptr,
                                                                  [this](const platform::Notification&) {
                                                                      QTimer::singleShot(0, this, [this] { start(); });
                                                                  });
    });
}

ScriptRunner::~ScriptRunner() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void ScriptRunner::start() {
    if (started_) return;
    started_ = true;
    runStep(0);
}

void ScriptRunner::runStep(size_t index) {
    if (index >= script_.steps.size()) return;
    const ScriptStep& step = script_.steps[index];
    // The step waits for the screens to stop moving in the app's own loop, not a loop of its own:
    // what was posted before the step (an animation's start among it) must not wait behind it.
    if (platform::ui::Transition::runningCount() > 0) {
        if (!waitingSince_.isValid()) waitingSince_.start();
        if (waitingSince_.elapsed() < kLongestWaitMs) {
            QTimer::singleShot(kWaitStepMs, this, [this, index] { runStep(index); });
            return;
        }
        platform::logLine(QStringLiteral("Script %1 line %2: a screen is still moving after %3 s; the step goes ahead")
                              .arg(script_.name)
                              .arg(step.line)
                              .arg(kLongestWaitMs / 1000));
    }
    waitingSince_.invalidate();
    // Views closed by the last step go before this one looks for what to act on.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QString error = perform(step);
    if (!error.isEmpty()) {
        fail(step, error);
        return;
    }
    if (step.kind == Kind::Quit) {
        QCoreApplication::exit(0);
        return;
    }
    const int delayMs = step.kind == Kind::Wait ? qRound(step.numbers[0] * 1000) : 0;
    QTimer::singleShot(delayMs, this, [this, index] { runStep(index + 1); });
}

QWidget* ScriptRunner::viewNamed(const QString& name, QString* error) const {
    if (name.isEmpty()) return window_.stage();
    for (QWidget* view : window_.findChildren<QWidget*>(name)) {
        if (view->isVisible()) return view;
    }
    *error = QStringLiteral("no view named \"%1\" is on screen").arg(name);
    return nullptr;
}

QString ScriptRunner::perform(const ScriptStep& step) {
    const std::vector<double>& n = step.numbers;
    QString error;
    switch (step.kind) {
    case Kind::TapTab: return automation_.tapTab(step.text);
    case Kind::TapRow: return automation_.tapRow(step.text);
    case Kind::TapRowAt: return automation_.tapRow(int(n[0]), int(n[1]));
    case Kind::TapButton: return automation_.tapButton(step.text);
    case Kind::Type: return automation_.typeText(step.text);
    case Kind::Drag: {
        QWidget* view = viewNamed(step.viewName, &error);
        return view ? automation_.drag(view, QPointF(n[0], n[1]), QPointF(n[2], n[3])) : error;
    }
    case Kind::Pinch: {
        QWidget* view = viewNamed(step.viewName, &error);
        return view ? automation_.pinch(view, QPointF(n[0], n[1]), n[2], n[3]) : error;
    }
    case Kind::Size:
        // Pixels, whatever the scale: the window then chooses its scale and shape for that size.
        window_.resize((QSizeF(n[0], n[1]) / window_.scale()).toSize());
        return {};
    case Kind::Dump: {
        const QString path = QFileInfo(step.text).absoluteFilePath();
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return QStringLiteral("the folder of %1 cannot be made").arg(path);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QStringLiteral("the state cannot be written to %1: %2").arg(path, file.errorString());
        file.write(QJsonDocument(stateDump(window_)).toJson(QJsonDocument::Indented));
        return {};
    }
    case Kind::Screenshot: {
        const QString path = QFileInfo(step.text).absoluteFilePath();
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return QStringLiteral("the folder of %1 cannot be made").arg(path);
        error = automation_.screenshot(path);
        if (error.isEmpty()) {
            std::printf("Screenshot: %s\n", qPrintable(path));
            std::fflush(stdout);
        }
        return error;
    }
    case Kind::Wait:
    case Kind::Quit: return {};
    }
    return {};
}

void ScriptRunner::fail(const ScriptStep& step, const QString& message) {
    platform::logLine(QStringLiteral("Script %1 line %2 (%3) failed: %4").arg(script_.name).arg(step.line).arg(step.source, message));
    QCoreApplication::exit(1);
}

}  // namespace vantrel::app
