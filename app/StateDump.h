#pragma once
// The state of the running app for the scripted driver's "dump" step, taken at one moment between
// two events of the main loop: every instrument that exists under its shared name (angles, texts
// of its labels, the VOR's flag and needle, the map's scale, direct-to and what it drew last), the
// location manager's fix with its speed and course, and the tabs in order with the selected one.
//
// Threads: main thread only.

#include <QJsonObject>

namespace vantrel::platform::ui {
class Window;
}

namespace vantrel::app {

QJsonObject stateDump(platform::ui::Window& window);

}  // namespace vantrel::app
