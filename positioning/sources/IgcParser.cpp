#include "IgcParser.h"

#include "BadLineLog.h"
#include "DayClock.h"

#include "platform/core/Log.h"

#include <optional>

namespace vantrel::positioning {

namespace {

constexpr qsizetype kShortestBRecord = 35;  // B, time, lat, lon, validity, two altitudes

// A field of at most nine digits (what an int holds); a wider one, as a damaged extension list
// can declare, is not a number here.
std::optional<int> digits(QByteArrayView line, qsizetype from, qsizetype count) {
    if (count > 9 || from + count > line.size()) return std::nullopt;
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        char c = line[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// DDMMmmm (or DDDMMmmm) followed by the hemisphere letter.
std::optional<double> coordinate(QByteArrayView line, qsizetype from, int degreeDigits, double limit, char positive,
                                 char negative) {
    std::optional<int> degrees = digits(line, from, degreeDigits);
    std::optional<int> thousandthMinutes = digits(line, from + degreeDigits, 5);
    char hemisphere = line[from + degreeDigits + 5];
    if (!degrees || !thousandthMinutes || (hemisphere != positive && hemisphere != negative)) return std::nullopt;
    if (*thousandthMinutes >= 60000) return std::nullopt;
    double value = *degrees + *thousandthMinutes / 60000.0;
    if (value > limit) return std::nullopt;
    return hemisphere == negative ? -value : value;
}

// A five-character altitude field of a B record: "PPPPP" or "-PPPP" metres. 00000 is no sensor.
enum class AltitudeField { None, Value, Bad };
AltitudeField altitudeField(QByteArrayView line, qsizetype from, std::optional<double>& metres) {
    bool negative = line[from] == '-';
    std::optional<int> value = digits(line, from + (negative ? 1 : 0), negative ? 4 : 5);
    if (!value) return AltitudeField::Bad;
    if (*value == 0) return AltitudeField::None;
    metres = plausibleAltitude(negative ? -*value : *value);
    return metres ? AltitudeField::Value : AltitudeField::Bad;
}

// HFDTEddmmyy or HFDTEDATE:ddmmyy,nn
std::optional<QDate> headerDate(QByteArrayView line) {
    QByteArrayView rest = line.sliced(5);
    if (rest.startsWith("DATE:")) rest = rest.sliced(5);
    std::optional<int> d = digits(rest, 0, 2), m = digits(rest, 2, 2), y = digits(rest, 4, 2);
    if (!d || !m || !y) return std::nullopt;
    QDate date(*y < 80 ? 2000 + *y : 1900 + *y, *m, *d);
    if (!date.isValid()) return std::nullopt;
    return date;
}

}  // namespace

std::vector<Fix> IgcParser::parse(QByteArrayView content, const QString& origin, QDate fallbackDate) {
    BadLineLog badLog(origin);
    DayClock clock(fallbackDate);
    bool dated = false;
    qsizetype fxaFrom = -1, fxaCount = 0;  // 0-based offset and width of the FXA extension
    std::vector<Fix> fixes;

    qsizetype start = 0;
    while (start < content.size()) {
        // Lines end at CR, LF or CRLF (the CRLF's LF makes an empty line, skipped below).
        qsizetype end = start;
        while (end < content.size() && content[end] != '\n' && content[end] != '\r') ++end;
        QByteArrayView line = content.sliced(start, end - start);
        start = end + 1;
        while (!line.isEmpty() && (line.back() == '\r' || line.back() == ' ')) line.chop(1);
        if (line.isEmpty()) continue;

        if (line.startsWith("HFDTE")) {
            std::optional<QDate> date = headerDate(line);
            if (!date) {
                badLog.report("impossible date", line);
                continue;
            }
            clock.setDate(*date);
            dated = true;
        } else if (line[0] == 'I') {
            std::optional<int> count = digits(line, 1, 2);
            if (!count || line.size() < 3 + 7 * *count) {
                badLog.report("malformed extension list", line);
                continue;
            }
            for (int i = 0; i < *count; ++i) {
                qsizetype at = 3 + 7 * i;
                std::optional<int> first = digits(line, at, 2), last = digits(line, at + 2, 2);
                if (first && last && *last >= *first && *first >= 1 && line.sliced(at + 4, 3) == "FXA") {
                    fxaFrom = *first - 1;
                    fxaCount = *last - *first + 1;
                }
            }
        } else if (line[0] == 'B') {
            if (line.size() < kShortestBRecord) {
                badLog.report("short B record", line);
                continue;
            }
            std::optional<int> hh = digits(line, 1, 2), mm = digits(line, 3, 2), ss = digits(line, 5, 2);
            std::optional<double> latitude = coordinate(line, 7, 2, 90.0, 'N', 'S');
            std::optional<double> longitude = coordinate(line, 15, 3, 180.0, 'E', 'W');
            char validity = line[24];
            if (!hh || !mm || !ss || *hh > 23 || *mm > 59 || *ss > 59) {
                badLog.report("bad time", line);
                continue;
            }
            if (!latitude || !longitude || (validity != 'A' && validity != 'V')) {
                badLog.report("impossible position", line);
                continue;
            }
            if (!dated) {
                platform::logLine(QStringLiteral("%1: no HFDTE date; dating the flight %2")
                                      .arg(origin, clock.date().toString(Qt::ISODate)));
                dated = true;
            }
            int64_t msOfDay = ((*hh * 60LL + *mm) * 60 + *ss) * 1000;
            int64_t previous = clock.lastMsOfDay();
            if (!clock.advance(msOfDay))
                platform::logLine(QStringLiteral("%1: time went back from %2 s to %3 s of the day")
                                      .arg(origin).arg(previous / 1000).arg(msOfDay / 1000));
            Fix fix;
            fix.latitude = *latitude;
            fix.longitude = *longitude;
            fix.timestamp = clock.timestamp(msOfDay);
            std::optional<int> fxa = fxaFrom >= 0 ? digits(line, fxaFrom, fxaCount) : std::nullopt;
            fix.horizontalAccuracy = validity == 'V' ? -1.0 : fxa ? double(*fxa) : kUnknownAccuracyMetres;
            std::optional<double> pressure, gnss;
            bool badPressure = altitudeField(line, 25, pressure) == AltitudeField::Bad;
            bool badGnss = altitudeField(line, 30, gnss) == AltitudeField::Bad;
            if (badPressure || (badGnss && validity == 'A')) badLog.report("impossible altitude", line);
            fix.pressureAltitude = pressure;
            if (validity == 'A') fix.altitude = gnss;  // a V record's GNSS altitude is no 3-D fix
            fixes.push_back(fix);
        }
    }
    if (badLog.count() > 0)
        platform::logLine(QStringLiteral("%1: %2 fixes read, %3 lines skipped").arg(origin).arg(fixes.size()).arg(badLog.count()));
    return fixes;
}

}  // namespace vantrel::positioning
