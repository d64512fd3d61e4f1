#include "RadioText.h"

#include <cmath>
#include <cstdio>

namespace vantrel::dbbuilder {

std::string vhfText(int kHz) {
    char buf[32];
    if (kHz % 10 == 0) {
        std::snprintf(buf, sizeof buf, "%d.%02d", kHz / 1000, (kHz % 1000) / 10);
    } else {
        std::snprintf(buf, sizeof buf, "%d.%03d", kHz / 1000, kHz % 1000);
    }
    return buf;
}

std::string ndbText(double kHz) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f", std::round(kHz * 100.0) / 100.0);
    std::string text = buf;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

std::optional<std::string> dmeChannelText(std::string_view raw) {
    while (!raw.empty() && raw.front() == ' ') raw.remove_prefix(1);
    while (!raw.empty() && raw.back() == ' ') raw.remove_suffix(1);
    if (raw.size() < 2 || raw.size() > 4) return std::nullopt;
    char band = raw.back();
    if (band == 'x' || band == 'y') band = static_cast<char>(band - 'a' + 'A');
    if (band != 'X' && band != 'Y') return std::nullopt;
    int number = 0;
    for (char c : raw.substr(0, raw.size() - 1)) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > 126) return std::nullopt;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03d%c", number, band);
    return std::string(buf);
}

std::optional<std::string> dmeChannelForVhf(int kHz) {
    struct Band {
        int lowKHz;
        int highKHz;
        int firstChannel;
    };
    static constexpr Band bands[] = {
        {108000, 112250, 17}, {112300, 117950, 70}, {133300, 134250, 60}, {134400, 135950, 1}};
    for (const Band& b : bands) {
        if (kHz < b.lowKHz || kHz > b.highKHz || (kHz - b.lowKHz) % 50 != 0) continue;
        const int steps = (kHz - b.lowKHz) / 50;
        char buf[8];
        std::snprintf(buf, sizeof buf, "%03d%c", b.firstChannel + steps / 2, steps % 2 ? 'Y' : 'X');
        return std::string(buf);
    }
    return std::nullopt;
}

}  // namespace vantrel::dbbuilder
