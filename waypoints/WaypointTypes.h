#pragma once
// The waypoint type table: type codes and their names. Codes 2 to 9 are not defined.
//
// Threads: any; the table is constant.

#include <QString>
#include <utility>
#include <vector>

namespace vantrel::waypoints {

class WaypointTypes {
public:
    using Table = std::vector<std::pair<int, QString>>;

    // The nine entries in table order: 0 Unknown, 1 Airport, 10 DME ... 16 VORTAC.
    static const Table& table();
    // The name of a code in a table, or an empty text for a code it does not define.
    static QString nameForType(int code, const Table& types = table());
    static constexpr int kAirport = 1;
};

}  // namespace vantrel::waypoints
