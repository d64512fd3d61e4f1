#pragma once
// The bundle's base map file (basemap.vbm): its layout, and the byte-level encoding that the
// builder writes and the reader decodes. data/README.md describes the layout for people.
//
// Threads: constants and pure functions, any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vantrel::basemap {

inline constexpr char kMagic[4] = {'V', 'T', 'B', 'M'};
inline constexpr uint32_t kFormatVersion = 1;
// Coordinates within a tile run from 0 to kQuantum on each axis, west to east and south to north;
// a point on the tile's edge has exactly 0 or kQuantum, which tells the drawing that a segment
// along the edge was made by the cut and is no shore.
inline constexpr uint32_t kQuantum = 65535;
inline constexpr size_t kHeaderSize = 16;      // magic, version, level count, reserved
inline constexpr size_t kLevelRecordSize = 24;  // degrees, min scale, index offset, entry count, reserved
// The index lists only the tiles with something in them, by key (row x columns + column) rising:
// key (u32), offset (u64), length (u32), checksum (u32).
inline constexpr size_t kIndexEntrySize = 20;
inline constexpr uint32_t kMaxLevels = 8;

enum class FeatureKind : uint8_t { Land = 1, Lake = 2, River = 3, Border = 4, Town = 5 };
inline bool isArea(FeatureKind kind) { return kind == FeatureKind::Land || kind == FeatureKind::Lake; }
inline bool validKind(uint8_t kind) { return kind >= 1 && kind <= 5; }

// FNV-1a over a tile's bytes: a damaged tile is found before it is decoded.
inline uint32_t checksum(const unsigned char* data, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    return h;
}

inline uint32_t zigzag(int32_t v) { return (uint32_t(v) << 1) ^ uint32_t(v >> 31); }
inline int32_t unzigzag(uint32_t v) { return int32_t(v >> 1) ^ -int32_t(v & 1); }

// Reads little-endian values and varints from a byte range; every read past the end or of a
// malformed varint sets failed() and returns 0, so that a decoder checks once per feature.
class ByteReader {
public:
    ByteReader(const unsigned char* data, size_t size) : p_(data), end_(data + size) {}
    bool failed() const { return failed_; }
    bool atEnd() const { return p_ == end_; }
    size_t remaining() const { return size_t(end_ - p_); }
    uint8_t u8() {
        if (p_ >= end_) return fail();
        return *p_++;
    }
    uint32_t u32() {
        if (remaining() < 4) return fail();
        uint32_t v = uint32_t(p_[0]) | uint32_t(p_[1]) << 8 | uint32_t(p_[2]) << 16 | uint32_t(p_[3]) << 24;
        p_ += 4;
        return v;
    }
    uint64_t u64() {
        const uint64_t lo = u32();
        const uint64_t hi = u32();
        return lo | hi << 32;
    }
    float f32() {
        const uint32_t bits = u32();
        float f;
        static_assert(sizeof f == sizeof bits);
        __builtin_memcpy(&f, &bits, sizeof f);
        return f;
    }
    uint32_t varint() {
        uint32_t v = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            if (p_ >= end_) return fail();
            const uint8_t b = *p_++;
            v |= uint32_t(b & 0x7f) << shift;
            if (!(b & 0x80)) return v;
        }
        return fail();
    }
    std::string_view bytes(size_t n) {
        if (remaining() < n) {
            fail();
            return {};
        }
        std::string_view s(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        return s;
    }

private:
    uint8_t fail() {
        failed_ = true;
        p_ = end_;
        return 0;
    }
    const unsigned char* p_;
    const unsigned char* end_;
    bool failed_ = false;
};

}  // namespace vantrel::basemap
