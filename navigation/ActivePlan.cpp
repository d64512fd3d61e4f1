#include "ActivePlan.h"

#include "navplans/NavPlanStore.h"
#include "platform/core/Log.h"
#include "units/UnitSettings.h"

#include <QDateTime>
#include <QFileInfo>
#include <cmath>

namespace vantrel::navigation {

using platform::Dictionary;
using platform::Value;

namespace {

constexpr double kSlowestGroundSpeed = 2.0;  // metres per second; slower gives no time to go

// "h:mm", rounded to the minute.
QString hoursMinutes(double seconds) {
    const long long minutes = std::llround(seconds / 60.0);
    return QString::asprintf("%lld:%02lld", minutes / 60, minutes % 60);
}

}  // namespace

ActivePlan::ActivePlan(platform::UserDefaults& defaults) : defaults_(defaults) {}

QString ActivePlan::fly(const navplans::NavPlanStore& store, const QString& planName, std::optional<size_t> planLeg) {
    const std::vector<platform::DictionaryPtr> found = store.plansNamed(planName);
    if (found.empty()) return QStringLiteral("There is no plan named \"%1\" to fly").arg(planName);
    Route route = Route::fromPlan(*found.front());
    for (const QString& line : route.problems) platform::logLine(QStringLiteral("Plan \"%1\": %2").arg(planName, line));
    if (!route.flyable())
        return QStringLiteral("The plan \"%1\" has fewer than two waypoints with usable, distinct positions: nothing to fly")
            .arg(planName);
    size_t active = 1;
    if (planLeg) {
        std::optional<size_t> index = route.routeIndexOfPlanIndex(*planLeg);
        if (!index) {
            platform::logLine(QStringLiteral("Plan \"%1\": leg %2 is beyond its last waypoint; flying its last leg")
                                  .arg(planName)
                                  .arg(*planLeg));
            index = route.points.size() - 1;
        }
        active = *index;
    }
    problems_ = route.problems;
    const QString file = store.fileNameOf(found.front());
    planFile_ = file.isEmpty() ? QString() : store.savePath() + u'/' + file;
    reportedMissing_ = false;
    navigator_ = std::make_unique<PlanNavigator>(std::move(route), active);
    platform::logLine(QStringLiteral("Flying the plan \"%1\"").arg(planName));
    logLegStart();
    persist();
    return QString();
}

QString ActivePlan::restore(const navplans::NavPlanStore& store) {
    const Value stored = defaults_.objectForKey(kActivePlanKey);
    if (stored.isNull()) return QString();
    const Dictionary* record = stored.asDictionary();
    const Value name = record ? record->get("name") : Value();
    const Value leg = record ? record->get("leg") : Value();
    QString problem;
    if (!name.isString() || !leg.isNumber() || !(leg.doubleValue() >= 0) || leg.doubleValue() > 1e6 ||
        leg.doubleValue() != std::floor(leg.doubleValue())) {
        problem = QStringLiteral("The stored active plan is not a plan name and a leg (%1)")
                      .arg(QString::fromStdString(stored.description()));
    } else {
        problem = fly(store, name.toQString(), size_t(leg.doubleValue()));
    }
    if (!problem.isEmpty()) {
        platform::logLine(problem + QStringLiteral("; the flight is not resumed"));
        defaults_.removeObjectForKey(kActivePlanKey);
    }
    return problem;
}

void ActivePlan::stop() {
    if (navigator_) platform::logLine(QStringLiteral("Stopped flying the plan \"%1\"").arg(navigator_->route().planName));
    navigator_.reset();
    problems_.clear();
    planFile_.clear();
    defaults_.removeObjectForKey(kActivePlanKey);
}

std::optional<ActivePlan::Event> ActivePlan::onFix(const positioning::Fix& fix) {
    if (!isFlying()) return std::nullopt;
    std::optional<PlanNavigator::Passing> passing = navigator_->update(fix);
    if (!passing) return std::nullopt;
    Event event;
    event.passing = *passing;
    const QString when = QDateTime::fromMSecsSinceEpoch(qint64(passing->time * 1000.0), Qt::UTC).toString(QStringLiteral("HH:mm:ss"));
    platform::logLine(QStringLiteral("Plan \"%1\": passed %2 at %3 UTC (%4)")
                          .arg(navigator_->route().planName, passing->id, when,
                               passing->byDistance ? QStringLiteral("within 0.5 NM") : QStringLiteral("across its passing line")));
    if (navigator_->arrived()) {
        event.arrived = true;
        event.banner = QStringLiteral("Arrived");
        platform::logLine(QStringLiteral("Plan \"%1\": Arrived").arg(navigator_->route().planName));
        defaults_.removeObjectForKey(kActivePlanKey);
    } else {
        event.banner = QStringLiteral("Passed %1 - to %2").arg(passing->id, navigator_->activePoint().id);
        logLegStart();
        persist();
    }
    return event;
}

bool ActivePlan::next() {
    if (!isFlying() || !navigator_->next()) return false;
    logLegStart();
    persist();
    return true;
}

bool ActivePlan::previous() {
    if (!isFlying() || !navigator_->previous()) return false;
    logLegStart();
    persist();
    return true;
}

void ActivePlan::setGroundSpeed(std::optional<double> metresPerSecond) {
    if (metresPerSecond && std::isfinite(*metresPerSecond) && *metresPerSecond >= kSlowestGroundSpeed)
        groundSpeed_ = metresPerSecond;
    else
        groundSpeed_.reset();
}

QString ActivePlan::checkPlanFile() {
    if (!isFlying() || planFile_.isEmpty() || QFileInfo::exists(planFile_)) return QString();
    const QString message = QStringLiteral("The file of the plan \"%1\" was removed; flying its route as it was loaded")
                                .arg(navigator_->route().planName);
    if (!reportedMissing_) platform::logLine(message);
    reportedMissing_ = true;
    return message;
}

void ActivePlan::persist() const {
    const RoutePoint& active = navigator_->activePoint();
    platform::DictionaryPtr record = Dictionary::create(2);
    record->set("name", Value(navigator_->route().planName));
    record->set("leg", Value::integer(int64_t(active.planIndex)));
    defaults_.setObject(kActivePlanKey, Value(record));
}

void ActivePlan::logLegStart() const {
    const Route& route = navigator_->route();
    const RoutePoint& to = navigator_->activePoint();
    const std::optional<double> course = navigator_->legCourse();
    platform::logLine(QStringLiteral("Plan \"%1\": leg to %2 (%3/%4)%5")
                          .arg(route.planName, to.id)
                          .arg(to.planIndex + 1)
                          .arg(route.planWaypointCount)
                          .arg(course ? QString::asprintf(", course %03d", int(std::lround(*course)) % 360) : QString()));
}

QString ActivePlan::paneText(const units::UnitSettings& units, bool magnetic, double variationDegrees) const {
    if (!navigator_) return QString();
    const RoutePoint& to = navigator_->activePoint();
    const std::optional<double> distance = navigator_->distanceToActive();
    const std::optional<double> bearing = navigator_->bearingToActive();
    const std::optional<double> total = navigator_->distanceToDestination();
    const std::optional<positioning::Fix> fix = navigator_->lastFix();
    QString distanceText = QStringLiteral("--");
    if (distance) distanceText = QString::asprintf("%.1f", *distance / units.distanceFactor());
    // Magnetic only with a variation to turn by, as every other bearing of the app; the mark
    // says which north it is from.
    const bool showsMagnetic = magnetic && std::isfinite(variationDegrees);
    QString bearingText = QStringLiteral("---");
    if (bearing) {
        double shown = *bearing - (showsMagnetic ? variationDegrees : 0.0);
        long rounded = std::lround(shown) % 360;
        if (rounded < 0) rounded += 360;
        bearingText = QString::asprintf("%03ld\u00b0", rounded) + (showsMagnetic ? u'M' : u'T');
    }
    QString ete = QStringLiteral("-:--");
    QString eta = QStringLiteral("--:--");
    if (groundSpeed_ && distance && total && fix) {
        ete = hoursMinutes(*distance / *groundSpeed_);
        const double arrival = fix->timestamp + *total / *groundSpeed_;
        eta = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(arrival / 60.0) * 60000), Qt::UTC).toString(QStringLiteral("HH:mm"));
    }
    return QStringLiteral("To %1 (%2/%3) DIS %4 %5 BRG %6 ETE %7 - ETA dest %8")
        .arg(to.id)
        .arg(to.planIndex + 1)
        .arg(navigator_->route().planWaypointCount)
        .arg(distanceText, units.distanceUnit(), bearingText, ete, eta);
}

Value ActivePlan::dumpValue() const {
    if (!navigator_) return Value();
    auto optionalReal = [](std::optional<double> v) { return v ? Value::real(*v) : Value(); };
    const RoutePoint& active = navigator_->activePoint();
    platform::DictionaryPtr dump = Dictionary::create(8);
    dump->set("name", Value(navigator_->route().planName));
    dump->set("leg", Value::integer(int64_t(active.planIndex)));
    dump->set("waypoint_id", Value(active.id));
    dump->set("legCourse", optionalReal(navigator_->legCourse()));
    dump->set("distanceToGo", optionalReal(navigator_->distanceToActive()));
    dump->set("distanceToDestination", optionalReal(navigator_->distanceToDestination()));
    dump->set("arrived", Value::boolean(navigator_->arrived()));
    platform::ArrayPtr passed = platform::Array::create(navigator_->passed().size());
    for (const PlanNavigator::Passing& p : navigator_->passed()) {
        platform::DictionaryPtr entry = Dictionary::create(2);
        entry->set("id", Value(p.id));
        entry->set("time", Value::real(p.time));
        passed->append(Value(entry));
    }
    dump->set("passed", Value(passed));
    return Value(dump);
}

}  // namespace vantrel::navigation
