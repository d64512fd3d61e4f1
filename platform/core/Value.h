#pragma once
// Property-list values: text, integer, real, boolean, date, data, array and dictionary.
// Integers are 64-bit signed; those from 2^63 to 2^64 - 1, which property lists from other
// software may hold, are integers marked unsigned (isUnsignedInteger), so that they keep their
// exact value rather than wrap to negative numbers.
//
// Arrays and dictionaries are shared, mutable objects held by reference: copying a Value that holds
// an array copies the reference, so every holder sees the same elements (records are shared between
// the database tree, the lists and the instruments). Text and data are immutable and shared.
//
// Threads: reference counts are atomic, so Values may be copied and released on any thread. The
// contents of an array or dictionary are not synchronised: whoever changes a shared container must
// make sure nobody reads it at the same time. The one exception is a dictionary's attached number,
// which any thread may read or write at any time.

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <string_view>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>

namespace vantrel::platform {

// Base of every shared object; the count is changed only through Ref.
class RefCounted {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    void retain() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
    // True when this was the last reference.
    bool release() const noexcept { return refs_.fetch_sub(1, std::memory_order_acq_rel) == 1; }

protected:
    ~RefCounted() = default;

private:
    mutable std::atomic<uint32_t> refs_{0};
};

// Intrusive shared pointer; 8 bytes, so that a Value stays small.
template <class T>
class Ref {
public:
    Ref() noexcept = default;
    explicit Ref(T* p) noexcept : p_(p) { if (p_) p_->retain(); }
    Ref(const Ref& o) noexcept : p_(o.p_) { if (p_) p_->retain(); }
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~Ref() { reset(); }
    Ref& operator=(Ref o) noexcept { std::swap(p_, o.p_); return *this; }

    void reset() noexcept {
        if (p_ && p_->release()) T::destroy(p_);
        p_ = nullptr;
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }

private:
    T* p_ = nullptr;
};

// Immutable UTF-8 text, allocated in one block with its characters.
class StringObject : public RefCounted {
public:
    static Ref<StringObject> create(std::string_view text);
    static void destroy(StringObject* s) noexcept;
    std::string_view view() const noexcept { return {chars(), size_}; }

private:
    StringObject() = default;
    const char* chars() const noexcept { return reinterpret_cast<const char*>(this + 1); }
    uint32_t size_ = 0;
};

// Immutable bytes.
class DataObject : public RefCounted {
public:
    static Ref<DataObject> create(QByteArray bytes);
    static void destroy(DataObject* d) noexcept { delete d; }
    const QByteArray& bytes() const noexcept { return bytes_; }

private:
    explicit DataObject(QByteArray b) : bytes_(std::move(b)) {}
    QByteArray bytes_;
};

// A dictionary key. Keys are interned: each distinct text exists once for the whole process and
// two keys are equal exactly when they are the same object, so lookups compare pointers.
// Interning takes a lock; keep keys used on hot paths in static constants.
class Key {
public:
    explicit Key(std::string_view text);
    std::string_view view() const noexcept { return rep_->view(); }
    QString toQString() const { return QString::fromUtf8(view().data(), qsizetype(view().size())); }
    friend bool operator==(Key a, Key b) noexcept { return a.rep_ == b.rep_; }
    const void* identity() const noexcept { return rep_; }

private:
    const StringObject* rep_;
};

class Array;
class Dictionary;
using ArrayPtr = Ref<Array>;
using DictionaryPtr = Ref<Dictionary>;

enum class ValueType : uint8_t { Null, String, Integer, Real, Boolean, Date, Data, Array, Dictionary };

class Value {
public:
    Value() noexcept : type_(ValueType::Null), i_(0) {}
    Value(const char* text);  // NOLINT: implicit, texts are the most common value
    Value(std::string_view text);
    Value(const std::string& text) : Value(std::string_view(text)) {}
    Value(const QString& text);
    Value(ArrayPtr array);
    Value(DictionaryPtr dictionary);
    Value(Ref<StringObject> text);

