#include "TrafficAlerts.h"

#include "units/UnitSettings.h"

#include <algorithm>
#include <cmath>

namespace vantrel::traffic {

AlertUnits AlertUnits::from(const units::UnitSettings& settings) {
    return {settings.distanceFactor(), settings.distanceUnit(), settings.heightFactor(), settings.heightUnit()};
}

AlarmLevel proximityAlarm(const Target& t) {
    if (!(t.distance <= kProximityDistance)) return AlarmLevel::None;
    if (std::isfinite(t.vertical) && std::abs(t.vertical) > kProximityHeight) return AlarmLevel::None;
    return AlarmLevel::Important;
}

int clockPosition(double relativeBearing) {
    double b = std::fmod(relativeBearing, 360.0);
    if (b < 0.0) b += 360.0;
    int clock = int(std::lround(b / 30.0)) % 12;
    return clock == 0 ? 12 : clock;
}

bool operator==(const AlertUnits& a, const AlertUnits& b) {
    return a.distanceFactor == b.distanceFactor && a.heightFactor == b.heightFactor && a.distanceUnit == b.distanceUnit &&
           a.heightUnit == b.heightUnit;
}

namespace {

// Heights to the nearest 100 ft (10 m in metric): finer would only flicker.
double shownHeight(double vertical, const AlertUnits& units) {
    double step = units.heightUnit == QLatin1String("ft") ? 100.0 : 10.0;
    return std::round(std::abs(vertical) * units.heightFactor / step) * step;
}

// What an alert's text is made of, to tell whether two alerts read the same without writing
// them. The distance is compared in tenths of the unit; one within a hair of halfway between two
// tenths is never taken as the same, as the text's own rounding could go either way.
struct TextParts {
    int clock = 0;
    bool hasHeight = false;
    double height = 0.0;
    bool above = false;
    bool hasDistance = false;
    long long tenths = 0;
    bool sure = true;

    TextParts(std::optional<int> c, double vertical, double distance, const AlertUnits& units) : clock(c.value_or(0)) {
        if (std::isfinite(vertical)) {
            hasHeight = true;
            height = shownHeight(vertical, units);
            above = vertical > 0.0;
        }
        if (std::isfinite(distance)) {
            hasDistance = true;
            const double x = distance / units.distanceFactor * 10.0;
            sure = std::abs(x) < 1e15 && std::abs(x - std::floor(x) - 0.5) > 1e-6;
            if (sure) tenths = std::llround(x);
        }
    }
    bool sameText(const TextParts& o) const {
        return sure && o.sure && clock == o.clock && hasHeight == o.hasHeight && height == o.height && above == o.above &&
               hasDistance == o.hasDistance && tenths == o.tenths;
    }
};

TrafficAlert alertFor(const Target& t, double ownTrack, const AlertUnits& units, const std::vector<TrafficAlert>* previous) {
    TrafficAlert alert;
    alert.id = t.id;
    alert.level = t.id.origin == TrafficOrigin::Flarm ? t.alarm : proximityAlarm(t);
    alert.vertical = t.vertical;
    alert.distance = t.distance;
    if (t.hasBearing()) {
        double bearing = std::atan2(t.east, t.north) * 180.0 / M_PI;
        alert.clock = clockPosition(bearing - (std::isfinite(ownTrack) ? ownTrack : 0.0));
    }
    if (previous) {
        for (const TrafficAlert& old : *previous) {
            if (old.id != t.id) continue;
            if (TextParts(old.clock, old.vertical, old.distance, units).sameText(TextParts(alert.clock, t.vertical, t.distance, units)))
                alert.text = old.text;
            break;
        }
        if (!alert.text.isEmpty()) return alert;
    }
    // Appended piece by piece into one buffer: made for every alerting target at each update, the
    // text was the dearest part of the feed's update when each piece was a formatted QString.
    QString text;
    text.reserve(64);
    text += QLatin1StringView("Traffic");
    if (alert.clock) {
        text += QLatin1Char(' ');
        text += QString::number(*alert.clock);
        text += QLatin1StringView(" o'clock");
    }
    if (std::isfinite(t.vertical)) {
        const double height = shownHeight(t.vertical, units);
        if (height == 0.0) {
            text += QLatin1StringView(", same height");
        } else {
            text += QLatin1StringView(", ");
            text += QString::number(height, 'f', 0);
            text += QLatin1Char(' ');
            text += units.heightUnit;
            text += t.vertical > 0.0 ? QLatin1StringView(" above") : QLatin1StringView(" below");
        }
    }
    if (std::isfinite(t.distance)) {
        text += QLatin1StringView(", ");
        text += QString::number(t.distance / units.distanceFactor, 'f', 1);
        text += QLatin1Char(' ');
        text += units.distanceUnit;
    }
    alert.text = std::move(text);
    return alert;
}

}  // namespace

TrafficAlert alertFor(const Target& t, double ownTrack, const AlertUnits& units) { return alertFor(t, ownTrack, units, nullptr); }

std::vector<TrafficAlert> trafficAlerts(const std::vector<Target>& targets, double ownTrack, const AlertUnits& units,
                                        const std::vector<TrafficAlert>* previous) {
    std::vector<TrafficAlert> alerts;
    for (const Target& t : targets) {
        AlarmLevel level = t.id.origin == TrafficOrigin::Flarm ? t.alarm : proximityAlarm(t);
        if (level != AlarmLevel::None) alerts.push_back(alertFor(t, ownTrack, units, previous));
    }
    std::sort(alerts.begin(), alerts.end(), [](const TrafficAlert& a, const TrafficAlert& b) {
        if (a.level != b.level) return a.level > b.level;
        double da = std::isfinite(a.distance) ? a.distance : INFINITY;
        double db = std::isfinite(b.distance) ? b.distance : INFINITY;
        if (da != db) return da < db;
        return a.id.address < b.id.address;
    });
    return alerts;
}

}  // namespace vantrel::traffic
