#include "Value.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include <QDateTime>
#include <QTimeZone>

namespace vantrel::platform {

// ---- StringObject ----------------------------------------------------------------------------

Ref<StringObject> StringObject::create(std::string_view text) {
    void* block = ::operator new(sizeof(StringObject) + text.size() + 1);
    auto* s = new (block) StringObject();
    s->size_ = static_cast<uint32_t>(text.size());
    char* chars = reinterpret_cast<char*>(s + 1);
    if (!text.empty()) std::memcpy(chars, text.data(), text.size());
    chars[text.size()] = '\0';
    return Ref<StringObject>(s);
}

void StringObject::destroy(StringObject* s) noexcept {
    s->~StringObject();
    ::operator delete(static_cast<void*>(s));
}

Ref<DataObject> DataObject::create(QByteArray bytes) { return Ref<DataObject>(new DataObject(std::move(bytes))); }

// ---- Key interning ---------------------------------------------------------------------------

namespace {
struct InternTable {
    std::mutex mutex;
    std::unordered_map<std::string_view, Ref<StringObject>> keys;
};
InternTable& internTable() {
    static auto* table = new InternTable;  // lives to the end of the process; keys outlive statics
    return *table;
}
}  // namespace

Key::Key(std::string_view text) {
    InternTable& t = internTable();
    std::lock_guard lock(t.mutex);
    auto it = t.keys.find(text);
    if (it == t.keys.end()) {
        Ref<StringObject> s = StringObject::create(text);
        it = t.keys.emplace(s->view(), s).first;
    }
    rep_ = it->second.get();
}

// ---- numbers from text -----------------------------------------------------------------------

namespace {
size_t skipBlanks(std::string_view t) {
    size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r' || t[i] == '\f' || t[i] == '\v')) ++i;
    return i;
}
}  // namespace

double leadingDouble(std::string_view text) noexcept {
    size_t i = skipBlanks(text);
    size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') { ++i; ++digits; }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') { ++i; ++digits; }
    }
    if (digits == 0) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') { ++j; ++expDigits; }
        if (expDigits > 0) i = j;
    }
    std::string_view number = text.substr(start, i - start);
    if (!number.empty() && number.front() == '+') number.remove_prefix(1);
    double v = 0.0;
    auto res = std::from_chars(number.data(), number.data() + number.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // from_chars leaves v alone on overflow/underflow; strtod gives the saturated value.
        std::string copy(number);
        v = std::strtod(copy.c_str(), nullptr);
    }
    return v;
}

int64_t leadingInteger(std::string_view text) noexcept {
    size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t v = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int d = text[i] - '0';
        if (v > (INT64_MAX - d) / 10) { overflow = true; break; }
        v = v * 10 + d;
    }
    if (overflow) return negative ? INT64_MIN : INT64_MAX;
    return negative ? -v : v;
}

// ---- Value -----------------------------------------------------------------------------------

Value::Value(const char* text) : Value(std::string_view(text ? text : "")) {}

Value::Value(std::string_view text) : type_(ValueType::String) {
    Ref<StringObject> s = StringObject::create(text);
    obj_ = s.get();
    obj_->retain();
}

Value::Value(const QString& text) : type_(ValueType::String) {
    QByteArray utf8 = text.toUtf8();
    Ref<StringObject> s = StringObject::create(std::string_view(utf8.constData(), size_t(utf8.size())));
    obj_ = s.get();
    obj_->retain();
}

Value::Value(Ref<StringObject> text) : type_(text ? ValueType::String : ValueType::Null) {
    if (text) { obj_ = text.get(); obj_->retain(); } else { i_ = 0; }
}

Value::Value(ArrayPtr array) : type_(array ? ValueType::Array : ValueType::Null) {
    if (array) { obj_ = array.get(); obj_->retain(); } else { i_ = 0; }
}

Value::Value(DictionaryPtr dictionary) : type_(dictionary ? ValueType::Dictionary : ValueType::Null) {
    if (dictionary) { obj_ = dictionary.get(); obj_->retain(); } else { i_ = 0; }
}

