#include "WaypointTypes.h"

namespace vantrel::waypoints {

const WaypointTypes::Table& WaypointTypes::table() {
    static const Table types = {
        {0, QStringLiteral("Unknown")}, {1, QStringLiteral("Airport")},  {10, QStringLiteral("DME")},
        {11, QStringLiteral("NDB")},    {12, QStringLiteral("VOR")},      {13, QStringLiteral("NDB/DME")},
        {14, QStringLiteral("VOR/DME")}, {15, QStringLiteral("TACAN")},   {16, QStringLiteral("VORTAC")},
    };
    return types;
}

QString WaypointTypes::nameForType(int code, const Table& types) {
    for (const auto& [c, name] : types)
        if (c == code) return name;
    return {};
}

}  // namespace vantrel::waypoints
