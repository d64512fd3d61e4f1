#include "XmlPlist.h"

#include "NestingGuard.h"
#include "PlistDate.h"
#include "TextEncoding.h"

#include "../core/Log.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::platform::plist::XmlPlist {

namespace {

struct NodeFree {
    void operator()(void* node) const noexcept { plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, NodeFree>;

// Memory that libplist hands out with malloc.
struct MallocFree {
    void operator()(void* p) const noexcept { std::free(p); }
};
using Malloced = std::unique_ptr<char, MallocFree>;

// The deepest element nesting of the XML text, counted roughly (comments and processing
// instructions skipped, every other tag counted); at least the nesting libplist's parser will see.
size_t elementDepth(const QByteArray& bytes) {
    size_t depth = 0;
    size_t deepest = 0;
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while ((p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)))) != nullptr) {
        ++p;
        if (p == end) break;
        if (*p == '?' || *p == '!') continue;
        if (*p == '/') {
            if (depth > 0) --depth;
            continue;
        }
        const char* close = static_cast<const char*>(std::memchr(p, '>', size_t(end - p)));
        if (!close) break;
        if (close[-1] != '/') deepest = std::max(deepest, ++depth);
        p = close;
    }
    return deepest;
}

// The texts of the <integer> and <date> elements in document order, which is the order in which
// TableBuilder meets their nodes. libplist reads dates only within 32-bit seconds and hands
// integers on as unsigned, so the texts decide a date's instant and an integer's sign.
struct ScalarTexts {
    std::vector<std::string_view> integers, dates;
};

