#include "OpenAirReader.h"

#include "ArcGeometry.h"

#include "platform/core/Log.h"

#include <charconv>
#include <cmath>

namespace vantrel::airspace {

namespace {

// Far more than the finest national outline needs (a 1000 NM circle is 630 points).
constexpr size_t kMostPoints = 100000;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

QByteArrayView trimmed(QByteArrayView v) {
    qsizetype b = 0, e = v.size();
    while (b < e && isSpace(v[b])) ++b;
    while (e > b && isSpace(v[e - 1])) --e;
    return v.sliced(b, e - b);
}

// A trailing "* comment" after a geometry or limit line.
QByteArrayView withoutComment(QByteArrayView v) {
    const qsizetype star = v.indexOf('*');
    return trimmed(star >= 0 ? v.first(star) : v);
}

bool equalsUpper(QByteArrayView v, const char* word) {
    qsizetype i = 0;
    for (; word[i]; ++i)
        if (i >= v.size() || upper(v[i]) != word[i]) return false;
    return i == v.size();
}

// A plain decimal number (no sign, no exponent) at v[*pos]; advances past it.
std::optional<double> readNumber(QByteArrayView v, qsizetype* pos) {
    qsizetype p = *pos;
    const qsizetype start = p;
    while (p < v.size() && ((v[p] >= '0' && v[p] <= '9') || v[p] == '.')) ++p;
    if (p == start) return std::nullopt;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(v.data() + start, v.data() + p, value);
    if (ec != std::errc() || ptr != v.data() + p || !std::isfinite(value)) return std::nullopt;
    *pos = p;
    return value;
}

void skipSpaces(QByteArrayView v, qsizetype* pos) {
    while (*pos < v.size() && isSpace(v[*pos])) ++*pos;
}

// "DD:MM:SS.s", "DD:MM.mmm" or "DD.ddd" followed by a hemisphere letter; degrees.
std::optional<double> readAngle(QByteArrayView v, qsizetype* pos, char positive, char negative, double maxDegrees) {
    qsizetype p = *pos;
    skipSpaces(v, &p);
    double parts[3] = {0, 0, 0};
    int count = 0;
    for (;;) {
        const std::optional<double> n = readNumber(v, &p);
        if (!n || count == 3) return std::nullopt;
        // Only the last part may have a fraction.
        if (count > 0 && parts[count - 1] != std::floor(parts[count - 1])) return std::nullopt;
        parts[count++] = *n;
        if (p < v.size() && v[p] == ':') {
            ++p;
            continue;
        }
        break;
    }
    if ((count > 1 && parts[1] >= 60.0) || (count > 2 && parts[2] >= 60.0)) return std::nullopt;
    skipSpaces(v, &p);
    if (p >= v.size()) return std::nullopt;
    const char h = upper(v[p]);
    if (h != positive && h != negative) return std::nullopt;
    ++p;
    const double degrees = parts[0] + parts[1] / 60.0 + parts[2] / 3600.0;
    if (degrees > maxDegrees) return std::nullopt;
    *pos = p;
    return h == negative ? -degrees : degrees;
}

// A list of numbers separated by commas and blanks: "5, 270, 90".
std::vector<double> readNumbers(QByteArrayView v) {
    std::vector<double> out;
    qsizetype p = 0;
    for (;;) {
        while (p < v.size() && (isSpace(v[p]) || v[p] == ',')) ++p;
        if (p >= v.size()) return out;
        const bool negative = v[p] == '-';
        if (negative) ++p;
        const std::optional<double> n = readNumber(v, &p);
        if (!n) return {};
        out.push_back(negative ? -*n : *n);
        // A unit glued to the radius ("2.5NM") is what the radius means anyway.
        if (p + 1 < v.size() && upper(v[p]) == 'N' && upper(v[p + 1]) == 'M') p += 2;
    }
}

}  // namespace

std::optional<LatLon> parseCoordinate(QByteArrayView text, qsizetype* end) {
    qsizetype p = 0;
    const std::optional<double> lat = readAngle(text, &p, 'N', 'S', 90.0);
    if (!lat) return std::nullopt;
    while (p < text.size() && (isSpace(text[p]) || text[p] == ',')) ++p;
    const std::optional<double> lon = readAngle(text, &p, 'E', 'W', 180.0);
    if (!lon) return std::nullopt;
    if (end) *end = p;
    return LatLon{*lat, *lon};
}

std::optional<Limit> parseLimit(QByteArrayView raw) {
    const QByteArrayView text = withoutComment(raw);
    // Words, upper case, the number split from a unit glued to it ("4500FT", "FL95").
    QByteArray norm;
    for (char c : text) norm.append(upper(c));
    norm = norm.simplified();
    if (norm.isEmpty()) return std::nullopt;
    for (const char* word : {"UNL", "UNLIM", "UNLIMITED", "UNLTD"})
        if (norm == word) return Limit{0.0, Reference::Unlimited};
    for (const char* word : {"GND", "SFC", "GROUND", "0 GND", "0 AGL", "0 FT AGL", "0FT AGL", "0 SFC"})
        if (norm == word) return Limit{0.0, Reference::Ground};
    if (norm == "MSL" || norm == "0 MSL" || norm == "0 AMSL") return Limit{0.0, Reference::Msl};
    qsizetype p = 0;
    if (norm.startsWith("FL")) {
        p = 2;
        skipSpaces(norm, &p);
        const std::optional<double> level = readNumber(norm, &p);
        if (!level || p != norm.size() || *level > 999.0) return std::nullopt;
        return Limit{*level, Reference::FlightLevel};
    }
    const std::optional<double> number = readNumber(norm, &p);
    if (!number) return std::nullopt;
    double feet = *number;
    bool metres = false;
    Reference reference = Reference::Msl;
    bool flightLevel = false;
    QList<QByteArray> words = norm.mid(p).simplified().split(' ');
    words.removeAll(QByteArray());
    int units = 0, references = 0;
    for (const QByteArray& w : words) {
        if (w == "FT" || w == "F" || w == "FEET") {
            ++units;
        } else if (w == "M" || w == "MTR" || w == "METRES" || w == "METERS") {
            ++units;
            metres = true;
        } else if (w == "AMSL" || w == "MSL" || w == "ALT") {
            ++references;
        } else if (w == "AGL" || w == "AGND" || w == "ASFC" || w == "GND" || w == "SFC") {
            ++references;
            reference = Reference::Agl;
        } else if (w == "STD") {
            ++references;
            flightLevel = true;
        } else if (w == "FTAMSL" || w == "FTMSL") {
            ++units, ++references;
        } else if (w == "FTAGL" || w == "FTSFC" || w == "FTGND") {
            ++units, ++references;
            reference = Reference::Agl;
        } else {
            return std::nullopt;
        }
    }
    if (units > 1 || references > 1) return std::nullopt;
    if (metres) feet = std::round(feet / kMetresPerFoot);
    if (feet > 200000.0) return std::nullopt;
    if (flightLevel) return Limit{feet / 100.0, Reference::FlightLevel};
    if (feet == 0.0 && reference == Reference::Agl) return Limit{0.0, Reference::Ground};
    return Limit{feet, reference};
}

namespace {

// The airspace being read.
struct Current {
    Airspace airspace;
    std::optional<LatLon> centre;
    bool clockwise = true;
    bool haveLower = false, haveUpper = false;
    QString damage;  // why it is skipped; empty while it is whole
};

class Reader {
public:
    Reader(const QString& origin, bool latin1) : origin_(origin), latin1_(latin1) {}

