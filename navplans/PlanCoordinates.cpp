#include "PlanCoordinates.h"

#include "NavPlanKeys.h"

#include "positioning/Geodesy.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>

namespace vantrel::navplans {

QString decimalText(double value) {
    // Fixed notation of the largest double needs 309 digits before the point.
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString recordText(const platform::Value& value) {
    switch (value.type()) {
    case platform::ValueType::Null: return {};
    case platform::ValueType::String: return value.toQString();
    case platform::ValueType::Integer: return QString::number(value.integerPayload());
    case platform::ValueType::Real: return decimalText(value.realPayload());
    default: return QString::fromStdString(value.description());
    }
}

std::optional<double> strictDecimal(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    // from_chars would also take "nan" and "inf": only digits may begin a number here.
    if (text.empty()) return std::nullopt;
    const char first = text.front() == '-' && text.size() > 1 ? text[1] : text.front();
    if (!(first >= '0' && first <= '9') && first != '.') return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<double> parseCoordinate(const QString& text, Axis axis) {
    const double limit = axis == Axis::Latitude ? 90.0 : 180.0;
    if (std::optional<double> decimal = strictDecimal(text.toStdString())) {
        if (std::abs(*decimal) > limit) return std::nullopt;
        return decimal;
    }
    // Hemisphere, sign, degrees, then minutes after a degree sign or a blank, minute mark, hemisphere.
    static const QRegularExpression pattern(
        QStringLiteral(u"^\\s*([NSEW])?\\s*([+-])?\\s*([0-9]{1,3}(?:\\.[0-9]*)?)(?:(?:\\s*[°º]\\s*|\\s+)([0-9]{1,2}(?:\\.[0-9]*)?)\\s*['′’]?)?"
                       u"\\s*[°º]?\\s*([NSEW])?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const QString before = match.captured(1).toUpper();
    const QString after = match.captured(5).toUpper();
    const QString sign = match.captured(2);
    const QString minutesText = match.captured(4);
    // Degrees alone need a hemisphere ("46.5N"); plain numbers went through strictDecimal.
    if (minutesText.isEmpty() && before.isEmpty() && after.isEmpty()) return std::nullopt;
    if (!before.isEmpty() && !after.isEmpty()) return std::nullopt;
    const QString hemisphere = before.isEmpty() ? after : before;
    if (!hemisphere.isEmpty() && !sign.isEmpty()) return std::nullopt;
    const QString axisLetters = axis == Axis::Latitude ? QStringLiteral("NS") : QStringLiteral("EW");
    if (!hemisphere.isEmpty() && !axisLetters.contains(hemisphere)) return std::nullopt;
    const double degrees = match.captured(3).toDouble();
    const double minutes = minutesText.isEmpty() ? 0.0 : minutesText.toDouble();
    if (!(minutes < 60.0) || (!minutesText.isEmpty() && match.captured(3).contains(u'.'))) return std::nullopt;
    double value = degrees + minutes / 60.0;
    if (sign == u'-' || hemisphere == u'S' || hemisphere == u'W') value = -value;
    if (!std::isfinite(value) || std::abs(value) > limit) return std::nullopt;
    return value;
}

QString coordinateRule(Axis axis) {
    return axis == Axis::Latitude
               ? QStringLiteral(u"from -90 to 90, in degrees with decimals (46.2381) or degrees and minutes (46°14.3'N)")
               : QStringLiteral(u"from -180 to 180, in degrees with decimals (6.1089) or degrees and minutes (6°06.5'E)");
}

std::optional<double> coordinateOf(const platform::Value& value, Axis axis) {
    std::optional<double> number;
    if (value.isNumber())
        number = value.doubleValue();
    else if (value.isString())
        number = strictDecimal(value.stringView());
    const double limit = axis == Axis::Latitude ? 90.0 : 180.0;
    if (!number || !std::isfinite(*number) || std::abs(*number) > limit) return std::nullopt;
    return number;
}

std::optional<LatLon> positionOf(const platform::Value& waypoint) {
    const platform::Dictionary* record = waypoint.asDictionary();
    if (!record) return std::nullopt;
    std::optional<double> latitude = coordinateOf(record->get(keys::waypointLatitude), Axis::Latitude);
    std::optional<double> longitude = coordinateOf(record->get(keys::waypointLongitude), Axis::Longitude);
    if (!latitude || !longitude) return std::nullopt;
    return LatLon{*latitude, *longitude};
}

std::optional<double> planLengthMetres(const platform::Array& waypoints) {
    double total = 0;
    std::optional<LatLon> previous;
    for (const platform::Value& waypoint : waypoints) {
        std::optional<LatLon> here = positionOf(waypoint);
        if (!here) return std::nullopt;
        if (previous)
            total += positioning::Geodesy::calcDistanceInMeters(previous->longitude, previous->latitude, here->longitude,
                                                                here->latitude);
        previous = here;
    }
    return total;
}

}  // namespace vantrel::navplans