    static Value integer(int64_t v);
    // An integer of the whole unsigned 64-bit range; values up to INT64_MAX are plain integers.
    static Value unsignedInteger(uint64_t v);
    static Value real(double v);
    static Value boolean(bool v);
    static Value date(double secondsSince1970);
    static Value data(QByteArray bytes);

    Value(const Value& o) noexcept;
    Value(Value&& o) noexcept;
    Value& operator=(const Value& o) noexcept;
    Value& operator=(Value&& o) noexcept;
    ~Value();

    ValueType type() const noexcept { return type_; }
    bool isNull() const noexcept { return type_ == ValueType::Null; }
    bool isString() const noexcept { return type_ == ValueType::String; }
    bool isNumber() const noexcept { return type_ == ValueType::Integer || type_ == ValueType::Real; }
    // An integer above INT64_MAX: integerPayload() then holds its bits, unsignedPayload() its value.
    bool isUnsignedInteger() const noexcept { return type_ == ValueType::Integer && unsigned_; }
    bool isArray() const noexcept { return type_ == ValueType::Array; }
    bool isDictionary() const noexcept { return type_ == ValueType::Dictionary; }

    // Text of a string value; empty for every other kind.
    std::string_view stringView() const noexcept;
    std::string toStdString() const { return std::string(stringView()); }
    QString toQString() const;
    Ref<StringObject> stringObject() const noexcept;

    // Numeric readings as the records use them. Numbers convert as C casts do; a text counts by
    // its leading decimal number after optional blanks ("12.5 NM" reads 12.5, "abc" reads 0);
    // booleans read 1 or 0; everything else reads 0. intValue clamps out-of-range texts to the
    // int range, as the records' readers always have. An unsigned integer reads its exact value in
    // doubleValue and wraps, as a C cast does, in longLongValue and intValue.
    double doubleValue() const noexcept;
    float floatValue() const noexcept { return static_cast<float>(doubleValue()); }
    int intValue() const noexcept;
    int64_t longLongValue() const noexcept;
    bool boolValue() const noexcept;

    // Raw payloads; only meaningful for the matching type.
    int64_t integerPayload() const noexcept { return i_; }
    uint64_t unsignedPayload() const noexcept { return static_cast<uint64_t>(i_); }
    double realPayload() const noexcept { return r_; }   // also a date's seconds since 1970
    bool booleanPayload() const noexcept { return i_ != 0; }
    QByteArray dataPayload() const;

    // The shared container; empty when the value is of another kind.
    ArrayPtr array() const noexcept;
    DictionaryPtr dictionary() const noexcept;
    // The same without taking a reference, for hot loops; valid while this Value holds it.
    Array* asArray() const noexcept;
    Dictionary* asDictionary() const noexcept;

    // Object identity for arrays, dictionaries, texts and data (nullptr otherwise).
    const void* identity() const noexcept { return isObject() ? obj_ : nullptr; }

    // Deep equality: same kind and equal contents (an integer equals a real of the same value).
    bool operator==(const Value& o) const;
    bool operator!=(const Value& o) const { return !(*this == o); }

    // The text a log line shows for the value: a text as itself, numbers in decimal, containers
    // in the classic "( a, b )" / "{ key = value; }" form.
    std::string description() const;

private:
    bool isObject() const noexcept { return type_ == ValueType::String || type_ == ValueType::Data ||
                                            type_ == ValueType::Array || type_ == ValueType::Dictionary; }
    void retainObject() const noexcept;
    void releaseObject() noexcept;

    ValueType type_;
    bool unsigned_ = false;  // an integer above INT64_MAX; sits in the padding, the Value stays 16 bytes
    union {
        int64_t i_;
        double r_;
        RefCounted* obj_;
    };
};

class Array : public RefCounted {
public:
    static ArrayPtr create(size_t capacity = 0);
    static ArrayPtr fromValues(std::vector<Value> values);
    static void destroy(Array* a) noexcept { delete a; }

