#pragma once
// Connects the location manager to the position source the pilot chose with --gps, once the
// waypoint database is loaded (the demo flight flies over real waypoints of it). The first
// instrument made starts the manager.
//
// Threads: main thread.

#include <QString>

namespace vantrel::app {

// Checks a --gps text without opening anything; empty when it is usable, else the error with the
// forms that are understood.
QString checkPositionSourceOption(const QString& gpsOption);

// Makes the source and hands it to the location manager. A source that cannot be made (a file
// gone since the check) is logged; the app goes on without positions.
void setUpPositioning(const QString& gpsOption);

class InstrumentViewController;
// On the demo flight's first run, VOR 1 points at the demo's second airfield, so that the
// instruments show navigation at once; a choice saved earlier always wins.
void showDemoWaypointOnFirstRun(const QString& gpsOption, InstrumentViewController& vor1);

}  // namespace vantrel::app
