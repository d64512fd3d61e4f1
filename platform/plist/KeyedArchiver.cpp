#include "BinaryPlist.h"
#include "KeyedArchive.h"
#include "NestingGuard.h"

#include <bit>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantrel::platform::KeyedArchive {

namespace {

using plist::BinaryPlistWriter;
using Id = BinaryPlistWriter::Id;

// Numbers the objects of the graph into "$objects" in the order the archiver meets them (an
// instance before its members, so the root is entry 1) and writes each entry once.
class Archiver {
public:
    QByteArray run(const Value& root, QString* error) {
        objects_.push_back(w_.addString("$null"));
        std::optional<uint32_t> rootUid = encode(root);
        if (!rootUid) {
            if (error) *error = error_;
            return {};
        }
        Id topKey = w_.addString("root");
        Id topValue = w_.addUid(*rootUid);
        Id keys[] = {w_.addString("$version"), w_.addString("$archiver"), w_.addString("$top"),
                     w_.addString("$objects")};
        Id values[] = {w_.addInteger(100000), w_.addString("NSKeyedArchiver"), w_.addDictionary({&topKey, 1}, {&topValue, 1}),
                       w_.addArray(objects_)};
        return w_.finish(w_.addDictionary(keys, values));
    }

private:
    enum Class { MutableArray, MutableDictionary, Date, ClassCount };

    uint32_t append(Id object) {
        objects_.push_back(object);
        return uint32_t(objects_.size() - 1);
    }

    // The UID of the value's entry; nothing when the value cannot be archived.
    std::optional<uint32_t> encode(const Value& v) {
        switch (v.type()) {
        case ValueType::Null: return 0;
        case ValueType::String: return text(v.stringView());
        case ValueType::Integer:
            if (v.isUnsignedInteger())
                return once(unsignedIntegers_, v.unsignedPayload(), [&] { return w_.addUnsigned(v.unsignedPayload()); });
            return once(integers_, uint64_t(v.integerPayload()), [&] { return w_.addInteger(v.integerPayload()); });
        case ValueType::Real:
            return once(reals_, std::bit_cast<uint64_t>(v.realPayload()), [&] { return w_.addReal(v.realPayload()); });
        case ValueType::Boolean: return once(booleans_, v.booleanPayload(), [&] { return w_.addBoolean(v.booleanPayload()); });
        case ValueType::Date:
            return once(dates_, std::bit_cast<uint64_t>(v.realPayload()), [&] {
                Id keys[] = {w_.addString("NS.time"), w_.addString("$class")};
                Id values[] = {w_.addReal(v.realPayload() - plist::kSecondsFrom1970To2001), w_.addUid(classUid(Date))};
                return w_.addDictionary(keys, values);
            });
        default: break;
        }
        auto known = shared_.find(v.identity());
        if (known != shared_.end()) return known->second;
        std::optional<uint32_t> uid;
        if (v.type() == ValueType::Data) {
            QByteArray bytes = v.dataPayload();
            uid = append(w_.addData(std::string_view(bytes.constData(), size_t(bytes.size()))));
        } else {
            if (!guard_.enter(v.identity(), &error_)) return std::nullopt;
            uid = v.isArray() ? array(*v.array()) : dictionary(*v.dictionary());
            guard_.leave();
        }
        if (uid) shared_.emplace(v.identity(), *uid);
        return uid;
    }

    template <class Make>
    uint32_t once(std::unordered_map<uint64_t, uint32_t>& seen, uint64_t key, Make make) {
        auto [it, fresh] = seen.try_emplace(key, 0);
        if (fresh) it->second = append(make());
        return it->second;
    }

    uint32_t text(std::string_view s) {
        auto [it, fresh] = texts_.try_emplace(s, 0);
        if (fresh) it->second = append(w_.addString(s));
        return it->second;
    }

    // The UIDs of the values as a plist array of UID objects.
    Id references(const std::vector<uint32_t>& uids) {
        std::vector<Id> refs;
        refs.reserve(uids.size());
        for (uint32_t uid : uids) refs.push_back(w_.addUid(uid));
        return w_.addArray(refs);
    }

    std::optional<uint32_t> array(const Array& a) {
        uint32_t uid = append(0);
        std::vector<uint32_t> items;
        items.reserve(a.size());
        for (const Value& item : a) {
            std::optional<uint32_t> id = encode(item);
            if (!id) return std::nullopt;
            items.push_back(*id);
        }
        Id keys[] = {w_.addString("NS.objects"), w_.addString("$class")};
        Id values[] = {references(items), w_.addUid(classUid(MutableArray))};
        objects_[uid] = w_.addDictionary(keys, values);
        return uid;
    }

    std::optional<uint32_t> dictionary(const Dictionary& d) {
        uint32_t uid = append(0);
        std::vector<uint32_t> keyUids, valueUids;
        keyUids.reserve(d.size());
        valueUids.reserve(d.size());
        for (const Dictionary::Entry& e : d) {
            keyUids.push_back(text(e.key.view()));
            std::optional<uint32_t> id = encode(e.value);
            if (!id) return std::nullopt;
            valueUids.push_back(*id);
        }
        Id keys[] = {w_.addString("NS.keys"), w_.addString("NS.objects"), w_.addString("$class")};
        Id values[] = {references(keyUids), references(valueUids), w_.addUid(classUid(MutableDictionary))};
        objects_[uid] = w_.addDictionary(keys, values);
        return uid;
    }

    // The entry describing a class, written the first time an instance needs it.
    uint32_t classUid(Class c) {
        if (classes_[c]) return classes_[c];
        static const std::vector<std::string_view> chains[ClassCount] = {
            {"NSMutableArray", "NSArray", "NSObject"},
            {"NSMutableDictionary", "NSDictionary", "NSObject"},
            {"NSDate", "NSObject"},
        };
        std::vector<Id> names;
        for (std::string_view name : chains[c]) names.push_back(w_.addString(name));
        Id keys[] = {w_.addString("$classes"), w_.addString("$classname")};
        Id values[] = {w_.addArray(names), names.front()};
        return classes_[c] = append(w_.addDictionary(keys, values));
    }

    BinaryPlistWriter w_;
    std::vector<Id> objects_;  // the plist object of each "$objects" entry
    std::unordered_map<std::string_view, uint32_t> texts_;
    std::unordered_map<uint64_t, uint32_t> integers_, unsignedIntegers_, reals_, dates_, booleans_;
    std::unordered_map<const void*, uint32_t> shared_;  // arrays, dictionaries and data by identity
    uint32_t classes_[ClassCount] = {};
    plist::NestingGuard guard_;
    QString error_;
};

}  // namespace

QByteArray archive(const Value& root, QString* error) { return Archiver().run(root, error); }

}  // namespace vantrel::platform::KeyedArchive
