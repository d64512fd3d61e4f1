#include "NmeaParser.h"

#include "platform/core/Log.h"

#include <QTime>

#include <cmath>

namespace vantrel::positioning {

namespace {

constexpr qsizetype kLongestLine = 1024;  // NMEA allows 82 bytes; anything this long is garbage

bool isDigits(QByteArrayView text) {
    if (text.isEmpty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::optional<double> number(QByteArrayView text) {
    if (text.isEmpty()) return std::nullopt;
    bool ok = false;
    double v = text.toByteArray().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

// "hhmmss" with optional fraction, as milliseconds of the day.
std::optional<int64_t> timeOfDay(QByteArrayView text) {
    if (text.size() < 6 || !isDigits(text.first(6))) return std::nullopt;
    int h = (text[0] - '0') * 10 + (text[1] - '0');
    int m = (text[2] - '0') * 10 + (text[3] - '0');
    int s = (text[4] - '0') * 10 + (text[5] - '0');
    if (h > 23 || m > 59 || s > 60) return std::nullopt;
    double fraction = 0.0;
    if (text.size() > 6) {
        if (text[6] != '.' || (text.size() > 7 && !isDigits(text.sliced(7)))) return std::nullopt;
        if (text.size() > 7) fraction = text.sliced(6).toByteArray().toDouble();
    }
    return ((h * 60 + m) * 60 + s) * 1000LL + std::llround(fraction * 1000.0);
}

// "ddmm.mmmm" / "dddmm.mmmm" with its hemisphere letter, as signed degrees.
std::optional<double> coordinate(QByteArrayView value, QByteArrayView hemisphere, double limit, char positive,
                                 char negative) {
    if (hemisphere.size() != 1 || (hemisphere[0] != positive && hemisphere[0] != negative)) return std::nullopt;
    qsizetype dot = value.indexOf('.');
    qsizetype wholeEnd = dot < 0 ? value.size() : dot;
    if (wholeEnd < 3 || !isDigits(value.first(wholeEnd))) return std::nullopt;
    if (dot >= 0 && dot + 1 < value.size() && !isDigits(value.sliced(dot + 1))) return std::nullopt;
    double degrees = value.first(wholeEnd - 2).toByteArray().toDouble();
    double minutes = value.sliced(wholeEnd - 2).toByteArray().toDouble();
    if (minutes >= 60.0) return std::nullopt;
    double result = degrees + minutes / 60.0;
    if (result > limit) return std::nullopt;
    return hemisphere[0] == negative ? -result : result;
}

// RMC's "ddmmyy"; two-digit years are 1980 to 2079.
std::optional<QDate> rmcDate(QByteArrayView text) {
    if (text.size() != 6 || !isDigits(text)) return std::nullopt;
    int d = (text[0] - '0') * 10 + (text[1] - '0');
    int m = (text[2] - '0') * 10 + (text[3] - '0');
    int y = (text[4] - '0') * 10 + (text[5] - '0');
    QDate date(y < 80 ? 2000 + y : 1900 + y, m, d);
    if (!date.isValid()) return std::nullopt;
    return date;
}

// The first CR or LF at or after from, or -1.
qsizetype lineEnd(const QByteArray& bytes, qsizetype from) {
    for (qsizetype i = from; i < bytes.size(); ++i)
        if (bytes[i] == '\n' || bytes[i] == '\r') return i;
    return -1;
}

QString clockText(int64_t msOfDay) { return QTime::fromMSecsSinceStartOfDay(int(msOfDay)).toString("HH:mm:ss.zzz"); }

}  // namespace

NmeaParser::NmeaParser(QString origin, QDate fallbackDate) : clock_(fallbackDate), badLog_(std::move(origin)) {}

void NmeaParser::addData(QByteArrayView bytes) {
    pending_.append(bytes);
    // A line ends at CR, LF or CRLF: receivers and files use all three. The empty line between
    // the CR and the LF of a CRLF is skipped by addLine.
    qsizetype start = 0;
    for (qsizetype end = lineEnd(pending_, start); end >= 0; end = lineEnd(pending_, start)) {
        addLine(QByteArrayView(pending_).sliced(start, end - start));
        start = end + 1;
    }
    pending_.remove(0, start);
    if (pending_.size() > kLongestLine) {
        bad("line too long", pending_);
        pending_.clear();
    }
}

void NmeaParser::addLine(QByteArrayView rawLine) {
    QByteArrayView line = rawLine.trimmed();
    if (line.isEmpty() || line[0] == '!') return;  // blank, or AIS from a traffic receiver
    if (line[0] != '$') return bad("not an NMEA sentence", line);
    for (char c : line)
        if (c < 0x20 || c > 0x7e) return bad("unprintable bytes", line);

    QByteArrayView body = line.sliced(1);
    qsizetype star = line.lastIndexOf('*');
    if (star >= 0) {
        QByteArrayView sum = line.sliced(star + 1);
        bool ok = false;
        uint expected = sum.size() == 2 ? sum.toByteArray().toUInt(&ok, 16) : 0;
        if (!ok) return bad("malformed checksum", line);
        uint actual = 0;
        for (char c : line.sliced(1, star - 1)) actual ^= uchar(c);
        if (actual != expected) return bad("bad checksum", line);
        body = line.sliced(1, star - 1);
    }
    if (body.startsWith('P') && !body.startsWith("PGRMZ,")) {
        // Proprietary: nothing for positions (but the pressure altitude, read below); kept for
        // whoever reads it (without splitting it).
        consecutiveBadLines_ = 0;
        otherSentences_.push_back({line.toByteArray(), epochs_.size()});
        return;
    }
    parseSentence(body.toByteArray(), line);
}

void NmeaParser::parseSentence(const QByteArray& body, QByteArrayView line) {
    QList<QByteArray> f = body.split(',');
    const QByteArray& id = f[0];
    if (id == "PGRMZ") return parsePressureAltitude(f, line);
    if (id.size() != 5 || id[0] == 'P') {
        consecutiveBadLines_ = 0;  // proprietary or unknown: valid NMEA, nothing for us
        return;
    }
    QByteArrayView type = QByteArrayView(id).sliced(2);
    SentenceKind kind;
    size_t needed;
    if (type == "RMC") {
        kind = Rmc, needed = 10;
    } else if (type == "GGA") {
        kind = Gga, needed = 9;
    } else if (type == "GNS") {
        kind = Gns, needed = 9;
    } else if (type == "GST") {
        kind = Gst, needed = 8;
    } else {
        consecutiveBadLines_ = 0;
        return;
    }
    if (size_t(f.size()) < needed) return bad("too few fields", line);

    // Does the sentence report a fix, and where?
    bool noFix = false;
    std::optional<QDate> date;
    double hdop = std::numeric_limits<double>::quiet_NaN();
    double gstError = std::numeric_limits<double>::quiet_NaN();
    std::optional<double> altitude;
    switch (kind) {
    case Rmc:
        if (f[2] != "A" && f[2] != "V") return bad("bad status", line);
        noFix = f[2] == "V" || (f.size() > 12 && f[12].startsWith('N'));
        if (!f[9].isEmpty()) {
            date = rmcDate(f[9]);
            if (!date) return bad("impossible date", line);
        }
        break;
    case Gga: {
        if (!isDigits(f[6])) return bad("bad fix quality", line);
        noFix = f[6].toInt() == 0;
        hdop = number(f[8]).value_or(hdop);
        break;
    }
    case Gns: {
        noFix = true;  // every constellation's mode letter is N (or none is given)
        for (char c : f[6])
            if (c != 'N') noFix = false;
        if (f[6].isEmpty()) noFix = true;
        hdop = number(f[8]).value_or(hdop);
        break;
    }
    case Gst: {
        std::optional<double> latError = number(f[6]), lonError = number(f[7]);
        if (latError && lonError && *latError > 0.0 && *lonError > 0.0) gstError = std::hypot(*latError, *lonError);
        break;
    }
    case Pgrmz:  // read by parsePressureAltitude, never here
        return;
    }

    std::optional<double> latitude, longitude;
    if (kind != Gst && !noFix) {
        int latField = kind == Rmc ? 3 : 2;
        latitude = coordinate(f[latField], f[latField + 1], 90.0, 'N', 'S');
        longitude = coordinate(f[latField + 2], f[latField + 3], 180.0, 'E', 'W');
        if (!latitude || !longitude) return bad("impossible position", line);
    }

    std::optional<int64_t> time = timeOfDay(f[1]);
    if (!time) {
        if (!f[1].isEmpty()) return bad("bad time", line);
        consecutiveBadLines_ = 0;
        // A receiver without a fix often sends no time at all; it still says "no fix".
        if (noFix && kind != Gst) epochs_.push_back({std::numeric_limits<double>::quiet_NaN(), std::nullopt});
        return;
    }
    consecutiveBadLines_ = 0;

    // The height of a sound position line: metres above mean sea level, with the geoid separation.
    if (latitude && kind == Gga && f.size() > 11) {
        if (f[10] == "M" || f[10].isEmpty())
            altitude = altitudeOf(f[9], f[11], line);
        else
            badLog_.report("altitude not in metres", line);
    } else if (latitude && kind == Gns && f.size() > 10) {
        altitude = altitudeOf(f[9], f[10], line);
    }

    enterEpoch(*time);
    if (date) clock_.setDate(*date);
    epoch_.kinds |= kind;
    if (noFix) epoch_.reportsNoFix = true;
    if (latitude) {
        epoch_.hasPosition = true;
        epoch_.latitude = *latitude;
        epoch_.longitude = *longitude;
    }
    if (std::isfinite(hdop)) epoch_.hdop = hdop;
    if (std::isfinite(gstError)) epoch_.gstError = gstError;
    if (altitude) epoch_.altitude = altitude;

    bool answered = epoch_.hasPosition || epoch_.reportsNoFix;
    if (!epoch_.emitted && answered && previousKinds_ != 0 && (epoch_.kinds & previousKinds_) == previousKinds_)
        emitEpoch();
}

void NmeaParser::enterEpoch(int64_t msOfDay) {
    if (epoch_.msOfDay == msOfDay) return;
    if (epoch_.msOfDay >= 0) completeEpoch();
    int64_t previous = clock_.lastMsOfDay();
    if (!clock_.advance(msOfDay))
        platform::logLine(QStringLiteral("%1: time went back from %2 to %3")
                              .arg(badLog_.origin(), clockText(previous), clockText(msOfDay)));
    epoch_ = Epoch{};
    epoch_.msOfDay = msOfDay;
    if (pendingPressureAltitude_) {
        epoch_.pressureAltitude = std::exchange(pendingPressureAltitude_, std::nullopt);
        epoch_.kinds |= Pgrmz;
    }
}

void NmeaParser::parsePressureAltitude(const QList<QByteArray>& f, QByteArrayView line) {
    if (f.size() < 3) return bad("too few fields", line);
    std::optional<double> value = number(f[1]);
    if (!value) return bad("pressure altitude not a number", line);
    double metres;
    if (f[2] == "f" || f[2] == "F")
        metres = *value * 0.3048;
    else if (f[2] == "m" || f[2] == "M")
        metres = *value;
    else
        return bad("pressure altitude in an unknown unit", line);
    std::optional<double> pressureAltitude = plausibleAltitude(metres);
    if (!pressureAltitude) return bad("impossible pressure altitude", line);
    consecutiveBadLines_ = 0;
    if (epoch_.msOfDay >= 0 && !epoch_.emitted) {
        epoch_.pressureAltitude = pressureAltitude;
        epoch_.kinds |= Pgrmz;
        bool answered = epoch_.hasPosition || epoch_.reportsNoFix;
        if (answered && previousKinds_ != 0 && (epoch_.kinds & previousKinds_) == previousKinds_) emitEpoch();
    } else {
        pendingPressureAltitude_ = pressureAltitude;
    }
}

std::optional<double> NmeaParser::altitudeOf(const QByteArray& altitudeField, const QByteArray& separationField,
                                             QByteArrayView line) {
    if (altitudeField.isEmpty()) return std::nullopt;  // a 2-D fix
    std::optional<double> altitude = number(altitudeField);
    if (!altitude) {
        badLog_.report("altitude not a number", line);
        return std::nullopt;
    }
    if (!separationField.isEmpty()) {
        std::optional<double> separation = number(separationField);
        if (!separation || std::abs(*separation) > kLargestGeoidSeparation) {
            badLog_.report("absurd geoid separation", line);
            return std::nullopt;
        }
    }
    std::optional<double> plausible = plausibleAltitude(*altitude);
    if (!plausible) badLog_.report("impossible altitude", line);
    return plausible;
}

void NmeaParser::completeEpoch() {
    if (!epoch_.emitted && (epoch_.hasPosition || epoch_.reportsNoFix)) emitEpoch();
    previousKinds_ = epoch_.kinds;
}

void NmeaParser::emitEpoch() {
    epoch_.emitted = true;
    double timestamp = clock_.timestamp(epoch_.msOfDay);
    if (epoch_.reportsNoFix || !epoch_.hasPosition) {
        epochs_.push_back({timestamp, std::nullopt});
        return;
    }
    Fix fix;
    fix.latitude = epoch_.latitude;
    fix.longitude = epoch_.longitude;
    fix.timestamp = timestamp;
    if (std::isfinite(epoch_.gstError))
        fix.horizontalAccuracy = epoch_.gstError;
    else if (std::isfinite(epoch_.hdop) && epoch_.hdop > 0.0)
        fix.horizontalAccuracy = 2.0 * epoch_.hdop * kRangeErrorMetres;
    else
        fix.horizontalAccuracy = kUnknownAccuracyMetres;
    fix.altitude = epoch_.altitude;
    fix.pressureAltitude = epoch_.pressureAltitude;
    epochs_.push_back({timestamp, fix});
}

void NmeaParser::finish() {
    if (!pending_.isEmpty()) {
        QByteArray last = std::move(pending_);
        pending_.clear();
        addLine(last);
    }
    if (epoch_.msOfDay >= 0) {
        completeEpoch();
        epoch_ = Epoch{};  // later input starts a fresh epoch; the clock keeps its day
    }
}

std::vector<NmeaEpoch> NmeaParser::takeEpochs() {
    otherSentences_.clear();
    return std::exchange(epochs_, {});
}

NmeaParser::Output NmeaParser::takeOutput() {
    return {std::exchange(epochs_, {}), std::exchange(otherSentences_, {})};
}

void NmeaParser::bad(const char* reason, QByteArrayView line) {
    ++consecutiveBadLines_;
    badLog_.report(reason, line);
}

}  // namespace vantrel::positioning
