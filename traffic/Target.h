#pragma once
// One aircraft (or obstacle) reported by a traffic receiver, as the map draws it and the alert rules
// judge it: its place relative to the aircraft, its motion, its alarm level and how long ago it was
// last heard. A plain value, copied freely; "no value" is NaN (numbers) or empty (texts).

#include <QString>

#include <cmath>
#include <cstdint>
#include <limits>

namespace vantrel::traffic {

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// How loud a target is: FLARM's levels, and the proximity rule's for GDL90 targets.
enum class AlarmLevel : int { None = 0, Low = 1, Important = 2, Urgent = 3 };

// Where a target was heard from.
enum class TrafficOrigin { Flarm, Gdl90 };

// How a target's 24-bit address was assigned. FLARM: 0 random, 1 ICAO, 2 FLARM; GDL90 adds
// the self-assigned and surface kinds; both readers map theirs onto these.
enum class AddressType : int { Random = 0, Icao = 1, Flarm = 2, Other = 3 };

struct TargetId {
    TrafficOrigin origin = TrafficOrigin::Flarm;
    uint32_t address = 0;  // 24 bits

    bool operator==(const TargetId&) const = default;
    // "FLARM DD1234", "GDL90 4B1A2C": for logs, lists and the tool.
    QString text() const;
};

struct Target {
    TargetId id;
    AddressType addressType = AddressType::Random;
    // Relative to the aircraft, in metres: north and east of it, above it (negative below).
    // A target whose bearing is unknown (a transponder heard without a position) has NaN north and
    // east and its horizontal distance in `distance`.
    double north = kNoValue;
    double east = kNoValue;
    double vertical = kNoValue;
    double distance = kNoValue;     // horizontal, metres
    double track = kNoValue;        // degrees true
    double groundSpeed = kNoValue;  // metres per second
    double climbRate = kNoValue;    // metres per second, positive up
    double turnRate = kNoValue;     // degrees per second, positive right
    AlarmLevel alarm = AlarmLevel::None;
    QString callsign;               // callsign or registration when known
    // A GDL90 callsign's letters packed into a word (0 for none): a report's callsign is told from
    // the one kept without reading the text, which lies elsewhere in memory.
    uint64_t callsignKey = 0;
    int aircraftType = -1;          // FLARM's 0..15 or GDL90's emitter category; -1 unknown
    // GDL90 targets are reported by position: their latitude and longitude (degrees) and pressure
    // altitude (metres); the relative place above is recomputed from the ownship.
    double latitude = kNoValue;
    double longitude = kNoValue;
    double altitude = kNoValue;
    double lastHeard = 0.0;         // on the feed's clock, seconds

    bool hasBearing() const { return std::isfinite(north) && std::isfinite(east); }
    double age(double now) const { return std::max(0.0, now - lastHeard); }
};

}  // namespace vantrel::traffic
