#pragma once
// A property list decoded into a flat table of objects that refer to each other by index: the
// common form in which the binary and the XML readers hand a plist on, either to be turned into
// Values or to be walked as a keyed archive's UID graph without building Values for all of it.
//
// Every index stored in the table is valid (the readers check them), so walkers only check kinds.
// Containers may share elements and, in a damaged file, contain themselves: walkers guard against
// that (toValue does).
//
// Ownership: the table owns its storage and keeps the source bytes alive (ASCII texts and data of
// a binary plist are views into them). Threads: a table is used by one thread at a time.

#include "../core/Value.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::platform::plist {

// Plists count dates in seconds since 2001-01-01 UTC; Values count from 1970.
inline constexpr double kSecondsFrom1970To2001 = 978307200.0;

// The text a scalar that is used as a dictionary key stands for: integers in decimal, reals in
// the shortest form that reads back the same (with ".0" when whole, as Python writes them),
// booleans "true" / "false", null "null", dates in ISO 8601 UTC, data in base64, UIDs in decimal.
// Nothing for texts (they are their own key) and containers.
std::optional<std::string> keyText(const Value& scalar);

class ObjectTable {
public:
    using Index = uint32_t;
    enum class Kind : uint8_t { Null, Boolean, Integer, Real, Date, Data, String, Uid, Array, Dictionary };

    // Reads a binary ("bplist00") or XML plist. False, with the reason, when the bytes are not one.
    bool read(const QByteArray& bytes, QString* error);

    size_t size() const noexcept { return objects_.size(); }
    Index top() const noexcept { return top_; }

    Kind kind(Index i) const noexcept { return objects_[i].kind; }
    bool boolean(Index i) const noexcept { return objects_[i].integer != 0; }
    int64_t integer(Index i) const noexcept { return objects_[i].integer; }  // also a UID
    // An integer above INT64_MAX, whose bits integer() holds.
    bool isUnsigned(Index i) const noexcept { return objects_[i].isUnsigned; }
    // The Value of a scalar (null for texts, data, UIDs and containers).
    Value scalarValue(Index i) const;
    double real(Index i) const noexcept { return objects_[i].real; }         // also a date, seconds since 1970
    std::string_view text(Index i) const noexcept;                           // UTF-8, also the bytes of data
    std::span<const Index> elements(Index array) const noexcept;
    std::span<const Index> keys(Index dictionary) const noexcept;
    std::span<const Index> values(Index dictionary) const noexcept;
    // The value stored under a text key of a dictionary.
    std::optional<Index> find(Index dictionary, std::string_view key) const noexcept;

    // The Values of the object graph from object i. Shared objects stay shared; a UID becomes the
    // dictionary {"CF$UID": n}, as XML plists write it. A dictionary key that is a number, boolean,
    // date, data or UID (binary plists from other software have them) becomes its text, see
    // keyText. A null Value and the reason on a cycle or a key that is an array or dictionary.
    Value toValue(Index i, QString* error) const;

    // Filling, for the readers. clear() keeps the source bytes that texts and data may point into.
    void clear(QByteArray source);
    void reserve(size_t objects) { objects_.reserve(objects); }
    Index addNull() { return add(Kind::Null, 0, 0); }
    Index addBoolean(bool v) { return add(Kind::Boolean, 0, v ? 1 : 0); }
    Index addInteger(int64_t v) { return add(Kind::Integer, 0, v); }
    Index addUnsigned(uint64_t v);
    Index addUid(uint64_t v) { return add(Kind::Uid, 0, static_cast<int64_t>(v)); }
    Index addReal(double v);
    Index addDate(double secondsSince1970);
    // Text or data that lies in the source bytes at [offset, offset + size).
    Index addSourceBytes(Kind kind, size_t offset, size_t size);
    // Text or data kept by the table; append the bytes to ownedBytes() first, from `start` on.
    std::string& ownedBytes() noexcept { return owned_; }
    Index addOwnedBytes(Kind kind, size_t start);
    // Containers: append the element indices (a dictionary's keys, then its values) to refs() first,
    // from `start` on.
    std::vector<Index>& refs() noexcept { return refs_; }
    Index addArray(size_t start);
    Index addDictionary(size_t start);
    void setTop(Index i) noexcept { top_ = i; }

private:
    struct Object {
        Kind kind;
        bool owned;       // text or data kept in owned_ rather than in the source bytes
        bool isUnsigned;  // an integer above INT64_MAX
        uint32_t count;   // elements, entries or bytes
        union {
            int64_t integer;
            double real;
            uint64_t offset;  // into refs_, owned_ or the source
        };
    };
    static_assert(sizeof(Object) == 16);

    Index add(Kind kind, uint32_t count, int64_t integer);

    std::vector<Object> objects_;
    std::vector<Index> refs_;
    std::string owned_;
    QByteArray source_;
    Index top_ = 0;
};

inline Value ObjectTable::scalarValue(Index i) const {
    switch (kind(i)) {
    case Kind::Boolean: return Value::boolean(boolean(i));
    case Kind::Integer: return isUnsigned(i) ? Value::unsignedInteger(uint64_t(integer(i))) : Value::integer(integer(i));
    case Kind::Real: return Value::real(real(i));
    case Kind::Date: return Value::date(real(i));
    default: return {};
    }
}

}  // namespace vantrel::platform::plist
