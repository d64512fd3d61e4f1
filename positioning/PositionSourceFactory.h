#pragma once
// Chooses the position source from the command line's --gps text:
//   gpsd | gpsd:HOST | gpsd:HOST:PORT     a gpsd daemon (default localhost:2947)
//   nmea:DEVICE[@BAUD]                    NMEA from a serial receiver (default 4800 baud, NMEA's rate)
//   tcp:HOST:PORT                         NMEA from a TCP server
//   udp:PORT                              NMEA datagrams (flight simulators send to 49002)
//   file:PATH                             an NMEA log replayed in real time
//   igc:PATH                              an IGC flight log replayed in real time
//   demo                                  the simulator's demo flight
//   auto (or nothing)                     the default, below
//
// The default is what a Linux user expects of a navigation app: gpsd if it answers on
// localhost:2947; else a receiver plugged in as /dev/ttyACM0 or /dev/ttyUSB0; else gpsd anyway,
// so fixes arrive as soon as gpsd starts. Never the simulator: an app that navigates must not show
// an invented position unless asked to.
//
// Threads: main thread (the sources are made there).

#include "PositionSource.h"
#include "sources/SimulatorSource.h"

#include <QString>

#include <memory>
#include <vector>

namespace vantrel::positioning {

// The source for a --gps text, or nullptr with a readable error (unknown form, bad port or baud,
// a file that cannot be read). The demo flies demoRoute, or its built-in circuit when empty.
std::unique_ptr<PositionSource> createPositionSource(const QString& gpsOption, QString* error,
                                                     std::vector<RoutePoint> demoRoute = {});

// The default choice described above.
std::unique_ptr<PositionSource> createDefaultPositionSource();

// The forms above, for --help.
QString positionSourceHelp();

}  // namespace vantrel::positioning
