#pragma once
// Pictures of a run, for the README and for runs without a display: the splash half-way through
// the load, the first screen after the load, and the window at the end; then, if asked, the end
// of the run after a time. Each picture's path is printed on stdout.
//
// Threads: main thread only. A Qt child of the window it photographs.

#include <QObject>
#include <QString>

namespace vantrel::platform::ui {
class Window;
}

namespace vantrel::app {

class DemoRecorder : public QObject {
    Q_OBJECT
public:
    // directory may be empty (no pictures); quitAfterSeconds <= 0 lets the run go on.
    DemoRecorder(platform::ui::Window& window, QString directory, double quitAfterSeconds);
    ~DemoRecorder() override;

    // Saves a picture of the window as <directory>/<name>.png and prints its path.
    void capture(const QString& name);

private:
    platform::ui::Window& window_;
    QString directory_;
    bool splashTaken_ = false;
};

}  // namespace vantrel::app
