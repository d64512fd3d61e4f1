#include "FlarmReader.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <cmath>

namespace vantrel::traffic {

namespace {

// The fields of a sentence, split without allocating. PFLAA has 15 with its name; fields that later
// devices may add after those are not read.
constexpr size_t kMostFields = 16;
struct Fields {
    struct Span {
        const char* data;
        qsizetype size;
    };
    Span at[kMostFields];  // left uninitialised: only the first `count` are ever read
    size_t count = 0;
    size_t size() const { return count; }
    QByteArrayView operator[](size_t i) const { return QByteArrayView(at[i].data, at[i].size); }
    void add(QByteArrayView field) {
        if (count < kMostFields) at[count++] = {field.data(), field.size()};
    }
};

// One pass over a line, eight bytes to a word: whether any byte is outside the printable
// 0x20..0x7E, the XOR of all bytes (the NMEA checksum), and where the first commas are. A byte
// below 0x20 borrows into its top bit when 0x20 is taken from it, one above 0x7E carries into it
// when 1 is added (which tells whether there is such a byte in the word, all that is asked); a
// comma is a byte that XOR ',' leaves zero, found exactly with the top bits of (x & 0x7F) + 0x7F.
struct TextScan {
    bool unprintable = false;
    uchar checksum = 0;
    size_t commaCount = 0;  // at most kMostFields
    qsizetype commas[kMostFields];
};
static_assert(std::endian::native == std::endian::little, "the comma search counts bytes from the low end");
TextScan scanText(QByteArrayView text) {
    constexpr uint64_t kOnes = 0x0101010101010101u, kTops = 0x8080808080808080u, kLows = kOnes * 0x7F;
    const char* const start = text.data();
    const char* p = start;
    size_t n = size_t(text.size());
    uint64_t outside = 0, sum = 0;
    TextScan scan;
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        outside |= ((w - kOnes * 0x20) & ~w & kTops) | (((w + kOnes * (0x7F - 0x7E)) | w) & kTops);
        sum ^= w;
        const uint64_t x = w ^ (kOnes * ',');
        uint64_t commas = ~(((x & kLows) + kLows) | x | kLows);
        for (; commas && scan.commaCount < kMostFields; commas &= commas - 1)
            scan.commas[scan.commaCount++] = (p - start) + std::countr_zero(commas) / 8;  // little-endian bytes
    }
    sum ^= sum >> 32;
    sum ^= sum >> 16;
    sum ^= sum >> 8;
    scan.checksum = uchar(sum);
    scan.unprintable = outside != 0;
    for (; n > 0; ++p, --n) {
        scan.unprintable |= uchar(*p) - 0x20u > 0x5eu;
        scan.checksum ^= uchar(*p);
        if (*p == ',' && scan.commaCount < kMostFields) scan.commas[scan.commaCount++] = p - start;
    }
    return scan;
}

// Marks the reading bad. The readers below fill the caller's one reading in place: made, moved
// and returned whole from each, it was copied twice per sentence.
void bad(FlarmReading& r, const char* reason) {
    r.kind = FlarmReading::Kind::Bad;
    r.reason = reason;
}

// A decimal number, or nothing for an empty field; `ok` turns false for a malformed one. FLARM
// sends plain numbers ("-1234", "0.5"): they are read directly (an integer of at most 15 digits
// over a power of ten is exact and so rounds as from_chars would); anything else goes to from_chars.
double decimal(QByteArrayView text, bool& ok) {
    if (text.isEmpty()) return kNoValue;
    const char* p = text.data();
    const char* end = p + text.size();
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    // The whole digits, then the decimals after a point, each run in a tight loop; at most 16
    // digits are taken, so the mantissa cannot overflow and a longer number goes to from_chars.
    const char* const stop = end - p > 16 ? p + 16 : end;
    const char* q = p;
    int64_t mantissa = 0;
    for (; q < stop && unsigned(*q - '0') < 10u; ++q) mantissa = mantissa * 10 + (*q - '0');
    const auto intDigits = q - p;
    qsizetype decimals = 0;
    if (q < end && *q == '.') {
        const char* const first = ++q;
        const char* const fractionStop = end - q > 16 - intDigits ? q + (16 - intDigits) : end;
        for (; q < fractionStop && unsigned(*q - '0') < 10u; ++q) mantissa = mantissa * 10 + (*q - '0');
        decimals = q - first;
    }
    const auto digits = intDigits + decimals;
    if (q == end && digits > 0 && digits <= 15) {
        static constexpr double kPowers[] = {1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        // A whole number (most fields) needs no division, whose latency showed in profiles.
        double value = decimals == 0 ? double(mantissa) : double(mantissa) / kPowers[decimals];
        return negative ? -value : value;
    }
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(p, end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value) || p == end || *p == '-' || *p == '+') {
        ok = false;
        return kNoValue;
    }
    return negative ? -value : value;
}

constexpr std::array<uint8_t, 256> digitTable() {
    std::array<uint8_t, 256> table{};
    for (unsigned c = 0; c < 256; ++c)
        table[c] = c >= '0' && c <= '9' ? uint8_t(c - '0')
                   : c >= 'A' && c <= 'F' ? uint8_t(c - 'A' + 10)
                   : c >= 'a' && c <= 'f' ? uint8_t(c - 'a' + 10)
                                          : 16;
    return table;
}
constexpr std::array<uint8_t, 256> kDigits = digitTable();

// A whole number in [low, high] in the given base (10 or 16); nothing when empty; `ok` false when
// malformed.
// Inlined: returned from a call, the optional went through the stack, written a byte at a time
// and read back whole, which stalled every call.
[[gnu::always_inline]] inline std::optional<long> whole(QByteArrayView text, long low, long high, int base, bool& ok) {
    if (text.isEmpty()) return std::nullopt;
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') {
        // Most whole fields are one digit (alarm level, address type, aircraft type).
        const long value = text[0] - '0';
        if (value < low || value > high) {
            ok = false;
            return std::nullopt;
        }
        return value;
    }
    const char* p = text.data();
    const char* end = p + text.size();
    bool negative = base == 10 && *p == '-';
    if (negative) ++p;
    long value = 0;
    if (p == end || end - p > 9) ok = false;
    // Each byte's digit from a table (16 for none), without a branch per byte.
    unsigned worst = 0;
    for (; ok && p < end; ++p) {
        const unsigned digit = kDigits[uchar(*p)];
        worst |= unsigned(digit >= unsigned(base)) ;
        value = value * base + long(digit);
    }
    if (worst) ok = false;
    if (negative) value = -value;
    if (!ok || value < low || value > high) {
        ok = false;
        return std::nullopt;
    }
    return value;
}

