#include "TextEncoding.h"

namespace vantrel::platform::plist {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The next code point of UTF-8 text; a malformed sequence counts as one U+FFFD per byte.
char32_t nextCodePoint(std::string_view s, size_t& i) {
    auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    uint8_t b = byte(i++);
    if (b < 0x80) return b;
    size_t extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra == 0 || b > 0xF4 || i + extra > s.size()) return kReplacement;
    char32_t c = b & (0x3F >> extra);
    for (size_t k = 0; k < extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    i += extra;
    return c;
}

void appendUnit(std::string& out, char32_t unit) {
    out.push_back(static_cast<char>(unit >> 8));
    out.push_back(static_cast<char>(unit & 0xFF));
}

}  // namespace

bool isAscii(std::string_view s) noexcept {
    for (char c : s)
        if (static_cast<uint8_t>(c) >= 0x80) return false;
    return true;
}

void appendUtf16AsUtf8(std::string& out, const uint8_t* p, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        char32_t c = char32_t(p[2 * i] << 8 | p[2 * i + 1]);
        if (c >= 0xD800 && c <= 0xDFFF) {
            char32_t low = i + 1 < units ? char32_t(p[2 * i + 2] << 8 | p[2 * i + 3]) : 0;
            if (c <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                c = kReplacement;
            }
        }
        appendUtf8(out, c);
    }
}

void appendLatin1AsUtf8(std::string& out, std::string_view latin1) {
    for (char c : latin1) appendUtf8(out, static_cast<uint8_t>(c));
}

void appendValidUtf8(std::string& out, std::string_view bytes) {
    if (isAscii(bytes)) {
        out.append(bytes);
        return;
    }
    for (size_t i = 0; i < bytes.size();) appendUtf8(out, nextCodePoint(bytes, i));
}

size_t appendUtf8AsUtf16(std::string& out, std::string_view utf8) {
    size_t units = 0;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = nextCodePoint(utf8, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            appendUnit(out, 0xD800 + (c >> 10));
            appendUnit(out, 0xDC00 + (c & 0x3FF));
            units += 2;
        } else {
            appendUnit(out, c);
            ++units;
        }
    }
    return units;
}

}  // namespace vantrel::platform::plist
