#include "Gdl90Reader.h"

#include <array>
#include <cstring>
#include <cmath>

namespace vantrel::traffic {

namespace {

constexpr char kFlag = 0x7E;
constexpr char kEscape = 0x7D;
constexpr double kMetresPerFoot = 0.3048;
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
constexpr double kSemicircle = 180.0 / double(1 << 23);  // degrees per unit of a 24-bit angle

constexpr std::array<uint16_t, 256> crcTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int bit = 0; bit < 8; ++bit) crc = (crc << 1) ^ ((crc & 0x8000) ? 0x1021 : 0);
        table[i] = uint16_t(crc);
    }
    return table;
}
constexpr std::array<uint16_t, 256> kCrcTable = crcTable();
// Two bytes at a time: the table is linear (T[a ^ b] = T[a] ^ T[b]), so after the bytes b1 b2 the
// CRC (h, l) becomes U[h] ^ T[l] ^ (b1 b2), with U[h] = T[T[h] >> 8] ^ (T[h] << 8). The two
// look-ups do not wait for each other, as one byte's waits for the last.
constexpr std::array<uint16_t, 256> crcPairTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned h = 0; h < 256; ++h) table[h] = uint16_t(kCrcTable[kCrcTable[h] >> 8] ^ uint16_t(kCrcTable[h] << 8));
    return table;
}
constexpr std::array<uint16_t, 256> kCrcPairTable = crcPairTable();

unsigned byteAt(QByteArrayView m, qsizetype i) { return uchar(m[i]); }

int32_t signed24(QByteArrayView m, qsizetype i) {
    int32_t v = int32_t((byteAt(m, i) << 16) | (byteAt(m, i + 1) << 8) | byteAt(m, i + 2));
    return v & 0x800000 ? v - 0x1000000 : v;
}

std::optional<Gdl90Message> fail(const char** reason, const char* why) {
    if (reason) *reason = why;
    return std::nullopt;
}

AddressType addressTypeOf(unsigned t) {
    switch (t) {
    case 0:  // ADS-B with ICAO address
    case 2:  // TIS-B with ICAO address
        return AddressType::Icao;
    case 1:  // ADS-B with a self-assigned address
        return AddressType::Random;
    default:
        return AddressType::Other;
    }
}

std::optional<Gdl90Message> decodeReport(QByteArrayView m, Gdl90Message::Kind kind, const char** reason) {
    if (m.size() != 28) return fail(reason, "report of the wrong length");
    Gdl90Message msg;
    msg.kind = kind;
    Gdl90Report& r = msg.report;
    r.trafficAlert = (byteAt(m, 1) >> 4) == 1;
    r.addressType = addressTypeOf(byteAt(m, 1) & 0x0F);
    r.address = (byteAt(m, 2) << 16) | (byteAt(m, 3) << 8) | byteAt(m, 4);
    int32_t lat = signed24(m, 5);
    int32_t lon = signed24(m, 8);
    r.nic = int(byteAt(m, 13) >> 4);
    r.nacp = int(byteAt(m, 13) & 0x0F);
    if (lat != 0 || lon != 0 || r.nic != 0) {
        double latitude = lat * kSemicircle;
        if (std::abs(latitude) > 90.0) return fail(reason, "latitude beyond the pole");
        r.latitude = latitude;
        r.longitude = lon * kSemicircle;  // 24 bits cannot go beyond +-180
    }
    unsigned altitude = (byteAt(m, 11) << 4) | (byteAt(m, 12) >> 4);
    unsigned misc = byteAt(m, 12) & 0x0F;
    if (altitude != 0xFFF) r.pressureAltitude = (double(altitude) * 25.0 - 1000.0) * kMetresPerFoot;
    r.airborne = (misc & 0x08) != 0;
    unsigned horizontal = (byteAt(m, 14) << 4) | (byteAt(m, 15) >> 4);
    unsigned vertical = ((byteAt(m, 15) & 0x0F) << 8) | byteAt(m, 16);
    if (horizontal != 0xFFF) r.groundSpeed = double(horizontal) * kMetresPerSecondPerKnot;
    if (vertical != 0x800) {
        int v = vertical & 0x800 ? int(vertical) - 0x1000 : int(vertical);
        r.climbRate = v * 64.0 * kMetresPerFoot / 60.0;
    }
    if ((misc & 0x03) != 0) r.track = byteAt(m, 17) * 360.0 / 256.0;
    r.emitterCategory = int(byteAt(m, 18));
    Gdl90Callsign& callsign = r.callsign;
    for (qsizetype i = 19; i < 27; ++i) {
        char c = m[i];
        if (c == ' ' || c == 0) continue;
        if ((c < '0' || c > '9') && (c < 'A' || c > 'Z')) return fail(reason, "callsign with bad characters");
        callsign.bytes[size_t(callsign.length++)] = c;
    }
    return msg;
}

}  // namespace

uint16_t gdl90Crc(QByteArrayView message) {
    uint16_t crc = 0;
    const qsizetype pairs = message.size() & ~qsizetype(1);
    for (qsizetype i = 0; i < pairs; i += 2)
        crc = uint16_t(kCrcPairTable[crc >> 8] ^ kCrcTable[crc & 0xFF] ^ (uchar(message[i]) << 8) ^ uchar(message[i + 1]));
    if (pairs < message.size()) crc = uint16_t(kCrcTable[crc >> 8] ^ uint16_t(crc << 8) ^ uchar(message.back()));
    return crc;
}