[[gnu::always_inline]] inline std::optional<uint32_t> address(QByteArrayView text, bool& ok) {
    if (text.isEmpty()) return std::nullopt;
    if (text.size() != 6) {
        ok = false;
        return std::nullopt;
    }
    std::optional<long> v = whole(text, 0, 0xFFFFFF, 16, ok);
    if (!v) return std::nullopt;
    return uint32_t(*v);
}

void readStatus(const Fields& f, FlarmReading& r) {
    // PFLAU,RX,TX,GPS,Power,AlarmLevel,RelativeBearing,AlarmType,RelativeVertical,RelativeDistance[,ID]
    if (f.size() < 10) return bad(r, "PFLAU with too few fields");
    bool ok = true;
    r.kind = FlarmReading::Kind::Status;
    FlarmStatus& s = r.status;
    s.receivedDevices = int(whole(f[1], 0, 99, 10, ok).value_or(0));
    s.transmitting = whole(f[2], 0, 1, 10, ok).value_or(0) == 1;
    s.gps = int(whole(f[3], 0, 2, 10, ok).value_or(0));
    s.powerOk = whole(f[4], 0, 1, 10, ok).value_or(0) == 1;
    std::optional<long> level = whole(f[5], 0, 3, 10, ok);
    if (!level) return bad(r, ok ? "PFLAU without alarm level" : "PFLAU with a bad field");
    s.alarm = AlarmLevel(*level);
    s.relativeBearing = decimal(f[6], ok);
    // Older devices send the alarm type in decimal (0..4), newer ones in hex (0x41...).
    s.alarmType = int(whole(f[7], 0, 0xFF, 16, ok).value_or(0));
    s.relativeVertical = decimal(f[8], ok);
    s.relativeDistance = decimal(f[9], ok);
    if (f.size() > 10) s.address = address(f[10], ok);
    if (!ok) return bad(r, "PFLAU with a bad field");
    if (std::isfinite(s.relativeBearing) && std::abs(s.relativeBearing) > 180.0) return bad(r, "PFLAU bearing out of range");
    if (std::abs(s.relativeDistance) > kFarthestFlarmTarget || std::abs(s.relativeVertical) > kFarthestFlarmTarget)
        return bad(r, "PFLAU target beyond 100 km");
}

