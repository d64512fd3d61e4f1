#include "Json.h"

#include "platform/plist/PlistDate.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace vantrel::tool {

using platform::Value;
using platform::ValueType;

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string jsonNumber(double value) {
    if (!std::isfinite(value)) return "null";  // JSON has no NaN or infinity
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

namespace {
void write(const Value& v, bool pretty, int indent, std::string& out) {
    auto newline = [&](int level) {
        if (!pretty) return;
        out += '\n';
        out.append(static_cast<size_t>(level) * 2, ' ');
    };
    switch (v.type()) {
    case ValueType::Null: out += "null"; break;
    case ValueType::String: out += jsonString(v.stringView()); break;
    case ValueType::Integer:
        out += v.isUnsignedInteger() ? std::to_string(v.unsignedPayload()) : std::to_string(v.integerPayload());
        break;
    case ValueType::Real: out += jsonNumber(v.realPayload()); break;
    case ValueType::Boolean: out += v.booleanPayload() ? "true" : "false"; break;
    case ValueType::Date: {
        std::optional<std::string> iso = platform::plist::isoDate(v.realPayload());
        out += iso ? jsonString(*iso) : "null";
        break;
    }
    case ValueType::Data: out += jsonString(v.dataPayload().toBase64().toStdString()); break;
    case ValueType::Array: {
        const auto& items = v.array()->items();
        if (items.empty()) { out += "[]"; break; }
        out += '[';
        for (size_t i = 0; i < items.size(); ++i) {
            if (i) out += ',';
            newline(indent + 1);
            write(items[i], pretty, indent + 1, out);
        }
        newline(indent);
        out += ']';
        break;
    }
    case ValueType::Dictionary: {
        const auto& entries = v.dictionary()->entries();
        if (entries.empty()) { out += "{}"; break; }
        out += '{';
        for (size_t i = 0; i < entries.size(); ++i) {
            if (i) out += ',';
            newline(indent + 1);
            out += jsonString(entries[i].key.view());
            out += pretty ? ": " : ":";
            write(entries[i].value, pretty, indent + 1, out);
        }
        newline(indent);
        out += '}';
        break;
    }
    }
}
}  // namespace

std::string toJson(const Value& value, bool pretty) {
    std::string out;
    write(value, pretty, 0, out);
    return out;
}

}  // namespace vantrel::tool
