#include "PlanFlight.h"

#include "instruments/ADFView.h"
#include "instruments/GPSView.h"
#include "instruments/VORView.h"
#include "navplans/NavPlanStore.h"
#include "navplans/NavplansController.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserNotice.h"
#include "platform/ui/Button.h"
#include "positioning/LocationManager.h"
#include "units/UnitSettings.h"
#include "waypoints/WaypointKeys.h"

#include <cmath>

namespace vantrel::app {

namespace keys = waypoints::keys;
using platform::Value;

namespace {
PlanFlight* currentFlight = nullptr;

const char* followerName(PlanFlight::Follower which) {
    switch (which) {
    case PlanFlight::Follower::Vor1: return "VOR 1";
    case PlanFlight::Follower::Adf: return "ADF";
    case PlanFlight::Follower::Map: return "The map";
    }
    return "";
}

platform::ui::Button* paneButton(QWidget* pane, const QString& title, const QRect& place, double fontSize) {
    auto* button = new platform::ui::Button(title, pane);  // owned by the pane
    button->setFontSize(fontSize);
    button->setHorizontalPadding(2);
    button->setGeometry(place);
    button->hide();
    return button;
}
}  // namespace

PlanFlight::PlanFlight(std::shared_ptr<navplans::NavPlanStore> store, instruments::VORView& vor1, instruments::ADFView& adf,
                       instruments::GPSView& map, BannerFunction showBanner, platform::UserDefaults& defaults)
    : store_(std::move(store)), vor1_(vor1), adf_(adf), map_(map), plan_(defaults), bannerFunction_(std::move(showBanner)) {
    currentFlight = this;

    for (Follower which : {Follower::Vor1, Follower::Adf, Follower::Map}) {
        instruments::AbstractInstrumentView& instrument = view(which);
        QObject::connect(&instrument, &instruments::AbstractInstrumentView::waypointChanged, this,
                         [this, which] { pilotChose(which); });
        QWidget* pane = instrument.setupView();
        if (!pane) continue;
        // VOR 1 and the ADF: over the accuracy texts (hidden meanwhile); the map: under its
        // Previous and Next, where the position texts were.
        const QRect place = which == Follower::Map ? QRect(12, 30, 102, 19) : QRect(140, 30, 100, 19);
        followButtons_[size_t(which)] = paneButton(pane, QStringLiteral("Follow plan"), place, 12);
        followButtons_[size_t(which)]->setAction([this, which] { follow(which); });
    }
    if (QWidget* pane = map_.setupView()) {
        previousButton_ = paneButton(pane, QStringLiteral("Previous"), QRect(12, 7, 62, 21), 13);
        nextButton_ = paneButton(pane, QStringLiteral("Next"), QRect(76, 7, 38, 21), 13);
        stopButton_ = paneButton(pane, QStringLiteral("Stop"), QRect(116, 7, 62, 21), 13);
        previousButton_->setAction([this] { previous(); });
        nextButton_->setAction([this] { next(); });
        stopButton_->setAction([this] { stop(); });
    }

    platform::NotificationCenter::defaultCenter().addObserver(this, "locationDidUpdate", nullptr,
                                                              [this](const platform::Notification&) { onLocation(); });
}

PlanFlight::~PlanFlight() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    navplans::NavplansController::setFlightActions({});
    // The panes outlive this: their buttons must not call back into it.
    for (const QPointer<platform::ui::Button>& button :
         {followButtons_[0], followButtons_[1], followButtons_[2], previousButton_, nextButton_, stopButton_}) {
        if (!button) continue;
        button->setAction(nullptr);
        button->hide();
    }
    if (currentFlight == this) currentFlight = nullptr;
}

PlanFlight* PlanFlight::current() { return currentFlight; }

QString PlanFlight::start() {
    navplans::NavplansController::setFlightActions(
        {[this](const QString& name) { return fly(name); }, [this] { stop(); },
         [this] { return plan_.isFlying() ? plan_.navigator()->route().planName : QString(); }});
    const QString problem = plan_.restore(*store_);
    if (!problem.isEmpty())
        platform::postUserNotice(this, QStringLiteral("active plan not resumed"), QStringLiteral("Plan not resumed"), problem);
    follows_ = {true, true, true};
    applyLeg();
    return problem;
}

QString PlanFlight::fly(const QString& planName) {
    const QString problem = plan_.fly(*store_, planName);
    if (!problem.isEmpty()) {
        platform::logLine(problem);
        return problem;
    }
    missingFileShown_ = false;
    follows_ = {true, true, true};
    lastFixTime_ = -1;
    onLocation();  // the current fix, for the pane's distances at once
    applyLeg();
    return QString();
}

void PlanFlight::stop() {
    plan_.stop();
    applyLeg();
}

bool PlanFlight::next() {
    if (!plan_.next()) return false;
    applyLeg();
    return true;
}

bool PlanFlight::previous() {
    if (!plan_.previous()) return false;
    applyLeg();
    return true;
}

void PlanFlight::follow(Follower which) {
    follows_[size_t(which)] = true;
    platform::logLine(QStringLiteral("%1 follows the plan again").arg(QString::fromLatin1(followerName(which))));
    applyLeg();
}

