#pragma once
// Reads FLARM's data port sentences: $PFLAU (the device's status and its loudest alarm) and $PFLAA
// (one target: alarm level, relative north, east and vertical in metres, address type and address,
// track, turn rate, ground speed, climb rate, aircraft type). The checksum is checked when the
// line has one; every field is checked for its form and range. Relative positions beyond 100 km
// are refused. Other sentences are answered NotFlarm; bad ones Bad with the reason.
//
// Stateless: plain functions. Any thread.

#include "Target.h"

#include <QByteArrayView>

#include <optional>

namespace vantrel::traffic {

struct FlarmStatus {
    int receivedDevices = 0;
    bool transmitting = false;
    int gps = 0;  // 0 no fix, 1 on the ground, 2 airborne
    bool powerOk = false;
    AlarmLevel alarm = AlarmLevel::None;
    double relativeBearing = kNoValue;  // degrees from the aircraft's track, -180..180
    int alarmType = 0;                  // 0 none, 2 aircraft, 3 obstacle, 4 traffic advisory, ...
    double relativeVertical = kNoValue;  // metres
    double relativeDistance = kNoValue;  // metres
    std::optional<uint32_t> address;     // the alarming target's, when given
};

struct FlarmReading {
    enum class Kind { NotFlarm, Bad, Status, Target };
    Kind kind = Kind::NotFlarm;
    const char* reason = nullptr;  // for Bad
    FlarmStatus status;            // for Status
    traffic::Target target;        // for Target (lastHeard left at 0)
};

// The farthest relative position believed; anything beyond is a damaged sentence.
inline constexpr double kFarthestFlarmTarget = 100000.0;  // metres

// One line, with or without its line end; '$' to checksum.
FlarmReading readFlarmSentence(QByteArrayView line);

}  // namespace vantrel::traffic
