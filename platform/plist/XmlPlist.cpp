#include "XmlPlist.h"

#include "NestingGuard.h"
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

class TableBuilder {
public:
    explicit TableBuilder(ObjectTable& table) : t_(table) {}

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
            return t_.addInteger(static_cast<int64_t>(v));  // libplist keeps negative integers as unsigned
        }
        case PLIST_REAL: {
            double v = 0;
            plist_get_real_val(node, &v);
            return t_.addReal(v);
        }
        case PLIST_DATE: {
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
};

class NodeWriter {
public:
    // The node of v; null, with error() set, when v cannot be written.
    Node build(const Value& v) {
        switch (v.type()) {
        case ValueType::Null: return fail(QStringLiteral("a null value outside a dictionary cannot be written"));
        case ValueType::String: return Node(plist_new_string(std::string(v.stringView()).c_str()));
        case ValueType::Integer: return Node(plist_new_uint(static_cast<uint64_t>(v.integerPayload())));
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

bool read(const QByteArray& bytes, ObjectTable& table, QString* error) {
    auto fail = [&](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    if (bytes.size() > qsizetype(std::numeric_limits<uint32_t>::max())) return fail(QStringLiteral("file too large"));
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
    table.clear({});
    table.setTop(TableBuilder(table).add(root));
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
