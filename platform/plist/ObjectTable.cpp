#include "ObjectTable.h"

#include "BinaryPlist.h"
#include "NestingGuard.h"
#include "PlistDate.h"
#include "XmlPlist.h"

#include <charconv>
#include <cmath>

namespace vantrel::platform::plist {

bool ObjectTable::read(const QByteArray& bytes, QString* error) {
    return BinaryPlist::isBinary(bytes) ? BinaryPlist::read(bytes, *this, error) : XmlPlist::read(bytes, *this, error);
}

void ObjectTable::clear(QByteArray source) {
    objects_.clear();
    refs_.clear();
    owned_.clear();
    source_ = std::move(source);
    top_ = 0;
}

ObjectTable::Index ObjectTable::add(Kind kind, uint32_t count, int64_t integer) {
    Object o;
    o.kind = kind;
    o.owned = false;
    o.isUnsigned = false;
    o.count = count;
    o.integer = integer;
    objects_.push_back(o);
    return static_cast<Index>(objects_.size() - 1);
}

ObjectTable::Index ObjectTable::addUnsigned(uint64_t v) {
    Index i = add(Kind::Integer, 0, static_cast<int64_t>(v));
    objects_[i].isUnsigned = v > uint64_t(INT64_MAX);
    return i;
}

std::optional<std::string> keyText(const Value& v) {
    switch (v.type()) {
    case ValueType::Null: return std::string("null");
    case ValueType::Boolean: return std::string(v.booleanPayload() ? "true" : "false");
    case ValueType::Integer:
        return v.isUnsignedInteger() ? std::to_string(v.unsignedPayload()) : std::to_string(v.integerPayload());
    case ValueType::Real: {
        char buf[64];
        auto end = std::to_chars(buf, buf + sizeof buf, v.realPayload()).ptr;
        std::string text(buf, end);
        if (std::isfinite(v.realPayload()) && text.find_first_of(".e") == std::string::npos) text += ".0";
        return text;
    }
    case ValueType::Date: return isoDate(v.realPayload());
    case ValueType::Data: return v.dataPayload().toBase64().toStdString();
    default: return std::nullopt;
    }
}

ObjectTable::Index ObjectTable::addReal(double v) {
    Index i = add(Kind::Real, 0, 0);
    objects_[i].real = v;
    return i;
}

ObjectTable::Index ObjectTable::addDate(double secondsSince1970) {
    Index i = add(Kind::Date, 0, 0);
    objects_[i].real = secondsSince1970;
    return i;
}

ObjectTable::Index ObjectTable::addSourceBytes(Kind kind, size_t offset, size_t size) {
    return add(kind, static_cast<uint32_t>(size), static_cast<int64_t>(offset));
}

ObjectTable::Index ObjectTable::addOwnedBytes(Kind kind, size_t start) {
    Index i = add(kind, static_cast<uint32_t>(owned_.size() - start), static_cast<int64_t>(start));
    objects_[i].owned = true;
    return i;
}

ObjectTable::Index ObjectTable::addArray(size_t start) {
    return add(Kind::Array, static_cast<uint32_t>(refs_.size() - start), static_cast<int64_t>(start));
}

ObjectTable::Index ObjectTable::addDictionary(size_t start) {
    return add(Kind::Dictionary, static_cast<uint32_t>((refs_.size() - start) / 2), static_cast<int64_t>(start));
}

std::string_view ObjectTable::text(Index i) const noexcept {
    const Object& o = objects_[i];
    const char* base = o.owned ? owned_.data() : source_.constData();
    return {base + o.offset, o.count};
}

std::span<const ObjectTable::Index> ObjectTable::elements(Index array) const noexcept {
    const Object& o = objects_[array];
    return {refs_.data() + o.offset, o.count};
}

std::span<const ObjectTable::Index> ObjectTable::keys(Index dictionary) const noexcept {
    const Object& o = objects_[dictionary];
    return {refs_.data() + o.offset, o.count};
}

std::span<const ObjectTable::Index> ObjectTable::values(Index dictionary) const noexcept {
    const Object& o = objects_[dictionary];
    return {refs_.data() + o.offset + o.count, o.count};
}

std::optional<ObjectTable::Index> ObjectTable::find(Index dictionary, std::string_view key) const noexcept {
    std::span<const Index> ks = keys(dictionary);
    for (size_t n = 0; n < ks.size(); ++n)
        if (kind(ks[n]) == Kind::String && text(ks[n]) == key) return values(dictionary)[n];
    return std::nullopt;
}

namespace {

// Builds Values from a table; each object is built once, so shared objects stay shared and a graph
// with many paths to the same object costs no more than its size.
class ValueBuilder {
public:
    explicit ValueBuilder(const ObjectTable& table)
        : t_(table), state_(table.size(), State::Unseen), cache_(table.size()), keys_(table.size()) {}

