#include "PlanCoordinates.h"

#include "NavPlanKeys.h"

#include "positioning/Geodesy.h"

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
