#pragma once
// The alert rules and their texts. A FLARM target alerts at the alarm level its device gives
// (1 low, 2 important, 3 urgent); a GDL90 target alerts (important) when it is within 0.5 NM and
// 500 ft of the aircraft; one whose height is unknown counts as within 500 ft, as the pilot cannot
// tell otherwise. Alerts come loudest first, nearest first within a level.
//
// The text gives the clock position relative to the aircraft's track (12 o'clock straight ahead;
// north when the track is unknown), the relative height and the distance in the pilot's units:
// "Traffic 2 o'clock, 300 ft above, 0.4 nm".
//
// Plain functions on values. Any thread.

#include "Target.h"

#include <QString>

#include <optional>
#include <vector>

namespace vantrel::units {
class UnitSettings;
}

namespace vantrel::traffic {

inline constexpr double kProximityDistance = 0.5 * 1852.0;  // metres
inline constexpr double kProximityHeight = 500.0 * 0.3048;  // metres

struct AlertUnits {
    double distanceFactor = 1852.0;  // metres per distance unit
    QString distanceUnit = QStringLiteral("nm");
    double heightFactor = 3.278;     // height units per metre
    QString heightUnit = QStringLiteral("ft");

    static AlertUnits from(const units::UnitSettings& settings);
};

struct TrafficAlert {
    TargetId id;
    AlarmLevel level = AlarmLevel::None;
    std::optional<int> clock;  // 1..12; nothing when the bearing is unknown
    double vertical = kNoValue;
    double distance = kNoValue;
    QString text;
};

// The GDL90 proximity rule for a target whose place relative to the aircraft is known.
AlarmLevel proximityAlarm(const Target& target);

// 1..12 for a bearing relative to the track (degrees).
int clockPosition(double relativeBearing);

// The alert for one target (its level as the rules above give it). ownTrack in degrees, or NaN.
TrafficAlert alertFor(const Target& target, double ownTrack, const AlertUnits& units);

// Every alerting target, loudest first. With `previous` (the alerts made before in the same
// units), a target whose text would read as before keeps that text instead of making it again.
std::vector<TrafficAlert> trafficAlerts(const std::vector<Target>& targets, double ownTrack, const AlertUnits& units,
                                        const std::vector<TrafficAlert>* previous = nullptr);

bool operator==(const AlertUnits& a, const AlertUnits& b);

}  // namespace vantrel::traffic
