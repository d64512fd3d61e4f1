#include "KeyedArchive.h"

#include "NestingGuard.h"
#include "ObjectTable.h"

#include "../core/Log.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vantrel::platform::KeyedArchive {

namespace {

using plist::ObjectTable;
using Index = ObjectTable::Index;
using Kind = ObjectTable::Kind;

// Walks the "$objects" graph straight from the decoded plist table: each object is decoded once,
// when first referenced, and kept for every further reference.
//
// Strictly (unarchive), an instance of a class it does not know and an object that contains
// itself make the archive unreadable. For inspection (unarchiveTopObjects), an unknown instance
// becomes a dictionary of its class name and fields, and a reference to an object that is still
// being decoded (a cycle) becomes {"$ref": n}, so that any valid archive can be shown whole.
class Unarchiver {
public:
    Unarchiver(const ObjectTable& table, bool inspect) : t_(table), inspect_(inspect) {}

    // The root object or, for inspection, the dictionary of every $top entry.
    Value run() {
        if (t_.size() == 0 || t_.kind(t_.top()) != Kind::Dictionary) return fail(QStringLiteral("not a keyed archive"));
        std::optional<Index> objects = t_.find(t_.top(), "$objects");
        std::optional<Index> top = t_.find(t_.top(), "$top");
        if (!objects || t_.kind(*objects) != Kind::Array) return fail(QStringLiteral("no $objects array"));
        if (!top || t_.kind(*top) != Kind::Dictionary) return fail(QStringLiteral("no $top dictionary"));
        objects_ = t_.elements(*objects);
        slots_.resize(objects_.size());
        if (inspect_) return field(*top, 0);
        std::optional<Index> root = t_.find(*top, "root");
        if (!root) return fail(QStringLiteral("no root object in $top"));
        return reference(*root, 0);
    }

    const QString& error() const { return error_; }

private:
    enum class State : uint8_t { Unseen, Decoding, Done };
    // Unknown: not yet looked up (or, strictly, not supported). Other: an unknown class, decoded
    // as its fields when inspecting.
    enum class Class : uint8_t { Unknown, Array, Dictionary, String, Data, Date, Null, Other };
    struct Slot {
        Value value;
        State state = State::Unseen;
        Class kind = Class::Unknown;  // when the object is a class description
        int32_t key = -1;             // in keys_, when the object is a dictionary key
    };

    bool failed() const { return !error_.isEmpty(); }

    Value fail(QString reason) {
        if (error_.isEmpty()) error_ = std::move(reason);
        return {};
    }

    // The $objects entry that a UID names.
    std::optional<size_t> target(Index uid) {
        auto n = static_cast<uint64_t>(t_.integer(uid));
        if (t_.kind(uid) == Kind::Uid && n < objects_.size()) [[likely]]
            return size_t(n);
        badReference(uid);
        return std::nullopt;
    }

    [[gnu::noinline]] void badReference(Index uid) {
        if (t_.kind(uid) != Kind::Uid) fail(QStringLiteral("a plain value where an object reference belongs"));
        else fail(QStringLiteral("object reference %1 out of range").arg(t_.integer(uid)));
    }

    Value reference(Index uid, size_t depth) {
        std::optional<size_t> n = target(uid);
        return n ? object(*n, depth) : Value();
    }

    Value object(size_t n, size_t depth) {
        Slot& slot = slots_[n];
        if (slot.state == State::Done) return slot.value;
        if (slot.state == State::Decoding) {
            if (inspect_) return referenceTo(n);
            return fail(QStringLiteral("object %1 contains itself").arg(n));
        }
        if (depth >= plist::kMaxNesting)
            return fail(QStringLiteral("nested deeper than %1 levels").arg(plist::kMaxNesting));
        Index o = objects_[n];
        Value v;
        switch (t_.kind(o)) {
        case Kind::Dictionary:
            slot.state = State::Decoding;
            v = instance(o, depth);
            if (failed()) return {};
            break;
        case Kind::Uid:
        case Kind::Array: return fail(QStringLiteral("object %1 is neither a value nor an instance").arg(n));
        case Kind::String:
            // Entry 0 is the archiver's "$null": references to it are nil.
            if (n == 0 && t_.text(o) == "$null") break;
            [[fallthrough]];
        default: v = scalar(o); break;
        }
        slot.value = v;
        slot.state = State::Done;
        return v;
    }