// Both readers: the target's place from its north and east fields (metres), then the checks of
// its distance, height, track and speeds; the reason it is refused, or null.
[[gnu::always_inline]] inline const char* placeTarget(Target& t, double north, double east) {
    if (std::isfinite(east)) {
        t.north = north;
        t.east = east;
        t.distance = std::sqrt(north * north + east * east);
    } else {
        t.distance = std::abs(north);  // a target without bearing: the north field is its distance
    }
    if (t.distance > kFarthestFlarmTarget || std::abs(t.vertical) > kFarthestFlarmTarget) return "PFLAA target beyond 100 km";
    if (std::isfinite(t.track) && (t.track < 0.0 || t.track >= 360.0)) return "PFLAA track out of range";
    if (std::abs(t.groundSpeed) > 1000.0 || t.groundSpeed < 0.0 || std::abs(t.climbRate) > 200.0 ||
        std::abs(t.turnRate) > 360.0)
        return "PFLAA speed out of range";
    return nullptr;
}

void readTarget(const Fields& f, FlarmReading& r) {
    // PFLAA,AlarmLevel,RelativeNorth,RelativeEast,RelativeVertical,IDType,ID,Track,TurnRate,
    //       GroundSpeed,ClimbRate,AcftType[,NoTrack,Source,RSSI]
    if (f.size() < 12) return bad(r, "PFLAA with too few fields");
    bool ok = true;
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
    if (!ok) return bad(r, "PFLAA with a bad field");
    if (!level || !id || !std::isfinite(north)) return bad(r, "PFLAA without alarm level, address or position");
    t.alarm = AlarmLevel(*level);
    t.id.address = *id;
    t.addressType = idType ? AddressType(*idType) : AddressType::Random;
    t.aircraftType = int(type.value_or(-1));
    if (const char* problem = placeTarget(t, north, east)) return bad(r, problem);
}

// Where readFlarmTarget is in its line, and the XOR of the bytes it has passed (the checksum).
struct Cursor {
    const char* p;
    const char* end;
    unsigned sum;
    bool unprintable = false;
};

// The bytes of one field up to its ',' or '*' or the line's end, summed; leaves p on that byte.
[[gnu::always_inline]] inline QByteArrayView field(Cursor& c) {
    const char* const start = c.p;
    for (; c.p < c.end && *c.p != ',' && *c.p != '*'; ++c.p) {
        c.sum ^= uchar(*c.p);
        c.unprintable |= uchar(*c.p) - 0x20u > 0x5eu;
    }
    return QByteArrayView(start, c.p - start);
}

// Steps over the comma after a field; false when the body is over ('*' or the line's end).
[[gnu::always_inline]] inline bool nextField(Cursor& c) {
    if (c.p == c.end || *c.p != ',') return false;
    c.sum ^= uchar(',');
    ++c.p;
    return true;
}