Value Value::integer(int64_t v) { Value x; x.type_ = ValueType::Integer; x.i_ = v; return x; }
Value Value::unsignedInteger(uint64_t v) {
    Value x = integer(static_cast<int64_t>(v));
    x.unsigned_ = v > uint64_t(INT64_MAX);
    return x;
}
Value Value::real(double v) { Value x; x.type_ = ValueType::Real; x.r_ = v; return x; }
Value Value::boolean(bool v) { Value x; x.type_ = ValueType::Boolean; x.i_ = v ? 1 : 0; return x; }
Value Value::date(double s) { Value x; x.type_ = ValueType::Date; x.r_ = s; return x; }
Value Value::data(QByteArray bytes) {
    Value x;
    Ref<DataObject> d = DataObject::create(std::move(bytes));
    x.type_ = ValueType::Data;
    x.obj_ = d.get();
    x.obj_->retain();
    return x;
}

Value::Value(const Value& o) noexcept : type_(o.type_), unsigned_(o.unsigned_), i_(o.i_) { retainObject(); }
Value::Value(Value&& o) noexcept : type_(o.type_), unsigned_(o.unsigned_), i_(o.i_) {
    o.type_ = ValueType::Null;
    o.unsigned_ = false;
    o.i_ = 0;
}
Value& Value::operator=(const Value& o) noexcept {
    if (this != &o) {
        o.retainObject();
        releaseObject();
        type_ = o.type_;
        unsigned_ = o.unsigned_;
        i_ = o.i_;
    }
    return *this;
}
Value& Value::operator=(Value&& o) noexcept {
    if (this != &o) {
        releaseObject();
        type_ = o.type_;
        unsigned_ = o.unsigned_;
        i_ = o.i_;
        o.type_ = ValueType::Null;
        o.unsigned_ = false;
        o.i_ = 0;
    }
    return *this;
}
Value::~Value() { releaseObject(); }

void Value::retainObject() const noexcept {
    if (isObject()) obj_->retain();
}

void Value::releaseObject() noexcept {
    if (!isObject() || !obj_->release()) return;
    switch (type_) {
    case ValueType::String: StringObject::destroy(static_cast<StringObject*>(obj_)); break;
    case ValueType::Data: DataObject::destroy(static_cast<DataObject*>(obj_)); break;
    case ValueType::Array: Array::destroy(static_cast<Array*>(obj_)); break;
    case ValueType::Dictionary: Dictionary::destroy(static_cast<Dictionary*>(obj_)); break;
    default: break;
    }
}

std::string_view Value::stringView() const noexcept {
    return type_ == ValueType::String ? static_cast<const StringObject*>(obj_)->view() : std::string_view();
}

QString Value::toQString() const {
    std::string_view v = stringView();
    return QString::fromUtf8(v.data(), qsizetype(v.size()));
}

Ref<StringObject> Value::stringObject() const noexcept {
    return type_ == ValueType::String ? Ref<StringObject>(static_cast<StringObject*>(obj_)) : Ref<StringObject>();
}

double Value::doubleValue() const noexcept {
    switch (type_) {
    case ValueType::Integer: return unsigned_ ? static_cast<double>(unsignedPayload()) : static_cast<double>(i_);
    case ValueType::Real: return r_;
    case ValueType::Boolean: return i_ ? 1.0 : 0.0;
    case ValueType::String: return leadingDouble(stringView());
    default: return 0.0;
    }
}

int64_t Value::longLongValue() const noexcept {
    switch (type_) {
    case ValueType::Integer: return i_;
    case ValueType::Real:
        if (std::isnan(r_)) return 0;
        if (r_ >= 9.2233720368547758e18) return INT64_MAX;
        if (r_ <= -9.2233720368547758e18) return INT64_MIN;
        return static_cast<int64_t>(r_);
    case ValueType::Boolean: return i_;
    case ValueType::String: return leadingInteger(stringView());
    default: return 0;
    }
}