    size_t size() const noexcept { return items_.size(); }
    bool empty() const noexcept { return items_.empty(); }
    // Element i, or a null value past the end.
    const Value& at(size_t i) const noexcept;
    void set(size_t i, Value v) { items_.at(i) = std::move(v); }
    void append(Value v) { items_.push_back(std::move(v)); }
    void insert(size_t i, Value v) { items_.insert(items_.begin() + static_cast<ptrdiff_t>(i), std::move(v)); }
    void removeAt(size_t i) { items_.erase(items_.begin() + static_cast<ptrdiff_t>(i)); }
    void clear() { items_.clear(); }
    void reserve(size_t n) { items_.reserve(n); }
    // Gives back the room reserved beyond the elements, for arrays that are built once and then
    // kept (the database's lists).
    void shrinkToFit() { items_.shrink_to_fit(); }

    std::vector<Value>& items() noexcept { return items_; }
    const std::vector<Value>& items() const noexcept { return items_; }
    auto begin() const noexcept { return items_.begin(); }
    auto end() const noexcept { return items_.end(); }

    // Index of the first element that is the same object as v (arrays, dictionaries, texts and
    // data), or -1; plain numbers, booleans and dates have no identity and are never found.
    ptrdiff_t indexOfIdentical(const Value& v) const noexcept;
    ptrdiff_t indexOf(const Value& v) const;

    // A new array holding the same elements (shallow).
    ArrayPtr mutableCopy() const;

private:
    Array() = default;
    std::vector<Value> items_;
};

class Dictionary : public RefCounted {
public:
    struct Entry {
        Key key;
        Value value;
    };

    static DictionaryPtr create(size_t capacity = 0);
    static void destroy(Dictionary* d) noexcept { delete d; }

    size_t size() const noexcept { return entries_.size(); }
    bool empty() const noexcept { return entries_.empty(); }

    // The value for a key, or nullptr / a null Value when absent.
    const Value* find(Key key) const noexcept;
    const Value* find(std::string_view key) const noexcept;
    Value get(Key key) const { const Value* v = find(key); return v ? *v : Value(); }
    Value get(std::string_view key) const { const Value* v = find(key); return v ? *v : Value(); }
    bool contains(std::string_view key) const noexcept { return find(key) != nullptr; }

    void set(Key key, Value v);
    void set(std::string_view key, Value v) { set(Key(key), std::move(v)); }
    void remove(std::string_view key);
    void reserve(size_t n) { entries_.reserve(n); }

    // Entries in insertion order.
    const std::vector<Entry>& entries() const noexcept { return entries_; }
    auto begin() const noexcept { return entries_.begin(); }
    auto end() const noexcept { return entries_.end(); }

    // A new dictionary holding the same entries (shallow) and the same attached number.
    DictionaryPtr mutableCopy() const;

    // A number attached beside the entries, for a figure that one thread recomputes over shared
    // dictionaries while other threads read them: reading and writing it never races with anything
    // (one atomic word), so neither side needs a lock. It is not an entry: entries(), find(),
    // equality, description() and the property-list writers do not see it. Absent until set;
    // setting NaN removes it.
    std::optional<double> attachedNumber() const noexcept {
        double v = attached_.load(std::memory_order_relaxed);
        return std::isnan(v) ? std::nullopt : std::optional<double>(v);
    }
    void setAttachedNumber(double v) noexcept { attached_.store(v, std::memory_order_relaxed); }

private:
    Dictionary() = default;
    void rebuildIndex();

    std::atomic<double> attached_{std::numeric_limits<double>::quiet_NaN()};
    std::vector<Entry> entries_;
    // Key -> position, kept only for large dictionaries so that building one stays linear.
    std::unique_ptr<std::unordered_map<const void*, size_t>> index_;
};

inline Array* Value::asArray() const noexcept {
    return type_ == ValueType::Array ? static_cast<Array*>(obj_) : nullptr;
}
inline Dictionary* Value::asDictionary() const noexcept {
    return type_ == ValueType::Dictionary ? static_cast<Dictionary*>(obj_) : nullptr;
}

// Reads the leading decimal number of a text as the records' numeric readers do (see Value).
double leadingDouble(std::string_view text) noexcept;
int64_t leadingInteger(std::string_view text) noexcept;

}  // namespace vantrel::platform
