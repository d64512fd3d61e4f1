#pragma once
// Reads GDL90 as traffic receivers send it over UDP: frames between 0x7E flags, 0x7D escapes (the
// next byte XOR 0x20), a CRC-16-CCITT over the message sent low byte first. Frames may arrive cut
// across datagrams; the reader keeps the unfinished part until its closing flag. A frame with a
// wrong CRC, a bad escape or a wrong length is dropped and counted (the caller logs).
//
// Messages read: heartbeat (0), ownship report (10), ownship geometric altitude (11) and traffic
// report (20); others are counted as skipped.
//
// Owns its buffer. Threads: one owner thread.

#include "Target.h"

#include <QByteArray>
#include <QByteArrayView>

#include <QLatin1StringView>
#include <QString>

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace vantrel::traffic {

struct Gdl90Heartbeat {
    bool positionValid = false;
    bool utcValid = false;
    std::optional<int> secondsOfDay;  // UTC, when the receiver knows it
};

// A report's callsign as it came (up to eight letters and digits, padding removed), kept as bytes:
// a report is decoded many times a second and its callsign seldom changes, so a text is made
// from it only where one is needed.
struct Gdl90Callsign {
    std::array<char, 8> bytes{};
    qsizetype length = 0;

    qsizetype size() const { return length; }
    bool isEmpty() const { return length == 0; }
    QLatin1StringView view() const { return QLatin1StringView(bytes.data(), length); }
    QString toString() const { return view().toString(); }
    // The letters packed into a word, 0 for none.
    uint64_t key() const {
        uint64_t k = 0;
        std::memcpy(&k, bytes.data(), size_t(length));
        return k;
    }
    bool operator==(const Gdl90Callsign& other) const { return view() == other.view(); }
};

// An ownship or traffic report.
struct Gdl90Report {
    bool trafficAlert = false;  // the receiver's own alert flag
    AddressType addressType = AddressType::Other;
    uint32_t address = 0;
    // Degrees; nothing when the report has no position (latitude, longitude and NIC all zero).
    std::optional<double> latitude;
    std::optional<double> longitude;
    double pressureAltitude = kNoValue;  // metres
    bool airborne = false;
    int nic = 0;
    int nacp = 0;
    double groundSpeed = kNoValue;  // metres per second
    double climbRate = kNoValue;    // metres per second
    double track = kNoValue;        // degrees (true track, or heading when that is all there is)
    int emitterCategory = 0;
    Gdl90Callsign callsign;
};

struct Gdl90Message {
    enum class Kind { Heartbeat, Ownship, OwnshipGeometricAltitude, Traffic };
    Kind kind = Kind::Heartbeat;
    Gdl90Heartbeat heartbeat;
    Gdl90Report report;
    double geometricAltitude = kNoValue;  // metres, for OwnshipGeometricAltitude
};

// The CRC GDL90 defines (CCITT polynomial 0x1021, start 0), over the unescaped message.
uint16_t gdl90Crc(QByteArrayView message);

// The frame for a message: CRC appended, escaped, between flags (for tests, the script's twin and
// the benchmark).
QByteArray gdl90Frame(QByteArrayView message);
// The message of an ownship (10) or traffic (20) report from a receiver that sees the aircraft
// airborne with a good position: latitude and longitude, pressure altitude in 25 ft steps, ground
// speed in knots, vertical speed in 64 fpm steps, track in 256ths of a turn, callsign in 8
// characters (for tests, the script's twin and the benchmarks).
QByteArray gdl90ReportMessage(uint8_t id, uint32_t address, double lat, double lon, int altitudeFeet, int knots,
                              int feetPerMinute, double track, QByteArrayView callsign);

// Decodes one unescaped message without its CRC; nothing (with the reason) if it is not one of
// the four kinds above or has the wrong length.
std::optional<Gdl90Message> decodeGdl90Message(QByteArrayView message, const char** reason = nullptr);

class Gdl90Reader {
public:
    static constexpr qsizetype kLongestFrame = 1024;  // longer is garbage: dropped

    // Any split of the byte stream.
    void addData(QByteArrayView bytes);

    // Messages completed since the last call, in order. The next batch starts with room for as
    // many, so a steady stream does not grow its vector again at every datagram.
    std::vector<Gdl90Message> takeMessages() {
        std::vector<Gdl90Message> taken = std::exchange(messages_, {});
        messages_.reserve(taken.size());
        return taken;
    }
    // Each good frame as it came (flags included), in the same order as the messages.
    std::vector<QByteArray> takeFrames() { return std::exchange(frames_, {}); }

    int64_t badFrames() const { return badFrames_; }
    int64_t skippedMessages() const { return skippedMessages_; }
    const char* lastProblem() const { return lastProblem_; }

    // Keeps the good frames as well as their messages (checks that read them again take them).
    void setKeepFrames(bool keep) { keepFrames_ = keep; }

private:
    void frameEnded();
    void badFrame(const char* reason);

    QByteArray raw_;    // the bytes since the last flag, as received
    QByteArray frame_;  // the frame that ended, unescaped
    bool inFrame_ = false;  // a flag has been seen: raw_ is a frame's start, not the end of a cut one
    bool broken_ = false;   // an overlong frame: dropped at its closing flag
    bool keepFrames_ = false;
    std::vector<Gdl90Message> messages_;
    std::vector<QByteArray> frames_;
    int64_t badFrames_ = 0;
    int64_t skippedMessages_ = 0;
    const char* lastProblem_ = nullptr;
};

}  // namespace vantrel::traffic