// What the quick decimal loop does not take, out of line: the reader's code stays small, and
// its cache lines warm, for it runs cold after each pause between batches.
[[gnu::noinline, gnu::cold]] double decimalFieldSlowly(Cursor& c, bool& ok) { return decimal(field(c), ok); }

// A decimal field read as its bytes are summed: a plain number of at most 15 digits exactly as
// `decimal` reads it, without finding the field's end first; anything else (an exponent, more
// digits, a stray byte) is handed to `decimal` whole.
[[gnu::always_inline]] inline double decimalField(Cursor& c, bool& ok) {
    const char* const start = c.p;
    const char* const end = c.end;
    const char* p = start;
    unsigned sum = c.sum;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) sum ^= uchar(*p++);
    const char* const digits = p;
    uint64_t mantissa = 0;  // wraps past 19 digits, but more than 15 go to `decimal`
    for (; p < end && unsigned(*p - '0') < 10u; ++p) {
        mantissa = mantissa * 10 + unsigned(*p - '0');
        sum ^= uchar(*p);
    }
    const auto intDigits = p - digits;
    ptrdiff_t decimals = 0;
    if (p < end && *p == '.') {
        sum ^= uchar('.');
        const char* const first = ++p;
        for (; p < end && unsigned(*p - '0') < 10u; ++p) {
            mantissa = mantissa * 10 + unsigned(*p - '0');
            sum ^= uchar(*p);
        }
        decimals = p - first;
    }
    const bool fieldEnds = p == end || *p == ',' || *p == '*';
    if (fieldEnds && p == start) return kNoValue;  // empty
    const auto count = intDigits + decimals;
    if (fieldEnds && count > 0 && count <= 15) {
        static constexpr double kPowers[] = {1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        c.p = p;
        c.sum = sum;
        const double value = decimals == 0 ? double(mantissa) : double(mantissa) / kPowers[decimals];
        return negative ? -value : value;
    }
    return decimalFieldSlowly(c, ok);  // c.p is still at the field's start
}

}  // namespace

bool readFlarmTarget(QByteArrayView raw, Target& t) {
    const char* const begin = raw.data();
    const char* end = begin + raw.size();
    while (end > begin && (end[-1] == '\n' || end[-1] == '\r' || end[-1] == ' ')) --end;
    if (end - begin < 7 || std::memcmp(begin, "$PFLAA,", 7) != 0) return false;
    Cursor c{begin + 7, end, unsigned('P' ^ 'F' ^ 'L' ^ 'A' ^ 'A' ^ ',')};
    // PFLAA,AlarmLevel,RelativeNorth,RelativeEast,RelativeVertical,IDType,ID,Track,TurnRate,
    //       GroundSpeed,ClimbRate,AcftType[,NoTrack,Source,RSSI]
    // A line that ends before the twelfth field is refused at once (too few fields).
    bool ok = true;
    // The optionals are let go of at once: kept across the returns below, GCC took their empty
    // payload for one that may be read uninitialised.
    const std::optional<long> levelField = whole(field(c), 0, 3, 10, ok);
    const bool hasLevel = levelField.has_value();
    const auto level = AlarmLevel(levelField.value_or(0));
    if (!nextField(c)) return false;
    const double north = decimalField(c, ok);
    if (!nextField(c)) return false;
    const double east = decimalField(c, ok);
    if (!nextField(c)) return false;
    t.vertical = decimalField(c, ok);
    if (!nextField(c)) return false;
    const long idType = whole(field(c), 0, 3, 10, ok).value_or(long(AddressType::Random));
    if (!nextField(c)) return false;
    const std::optional<uint32_t> idField = address(field(c), ok);
    const bool hasId = idField.has_value();
    const uint32_t id = idField.value_or(0);
    if (!nextField(c)) return false;
    t.track = decimalField(c, ok);
    if (!nextField(c)) return false;
    t.turnRate = decimalField(c, ok);
    if (!nextField(c)) return false;
    t.groundSpeed = decimalField(c, ok);
    if (!nextField(c)) return false;
    t.climbRate = decimalField(c, ok);
    if (!nextField(c)) return false;
    const long type = whole(field(c), 0, 15, 16, ok).value_or(-1);
    // Fields later devices add are not read, but summed and checked for unprintable bytes.
    while (nextField(c)) field(c);
    if (c.p < c.end) {
        // At the '*': exactly two hex digits, the XOR of what lies between '$' and '*'.
        if (c.end - c.p != 3) return false;
        const unsigned high = kDigits[uchar(c.p[1])], low = kDigits[uchar(c.p[2])];
        if (high > 15 || low > 15 || (high << 4 | low) != c.sum) return false;
    }
    if (c.unprintable || !ok || !hasLevel || !hasId || !std::isfinite(north)) return false;
    t.id.origin = TrafficOrigin::Flarm;
    t.id.address = id;
    t.alarm = level;
    t.addressType = AddressType(idType);
    t.aircraftType = int(type);
    return placeTarget(t, north, east) == nullptr;
}