    void line(QByteArrayView raw, int number);
    void finish() { close(); }
    ReadResult result;

private:
    QString text(QByteArrayView v) const {
        return latin1_ ? QString::fromLatin1(v) : QString::fromUtf8(v);
    }
    void log(const QString& message) {
        if (++logged_ <= kLoggedInFull) platform::logLine(QStringLiteral("%1: %2").arg(origin_, message));
    }
    void badLine(int number, const QString& why) {
        ++result.skippedLines;
        log(QStringLiteral("line %1: %2; line skipped").arg(number).arg(why));
    }
    // A broken line inside an airspace: the line and the airspace are skipped.
    void damage(int number, const QString& why) {
        ++result.skippedLines;
        if (current_ && current_->damage.isEmpty())
            current_->damage = QStringLiteral("line %1: %2").arg(number).arg(why);
    }
    bool needAirspace(int number, QByteArrayView command) {
        if (current_) return true;
        badLine(number, QStringLiteral("%1 before any AC").arg(text(command)));
        return false;
    }
    void close();

    QString origin_;
    bool latin1_;
    std::optional<Current> current_;
    int logged_ = 0;
};

void Reader::close() {
    if (!current_) return;
    Current c = std::move(*current_);
    current_.reset();
    Airspace& a = c.airspace;
    // Drop repeated points (a DB arc's first point after the DP that ends there) and a last point
    // that repeats the first (files close their polygons by hand, or not).
    std::vector<LatLon> points;
    points.reserve(a.outline.size());
    for (const LatLon& p : a.outline)
        if (points.empty() || std::abs(points.back().lat - p.lat) > 1e-9 || std::abs(points.back().lon - p.lon) > 1e-9)
            points.push_back(p);
    while (points.size() > 1 && std::abs(points.back().lat - points.front().lat) < 1e-9 &&
           std::abs(points.back().lon - points.front().lon) < 1e-9)
        points.pop_back();
    a.outline = std::move(points);
    if (c.damage.isEmpty() && a.outline.size() < 3) c.damage = QStringLiteral("fewer than three points");
    if (c.damage.isEmpty() && !c.haveLower) c.damage = QStringLiteral("no lower limit (AL)");
    if (c.damage.isEmpty() && !c.haveUpper) c.damage = QStringLiteral("no upper limit (AH)");
    if (!c.damage.isEmpty()) {
        ++result.skippedAirspaces;
        log(QStringLiteral("airspace \"%1\" of line %2 skipped: %3").arg(a.name).arg(a.line).arg(c.damage));
        return;
    }
    // Longitudes made continuous, so that an outline across the 180th meridian has no jump.
    for (size_t i = 1; i < a.outline.size(); ++i) {
        while (a.outline[i].lon - a.outline[i - 1].lon > 180.0) a.outline[i].lon -= 360.0;
        while (a.outline[i].lon - a.outline[i - 1].lon < -180.0) a.outline[i].lon += 360.0;
    }
    double minLon = INFINITY;
    for (const LatLon& p : a.outline) minLon = std::min(minLon, p.lon);
    const double shift = minLon < -180.0 ? 360.0 : (minLon >= 180.0 ? -360.0 : 0.0);
    a.box = GeoBox();
    for (LatLon& p : a.outline) {
        p.lon += shift;
        a.box.add(p);
    }
    result.airspaces.push_back(std::move(a));
}

void Reader::line(QByteArrayView raw, int number) {
    const QByteArrayView line = trimmed(raw);
    if (line.isEmpty() || line[0] == '*' || line[0] == '#') return;
    qsizetype split = 0;
    while (split < line.size() && !isSpace(line[split])) ++split;
    QByteArrayView command = line.first(split);
    QByteArrayView rest = trimmed(line.sliced(split));
    // "V X=..." may come as "VX=" in hand-made files; and "DP46:..." glued.
    if (command.size() > 2 && upper(command[0]) == 'D' && command[2] >= '0' && command[2] <= '9') {
        rest = trimmed(line.sliced(2));
        command = line.first(2);
    }

    if (equalsUpper(command, "AC")) {
        close();
        current_.emplace();
        current_->airspace.airspaceClass = text(withoutComment(rest));
        current_->airspace.origin = origin_;
        current_->airspace.line = number;
        if (current_->airspace.airspaceClass.isEmpty()) damage(number, QStringLiteral("AC without a class"));
        return;
    }
    if (equalsUpper(command, "AN")) {
        if (needAirspace(number, command)) current_->airspace.name = text(rest);
        return;
    }
    if (equalsUpper(command, "AH") || equalsUpper(command, "AL")) {
        if (!needAirspace(number, command)) return;
        const std::optional<Limit> limit = parseLimit(rest);
        if (!limit) return damage(number, QStringLiteral("limit \"%1\" not understood").arg(text(rest)));
        if (upper(command[1]) == 'H') {
            current_->airspace.upper = *limit;
            current_->haveUpper = true;
        } else {
            current_->airspace.lower = *limit;
            current_->haveLower = true;
        }
        return;
    }
    if (equalsUpper(command, "AY") || equalsUpper(command, "AF") || equalsUpper(command, "AG") ||
        equalsUpper(command, "AI")) {
        if (!needAirspace(number, command)) return;
        Airspace& a = current_->airspace;
        const QString value = text(rest);
        switch (upper(command[1])) {
        case 'Y': a.type = value; break;
        case 'F': a.frequency = value; break;
        case 'G': a.callSign = value; break;
        default: a.identifier = value; break;
        }
        return;
    }
    // Label positions, pens and brushes: for drawing programs, nothing to keep.
    if (equalsUpper(command, "AT") || equalsUpper(command, "SP") || equalsUpper(command, "SB") ||
        equalsUpper(command, "AA"))
        return;

    const QByteArrayView args = withoutComment(rest);
    // The outline of an airspace already skipped is not drawn any further; one that grows past
    // any real airspace's (a damaged file of huge circles) is skipped before it takes the memory.
    if (current_ && !current_->damage.isEmpty() && upper(command[0]) == 'D') return;
    if (current_ && current_->airspace.outline.size() > kMostPoints) {
        damage(number, QStringLiteral("outline of more than %1 points").arg(kMostPoints));
        current_->airspace.outline = {};
        return;
    }
    if (equalsUpper(command, "V") || (command.size() > 1 && upper(command[0]) == 'V' && command[1] != '=')) {
        if (!needAirspace(number, command)) return;
        // "V X=...", "V D=+", also "VX=..." and spaces about the "=".
        QByteArray joined;
        for (char c : (command.size() > 1 ? line.sliced(1) : args))
            if (!isSpace(c)) joined.append(c);
        if (joined.size() >= 2 && joined[1] == '=') {
            const char key = upper(joined[0]);
            const QByteArrayView value = QByteArrayView(joined).sliced(2);
            if (key == 'X') {
                qsizetype end = 0;
                const std::optional<LatLon> centre = parseCoordinate(value, &end);
                if (!centre || end != value.size())
                    return damage(number, QStringLiteral("centre \"%1\" not understood").arg(text(args)));
                current_->centre = centre;
                return;
            }
            if (key == 'D') {
                if (value == "+") current_->clockwise = true;
                else if (value == "-") current_->clockwise = false;
                else return damage(number, QStringLiteral("direction \"%1\" is neither + nor -").arg(text(value)));
                return;
            }
            if (key == 'W' || key == 'Z') return;  // airway width, drawing zoom
        }
        return badLine(number, QStringLiteral("variable \"%1\" not understood").arg(text(args)));
    }
    if (equalsUpper(command, "DP")) {
        if (!needAirspace(number, command)) return;
        qsizetype end = 0;
        const std::optional<LatLon> point = parseCoordinate(args, &end);
        if (!point || end != args.size())
            return damage(number, QStringLiteral("point \"%1\" not understood").arg(text(args)));
        current_->airspace.outline.push_back(*point);
        return;
    }
    if (equalsUpper(command, "DA") || equalsUpper(command, "DC") || equalsUpper(command, "DB")) {
        if (!needAirspace(number, command)) return;
        const char kind = upper(command[1]);
        if (!current_->centre)
            return damage(number, QStringLiteral("%1 with no centre (V X=) in this airspace").arg(text(command)));
        const LatLon centre = *current_->centre;
        std::vector<LatLon>& outline = current_->airspace.outline;
        if (kind == 'C') {
            const std::vector<double> n = readNumbers(args);
            if (n.size() != 1 || n[0] <= 0.0 || n[0] > 1000.0)
                return damage(number, QStringLiteral("circle \"%1\" not understood").arg(text(args)));
            appendArc(outline, centre, n[0] * kMetresPerNauticalMile, 0.0, 0.0, true, true);
            outline.pop_back();  // the circle's end is its start
            return;
        }
        if (kind == 'A') {
            const std::vector<double> n = readNumbers(args);
            if (n.size() != 3 || n[0] <= 0.0 || n[0] > 1000.0 || std::abs(n[1]) > 360.0 || std::abs(n[2]) > 360.0)
                return damage(number, QStringLiteral("arc \"%1\" not understood").arg(text(args)));
            appendArc(outline, centre, n[0] * kMetresPerNauticalMile, n[1], n[2], current_->clockwise, true);
            return;
        }
        qsizetype end = 0;
        const std::optional<LatLon> from = parseCoordinate(args, &end);
        std::optional<LatLon> to;
        if (from) {
            qsizetype p = end;
            while (p < args.size() && (isSpace(args[p]) || args[p] == ',')) ++p;
            qsizetype end2 = 0;
            to = parseCoordinate(args.sliced(p), &end2);
            if (to && p + end2 != args.size()) to.reset();
        }
        if (!from || !to) return damage(number, QStringLiteral("arc \"%1\" not understood").arg(text(args)));
        const double radius = distanceMetres(centre, *from);
        if (radius < 1.0 || radius > 1000.0 * kMetresPerNauticalMile)
            return damage(number, QStringLiteral("arc \"%1\" has no usable radius").arg(text(args)));
        appendArc(outline, centre, radius, initialBearing(centre, *from), initialBearing(centre, *to),
                  current_->clockwise);
        outline.back() = *to;  // the arc ends exactly where the file says
        return;
    }
    badLine(number, QStringLiteral("unknown command \"%1\"").arg(text(command.first(std::min<qsizetype>(command.size(), 20)))));
}

}  // namespace

ReadResult readOpenAir(QByteArrayView bytes, const QString& origin) {
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
    const bool latin1 = !bytes.isValidUtf8();
    Reader reader(origin, latin1);
    reader.result.latin1 = latin1;
    qsizetype start = 0;
    int number = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size();
        ++number;
        reader.line(bytes.sliced(start, end - start), number);
        start = end + 1;
    }
    reader.finish();
    ReadResult result = std::move(reader.result);
    platform::logLine(QStringLiteral("%1: %2 airspaces read, %3 skipped, %4 lines skipped%5")
                          .arg(origin)
                          .arg(result.airspaces.size())
                          .arg(result.skippedAirspaces)
                          .arg(result.skippedLines)
                          .arg(latin1 ? QStringLiteral(" (read as Latin-1)") : QString()));
    return result;
}

}  // namespace vantrel::airspace