    // What a cycle shows when inspecting: the $objects index of the object met again.
    Value referenceTo(size_t n) {
        DictionaryPtr d = Dictionary::create(1);
        d->set(refKey_, Value::integer(int64_t(n)));
        return Value(d);
    }

    Value scalar(Index o) const {
        switch (t_.kind(o)) {
        case Kind::Boolean:
        case Kind::Integer:
        case Kind::Real:
        case Kind::Date: return t_.scalarValue(o);
        case Kind::String: return Value(t_.text(o));
        case Kind::Data: return Value::data(QByteArray(t_.text(o).data(), qsizetype(t_.text(o).size())));
        default: return {};
        }
    }

    // A member of an instance stored inline or by reference.
    Value member(Index instance, std::string_view name, size_t depth) {
        std::optional<Index> m = t_.find(instance, name);
        if (!m) return {};
        return t_.kind(*m) == Kind::Uid ? reference(*m, depth + 1) : scalar(*m);
    }

    // A field of an instance of an unknown class, or a $top entry: a reference is followed, an
    // inline array or dictionary decoded element by element. Inline containers are decoded once
    // each (a damaged file may share or nest them in itself).
    Value field(Index f, size_t depth) {
        Kind kind = t_.kind(f);
        if (kind == Kind::Uid) return reference(f, depth + 1);
        if (kind != Kind::Array && kind != Kind::Dictionary) return scalar(f);
        if (auto done = inline_.find(f); done != inline_.end()) {
            if (done->second.isNull()) return fail(QStringLiteral("an inline array or dictionary contains itself"));
            return done->second;
        }
        if (depth >= plist::kMaxNesting)
            return fail(QStringLiteral("nested deeper than %1 levels").arg(plist::kMaxNesting));
        inline_.emplace(f, Value());
        Value v;
        if (kind == Kind::Array) {
            ArrayPtr a = Array::create(t_.elements(f).size());
            for (Index item : t_.elements(f)) {
                a->append(field(item, depth + 1));
                if (failed()) return {};
            }
            v = Value(a);
        } else {
            DictionaryPtr d = Dictionary::create(t_.keys(f).size());
            if (!fields(f, depth, *d)) return {};
            v = Value(d);
        }
        inline_[f] = v;
        return v;
    }

    // The entries of an inline dictionary (an instance's, less its $class) into d.
    bool fields(Index dictionary, size_t depth, Dictionary& d) {
        std::span<const Index> ks = t_.keys(dictionary);
        std::span<const Index> vs = t_.values(dictionary);
        for (size_t i = 0; i < ks.size(); ++i) {
            std::optional<Key> k = inlineKey(ks[i]);
            if (!k) return false;
            if (k->view() == "$class") continue;
            d.set(*k, field(vs[i], depth + 1));
            if (failed()) return false;
        }
        return true;
    }

    // A key stored in place: a text, or (from some writers' binary plists) a scalar as its text.
    std::optional<Key> inlineKey(Index k) {
        if (t_.kind(k) == Kind::String) return Key(t_.text(k));
        std::optional<std::string> text = t_.kind(k) == Kind::Uid ? std::to_string(t_.integer(k)) : plist::keyText(scalar(k));
        if (t_.kind(k) == Kind::Array || t_.kind(k) == Kind::Dictionary || !text) {
            fail(QStringLiteral("a dictionary key that is not a text"));
            return std::nullopt;
        }
        return Key(*text);
    }

    // The $classname of an instance's class, for showing it.
    std::string_view className(Index instance) const {
        std::optional<Index> ref = t_.find(instance, "$class");
        if (!ref || t_.kind(*ref) != Kind::Uid || uint64_t(t_.integer(*ref)) >= objects_.size()) return "?";
        Index description = objects_[size_t(t_.integer(*ref))];
        if (t_.kind(description) != Kind::Dictionary) return "?";
        std::optional<Index> name = t_.find(description, "$classname");
        return name && t_.kind(*name) == Kind::String ? t_.text(*name) : std::string_view("?");
    }