QByteArray gdl90Frame(QByteArrayView message) {
    uint16_t crc = gdl90Crc(message);
    QByteArray body(message.data(), message.size());
    body.append(char(crc & 0xFF));
    body.append(char(crc >> 8));
    QByteArray frame(1, kFlag);
    for (char c : body) {
        if (c == kFlag || c == kEscape) {
            frame.append(kEscape);
            frame.append(char(c ^ 0x20));
        } else {
            frame.append(c);
        }
    }
    frame.append(kFlag);
    return frame;
}

QByteArray gdl90ReportMessage(uint8_t id, uint32_t address, double lat, double lon, int altitudeFeet, int knots,
                              int feetPerMinute, double track, QByteArrayView callsign) {
    const auto s24 = [](double degrees) {
        const int32_t v = int32_t(std::lround(degrees / (180.0 / (1 << 23)))) & 0xFFFFFF;
        const char bytes[] = {char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(bytes, 3);
    };
    QByteArray m;
    m.append(char(id)).append(char(0)).append(char(address >> 16)).append(char(address >> 8)).append(char(address));
    m.append(s24(lat)).append(s24(lon));
    const int alt = (altitudeFeet + 1000) / 25;
    m.append(char(alt >> 4)).append(char(((alt & 0xF) << 4) | 0x9)).append(char(0x8A));
    const int climb = (feetPerMinute / 64) & 0xFFF;
    m.append(char(knots >> 4)).append(char(((knots & 0xF) << 4) | (climb >> 8))).append(char(climb));
    m.append(char(std::lround(track / 360.0 * 256.0) & 0xFF)).append(char(1));
    m.append(QByteArray(callsign.data(), callsign.size()).leftJustified(8, ' ', true)).append(char(0));
    return m;
}

std::optional<Gdl90Message> decodeGdl90Message(QByteArrayView m, const char** reason) {
    if (m.isEmpty()) return fail(reason, "empty message");
    switch (byteAt(m, 0)) {
    case 0: {
        if (m.size() != 7) return fail(reason, "heartbeat of the wrong length");
        Gdl90Message msg;
        msg.kind = Gdl90Message::Kind::Heartbeat;
        msg.heartbeat.positionValid = (byteAt(m, 1) & 0x80) != 0;
        msg.heartbeat.utcValid = (byteAt(m, 2) & 0x01) != 0;
        int seconds = int(((byteAt(m, 2) & 0x80) << 9) | (byteAt(m, 4) << 8) | byteAt(m, 3));
        if (msg.heartbeat.utcValid && seconds < 86400) msg.heartbeat.secondsOfDay = seconds;
        return msg;
    }
    case 10: return decodeReport(m, Gdl90Message::Kind::Ownship, reason);
    case 20: return decodeReport(m, Gdl90Message::Kind::Traffic, reason);
    case 11: {
        if (m.size() != 5) return fail(reason, "geometric altitude of the wrong length");
        Gdl90Message msg;
        msg.kind = Gdl90Message::Kind::OwnshipGeometricAltitude;
        int16_t feet5 = int16_t((byteAt(m, 1) << 8) | byteAt(m, 2));
        msg.geometricAltitude = feet5 * 5.0 * kMetresPerFoot;
        return msg;
    }
    default: return fail(reason, nullptr);  // a message we do not read: not an error
    }
}

void Gdl90Reader::addData(QByteArrayView bytes) {
    // Whole runs between flags are copied at once; they are unescaped when their frame ends.
    qsizetype at = 0;
    while (at < bytes.size()) {
        const void* found = std::memchr(bytes.data() + at, kFlag, size_t(bytes.size() - at));
        qsizetype flag = found ? static_cast<const char*>(found) - bytes.data() : bytes.size();
        qsizetype run = flag - at;
        if (raw_.size() + run > kLongestFrame)
            broken_ = true;  // keep nothing more; the frame is dropped at its flag
        else
            raw_.append(bytes.data() + at, run);
        if (!found) break;
        if (!raw_.isEmpty() || broken_) {
            if (!inFrame_)
                badFrame("frame cut at its start");
            else
                frameEnded();
        }
        inFrame_ = true;
        broken_ = false;
        raw_.resize(0);  // keeps its capacity
        at = flag + 1;
    }
}

void Gdl90Reader::frameEnded() {
    if (broken_) return badFrame("frame too long");
    // Most frames hold no escape: those are read where they lie.
    QByteArrayView frame = raw_;
    if (std::memchr(raw_.constData(), kEscape, size_t(raw_.size()))) {
        frame_.resize(raw_.size());
        char* out = frame_.data();
        bool escaped = false;
        for (char c : raw_) {
            if (escaped) {
                *out++ = char(c ^ 0x20);
                escaped = false;
            } else if (c == kEscape) {
                escaped = true;
            } else {
                *out++ = c;
            }
        }
        frame_.resize(out - frame_.data());
        if (escaped) return badFrame("escape at the end of a frame");
        frame = frame_;
    }
    if (frame.size() < 3) return badFrame("frame too short");
    QByteArrayView message = frame.first(frame.size() - 2);
    uint16_t sent = uint16_t(uchar(frame[frame.size() - 2]) | (uchar(frame[frame.size() - 1]) << 8));
    if (gdl90Crc(message) != sent) return badFrame("wrong CRC");
    const char* reason = nullptr;
    std::optional<Gdl90Message> decoded = decodeGdl90Message(message, &reason);
    if (!decoded) {
        if (reason) return badFrame(reason);
        ++skippedMessages_;
        return;
    }
    messages_.push_back(std::move(*decoded));
    if (keepFrames_) {
        QByteArray whole;
        whole.reserve(raw_.size() + 2);
        whole.append(kFlag).append(raw_).append(kFlag);
        frames_.push_back(std::move(whole));
    }
}

void Gdl90Reader::badFrame(const char* reason) {
    ++badFrames_;
    lastProblem_ = reason;
}

}  // namespace vantrel::traffic