FlarmReading readFlarmSentence(QByteArrayView line) {
    FlarmReading r;
    if (readFlarmTarget(line, r.target)) {
        r.kind = FlarmReading::Kind::Target;
        return r;
    }
    return readFlarmSentenceCarefully(line);
}

FlarmReading readFlarmSentenceCarefully(QByteArrayView raw) {
    FlarmReading r;  // the one reading, returned in place
    QByteArrayView line = raw;
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.chop(1);
    // "$PFLAU" or "$PFLAA", compared in place (a call to memcmp per sentence showed in profiles).
    if (line.size() < 6 || std::memcmp(line.data(), "$PFLA", 5) != 0 || (line[5] != 'U' && line[5] != 'A')) return r;
    // The printable test and the checksum take eight bytes at a time (a loop over single bytes was
    // the dearest part of reading a sentence); the fields are found with memchr.
    const TextScan scan = scanText(line);
    if (scan.unprintable) {
        bad(r, "unprintable bytes");
        return r;
    }
    const char* starAt = static_cast<const char*>(std::memchr(line.data(), '*', size_t(line.size())));
    QByteArrayView body = starAt ? line.sliced(1, starAt - line.data() - 1) : line.sliced(1);
    if (starAt) {
        // The checksum covers what lies between '$' and '*': the whole line's, without those.
        QByteArrayView sum = line.sliced(starAt - line.data() + 1);
        uchar actual = scan.checksum ^ uchar('$') ^ uchar('*');
        for (char c : sum) actual ^= uchar(c);
        bool ok = true;
        std::optional<long> expected = sum.size() == 2 ? whole(sum, 0, 0xFF, 16, ok) : std::nullopt;
        if (!expected || long(actual) != *expected) {
            bad(r, !expected ? "malformed checksum" : "bad checksum");
            return r;
        }
    }
    // The fields between the commas of the body (those after the star are the checksum's).
    Fields fields;
    const qsizetype bodyEnd = 1 + body.size();
    qsizetype fieldStart = 1;
    for (size_t i = 0; i < scan.commaCount && scan.commas[i] < bodyEnd; ++i) {
        fields.add(line.sliced(fieldStart, scan.commas[i] - fieldStart));
        fieldStart = scan.commas[i] + 1;
    }
    fields.add(line.sliced(fieldStart, bodyEnd - fieldStart));
    // The name is "PFLAU" or "PFLAA" when nothing follows its five letters before the first comma.
    if (fields[0].size() == 5) {
        if (line[5] == 'U')
            readStatus(fields, r);
        else
            readTarget(fields, r);
    }
    return r;
}

}  // namespace vantrel::traffic
