#pragma once
// Connects the location manager to the position source the pilot chose with --gps, once the
// waypoint database is loaded (the demo flight flies over real waypoints of it).
//
// Threads: main thread.

#include <QString>

namespace vantrel::app {

// Checks a --gps text without opening anything; empty when it is usable, else the error with the
// forms that are understood.
QString checkPositionSourceOption(const QString& gpsOption);

// Makes the source, hands it to the location manager and starts the manager. A source that cannot
// be made (a file gone since the check) is logged; the app goes on without positions.
void startPositioning(const QString& gpsOption);

}  // namespace vantrel::app
