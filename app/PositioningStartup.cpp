#include "PositioningStartup.h"

#include "InstrumentViewController.h"

#include "instruments/AbstractInstrumentView.h"
#include "platform/core/Log.h"
#include "platform/core/UserDefaults.h"
#include "positioning/LocationManager.h"
#include "positioning/PositionSourceFactory.h"
#include "traffic/TrafficFeed.h"
#include "traffic/TrafficSources.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointKeys.h"

#include <QStringList>

namespace vantrel::app {

namespace {

// The demo circuit, by identifier: Geneva, Lausanne, Montreux, Ecuvillens, Sion, Annemasse.
const QStringList kDemoCircuit = {"LSGG", "LSGL", "LSMP", "LSGE", "LSGS", "LFLP"};

// The database's record with exactly that identifier, or nothing.
platform::Value recordWithIdentifier(const QString& id) {
    const QByteArray wanted = id.toUtf8();
    platform::ArrayPtr matches = platform::Array::create();
    waypoints::POISelectorPaneController::sharedPOIDatabase().database().identifierIndex().search(
        std::string_view(wanted.constData(), size_t(wanted.size())), *matches);
    for (const platform::Value& record : *matches)
        if (record.asDictionary()->get(waypoints::keys::waypointId).toQString() == id) return record;
    return {};
}

std::vector<positioning::RoutePoint> demoRouteFromDatabase() {
    std::vector<positioning::RoutePoint> route;
    for (const QString& id : kDemoCircuit) {
        const platform::Value record = recordWithIdentifier(id);
        if (const platform::Dictionary* r = record.asDictionary())
            route.push_back({r->get(waypoints::keys::waypointLatitude).doubleValue(),
                             r->get(waypoints::keys::waypointLongitude).doubleValue(), id});
    }
    return route;  // fewer than two points (countries dismissed): the simulator flies its own circuit
}

}  // namespace

QString checkPositionSourceOption(const QString& gpsOption) {
    static const QStringList kinds = {"gpsd", "nmea", "tcp", "udp", "file", "igc", "demo", "auto", "gdl90"};
    QString kind = gpsOption.section(QLatin1Char(':'), 0, 0);
    if (gpsOption.isEmpty() || kinds.contains(kind)) return {};
    return QStringLiteral("Unknown --gps source \"%1\".\n%2").arg(gpsOption, traffic::positionSourceHelp());
}

void setUpPositioning(const QString& gpsOption) {
    QString error;
    std::vector<positioning::RoutePoint> route = gpsOption == QLatin1String("demo") ? demoRouteFromDatabase()
                                                                                   : std::vector<positioning::RoutePoint>();
    std::unique_ptr<positioning::PositionSource> source =
        traffic::createPositionSource(gpsOption, &error, std::move(route));
    if (!source) {
        platform::logLine(QStringLiteral("No position source: %1").arg(error));
        return;
    }
    positioning::LocationManager& manager = positioning::LocationManager::sharedManager();
    manager.setPositionSource(std::move(source));
    // The traffic the source carries (FLARM sentences, GDL90 reports), for the map and the alerts.
    traffic::TrafficFeed& feed = traffic::TrafficFeed::shared();
    feed.setOwnTrackProvider([&manager] {
        return manager.accuracyValidForSpeedAndCourse() && manager.speed() > 0.0f ? double(manager.course()) : NAN;
    });
    feed.listenTo(manager.positionSource());
}

void showDemoWaypointOnFirstRun(const QString& gpsOption, InstrumentViewController& vor1) {
    if (gpsOption != QLatin1String("demo") || !vor1.theInstrument()) return;
    if (!platform::UserDefaults::standardUserDefaults().objectForKey(vor1.title().toStdString()).isNull()) return;
    const platform::Value lausanne = recordWithIdentifier(kDemoCircuit[1]);
    if (lausanne.isNull()) return;  // its country is not loaded
    vor1.theInstrument()->setWaypoint(lausanne);
}

}  // namespace vantrel::app