    Value build(ObjectTable::Index i, size_t depth) {
        using Kind = ObjectTable::Kind;
        switch (t_.kind(i)) {
        case Kind::Null:
        case Kind::Boolean:
        case Kind::Integer:
        case Kind::Real:
        case Kind::Date: return t_.scalarValue(i);
        default: break;
        }
        if (state_[i] == State::Done) return cache_[i];
        if (state_[i] == State::Building) return fail(QStringLiteral("an array or dictionary contains itself"));
        if (depth >= kMaxNesting) return fail(QStringLiteral("nested deeper than %1 levels").arg(kMaxNesting));
        state_[i] = State::Building;
        Value v = buildShared(i, depth);
        if (!error_.isEmpty()) return {};
        state_[i] = State::Done;
        cache_[i] = v;
        return v;
    }

    const QString& error() const { return error_; }

private:
    enum class State : uint8_t { Unseen, Building, Done };

    Value buildShared(ObjectTable::Index i, size_t depth) {
        using Kind = ObjectTable::Kind;
        switch (t_.kind(i)) {
        case Kind::String: return Value(t_.text(i));
        case Kind::Data: {
            std::string_view bytes = t_.text(i);
            return Value::data(QByteArray(bytes.data(), qsizetype(bytes.size())));
        }
        case Kind::Uid: {
            DictionaryPtr d = Dictionary::create(1);
            d->set(uidKey_, Value::integer(t_.integer(i)));
            return Value(d);
        }
        case Kind::Array: {
            std::span<const ObjectTable::Index> items = t_.elements(i);
            ArrayPtr a = Array::create(items.size());
            for (ObjectTable::Index item : items) {
                a->append(build(item, depth + 1));
                if (!error_.isEmpty()) return {};
            }
            return Value(a);
        }
        case Kind::Dictionary: {
            std::span<const ObjectTable::Index> ks = t_.keys(i);
            std::span<const ObjectTable::Index> vs = t_.values(i);
            DictionaryPtr d = Dictionary::create(ks.size());
            for (size_t n = 0; n < ks.size(); ++n) {
                if (!keys_[ks[n]] && !makeKey(ks[n])) return fail(QStringLiteral("a dictionary key is not a text or another scalar"));
                d->set(*keys_[ks[n]], build(vs[n], depth + 1));
                if (!error_.isEmpty()) return {};
            }
            return Value(d);
        }
        default: return {};
        }
    }

    // The interned key of a key object: a text as itself, any other scalar as its text.
    bool makeKey(ObjectTable::Index k) {
        using Kind = ObjectTable::Kind;
        if (t_.kind(k) == Kind::String) {
            keys_[k].emplace(t_.text(k));
            return true;
        }
        if (t_.kind(k) == Kind::Array || t_.kind(k) == Kind::Dictionary) return false;
        Value scalar = t_.kind(k) == Kind::Uid ? Value::integer(t_.integer(k))
                       : t_.kind(k) == Kind::Data ? Value::data(QByteArray(t_.text(k).data(), qsizetype(t_.text(k).size())))
                                                  : t_.scalarValue(k);
        keys_[k].emplace(keyText(scalar).value_or(std::string()));
        return true;
    }

    Value fail(QString reason) {
        if (error_.isEmpty()) error_ = std::move(reason);
        return {};
    }

    const ObjectTable& t_;
    std::vector<State> state_;
    std::vector<Value> cache_;
    std::vector<std::optional<Key>> keys_;
    const Key uidKey_{"CF$UID"};
    QString error_;
};

}  // namespace

Value ObjectTable::toValue(Index i, QString* error) const {
    if (i >= objects_.size()) {
        if (error) *error = QStringLiteral("no such object");
        return {};
    }
    ValueBuilder builder(*this);
    Value v = builder.build(i, 0);
    if (!builder.error().isEmpty()) {
        if (error) *error = builder.error();
        return {};
    }
    return v;
}

}  // namespace vantrel::platform::plist
