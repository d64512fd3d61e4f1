#pragma once
// The traffic feed's targets and alerts as the tool prints them: indented text lines, or JSON
// members ("targets": [...], "alerts": [...]).

#include "traffic/TrafficFeed.h"

#include <string>

namespace vantrel::tool {

void printTrafficText(const traffic::TrafficFeed& feed);
std::string trafficJsonMembers(const traffic::TrafficFeed& feed);

}  // namespace vantrel::tool