int Value::intValue() const noexcept {
    int64_t v = longLongValue();
    if (type_ == ValueType::Integer) return static_cast<int>(v);  // numbers wrap as a C cast does
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

bool Value::boolValue() const noexcept {
    switch (type_) {
    case ValueType::Integer:
    case ValueType::Boolean: return i_ != 0;
    case ValueType::Real: return r_ != 0.0;
    case ValueType::String: {
        // A text is true when it starts with Y, y, T, t or a non-zero digit.
        std::string_view t = stringView();
        size_t i = skipBlanks(t);
        if (i >= t.size()) return false;
        char c = t[i];
        if (c == 'Y' || c == 'y' || c == 'T' || c == 't') return true;
        return leadingInteger(t) != 0;
    }
    default: return false;
    }
}

QByteArray Value::dataPayload() const {
    return type_ == ValueType::Data ? static_cast<const DataObject*>(obj_)->bytes() : QByteArray();
}

ArrayPtr Value::array() const noexcept {
    return type_ == ValueType::Array ? ArrayPtr(static_cast<Array*>(obj_)) : ArrayPtr();
}

DictionaryPtr Value::dictionary() const noexcept {
    return type_ == ValueType::Dictionary ? DictionaryPtr(static_cast<Dictionary*>(obj_)) : DictionaryPtr();
}

bool Value::operator==(const Value& o) const {
    if (isNumber() && o.isNumber()) {
        if (type_ == ValueType::Integer && o.type_ == ValueType::Integer) return i_ == o.i_ && unsigned_ == o.unsigned_;
        return doubleValue() == o.doubleValue();
    }
    if (type_ != o.type_) return false;
    switch (type_) {
    case ValueType::Null: return true;
    case ValueType::Boolean: return i_ == o.i_;
    case ValueType::Date: return r_ == o.r_;
    case ValueType::String: return stringView() == o.stringView();
    case ValueType::Data: return dataPayload() == o.dataPayload();
    case ValueType::Array: {
        if (obj_ == o.obj_) return true;
        const auto& a = static_cast<const Array*>(obj_)->items();
        const auto& b = static_cast<const Array*>(o.obj_)->items();
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i]) return false;
        return true;
    }
    case ValueType::Dictionary: {
        if (obj_ == o.obj_) return true;
        const auto* a = static_cast<const Dictionary*>(obj_);
        const auto* b = static_cast<const Dictionary*>(o.obj_);
        if (a->size() != b->size()) return false;
        for (const auto& e : a->entries()) {
            const Value* other = b->find(e.key);
            if (!other || *other != e.value) return false;
        }
        return true;
    }
    default: return false;
    }
}

namespace {
std::string formatDouble(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

bool needsQuotes(std::string_view s) {
    if (s.empty()) return true;
    for (char c : s) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                     c == '.' || c == '$' || c == '/' || c == ':' || c == '-';
        if (!plain) return true;
    }
    return false;
}

std::string quoted(std::string_view s) {
    if (!needsQuotes(s)) return std::string(s);
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') { out += "\\n"; continue; }
        out += c;
    }
    out += '"';
    return out;
}

void describe(const Value& v, int indent, bool nested, std::string& out) {
    std::string pad(static_cast<size_t>(indent) * 4, ' ');
    std::string inner(static_cast<size_t>(indent + 1) * 4, ' ');
    switch (v.type()) {
    case ValueType::Null: out += "(null)"; break;
    case ValueType::String: out += nested ? quoted(v.stringView()) : std::string(v.stringView()); break;
    case ValueType::Integer:
        out += v.isUnsignedInteger() ? std::to_string(v.unsignedPayload()) : std::to_string(v.integerPayload());
        break;
    case ValueType::Real: out += formatDouble(v.realPayload()); break;
    case ValueType::Boolean: out += v.booleanPayload() ? "1" : "0"; break;
    case ValueType::Date: {
        QString iso = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(v.realPayload() * 1000.0)),
                                                     Qt::UTC)
                          .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
        out += iso.toStdString();
        break;
    }
    case ValueType::Data: out += "{length = " + std::to_string(v.dataPayload().size()) + "}"; break;
    case ValueType::Array: {
        const auto& items = v.array()->items();
        out += "(\n";
        for (size_t i = 0; i < items.size(); ++i) {
            out += inner;
            describe(items[i], indent + 1, true, out);
            out += i + 1 < items.size() ? ",\n" : "\n";
        }
        out += pad + ")";
        break;
    }
    case ValueType::Dictionary: {
        out += "{\n";
        for (const auto& e : *v.dictionary()) {
            out += inner + quoted(e.key.view()) + " = ";
            describe(e.value, indent + 1, true, out);
            out += ";\n";
        }
        out += pad + "}";
        break;
    }
    }
}
}  // namespace

