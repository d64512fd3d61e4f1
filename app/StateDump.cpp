#include "StateDump.h"

#include "AirspaceWatch.h"
#include "FlightBanners.h"
#include "PlanFlight.h"

#include "instruments/CircularInstrumentView.h"
#include "instruments/GPSView.h"
#include "instruments/SharedInstrument.h"
#include "instruments/VORView.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"
#include "positioning/LocationManager.h"
#include "traffic/TrafficFeed.h"
#include "units/UnitSettings.h"
#include "waypoints/WaypointKeys.h"

#include <QHash>
#include <QJsonArray>
#include <cmath>

namespace vantrel::app {

namespace {

// JSON has no NaN: a number that is none is written as null.
QJsonValue number(double value) { return std::isfinite(value) ? QJsonValue(value) : QJsonValue(); }
QJsonValue number(std::optional<double> value) { return value ? number(*value) : QJsonValue(); }
QJsonValue text(const QString& value) { return value.isNull() ? QJsonValue() : QJsonValue(value); }

QJsonObject instrumentState(instruments::AbstractInstrumentView& view) {
    QJsonObject state;
    state["angleToReference"] = view.angleToReference();
    state["trackAngle"] = number(view.trackAngle());
    state["navIsValid"] = view.navIsValid();
    state["magneticVariation"] = number(view.magneticVariation());
    state["referenceLat"] = number(view.referenceLat());
    state["referenceLon"] = number(view.referenceLon());
    state["originLat"] = number(view.originLat());
    state["originLon"] = number(view.originLon());
    const platform::Dictionary* waypoint = view.selectedWaypoint().asDictionary();
    state["waypoint_id"] = waypoint ? QJsonValue(waypoint->get(waypoints::keys::waypointId).toQString()) : QJsonValue();
    QJsonObject labels;
    for (const QString& outlet : view.labelOutlets()) labels[outlet] = text(view.labelText(outlet));
    state["labels"] = labels;

    if (const auto* round = qobject_cast<const instruments::CircularInstrumentView*>(&view)) {
        state["ringAngle"] = number(round->ringAngle());
        state["indicatorAngle"] = number(round->indicatorAngle());
        state["targetIndicatorAngle"] = number(round->targetIndicatorAngle());
        state["differentialAngle"] = number(round->differentialAngle());
    }
    if (const auto* vor = qobject_cast<const instruments::VORView*>(&view)) {
        const instruments::VorIndication shown = vor->indication();
        state["flag"] = shown.flag == instruments::VorFlag::To     ? QJsonValue("to")
                        : shown.flag == instruments::VorFlag::From ? QJsonValue("from")
                                                                   : QJsonValue();
        state["deflection"] = number(shown.deflection);
    }
    if (auto* map = qobject_cast<instruments::GPSView*>(&view)) {
        state["currentScale"] = number(map->currentScale());
        state["directToString"] = text(map->directToString());
        state["summaryLine"] = text(map->summaryLine());
        state["cachedCount"] = qint64(map->cachedCount());
        const QRectF area = map->waypointsCacheRect();
        state["waypointsCacheRect"] = QJsonArray{number(area.x()), number(area.y()), number(area.width()), number(area.height())};
        QJsonArray drawn;
        for (const auto& mark : map->drawnWaypoints())
            drawn.append(QJsonObject{{"id", mark.id}, {"x", number(mark.x)}, {"y", number(mark.y)}, {"labelled", mark.labelled}});
        state["drawnWaypoints"] = drawn;
        state["baseMapTiles"] = QJsonArray::fromStringList(map->baseMap().drawnTiles());
        QJsonArray towns;
        for (const auto& town : map->baseMap().drawnTowns())
            towns.append(QJsonObject{{"name", town.name}, {"x", number(town.x)}, {"y", number(town.y)}, {"labelled", town.labelled}});
        state["drawnTowns"] = towns;
        QJsonArray airspaces;
        for (const auto& a : map->drawnAirspaces()) airspaces.append(QJsonObject{{"name", a.name}, {"labelled", a.labelled}});
        state["drawnAirspaces"] = airspaces;
        state["airspacesHere"] = text(map->airspacesHereText());
    }
    return state;
}

// A property-list value as JSON (dates as seconds since 1970, data as its size).
QJsonValue jsonOf(const platform::Value& value) {
    switch (value.type()) {
    case platform::ValueType::Null: return QJsonValue();
    case platform::ValueType::String: return value.toQString();
    case platform::ValueType::Integer:
    case platform::ValueType::Real:
    case platform::ValueType::Date: return number(value.doubleValue());
    case platform::ValueType::Boolean: return value.boolValue();
    case platform::ValueType::Data: return QJsonValue();
    case platform::ValueType::Array: {
        QJsonArray array;
        for (const platform::Value& item : *value.asArray()) array.append(jsonOf(item));
        return array;
    }
    case platform::ValueType::Dictionary: {
        QJsonObject object;
        for (const auto& entry : *value.asDictionary()) object[entry.key.toQString()] = jsonOf(entry.value);
        return object;
    }
    }
    return QJsonValue();
}

// ActivePlan's own value, with what the app adds: which instruments follow the plan, the last
// banner and the map's pane text.
QJsonValue activePlanState() {
    const PlanFlight* flight = PlanFlight::current();
    if (!flight) return QJsonValue();
    QJsonValue plan = jsonOf(flight->activePlan().dumpValue());
    if (!plan.isObject()) return plan;
    QJsonObject state = plan.toObject();
    state["following"] = QJsonObject{{"VOR 1", flight->follows(PlanFlight::Follower::Vor1)},
                                     {"ADF", flight->follows(PlanFlight::Follower::Adf)},
                                     {"Map", flight->follows(PlanFlight::Follower::Map)}};
    state["banner"] = text(flight->lastBanner());
    const auto& route = instruments::GPSView::sharedView().planRoute();
    state["paneText"] = route ? QJsonValue(route->paneText) : QJsonValue();
    return state;
}

// The airspace warnings of the last check: each airspace with its class and limits, inside or
// entering (with the time and distance to go), and whether the pilot acknowledged it.
QJsonValue airspaceWarningsState() {
    const AirspaceWatch* watch = AirspaceWatch::current();
    if (!watch) return QJsonValue();
    QJsonArray warnings;
    for (const airspace::AirspaceWarning& warning : watch->warnings()) {
        const airspace::Airspace& a = *warning.airspace;
        warnings.append(QJsonObject{
            {"name", a.name},
            {"class", a.airspaceClass},
            {"lower", a.lower.text()},
            {"upper", a.upper.text()},
            {"kind", warning.kind == airspace::AirspaceWarning::Kind::Inside ? "inside" : "entering"},
            {"secondsToEntry", number(warning.secondsToEntry)},
            {"metresToEntry", number(warning.metresToEntry)},
            {"groundTakenAsSeaLevel", warning.groundTakenAsSeaLevel},
            {"altitudeUnknown", warning.altitudeUnknown},
            {"acknowledged", warning.acknowledged},
            {"key", warning.key()},
            {"text", warning.text()},
        });
    }
    return warnings;
}

const char* alarmName(traffic::AlarmLevel level) {
    switch (level) {
    case traffic::AlarmLevel::Low: return "low";
    case traffic::AlarmLevel::Important: return "important";
    case traffic::AlarmLevel::Urgent: return "urgent";
    case traffic::AlarmLevel::None: break;
    }
    return "none";
}

// The targets the traffic feed holds now (metres, degrees, metres per second, seconds).
QJsonArray trafficState() {
    const traffic::TrafficFeed& feed = traffic::TrafficFeed::shared();
    const double now = feed.now();
    // Where the map drew them in its last frame (view points).
    QHash<QString, QPointF> drawn;
    for (const auto& mark : instruments::GPSView::sharedView().drawnTraffic()) drawn.insert(mark.id.text(), QPointF(mark.x, mark.y));
    QJsonArray targets;
    for (const traffic::Target& target : feed.targets()) {
        const auto at = drawn.constFind(target.id.text());
        targets.append(QJsonObject{
            {"x", at == drawn.constEnd() ? QJsonValue() : QJsonValue(at->x())},
            {"y", at == drawn.constEnd() ? QJsonValue() : QJsonValue(at->y())},
            {"id", target.id.text()},
            {"callsign", text(target.callsign.isEmpty() ? QString() : target.callsign)},
            {"north", number(target.north)},
            {"east", number(target.east)},
            {"vertical", number(target.vertical)},
            {"distance", number(target.distance)},
            {"track", number(target.track)},
            {"groundSpeed", number(target.groundSpeed)},
            {"climbRate", number(target.climbRate)},
            {"alarm", alarmName(target.alarm)},
            {"age", number(target.age(now))},
        });
    }
    return targets;
}

QJsonObject locationState() {
    positioning::LocationManager& manager = positioning::LocationManager::sharedManager();
    QJsonObject state;
    if (const std::optional<positioning::Fix> fix = manager.currentLocation()) {
        state["location"] = QJsonObject{{"latitude", number(fix->latitude)},
                                        {"longitude", number(fix->longitude)},
                                        {"horizontalAccuracy", number(fix->horizontalAccuracy)},
                                        {"timestamp", number(fix->timestamp)},
                                        {"altitude", number(fix->altitude)},
                                        {"pressureAltitude", number(fix->pressureAltitude)},
                                        {"verticalSpeed", number(manager.verticalSpeed())}};
    } else {
        state["location"] = QJsonValue();
    }
    state["speed"] = number(manager.speed());
    state["course"] = number(manager.course());
    state["sourceState"] = manager.sourceStateText();
    return state;
}

}  // namespace

QJsonObject stateDump(platform::ui::Window& window) {
    QJsonObject dump;
    for (const auto& instrument : instruments::sharedInstruments())
        if (instrument) dump[instrument->objectName()] = instrumentState(*instrument);
    const QJsonObject location = locationState();
    for (auto it = location.begin(); it != location.end(); ++it) dump[it.key()] = it.value();
    dump["north"] = units::UnitSettings::shared().magneticNorth() ? "magnetic" : "true";
    dump["activePlan"] = activePlanState();
    dump["airspaceWarnings"] = airspaceWarningsState();
    dump["traffic"] = trafficState();
    QJsonArray alerts;
    for (const traffic::TrafficAlert& alert : traffic::TrafficFeed::shared().alerts()) alerts.append(alert.text);
    dump["trafficAlerts"] = alerts;
    const FlightBanners* banners = FlightBanners::current();
    dump["banners"] = banners ? QJsonArray::fromStringList(banners->shownTexts()) : QJsonArray();

    if (auto* tabs = dynamic_cast<platform::ui::TabBarController*>(window.rootViewController())) {
        QJsonArray titles;
        for (const auto& screen : tabs->viewControllers()) titles.append(screen->title());
        platform::ui::ViewController* selected = tabs->selectedViewController();
        dump["tabs"] = QJsonObject{{"titles", titles}, {"selected", selected ? QJsonValue(selected->title()) : QJsonValue()}};
    } else {
        dump["tabs"] = QJsonValue();
    }
    return dump;
}

}  // namespace vantrel::app
