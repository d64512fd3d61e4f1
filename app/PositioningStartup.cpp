#include "PositioningStartup.h"

#include "units/UnitSettings.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "positioning/LocationManager.h"
#include "positioning/PositionSourceFactory.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointKeys.h"

#include <QStringList>

namespace vantrel::app {

namespace {

// The demo circuit, by identifier: Geneva, Lausanne, Montreux, Ecuvillens, Sion, Annemasse.
const QStringList kDemoCircuit = {"LSGG", "LSGL", "LSMP", "LSGE", "LSGS", "LFLP"};

std::vector<positioning::RoutePoint> demoRouteFromDatabase() {
    std::vector<positioning::RoutePoint> route;
    platform::ArrayPtr records = waypoints::POISelectorPaneController::sharedPOIDatabase().waypointsDB();
    for (const QString& id : kDemoCircuit) {
        QByteArray wanted = id.toUtf8();
        for (const platform::Value& item : *records) {
            const platform::Dictionary* r = item.asDictionary();
            if (!r || r->get(waypoints::keys::waypointId).stringView() != std::string_view(wanted.constData(), size_t(wanted.size())))
                continue;
            route.push_back({r->get(waypoints::keys::waypointLatitude).doubleValue(),
                             r->get(waypoints::keys::waypointLongitude).doubleValue(), id});
            break;
        }
    }
    return route;  // fewer than two points (countries dismissed): the simulator flies its own circuit
}

// Keeps the selector pane's nearby list filled around the aircraft until the moving map, which
// owns that refresh, is on board: a new query whenever the aircraft has moved 2 km from the last.
void refreshNearbyWaypointsOnFixes() {
    static int observer;
    static std::optional<positioning::Fix> lastQuery;
    platform::NotificationCenter::defaultCenter().addObserver(&observer, "locationDidUpdate", nullptr,
                                                              [](const platform::Notification&) {
        positioning::LocationManager& manager = positioning::LocationManager::sharedManager();
        std::optional<positioning::Fix> fix = manager.currentLocation();
        if (!fix || !manager.accuracyValidForNav()) return;
        if (lastQuery && positioning::LocationManager::calcDistanceInMeters(lastQuery->longitude, lastQuery->latitude,
                                                                            fix->longitude, fix->latitude) < 2000.0)
            return;
        lastQuery = fix;
        auto& database = waypoints::POISelectorPaneController::sharedPOIDatabase();
        database.nearbyCache()->findNearbyWaypoints(database.waypointsDB(), fix->longitude, fix->latitude,
                                                    vantrel::units::UnitSettings::shared().distanceFactor());
    });
}

}  // namespace

QString checkPositionSourceOption(const QString& gpsOption) {
    static const QStringList kinds = {"gpsd", "nmea", "tcp", "udp", "file", "igc", "demo", "auto"};
    QString kind = gpsOption.section(QLatin1Char(':'), 0, 0);
    if (gpsOption.isEmpty() || kinds.contains(kind)) return {};
    return QStringLiteral("Unknown --gps source \"%1\".\n%2").arg(gpsOption, positioning::positionSourceHelp());
}

void startPositioning(const QString& gpsOption) {
    QString error;
    std::vector<positioning::RoutePoint> route = gpsOption == QLatin1String("demo") ? demoRouteFromDatabase()
                                                                                   : std::vector<positioning::RoutePoint>();
    std::unique_ptr<positioning::PositionSource> source =
        positioning::createPositionSource(gpsOption, &error, std::move(route));
    if (!source) {
        platform::logLine(QStringLiteral("No position source: %1").arg(error));
        return;
    }
    positioning::LocationManager& manager = positioning::LocationManager::sharedManager();
    manager.setPositionSource(std::move(source));
    refreshNearbyWaypointsOnFixes();
    manager.start();
}

}  // namespace vantrel::app