ScalarTexts scanScalarTexts(std::string_view xml) {
    ScalarTexts out;
    size_t pos = 0;
    auto skipPast = [&](std::string_view end) {
        size_t found = xml.find(end, pos);
        pos = found == std::string_view::npos ? xml.size() : found + end.size();
    };
    while ((pos = xml.find('<', pos)) != std::string_view::npos) {
        std::string_view rest = xml.substr(pos);
        if (rest.starts_with("<!--")) { skipPast("-->"); continue; }
        if (rest.starts_with("<![CDATA[")) { skipPast("]]>"); continue; }
        if (rest.starts_with("<?")) { skipPast("?>"); continue; }
        size_t close = xml.find('>', pos);
        if (close == std::string_view::npos) break;
        std::string_view tag = xml.substr(pos + 1, close - pos - 1);
        pos = close + 1;
        bool empty = tag.ends_with('/');
        if (empty) tag.remove_suffix(1);
        size_t nameEnd = tag.find_first_of(" \t\r\n");
        std::string_view name = tag.substr(0, nameEnd);
        std::vector<std::string_view>* list = name == "integer" ? &out.integers : name == "date" ? &out.dates : nullptr;
        if (!list) continue;
        if (empty) {
            list->emplace_back();
            continue;
        }
        size_t end = xml.find('<', pos);
        if (end == std::string_view::npos) end = xml.size();
        list->push_back(xml.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

bool startsNegative(std::string_view text) {
    size_t i = text.find_first_not_of(" \t\r\n");
    return i != std::string_view::npos && text[i] == '-';
}

class TableBuilder {
public:
    // `texts` is what scanScalarTexts found, or nothing to take libplist's readings as they are.
    TableBuilder(ObjectTable& table, const ScalarTexts* texts) : t_(table), texts_(texts) {}

    // Whether the builder met exactly the integers and dates that the scan found, so that each
    // text went to its own node.
    bool matchedTexts() const {
        return texts_ && integersSeen_ == texts_->integers.size() && datesSeen_ == texts_->dates.size();
    }

    ObjectTable::Index add(plist_t node) {
        switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t v = 0;
            plist_get_bool_val(node, &v);
            return t_.addBoolean(v != 0);
        }
        case PLIST_UINT: {
            uint64_t v = 0;
            plist_get_uint_val(node, &v);
            // libplist keeps negative integers as their unsigned bits; those above INT64_MAX
            // written without a minus are unsigned.
            std::optional<std::string_view> text = nextText(texts_ ? &texts_->integers : nullptr, integersSeen_);
            if (text && !startsNegative(*text)) return t_.addUnsigned(v);
            return t_.addInteger(static_cast<int64_t>(v));
        }
        case PLIST_REAL: {
            double v = 0;
            plist_get_real_val(node, &v);
            return t_.addReal(v);
        }
        case PLIST_DATE: {
            std::optional<std::string_view> text = nextText(texts_ ? &texts_->dates : nullptr, datesSeen_);
            if (std::optional<double> instant = text ? parseIsoDate(*text) : std::nullopt)
                return t_.addDate(*instant);
            int32_t seconds = 0, micros = 0;
            plist_get_date_val(node, &seconds, &micros);
            // libplist reads every date outside its 32-bit range as this one.
            if (seconds == std::numeric_limits<int32_t>::min())
                logLine(QStringLiteral("Property list date outside the years 1932 to 2069, read as 1932-12-13"));
            return t_.addDate(double(seconds) + double(micros) / 1e6 + kSecondsFrom1970To2001);
        }
        case PLIST_DATA: {
            uint64_t size = 0;
            const char* bytes = plist_get_data_ptr(node, &size);
            return addOwned(ObjectTable::Kind::Data, std::string_view(bytes ? bytes : "", bytes ? size : 0));
        }
        case PLIST_STRING: {
            uint64_t size = 0;
            const char* text = plist_get_string_ptr(node, &size);
            return addOwned(ObjectTable::Kind::String, std::string_view(text ? text : "", text ? size : 0));
        }
        case PLIST_KEY: {
            char* text = nullptr;
            plist_get_key_val(node, &text);
            Malloced owned(text);
            return addOwned(ObjectTable::Kind::String, text ? text : "");
        }
        case PLIST_UID: {
            uint64_t v = 0;
            plist_get_uid_val(node, &v);
            return t_.addUid(v);
        }
        case PLIST_ARRAY: return addArray(node);
        case PLIST_DICT: return addDictionary(node);
        default: return t_.addNull();
        }
    }

private:
    // The text of the next integer or date node, counting them as they are met.
    static std::optional<std::string_view> nextText(const std::vector<std::string_view>* texts, size_t& seen) {
        size_t n = seen++;
        if (!texts || n >= texts->size()) return std::nullopt;
        return (*texts)[n];
    }

    // libplist hands texts on byte for byte, valid UTF-8 or not.
    ObjectTable::Index addOwned(ObjectTable::Kind kind, std::string_view bytes) {
        size_t start = t_.ownedBytes().size();
        if (kind == ObjectTable::Kind::String) appendValidUtf8(t_.ownedBytes(), bytes);
        else t_.ownedBytes().append(bytes);
        return t_.addOwnedBytes(kind, start);
    }

    ObjectTable::Index addArray(plist_t node) {
        std::vector<ObjectTable::Index> items;
        plist_array_iter it = nullptr;
        plist_array_new_iter(node, &it);
        Malloced iter(static_cast<char*>(it));
        for (;;) {
            plist_t item = nullptr;
            plist_array_next_item(node, it, &item);
            if (!item) break;
            items.push_back(add(item));
        }
        size_t start = t_.refs().size();
        t_.refs().insert(t_.refs().end(), items.begin(), items.end());
        return t_.addArray(start);
    }

    ObjectTable::Index addDictionary(plist_t node) {
        std::vector<ObjectTable::Index> keys, values;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        Malloced iter(static_cast<char*>(it));
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            Malloced ownedKey(key);
            if (!value) break;
            if (plist_get_node_type(value) == PLIST_UINT && plist_dict_get_size(node) == 1 && key &&
                std::strcmp(key, "CF$UID") == 0) {
                uint64_t uid = 0;
                plist_get_uint_val(value, &uid);
                ++integersSeen_;
                return t_.addUid(uid);
            }
            keys.push_back(addOwned(ObjectTable::Kind::String, key ? key : ""));
            values.push_back(add(value));
        }
        size_t start = t_.refs().size();
        t_.refs().insert(t_.refs().end(), keys.begin(), keys.end());
        t_.refs().insert(t_.refs().end(), values.begin(), values.end());
        return t_.addDictionary(start);
    }

    ObjectTable& t_;
    const ScalarTexts* texts_;
    size_t integersSeen_ = 0, datesSeen_ = 0;
};

// The bytes as UTF-8 without a byte order mark. XML plists from other software may be UTF-16
// (with a byte order mark, or recognisable by the zero byte beside the opening '<') or carry
// a UTF-8 byte order mark; libplist reads neither. A UTF-16 text's declaration keeps naming
// UTF-16, which libplist ignores.
QByteArray asUtf8(const QByteArray& bytes) {
    auto at = [&](qsizetype i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0x100u; };
    if (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) return bytes.mid(3);
    bool little = (at(0) == 0xFF && at(1) == 0xFE) || (at(0) == '<' && at(1) == 0);
    bool big = (at(0) == 0xFE && at(1) == 0xFF) || (at(0) == 0 && at(1) == '<');
    if (!little && !big) return bytes;
    bool bom = at(0) >= 0xFE;
    size_t units = size_t(bytes.size() - (bom ? 2 : 0)) / 2;
    std::string swapped;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData()) + (bom ? 2 : 0);
    if (little) {
        swapped.resize(units * 2);
        for (size_t i = 0; i < units; ++i) {
            swapped[2 * i] = static_cast<char>(p[2 * i + 1]);
            swapped[2 * i + 1] = static_cast<char>(p[2 * i]);
        }
        p = reinterpret_cast<const uint8_t*>(swapped.data());
    }
    std::string utf8;
    appendUtf16AsUtf8(utf8, p, units);
    return QByteArray(utf8.data(), qsizetype(utf8.size()));
}