    Class classOf(Index instance) {
        std::optional<Index> ref = t_.find(instance, "$class");
        if (!ref) {
            fail(QStringLiteral("an instance without $class"));
            return Class::Unknown;
        }
        std::optional<size_t> n = target(*ref);
        if (!n) return Class::Unknown;
        Slot& slot = slots_[*n];
        if (slot.kind != Class::Unknown) return slot.kind;
        Index description = objects_[*n];
        if (t_.kind(description) != Kind::Dictionary) {
            fail(QStringLiteral("a $class that is no class description"));
            return Class::Unknown;
        }
        std::optional<Index> classes = t_.find(description, "$classes");
        std::optional<Index> name = t_.find(description, "$classname");
        std::span<const Index> chain;
        if (classes && t_.kind(*classes) == Kind::Array) chain = t_.elements(*classes);
        else if (name) chain = {&*name, 1};
        for (Index c : chain) {
            if (t_.kind(c) != Kind::String) continue;
            slot.kind = classNamed(t_.text(c));
            if (slot.kind != Class::Unknown) return slot.kind;
        }
        if (inspect_) return slot.kind = Class::Other;
        std::string_view shown = name && t_.kind(*name) == Kind::String ? t_.text(*name) : std::string_view("?");
        fail(QStringLiteral("unsupported class %1").arg(QString::fromUtf8(shown.data(), qsizetype(shown.size()))));
        return Class::Unknown;
    }

    static Class classNamed(std::string_view name) {
        if (name == "NSDictionary" || name == "NSMutableDictionary") return Class::Dictionary;
        if (name == "NSArray" || name == "NSMutableArray" || name == "NSSet" || name == "NSMutableSet" ||
            name == "NSCountedSet" || name == "NSOrderedSet" || name == "NSMutableOrderedSet")
            return Class::Array;
        if (name == "NSNull") return Class::Null;
        if (name == "NSString" || name == "NSMutableString") return Class::String;
        if (name == "NSData" || name == "NSMutableData") return Class::Data;
        if (name == "NSDate") return Class::Date;
        return Class::Unknown;
    }

    // The references of an NS.keys / NS.objects member; empty when absent.
    std::optional<std::span<const Index>> references(Index instance, std::string_view name) {
        std::optional<Index> list = t_.find(instance, name);
        if (!list) return std::span<const Index>();
        if (t_.kind(*list) != Kind::Array) {
            fail(QStringLiteral("%1 is not an array").arg(QLatin1String(name.data(), qsizetype(name.size()))));
            return std::nullopt;
        }
        return t_.elements(*list);
    }

    Value instance(Index o, size_t depth) {
        switch (classOf(o)) {
        case Class::Unknown: return {};
        case Class::Null: return {};
        case Class::Other: {
            DictionaryPtr d = Dictionary::create(t_.keys(o).size());
            d->set(classKey_, Value(className(o)));
            if (!fields(o, depth, *d)) return {};
            return Value(d);
        }
        case Class::Array: {
            // Sets and ordered sets from some archivers keep their members as NS.object.0,
            // NS.object.1, ... rather than in one NS.objects array.
            if (!t_.find(o, "NS.objects")) return numberedMembers(o, depth);
            std::optional<std::span<const Index>> items = references(o, "NS.objects");
            if (!items) return {};
            ArrayPtr a = Array::create(items->size());
            for (Index item : *items) {
                a->append(reference(item, depth + 1));
                if (failed()) return {};
            }
            return Value(a);
        }
        case Class::Dictionary: {
            std::optional<std::span<const Index>> keys = references(o, "NS.keys");
            std::optional<std::span<const Index>> values = references(o, "NS.objects");
            if (!keys || !values) return {};
            if (keys->size() != values->size()) return fail(QStringLiteral("NS.keys and NS.objects differ in length"));
            DictionaryPtr d = Dictionary::create(keys->size());
            for (size_t i = 0; i < keys->size(); ++i) {
                std::optional<Key> k = key((*keys)[i], depth);
                if (!k) return {};
                d->set(*k, reference((*values)[i], depth + 1));
                if (failed()) return {};
            }
            return Value(d);
        }
        case Class::String: {
            Value text = member(o, "NS.string", depth);
            return text.isString() || failed() ? text : fail(QStringLiteral("an NSString without NS.string"));
        }
        case Class::Data: {
            Value data = member(o, "NS.data", depth);
            return data.type() == ValueType::Data || failed() ? data : fail(QStringLiteral("an NSData without NS.data"));
        }
        case Class::Date: {
            Value time = member(o, "NS.time", depth);
            if (!time.isNumber()) return failed() ? Value() : fail(QStringLiteral("an NSDate without NS.time"));
            return Value::date(time.doubleValue() + plist::kSecondsFrom1970To2001);
        }
        }
        return {};
    }