std::string Value::description() const {
    std::string out;
    describe(*this, 0, false, out);
    return out;
}

// ---- Array -----------------------------------------------------------------------------------

ArrayPtr Array::create(size_t capacity) {
    ArrayPtr a(new Array());
    if (capacity) a->items_.reserve(capacity);
    return a;
}

ArrayPtr Array::fromValues(std::vector<Value> values) {
    ArrayPtr a(new Array());
    a->items_ = std::move(values);
    return a;
}

const Value& Array::at(size_t i) const noexcept {
    static const Value null;
    return i < items_.size() ? items_[i] : null;
}

ptrdiff_t Array::indexOfIdentical(const Value& v) const noexcept {
    for (size_t i = 0; i < items_.size(); ++i) {
        const Value& item = items_[i];
        if (v.identity() ? item.identity() == v.identity() : false) return static_cast<ptrdiff_t>(i);
    }
    return -1;
}

ptrdiff_t Array::indexOf(const Value& v) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == v) return static_cast<ptrdiff_t>(i);
    return -1;
}

ArrayPtr Array::mutableCopy() const { return fromValues(items_); }

// ---- Dictionary ------------------------------------------------------------------------------

DictionaryPtr Dictionary::create(size_t capacity) {
    DictionaryPtr d(new Dictionary());
    if (capacity) d->entries_.reserve(capacity);
    return d;
}

namespace {
constexpr size_t kIndexedDictionarySize = 32;
}

void Dictionary::rebuildIndex() {
    if (entries_.size() < kIndexedDictionarySize) {
        index_.reset();
        return;
    }
    index_ = std::make_unique<std::unordered_map<const void*, size_t>>();
    index_->reserve(entries_.size() * 2);
    for (size_t i = 0; i < entries_.size(); ++i) index_->emplace(entries_[i].key.identity(), i);
}

const Value* Dictionary::find(Key key) const noexcept {
    if (index_) {
        auto it = index_->find(key.identity());
        return it == index_->end() ? nullptr : &entries_[it->second].value;
    }
    for (const auto& e : entries_)
        if (e.key == key) return &e.value;
    return nullptr;
}

const Value* Dictionary::find(std::string_view key) const noexcept {
    for (const auto& e : entries_)
        if (e.key.view() == key) return &e.value;
    return nullptr;
}

void Dictionary::set(Key key, Value v) {
    if (index_) {
        auto [it, inserted] = index_->emplace(key.identity(), entries_.size());
        if (!inserted) {
            entries_[it->second].value = std::move(v);
            return;
        }
        entries_.push_back(Entry{key, std::move(v)});
        return;
    }
    for (auto& e : entries_) {
        if (e.key == key) {
            e.value = std::move(v);
            return;
        }
    }
    entries_.push_back(Entry{key, std::move(v)});
    if (entries_.size() >= kIndexedDictionarySize) rebuildIndex();
}

void Dictionary::remove(std::string_view key) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key.view() == key) {
            entries_.erase(it);
            rebuildIndex();
            return;
        }
    }
}

DictionaryPtr Dictionary::mutableCopy() const {
    DictionaryPtr d(new Dictionary());
    d->entries_ = entries_;
    d->attached_.store(attached_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    if (index_) d->rebuildIndex();
    return d;
}

}  // namespace vantrel::platform
