#include "WaypointTypes.h"

namespace vantrel::waypoints {

const std::vector<std::pair<int, QString>>& WaypointTypes::table() {
    static const std::vector<std::pair<int, QString>> types = {
        {0, QStringLiteral("Unknown")}, {1, QStringLiteral("Airport")},  {10, QStringLiteral("DME")},
        {11, QStringLiteral("NDB")},    {12, QStringLiteral("VOR")},      {13, QStringLiteral("NDB/DME")},
        {14, QStringLiteral("VOR/DME")}, {15, QStringLiteral("TACAN")},   {16, QStringLiteral("VORTAC")},
    };
    return types;
}

QString WaypointTypes::nameForType(int code) {
    for (const auto& [c, name] : table())
        if (c == code) return name;
    return {};
}

}  // namespace vantrel::waypoints
