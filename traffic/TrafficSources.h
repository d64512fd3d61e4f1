#pragma once
// The position sources with the traffic receiver among them: the --gps forms of positioning plus
// "gdl90[:PORT]" (a GDL90 receiver on UDP, port 4000 by default). The app's start-up and the tool
// choose through here, so that positioning itself knows nothing of traffic.
//
// Threads: main thread.

#include "positioning/PositionSourceFactory.h"

namespace vantrel::traffic {

// As positioning::createPositionSource, and gdl90[:PORT].
std::unique_ptr<positioning::PositionSource> createPositionSource(const QString& gpsOption, QString* error,
                                                                  std::vector<positioning::RoutePoint> demoRoute = {});

// positioning::positionSourceHelp() with the gdl90 form.
QString positionSourceHelp();

}  // namespace vantrel::traffic