class NodeWriter {
public:
    // The node of v; null, with error() set, when v cannot be written.
    Node build(const Value& v) {
        switch (v.type()) {
        case ValueType::Null: return fail(QStringLiteral("a null value outside a dictionary cannot be written"));
        case ValueType::String: return Node(plist_new_string(std::string(v.stringView()).c_str()));
        case ValueType::Integer:
            if (v.isUnsignedInteger()) return unsignedNode(v.unsignedPayload());
            return Node(plist_new_uint(static_cast<uint64_t>(v.integerPayload())));
        case ValueType::Real: return Node(plist_new_real(v.realPayload()));
        case ValueType::Boolean: return Node(plist_new_bool(v.booleanPayload() ? 1 : 0));
        case ValueType::Date: {
            double seconds = std::floor(v.realPayload() - kSecondsFrom1970To2001);
            if (!(seconds >= double(std::numeric_limits<int32_t>::min()) &&
                  seconds <= double(std::numeric_limits<int32_t>::max())))
                return fail(QStringLiteral("date %1 is outside the years an XML plist can hold")
                                .arg(QString::fromStdString(v.description())));
            return Node(plist_new_date(static_cast<int32_t>(seconds), 0));
        }
        case ValueType::Data: {
            QByteArray bytes = v.dataPayload();
            return Node(plist_new_data(bytes.constData(), uint64_t(bytes.size())));
        }
        case ValueType::Array:
        case ValueType::Dictionary: break;
        }
        if (!guard_.enter(v.identity(), &error_)) return {};
        Node node = v.isArray() ? buildArray(*v.array()) : buildDictionary(*v.dictionary());
        guard_.leave();
        return node;
    }

    const QString& error() const { return error_; }

private:
    // libplist writes an integer of its own making as signed, and one that it read from a text
    // above INT64_MAX as unsigned: such a node is made by reading one.
    static Node unsignedNode(uint64_t v) {
        std::string xml = "<plist><integer>" + std::to_string(v) + "</integer></plist>";
        plist_t node = nullptr;
        plist_from_xml(xml.data(), uint32_t(xml.size()), &node);
        return Node(node);
    }

    Node fail(QString reason) {
        if (error_.isEmpty()) error_ = std::move(reason);
        return {};
    }

    Node buildArray(const Array& a) {
        Node node(plist_new_array());
        for (const Value& item : a) {
            Node child = build(item);
            if (!child) return {};
            plist_array_append_item(node.get(), child.release());
        }
        return node;
    }

    Node buildDictionary(const Dictionary& d) {
        Node node(plist_new_dict());
        for (const Dictionary::Entry& e : d) {
            if (e.value.isNull()) continue;
            Node child = build(e.value);
            if (!child) return {};
            plist_dict_set_item(node.get(), std::string(e.key.view()).c_str(), child.release());
        }
        return node;
    }

    NestingGuard guard_;
    QString error_;
};

}  // namespace

bool read(const QByteArray& source, ObjectTable& table, QString* error) {
    auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    if (source.size() > qsizetype(std::numeric_limits<uint32_t>::max())) return fail(QStringLiteral("file too large"));
    const QByteArray bytes = asUtf8(source);
    // XML forbids NUL characters, and libplist aborts on texts that hold one.
    if (std::memchr(bytes.constData(), 0, size_t(bytes.size())))
        return fail(QStringLiteral("not a property list (a NUL byte in XML text)"));
    // Two levels for the plist element and a value inside the innermost container.
    if (elementDepth(bytes) > kMaxNesting + 2)
        return fail(QStringLiteral("nested deeper than %1 levels").arg(kMaxNesting));
    plist_t root = nullptr;
    plist_from_xml(bytes.constData(), uint32_t(bytes.size()), &root);
    Node owner(root);
    if (!root) return fail(QStringLiteral("not a property list (neither binary nor valid XML)"));
    ScalarTexts texts = scanScalarTexts(std::string_view(bytes.constData(), size_t(bytes.size())));
    table.clear({});
    TableBuilder builder(table, &texts);
    table.setTop(builder.add(root));
    if (!builder.matchedTexts()) {
        // The scan and libplist disagree about the elements (text it skipped, or markup it read
        // otherwise): take libplist's readings alone rather than give a text to the wrong node.
        table.clear({});
        table.setTop(TableBuilder(table, nullptr).add(root));
    }
    return true;
}

QByteArray write(const Value& value, QString* error) {
    NodeWriter writer;
    Node root = writer.build(value);
    if (!root) {
        if (error) *error = writer.error();
        return {};
    }
    char* xml = nullptr;
    uint32_t size = 0;
    plist_to_xml(root.get(), &xml, &size);
    QByteArray out(xml, qsizetype(size));
    plist_to_xml_free(xml);
    return out;
}

}  // namespace vantrel::platform::plist::XmlPlist
