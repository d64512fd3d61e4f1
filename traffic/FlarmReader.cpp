#include "FlarmReader.h"

#include <QByteArray>
#include <QList>

#include <charconv>
#include <cmath>

namespace vantrel::traffic {

namespace {

FlarmReading bad(const char* reason) {
    FlarmReading r;
    r.kind = FlarmReading::Kind::Bad;
    r.reason = reason;
    return r;
}

// A decimal number, or nothing for an empty field; `ok` turns false for a malformed one.
double decimal(QByteArrayView text, bool& ok) {
    if (text.isEmpty()) return kNoValue;
    double value = 0.0;
    const char* end = text.data() + text.size();
    const char* begin = text.data();
    if (*begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) {
        ok = false;
        return kNoValue;
    }
    return value;
}

// A whole number in [low, high] in the given base; nothing when empty; `ok` false when malformed.
std::optional<long> whole(QByteArrayView text, long low, long high, int base, bool& ok) {
    if (text.isEmpty()) return std::nullopt;
    long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (ec != std::errc() || ptr != end || value < low || value > high) {
        ok = false;
        return std::nullopt;
    }
    return value;
}

std::optional<uint32_t> address(QByteArrayView text, bool& ok) {
    if (text.isEmpty()) return std::nullopt;
    if (text.size() != 6) {
        ok = false;
        return std::nullopt;
    }
    std::optional<long> v = whole(text, 0, 0xFFFFFF, 16, ok);
    if (!v) return std::nullopt;
    return uint32_t(*v);
}

FlarmReading readStatus(const QList<QByteArrayView>& f) {
    // PFLAU,RX,TX,GPS,Power,AlarmLevel,RelativeBearing,AlarmType,RelativeVertical,RelativeDistance[,ID]
    if (f.size() < 10) return bad("PFLAU with too few fields");
    bool ok = true;
    FlarmReading r;
    r.kind = FlarmReading::Kind::Status;
    FlarmStatus& s = r.status;
    s.receivedDevices = int(whole(f[1], 0, 99, 10, ok).value_or(0));
    s.transmitting = whole(f[2], 0, 1, 10, ok).value_or(0) == 1;
    s.gps = int(whole(f[3], 0, 2, 10, ok).value_or(0));
    s.powerOk = whole(f[4], 0, 1, 10, ok).value_or(0) == 1;
    std::optional<long> level = whole(f[5], 0, 3, 10, ok);
    if (!level) return bad(ok ? "PFLAU without alarm level" : "PFLAU with a bad field");
    s.alarm = AlarmLevel(*level);
    s.relativeBearing = decimal(f[6], ok);
    // Older devices send the alarm type in decimal (0..4), newer ones in hex (0x41...).
    s.alarmType = int(whole(f[7], 0, 0xFF, 16, ok).value_or(0));
    s.relativeVertical = decimal(f[8], ok);
    s.relativeDistance = decimal(f[9], ok);
    if (f.size() > 10) s.address = address(f[10], ok);
    if (!ok) return bad("PFLAU with a bad field");
    if (std::isfinite(s.relativeBearing) && std::abs(s.relativeBearing) > 180.0) return bad("PFLAU bearing out of range");
    if (std::abs(s.relativeDistance) > kFarthestFlarmTarget || std::abs(s.relativeVertical) > kFarthestFlarmTarget)
        return bad("PFLAU target beyond 100 km");
    return r;
}

FlarmReading readTarget(const QList<QByteArrayView>& f) {
    // PFLAA,AlarmLevel,RelativeNorth,RelativeEast,RelativeVertical,IDType,ID,Track,TurnRate,
    //       GroundSpeed,ClimbRate,AcftType[,NoTrack,Source,RSSI]
    if (f.size() < 12) return bad("PFLAA with too few fields");
    bool ok = true;
    FlarmReading r;
    r.kind = FlarmReading::Kind::Target;
    Target& t = r.target;
    t.id.origin = TrafficOrigin::Flarm;
    std::optional<long> level = whole(f[1], 0, 3, 10, ok);
    double north = decimal(f[2], ok);
    double east = decimal(f[3], ok);
    t.vertical = decimal(f[4], ok);
    std::optional<long> idType = whole(f[5], 0, 3, 10, ok);
    std::optional<uint32_t> id = address(f[6], ok);
    t.track = decimal(f[7], ok);
    t.turnRate = decimal(f[8], ok);
    t.groundSpeed = decimal(f[9], ok);
    t.climbRate = decimal(f[10], ok);
    std::optional<long> type = whole(f[11], 0, 15, 16, ok);
    if (!ok) return bad("PFLAA with a bad field");
    if (!level || !id || !std::isfinite(north)) return bad("PFLAA without alarm level, address or position");
    t.alarm = AlarmLevel(*level);
    t.id.address = *id;
    t.addressType = idType ? AddressType(*idType) : AddressType::Random;
    t.aircraftType = int(type.value_or(-1));
    if (std::isfinite(east)) {
        t.north = north;
        t.east = east;
        t.distance = std::hypot(north, east);
    } else {
        t.distance = std::abs(north);  // a target without bearing: the north field is its distance
    }
    if (t.distance > kFarthestFlarmTarget || std::abs(t.vertical) > kFarthestFlarmTarget)
        return bad("PFLAA target beyond 100 km");
    if (std::isfinite(t.track) && (t.track < 0.0 || t.track >= 360.0)) return bad("PFLAA track out of range");
    if (std::abs(t.groundSpeed) > 1000.0 || t.groundSpeed < 0.0 || std::abs(t.climbRate) > 200.0 ||
        std::abs(t.turnRate) > 360.0)
        return bad("PFLAA speed out of range");
    return r;
}

}  // namespace

FlarmReading readFlarmSentence(QByteArrayView raw) {
    QByteArrayView line = raw.trimmed();
    if (!line.startsWith("$PFLAU") && !line.startsWith("$PFLAA")) return {};
    for (char c : line)
        if (c < 0x20 || c > 0x7e) return bad("unprintable bytes");
    QByteArrayView body = line.sliced(1);
    qsizetype star = line.lastIndexOf('*');
    if (star >= 0) {
        QByteArrayView sum = line.sliced(star + 1);
        bool ok = true;
        std::optional<long> expected = sum.size() == 2 ? whole(sum, 0, 0xFF, 16, ok) : std::nullopt;
        if (!expected) return bad("malformed checksum");
        unsigned actual = 0;
        for (char c : line.sliced(1, star - 1)) actual ^= uchar(c);
        if (long(actual) != *expected) return bad("bad checksum");
        body = line.sliced(1, star - 1);
    }
    QList<QByteArrayView> fields;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= body.size(); ++i) {
        if (i == body.size() || body[i] == ',') {
            fields.append(body.sliced(start, i - start));
            start = i + 1;
        }
    }
    if (fields[0] == "PFLAU") return readStatus(fields);
    if (fields[0] == "PFLAA") return readTarget(fields);
    return {};
}

}  // namespace vantrel::traffic
