#pragma once
// The waypoint type table: type codes and their names. Codes 2 to 9 are not defined.

#include <QString>
#include <utility>
#include <vector>

namespace vantrel::waypoints {

class WaypointTypes {
public:
    // The nine entries in table order: 0 Unknown, 1 Airport, 10 DME ... 16 VORTAC.
    static const std::vector<std::pair<int, QString>>& table();
    // The name of a code, or an empty text for an undefined code.
    static QString nameForType(int code);
    static constexpr int kAirport = 1;
};

}  // namespace vantrel::waypoints
