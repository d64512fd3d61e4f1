#pragma once
// Runs a script (see Script.h) against the app once its waypoint database is loaded and its
// screens are up: one step after the other, each after the screens have stopped moving, with the
// same taps, keys and touches a pilot makes. A step that finds nothing to act on ends the run
// with a log line naming the script line and what was missing, and exit status 1; "quit" ends it
// normally with status 0. Without "quit" the app goes on running after the last step.
//
// Ownership: a Qt child of the window it drives. Threads: main thread only.

#include "Script.h"

#include "platform/ui/Automation.h"

#include <QElapsedTimer>
#include <QObject>

namespace vantrel::platform::ui {
class Window;
}

namespace vantrel::app {

class ScriptRunner : public QObject {
    Q_OBJECT
public:
    // Waits for UPDATE_LOAD_DONE, then runs the steps.
    ScriptRunner(platform::ui::Window& window, Script script);
    ~ScriptRunner() override;

    // Runs the steps from the first, now (tests call it once the screens are up).
    void start();

private:
    void runStep(size_t index);
    // Empty on success, else what went wrong.
    QString perform(const ScriptStep& step);
    QWidget* viewNamed(const QString& name, QString* error) const;
    void fail(const ScriptStep& step, const QString& message);

    platform::ui::Window& window_;
    platform::ui::Automation automation_;
    Script script_;
    bool started_ = false;
    // Since when the step has waited for the screens to stop moving; invalid while not waiting.
    QElapsedTimer waitingSince_;
};

}  // namespace vantrel::app
