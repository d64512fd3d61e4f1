#pragma once
// The app's loads of the pilot's airspace files into airspace::AirspaceLibrary::shared(): once at
// start on the load thread (after the waypoint database), and again on a worker thread after each
// change the pilot makes on the Airspace screen (a file imported, removed, switched on or off).
// Each load logs one line with its counts ("Airspace: 411 airspaces from 2 files", then the files
// that are off, those nothing was read from and what was skipped) and then posts
// kAirspaceDidChange on the main thread, so that the map and the warnings take the new index. A
// file that cannot be read is logged and shown with no airspaces; it never stops the start.
//
// Loads run one at a time, each reading the switches as they are when it begins, so the index
// published last is that of the pilot's last change.
//
// Threads: loadAirspaceFiles on any thread (the app's load thread; tests on the main thread);
// reloadAirspaceFilesInBackground and isReloadingAirspaceFiles on the main thread.

#include "airspace/AirspaceStore.h"

#include <QString>

namespace vantrel::app {

// Posted on the main thread after a load has published its index, and when the pilot turns the
// airspace warnings on or off.
inline constexpr const char* kAirspaceDidChange = "airspaceDidChange";

// Loads the store's files on the calling thread, publishes them and posts kAirspaceDidChange on the
// main thread (off the main thread: waiting until it has been handled, as the database's
// notifications do).
void loadAirspaceFiles(const airspace::AirspaceStore& store);

// The same on a worker thread; never waits for a file. A request while a reload is queued or
// running only asks for one more reload afterwards, of the store last asked for.
void reloadAirspaceFilesInBackground(const airspace::AirspaceStore& store);
// True from a request until its reload has published and posted.
bool isReloadingAirspaceFiles();

// The log line of a load.
QString describeAirspaceLoad(const airspace::LoadedAirspaces& loaded);

}  // namespace vantrel::app
