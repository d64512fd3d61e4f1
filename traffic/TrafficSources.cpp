#include "TrafficSources.h"

#include "Gdl90Source.h"

namespace vantrel::traffic {

std::unique_ptr<positioning::PositionSource> createPositionSource(const QString& gpsOption, QString* error,
                                                                  std::vector<positioning::RoutePoint> demoRoute) {
    if (gpsOption == QLatin1String("gdl90") || gpsOption.startsWith(QLatin1String("gdl90:"))) {
        std::optional<int> port = gdl90Port(gpsOption, error);
        if (!port) return nullptr;
        return std::make_unique<Gdl90Source>(*port);
    }
    return positioning::createPositionSource(gpsOption, error, std::move(demoRoute));
}

QString positionSourceHelp() {
    return positioning::positionSourceHelp() +
           QStringLiteral("  --gps gdl90[:PORT]         a GDL90 traffic receiver on UDP (default port 4000): ownship and traffic\n");
}

}  // namespace vantrel::traffic
