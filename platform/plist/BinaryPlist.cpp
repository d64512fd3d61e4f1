#include "BinaryPlist.h"

#include "NestingGuard.h"
#include "TextEncoding.h"

#include <bit>
#include <cstring>
#include <limits>
#include <optional>

namespace vantrel::platform::plist {

namespace {

constexpr char kMagic[] = "bplist00";
constexpr size_t kMagicSize = 8;
constexpr size_t kTrailerSize = 32;

uint64_t readBigEndian(const uint8_t* p, size_t size) noexcept {
    uint64_t v = 0;
    for (size_t i = 0; i < size; ++i) v = (v << 8) | p[i];
    return v;
}

void appendBigEndian(std::string& out, uint64_t v, size_t size) {
    for (size_t i = size; i-- > 0;) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Bytes of the smallest of the sizes 1, 2, 4, 8 that holds v.
size_t sizeFor(uint64_t v) noexcept {
    if (v < (1ull << 8)) return 1;
    if (v < (1ull << 16)) return 2;
    if (v < (1ull << 32)) return 4;
    return 8;
}

// An integer object: non-negative values in 1, 2, 4 or 8 bytes, negative ones in 8.
void appendInteger(std::string& out, int64_t v) {
    size_t size = v < 0 ? 8 : sizeFor(static_cast<uint64_t>(v));
    out.push_back(static_cast<char>(0x10 | std::countr_zero(size)));
    appendBigEndian(out, static_cast<uint64_t>(v), size);
}

// A marker with its count: in the low nibble when it fits, else in an integer object after it.
void appendHeader(std::string& out, uint8_t marker, uint64_t count) {
    if (count < 15) {
        out.push_back(static_cast<char>(marker | count));
        return;
    }
    out.push_back(static_cast<char>(marker | 0x0F));
    appendInteger(out, static_cast<int64_t>(count));
}

// One pass over the offset table, each object decoded into the table under its own number.
class Reader {
public:
    Reader(const QByteArray& bytes, ObjectTable& table)
        : bytes_(bytes), d_(reinterpret_cast<const uint8_t*>(bytes.constData())), size_(size_t(bytes.size())),
          table_(table) {}

    bool run(QString* error) {
        error_ = error;
        if (size_ < kMagicSize + kTrailerSize + 1) return fail(QStringLiteral("binary property list too short"));
        const uint8_t* trailer = d_ + size_ - kTrailerSize;
        size_t offsetSize = trailer[6];
        refSize_ = trailer[7];
        uint64_t count = readBigEndian(trailer + 8, 8);
        uint64_t top = readBigEndian(trailer + 16, 8);
        uint64_t tableOffset = readBigEndian(trailer + 24, 8);
        if (offsetSize < 1 || offsetSize > 8 || refSize_ < 1 || refSize_ > 8)
            return fail(QStringLiteral("bad offset or reference size in the trailer"));
        if (tableOffset <= kMagicSize || tableOffset > size_ - kTrailerSize)
            return fail(QStringLiteral("offset table outside the file"));
        if (count == 0 || count > (size_ - kTrailerSize - tableOffset) / offsetSize ||
            count >= std::numeric_limits<ObjectTable::Index>::max())
            return fail(QStringLiteral("object count %1 does not fit the offset table").arg(count));
        if (top >= count) return fail(QStringLiteral("top object %1 out of range").arg(top));
        end_ = size_t(tableOffset);
        count_ = count;
        table_.clear(bytes_);
        table_.reserve(size_t(count));
        // Every reference takes refSize bytes of the object area, so this is enough for all.
        table_.refs().reserve(size_t(end_ - kMagicSize) / refSize_);
        const uint8_t* offsets = d_ + tableOffset;
        for (uint64_t n = 0; n < count; ++n) {
            uint64_t offset = readBigEndian(offsets + n * offsetSize, offsetSize);
            if (offset < kMagicSize || offset >= end_)
                return fail(QStringLiteral("object %1 lies outside the object area").arg(n));
            if (!readObject(n, size_t(offset))) return false;
        }
        table_.setTop(ObjectTable::Index(top));
        return true;
    }

private:
    using Kind = ObjectTable::Kind;

    bool fail(const QString& reason) {
        if (error_) *error_ = reason;
        return false;
    }

    bool failObject(uint64_t n, const char* what) {
        return fail(QStringLiteral("object %1: %2").arg(n).arg(QLatin1String(what)));
    }

    // The count of a data, text or container object; `pos` moves past it.
    bool readCount(uint64_t n, uint8_t low, size_t& pos, uint64_t& count) {
        if (low != 0x0F) {
            count = low;
            return true;
        }
        if (pos >= end_ || (d_[pos] & 0xF0) != 0x10 || (d_[pos] & 0x0F) > 3) return failObject(n, "bad count");
        size_t size = size_t(1) << (d_[pos] & 0x0F);
        if (end_ - pos - 1 < size) return failObject(n, "count runs past the object area");
        count = readBigEndian(d_ + pos + 1, size);
        pos += 1 + size;
        return true;
    }

    // Whether `count` items of `unit` bytes fit between pos and the end of the object area.
    bool fits(size_t pos, uint64_t count, size_t unit) const noexcept {
        return count <= (end_ - pos) / unit && count <= std::numeric_limits<uint32_t>::max();
    }

    bool readRefs(uint64_t n, size_t pos, uint64_t count) {
        std::vector<ObjectTable::Index>& refs = table_.refs();
        size_t start = refs.size();
        refs.resize(start + size_t(count));
        const uint8_t* p = d_ + pos;
        for (size_t k = 0; k < count; ++k, p += refSize_) {
            uint64_t ref = readBigEndian(p, refSize_);
            if (ref >= count_) return failObject(n, "reference out of range");
            refs[start + k] = ObjectTable::Index(ref);
        }
        return true;
    }

    bool readObject(uint64_t n, size_t offset) {
        uint8_t marker = d_[offset];
        uint8_t low = marker & 0x0F;
        size_t pos = offset + 1;
        uint64_t count = 0;
        switch (marker >> 4) {
        case 0x0:
            if (low == 0x8 || low == 0x9) table_.addBoolean(low == 0x9);
            else if (low == 0x0 || low == 0xF) table_.addNull();
            else return failObject(n, "unknown object type");
            break;
        case 0x1: {
            if (low > 4) return failObject(n, "bad integer size");
            size_t size = size_t(1) << low;
            if (end_ - pos < size) return failObject(n, "integer runs past the object area");
            if (size == 16) {
                auto high = static_cast<int64_t>(readBigEndian(d_ + pos, 8));
                uint64_t lowBits = readBigEndian(d_ + pos + 8, 8);
                // 128-bit signed: 2^63 to 2^64 - 1 stay exact as unsigned integers; values beyond
                // 64 bits are kept as the nearest real.
                if (high == 0)
                    table_.addUnsigned(lowBits);
                else if (high == -1 && lowBits > uint64_t(INT64_MAX))
                    table_.addInteger(static_cast<int64_t>(lowBits));
                else
                    table_.addReal(double(high) * 18446744073709551616.0 + double(lowBits));
            } else {
                // 1, 2 and 4 bytes are unsigned; 8 bytes are signed.
                table_.addInteger(static_cast<int64_t>(readBigEndian(d_ + pos, size)));
            }
            pos += size;
            break;
        }
        case 0x2:
        case 0x3: {
            bool date = (marker >> 4) == 0x3;
            if ((date && low != 3) || (!date && low != 2 && low != 3)) return failObject(n, "bad real size");
            size_t size = size_t(1) << low;
            if (end_ - pos < size) return failObject(n, "real runs past the object area");
            double v = size == 4 ? double(std::bit_cast<float>(uint32_t(readBigEndian(d_ + pos, 4))))
                                 : std::bit_cast<double>(readBigEndian(d_ + pos, 8));
            if (date) table_.addDate(v + kSecondsFrom1970To2001);
            else table_.addReal(v);
            pos += size;
            break;
        }
        case 0x4:
        case 0x5: {
            if (!readCount(n, low, pos, count)) return false;
            if (!fits(pos, count, 1)) return failObject(n, "data or text runs past the object area");
            std::string_view raw(reinterpret_cast<const char*>(d_ + pos), size_t(count));
            Kind kind = (marker >> 4) == 0x4 ? Kind::Data : Kind::String;
            if (kind == Kind::Data || isAscii(raw)) {
                table_.addSourceBytes(kind, pos, raw.size());
            } else {
                // Bytes past ASCII in an ASCII text: read them as Latin-1 rather than store bad UTF-8.
                size_t start = table_.ownedBytes().size();
                appendLatin1AsUtf8(table_.ownedBytes(), raw);
                table_.addOwnedBytes(kind, start);
            }
            pos += raw.size();
            break;
        }
        case 0x6: {
            if (!readCount(n, low, pos, count)) return false;
            if (!fits(pos, count, 2)) return failObject(n, "text runs past the object area");
            std::string& owned = table_.ownedBytes();
            size_t start = owned.size();
            appendUtf16AsUtf8(owned, d_ + pos, size_t(count));
            if (owned.size() - start > std::numeric_limits<uint32_t>::max()) return failObject(n, "text too long");
            table_.addOwnedBytes(Kind::String, start);
            pos += size_t(count) * 2;
            break;
        }
        case 0x8: {
            size_t size = size_t(low) + 1;
            if (size > 8) return failObject(n, "bad UID size");
            if (end_ - pos < size) return failObject(n, "UID runs past the object area");
            table_.addUid(readBigEndian(d_ + pos, size));
            pos += size;
            break;
        }
        case 0xA:
        case 0xB:  // ordered set
        case 0xC:  // set; both read as arrays
        case 0xD: {
            bool dictionary = (marker >> 4) == 0xD;
            if (!readCount(n, low, pos, count)) return false;
            size_t refs = dictionary ? 2 : 1;
            if (!fits(pos, count, refs * refSize_)) return failObject(n, "container runs past the object area");
            size_t start = table_.refs().size();
            if (!readRefs(n, pos, count * refs)) return false;
            if (dictionary) table_.addDictionary(start);
            else table_.addArray(start);
            pos += size_t(count) * refs * refSize_;
            break;
        }
        default: return failObject(n, "unknown object type");
        }
        // Sound files never share bytes between objects; bounding the total keeps the table (and the
        // time to build it) within a small multiple of the file's size.
        claimed_ += pos - offset;
        if (claimed_ > end_ - kMagicSize) return failObject(n, "objects overlap");
        return true;
    }

    const QByteArray& bytes_;
    const uint8_t* d_;
    size_t size_;
    ObjectTable& table_;
    QString* error_ = nullptr;
    size_t end_ = 0;
    uint64_t count_ = 0;
    size_t refSize_ = 1;
    uint64_t claimed_ = 0;
};

// Writes a Value graph; an array, dictionary or data object met again is written once.
class ValueWriter {
public:
    std::optional<BinaryPlistWriter::Id> add(const Value& v) {
        switch (v.type()) {
        case ValueType::Null: return writer_.addNull();
        case ValueType::String: return writer_.addString(v.stringView());
        case ValueType::Integer:
            return v.isUnsignedInteger() ? writer_.addUnsigned(v.unsignedPayload()) : writer_.addInteger(v.integerPayload());
        case ValueType::Real: return writer_.addReal(v.realPayload());
        case ValueType::Boolean: return writer_.addBoolean(v.booleanPayload());
        case ValueType::Date: return writer_.addDate(v.realPayload());
        default: break;
        }
        auto known = written_.find(v.identity());
        if (known != written_.end()) return known->second;
        std::optional<BinaryPlistWriter::Id> id;
        if (v.type() == ValueType::Data) {
            QByteArray bytes = v.dataPayload();
            id = writer_.addData(std::string_view(bytes.constData(), size_t(bytes.size())));
        } else {
            if (!guard_.enter(v.identity(), &error_)) return std::nullopt;
            id = v.isArray() ? addArray(*v.array()) : addDictionary(*v.dictionary());
            guard_.leave();
        }
        if (id) written_.emplace(v.identity(), *id);
        return id;
    }

    QByteArray finish(BinaryPlistWriter::Id top) const { return writer_.finish(top); }
    const QString& error() const { return error_; }

private:
    std::optional<BinaryPlistWriter::Id> addArray(const Array& a) {
        std::vector<BinaryPlistWriter::Id> items;
        items.reserve(a.size());
        for (const Value& item : a) {
            std::optional<BinaryPlistWriter::Id> id = add(item);
            if (!id) return std::nullopt;
            items.push_back(*id);
        }
        return writer_.addArray(items);
    }

    std::optional<BinaryPlistWriter::Id> addDictionary(const Dictionary& d) {
        std::vector<BinaryPlistWriter::Id> ids;
        ids.resize(2 * d.size());
        size_t n = 0;
        for (const Dictionary::Entry& e : d) {
            std::optional<BinaryPlistWriter::Id> id = add(e.value);
            if (!id) return std::nullopt;
            ids[n] = writer_.addString(e.key.view());
            ids[d.size() + n] = *id;
            ++n;
        }
        std::span<const BinaryPlistWriter::Id> all(ids);
        return writer_.addDictionary(all.first(d.size()), all.subspan(d.size()));
    }

    BinaryPlistWriter writer_;
    NestingGuard guard_;
    std::unordered_map<const void*, BinaryPlistWriter::Id> written_;
    QString error_;
};

}  // namespace

namespace BinaryPlist {

bool isBinary(const QByteArray& bytes) noexcept {
    return bytes.size() >= qsizetype(kMagicSize) && std::memcmp(bytes.constData(), kMagic, kMagicSize) == 0;
}

bool read(const QByteArray& bytes, ObjectTable& table, QString* error) { return Reader(bytes, table).run(error); }

QByteArray write(const Value& value, QString* error) {
    ValueWriter writer;
    std::optional<BinaryPlistWriter::Id> top = writer.add(value);
    if (!top) {
        if (error) *error = writer.error();
        return {};
    }
    return writer.finish(*top);
}

}  // namespace BinaryPlist

// ---- BinaryPlistWriter -----------------------------------------------------------------------

BinaryPlistWriter::Id BinaryPlistWriter::addScalar(size_t begin) {
    objects_.push_back(Object{0, uint32_t(scalars_.size() - begin), begin});
    return Id(objects_.size() - 1);
}

BinaryPlistWriter::Id BinaryPlistWriter::addContainer(uint8_t marker, size_t count, std::span<const Id> first,
                                                      std::span<const Id> second) {
    size_t begin = refs_.size();
    refs_.insert(refs_.end(), first.begin(), first.end());
    refs_.insert(refs_.end(), second.begin(), second.end());
    objects_.push_back(Object{marker, uint32_t(count), begin});
    return Id(objects_.size() - 1);
}

BinaryPlistWriter::Id BinaryPlistWriter::addDouble(std::unordered_map<uint64_t, Id>& table, uint8_t marker, double v) {
    uint64_t bits = std::bit_cast<uint64_t>(v);
    auto [it, fresh] = table.try_emplace(bits, 0);
    if (!fresh) return it->second;
    size_t begin = scalars_.size();
    scalars_.push_back(static_cast<char>(marker));
    appendBigEndian(scalars_, bits, 8);
    return it->second = addScalar(begin);
}

BinaryPlistWriter::Id BinaryPlistWriter::addNull() {
    if (null_ == UINT32_MAX) {
        size_t begin = scalars_.size();
        scalars_.push_back('\0');
        null_ = addScalar(begin);
    }
    return null_;
}

BinaryPlistWriter::Id BinaryPlistWriter::addBoolean(bool v) {
    Id& id = booleans_[v ? 1 : 0];
    if (id == UINT32_MAX) {
        size_t begin = scalars_.size();
        scalars_.push_back(v ? '\x09' : '\x08');
        id = addScalar(begin);
    }
    return id;
}

BinaryPlistWriter::Id BinaryPlistWriter::addInteger(int64_t v) {
    auto [it, fresh] = integers_.try_emplace(static_cast<uint64_t>(v), 0);
    if (!fresh) return it->second;
    size_t begin = scalars_.size();
    appendInteger(scalars_, v);
    return it->second = addScalar(begin);
}

BinaryPlistWriter::Id BinaryPlistWriter::addUnsigned(uint64_t v) {
    if (v <= uint64_t(INT64_MAX)) return addInteger(static_cast<int64_t>(v));
    // Above INT64_MAX: a 16-byte (128-bit signed) integer, the form readers take as unsigned.
    auto [it, fresh] = unsignedIntegers_.try_emplace(v, 0);
    if (!fresh) return it->second;
    size_t begin = scalars_.size();
    scalars_.push_back('\x14');
    appendBigEndian(scalars_, 0, 8);
    appendBigEndian(scalars_, v, 8);
    return it->second = addScalar(begin);
}

BinaryPlistWriter::Id BinaryPlistWriter::addReal(double v) { return addDouble(reals_, 0x23, v); }

BinaryPlistWriter::Id BinaryPlistWriter::addDate(double secondsSince1970) {
    return addDouble(dates_, 0x33, secondsSince1970 - kSecondsFrom1970To2001);
}

BinaryPlistWriter::Id BinaryPlistWriter::addData(std::string_view bytes) {
    size_t begin = scalars_.size();
    appendHeader(scalars_, 0x40, bytes.size());
    scalars_.append(bytes);
    return addScalar(begin);
}

BinaryPlistWriter::Id BinaryPlistWriter::addString(std::string_view utf8) {
    auto known = texts_.find(utf8);
    if (known != texts_.end()) return known->second;
    size_t begin = scalars_.size();
    if (isAscii(utf8)) {
        appendHeader(scalars_, 0x50, utf8.size());
        scalars_.append(utf8);
    } else {
        std::string utf16;
        size_t units = appendUtf8AsUtf16(utf16, utf8);
        appendHeader(scalars_, 0x60, units);
        scalars_.append(utf16);
    }
    Id id = addScalar(begin);
    texts_.emplace(std::string(utf8), id);
    return id;
}

BinaryPlistWriter::Id BinaryPlistWriter::addUid(uint64_t v) {
    // Keyed archives number their objects densely: a table indexed by the UID beats hashing.
    bool dense = v < objects_.size() + 1024;
    if (dense && v < denseUids_.size() && denseUids_[v] != UINT32_MAX) return denseUids_[v];
    if (!uids_.empty()) {
        auto known = uids_.find(v);
        if (known != uids_.end()) return known->second;
    }
    size_t begin = scalars_.size();
    size_t size = sizeFor(v);
    scalars_.push_back(static_cast<char>(0x80 | (size - 1)));
    appendBigEndian(scalars_, v, size);
    Id id = addScalar(begin);
    if (dense) {
        if (v >= denseUids_.size()) denseUids_.resize(size_t(v) + 1, UINT32_MAX);
        denseUids_[v] = id;
    } else {
        uids_.emplace(v, id);
    }
    return id;
}

BinaryPlistWriter::Id BinaryPlistWriter::addArray(std::span<const Id> elements) {
    return addContainer(0xA0, elements.size(), elements, {});
}

BinaryPlistWriter::Id BinaryPlistWriter::addDictionary(std::span<const Id> keys, std::span<const Id> values) {
    return addContainer(0xD0, keys.size(), keys, values.first(keys.size()));
}

QByteArray BinaryPlistWriter::finish(Id top) const {
    size_t refSize = sizeFor(objects_.empty() ? 0 : objects_.size() - 1);
    std::string out(kMagic, kMagicSize);
    out.reserve(kMagicSize + scalars_.size() + refs_.size() * refSize + objects_.size() * 12 + kTrailerSize);
    std::vector<uint64_t> offsets;
    offsets.reserve(objects_.size());
    for (const Object& o : objects_) {
        offsets.push_back(out.size());
        if (o.marker == 0) {
            out.append(scalars_, o.begin, o.count);
            continue;
        }
        appendHeader(out, o.marker, o.count);
        size_t refs = size_t(o.count) * (o.marker == 0xD0 ? 2 : 1);
        for (size_t k = 0; k < refs; ++k) appendBigEndian(out, refs_[o.begin + k], refSize);
    }
    uint64_t tableOffset = out.size();
    size_t offsetSize = sizeFor(offsets.empty() ? 0 : offsets.back());
    for (uint64_t offset : offsets) appendBigEndian(out, offset, offsetSize);
    out.append(6, '\0');
    out.push_back(static_cast<char>(offsetSize));
    out.push_back(static_cast<char>(refSize));
    appendBigEndian(out, objects_.size(), 8);
    appendBigEndian(out, top, 8);
    appendBigEndian(out, tableOffset, 8);
    return QByteArray(out.data(), qsizetype(out.size()));
}

}  // namespace vantrel::platform::plist
