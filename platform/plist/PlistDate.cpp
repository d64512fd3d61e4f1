#include "PlistDate.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vantrel::platform::plist {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to the day, in the proleptic Gregorian calendar (any year).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    int64_t year;
    int month, day;
};

Civil civilFromDays(int64_t z) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int d = int(doy - (153 * mp + 2) / 5 + 1);
    int m = int(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (m <= 2), m, d};
}

bool isLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int64_t y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::optional<std::string> isoDate(double secondsSince1970) {
    // A million years either way keeps every figure below well inside 64 bits.
    if (!std::isfinite(secondsSince1970) || std::fabs(secondsSince1970) > 3.2e13) return std::nullopt;
    double whole = std::floor(secondsSince1970);
    auto seconds = static_cast<int64_t>(whole);
    auto micros = static_cast<int64_t>(std::llround((secondsSince1970 - whole) * 1e6));
    if (micros >= 1000000) {
        ++seconds;
        micros -= 1000000;
    }
    int64_t days = seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
    int64_t time = seconds - days * kSecondsPerDay;
    Civil c = civilFromDays(days);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02dT%02d:%02d:%02d.%06lldZ", static_cast<long long>(c.year), c.month,
                  c.day, int(time / 3600), int(time / 60 % 60), int(time % 60), static_cast<long long>(micros));
    return std::string(buf);
}

std::optional<double> parseIsoDate(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    size_t pos = 0;
    // `count` digits at pos.
    auto digits = [&](size_t count, int64_t& out) {
        if (text.size() - pos < count) return false;
        out = 0;
        for (size_t i = 0; i < count; ++i) {
            char c = text[pos + i];
            if (c < '0' || c > '9') return false;
            out = out * 10 + (c - '0');
        }
        pos += count;
        return true;
    };
    auto next = [&](char c) {
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    };
    int64_t fields[6] = {0, 1, 1, 0, 0, 0};
    static const char separators[] = {'-', '-', 'T', ':', ':'};
    if (!digits(4, fields[0])) return std::nullopt;
    double fraction = 0;
    for (size_t f = 1; f < 6; ++f) {
        if (!next(separators[f - 1])) break;
        if (!digits(2, fields[f])) return std::nullopt;
        if (f == 5 && next('.')) {
            size_t start = pos;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
            if (pos == start) return std::nullopt;
            fraction = std::strtod(("0." + std::string(text.substr(start, pos - start))).c_str(), nullptr);
        }
    }
    if (!next('Z') || pos != text.size()) return std::nullopt;
    auto [year, month, day, hour, minute, second] = fields;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, int(month)) || hour > 23 || minute > 59 ||
        second > 59)
        return std::nullopt;
    int64_t seconds = daysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
    return double(seconds) + fraction;
}

}  // namespace vantrel::platform::plist
