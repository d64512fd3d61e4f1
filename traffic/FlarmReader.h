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

// One line, with or without its line end; '$' to checksum. Tries readFlarmTarget first and reads
// whatever that refuses with readFlarmSentenceCarefully.
FlarmReading readFlarmSentence(QByteArrayView line);

// The feed's form for the sentence that comes by the hundred: true when `line` is a good PFLAA
// sentence, read into `target` in one pass from '$' to the checksum (fields parsed as they are
// met, the checksum summed on the way). `target` should come fresh from its constructor: what
// PFLAA does not carry (callsign, latitude, ...) is left as it is. False for anything else (a
// status, another sentence, a bad one), with `target` half written: ask readFlarmSentence what
// the line was and why it was refused.
bool readFlarmTarget(QByteArrayView line, Target& target);

// Every form and every refusal with its reason, field by field after a scan of the whole line.
// Agrees with readFlarmTarget on every line that one accepts (the tests hold them to it).
FlarmReading readFlarmSentenceCarefully(QByteArrayView line);

}  // namespace vantrel::traffic