    // The numbered members of a set, in the order of N: NS.object.N (some archivers' sets) or
    // NS.objectN (a counted set as macOS writes it, each with its NS.countN; the member is listed
    // that many times, so that the counts survive in the array).
    Value numberedMembers(Index o, size_t depth) {
        // More than this many members in all is no real counted set but a damaged count.
        constexpr uint64_t kMostMembers = 1u << 20;
        auto number = [](std::string_view digits) -> std::optional<uint64_t> {
            uint64_t n = 0;
            auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
            if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty()) return std::nullopt;
            return n;
        };
        std::vector<std::pair<uint64_t, Index>> members;
        std::map<uint64_t, Index> counts;
        std::span<const Index> ks = t_.keys(o);
        for (size_t i = 0; i < ks.size(); ++i) {
            if (t_.kind(ks[i]) != Kind::String) continue;
            std::string_view name = t_.text(ks[i]);
            if (name.starts_with("NS.object.")) name.remove_prefix(10);
            else if (name.starts_with("NS.object")) name.remove_prefix(9);
            else if (name.starts_with("NS.count") && name.size() > 8) {
                if (std::optional<uint64_t> n = number(name.substr(8))) counts[*n] = t_.values(o)[i];
                continue;
            } else continue;
            if (std::optional<uint64_t> n = number(name)) members.emplace_back(*n, t_.values(o)[i]);
        }
        std::sort(members.begin(), members.end());
        uint64_t total = 0;
        std::vector<uint64_t> times(members.size(), 1);
        for (size_t i = 0; i < members.size(); ++i) {
            auto count = counts.find(members[i].first);
            if (count != counts.end()) {
                Value c = t_.kind(count->second) == Kind::Uid ? reference(count->second, depth + 1) : scalar(count->second);
                if (failed()) return {};
                if (c.type() != ValueType::Integer || c.longLongValue() < 1)
                    return fail(QStringLiteral("NS.count%1 is not a count of at least 1").arg(members[i].first));
                times[i] = uint64_t(c.longLongValue());
            }
            total += std::min<uint64_t>(times[i], kMostMembers + 1);
            if (total > kMostMembers) return fail(QStringLiteral("a counted set of more than %1 members").arg(kMostMembers));
        }
        ArrayPtr a = Array::create(size_t(total));
        for (size_t i = 0; i < members.size(); ++i) {
            Value member = t_.kind(members[i].second) == Kind::Uid ? reference(members[i].second, depth + 1) : scalar(members[i].second);
            if (failed()) return {};
            for (uint64_t k = 0; k < times[i]; ++k) a->append(member);
        }
        return Value(a);
    }

    // The interned key of a referenced text, made once per archive entry.
    std::optional<Key> key(Index uid, size_t depth) {
        std::optional<size_t> n = target(uid);
        if (!n) return std::nullopt;
        if (slots_[*n].key >= 0) return keys_[size_t(slots_[*n].key)];
        Value text = object(*n, depth + 1);
        // When inspecting, a number, date or other scalar key (an NSNumber key, say) is its text.
        std::optional<std::string> shown =
            text.isString() ? std::string(text.stringView()) : inspect_ && !failed() ? plist::keyText(text) : std::nullopt;
        if (!shown) {
            if (!failed()) fail(QStringLiteral("a dictionary key that is not a text"));
            return std::nullopt;
        }
        slots_[*n].key = int32_t(keys_.size());
        keys_.emplace_back(*shown);
        return keys_.back();
    }

    const ObjectTable& t_;
    const bool inspect_;
    const Key refKey_{"$ref"};
    const Key classKey_{"$class"};
    std::unordered_map<Index, Value> inline_;  // inline containers decoded, null while decoding
    std::span<const Index> objects_;
    std::vector<Slot> slots_;
    std::vector<Key> keys_;
    QString error_;
};

}  // namespace

namespace {
Value decode(const QByteArray& bytes, bool inspect, QString* error) {
    plist::ObjectTable table;
    QString reason;
    Value result;
    if (table.read(bytes, &reason)) {
        Unarchiver unarchiver(table, inspect);
        result = unarchiver.run();
        reason = unarchiver.error();
    }
    if (!reason.isEmpty()) {
        logLine(QStringLiteral("Keyed archive unreadable: %1").arg(reason));
        if (error) *error = reason;
        return {};
    }
    return result;
}
}  // namespace

Value unarchive(const QByteArray& bytes, QString* error) { return decode(bytes, false, error); }

Value unarchiveTopObjects(const QByteArray& bytes, QString* error) { return decode(bytes, true, error); }

}  // namespace vantrel::platform::KeyedArchive