void PlanFlight::pilotChose(Follower which) {
    if (applying_ || !plan_.isFlying() || !follows_[size_t(which)]) return;
    follows_[size_t(which)] = false;
    platform::logLine(QStringLiteral("%1 left the plan: the pilot chose its waypoint").arg(QString::fromLatin1(followerName(which))));
    showPaneButtons();
}

instruments::AbstractInstrumentView& PlanFlight::view(Follower which) const {
    switch (which) {
    case Follower::Vor1: return vor1_;
    case Follower::Adf: return adf_;
    case Follower::Map: break;
    }
    return map_;
}

Value PlanFlight::activeRecord() const {
    const navigation::RoutePoint& point = plan_.navigator()->activePoint();
    // The plan's own record when it holds the position as numbers (a database waypoint: the
    // map marks it and the VOR reads its station's variation); else a record made of the point.
    if (point.record) {
        const Value lat = point.record->get(keys::waypointLatitude);
        const Value lon = point.record->get(keys::waypointLongitude);
        if (lat.isNumber() && lon.isNumber() && lat.doubleValue() == point.latitude && lon.doubleValue() == point.longitude)
            return Value(point.record);
    }
    platform::DictionaryPtr record = platform::Dictionary::create(4);
    record->set(keys::waypointId, Value(point.id));
    record->set(keys::waypointName, Value(point.name));
    record->set(keys::waypointLatitude, Value::real(point.latitude));
    record->set(keys::waypointLongitude, Value::real(point.longitude));
    return Value(record);
}

void PlanFlight::applyLeg() {
    if (plan_.isFlying()) {
        const Value record = activeRecord();
        applying_ = true;
        for (Follower which : {Follower::Vor1, Follower::Adf, Follower::Map}) {
            instruments::AbstractInstrumentView& instrument = view(which);
            if (!follows_[size_t(which)]) continue;
            // The same waypoint stays as it is: the map's direct-to keeps its origin.
            if (instrument.selectedWaypoint() != record) instrument.setWaypoint(record);
        }
        applying_ = false;
        if (follows_[size_t(Follower::Vor1)]) {
            if (const std::optional<double> course = plan_.navigator()->legCourse()) {
                // The ring reads in the VOR's north: the station's variation taken off.
                double ring = std::fmod(*course - vor1_.magneticVariation().value_or(0.0), 360.0);
                if (ring < 0) ring += 360.0;
                vor1_.setRingAngle(float(ring));
            }
        }
    }
    refreshMap();
    showPaneButtons();
}

void PlanFlight::refreshMap() {
    const navigation::PlanNavigator* navigator = plan_.navigator();
    if (!navigator) {
        map_.setPlanRoute(std::nullopt);
        return;
    }
    instruments::GPSView::PlanRoute route;
    route.points.reserve(navigator->route().points.size());
    for (const navigation::RoutePoint& point : navigator->route().points)
        route.points.push_back({point.id, point.latitude, point.longitude, int(point.planIndex) + 1});
    route.active = navigator->active();
    const std::optional<double> variation = map_.magneticVariation();
    route.paneText = navigator->arrived()
                         ? QStringLiteral("Arrived")
                         : plan_.paneText(units::UnitSettings::shared(), variation.has_value(),
                                          variation.value_or(std::nan("")));
    map_.setPlanRoute(std::move(route));
}

void PlanFlight::showPaneButtons() {
    const bool flying = plan_.isFlying();
    const bool shown = plan_.navigator() != nullptr;  // flying, or arrived until Stop
    for (Follower which : {Follower::Vor1, Follower::Adf, Follower::Map}) {
        const bool offer = flying && !follows_[size_t(which)];
        if (followButtons_[size_t(which)]) followButtons_[size_t(which)]->setVisible(offer);
        instruments::AbstractInstrumentView& instrument = view(which);
        if (which == Follower::Map) continue;
        for (const char* name : {"accuracyCaption", "gpsAccuracy"})
            if (QWidget* label = instrument.outlet(QString::fromLatin1(name))) label->setVisible(!offer);
    }
    for (const char* name : {"latField", "lonField", "speed", "course"})
        if (QWidget* label = map_.outlet(QString::fromLatin1(name))) label->setVisible(!shown);
    if (previousButton_) previousButton_->setVisible(flying);
    if (nextButton_) nextButton_->setVisible(flying);
    if (stopButton_) stopButton_->setVisible(shown);
}

void PlanFlight::showBanner(const QString& text) {
    lastBanner_ = text;
    if (bannerFunction_) bannerFunction_(text, kBannerMilliseconds);
}

void PlanFlight::onLocation() {
    if (!plan_.navigator()) return;
    positioning::LocationManager& manager = positioning::LocationManager::sharedManager();
    const float speed = manager.speed();
    plan_.setGroundSpeed(std::isfinite(speed) ? std::optional<double>(speed) : std::nullopt);
    if (const std::optional<positioning::Fix> fix = manager.currentLocation(); fix && fix->timestamp != lastFixTime_) {
        lastFixTime_ = fix->timestamp;
        if (const std::optional<navigation::ActivePlan::Event> event = plan_.onFix(*fix)) {
            showBanner(event->banner);
            applyLeg();
        }
    }
    if (const QString missing = plan_.checkPlanFile(); !missing.isEmpty() && !missingFileShown_) {
        missingFileShown_ = true;
        showBanner(QStringLiteral("Plan file removed: flying the route as loaded"));
    }
    refreshMap();
}

}  // namespace vantrel::app
