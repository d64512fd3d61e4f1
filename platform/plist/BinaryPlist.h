#pragma once
// The binary property-list form ("bplist00"): a reader into an ObjectTable and a writer.
//
// The reader trusts nothing in the file: every offset, reference, count and integer size is
// checked against the bytes that are there, and the objects together may not claim more bytes than
// the file has, so a lying header can neither crash it nor make it allocate more than a small
// multiple of the file's size. It takes time linear in the file's size.
//
// The writer takes time linear in its objects: objects are added elements first, numbered in the
// order they are added, and laid out by finish() with the smallest reference and offset sizes that
// fit. Equal texts, numbers, dates and UIDs are stored once. Texts are written as ASCII when they
// are, otherwise as UTF-16.
//
// Ownership: the writer owns its buffers; the caller owns what finish() returns. Threads: any
// thread; one writer per thread.

#include "ObjectTable.h"

#include "../core/Value.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantrel::platform::plist {

namespace BinaryPlist {

bool isBinary(const QByteArray& bytes) noexcept;

// Fills the table with the plist's objects (table index = object number of the file). False, with
// the reason, on any damage.
bool read(const QByteArray& bytes, ObjectTable& table, QString* error);

// A binary plist of the value; shared arrays and dictionaries are written once. Empty, with the
// reason, when the value contains itself or nests too deep.
QByteArray write(const Value& value, QString* error);

}  // namespace BinaryPlist

class BinaryPlistWriter {
public:
    using Id = uint32_t;

    Id addNull();
    Id addBoolean(bool v);
    Id addInteger(int64_t v);
    Id addUnsigned(uint64_t v);  // 16 bytes above INT64_MAX, else as addInteger
    Id addReal(double v);
    Id addDate(double secondsSince1970);
    Id addData(std::string_view bytes);
    Id addString(std::string_view utf8);
    Id addUid(uint64_t v);
    Id addArray(std::span<const Id> elements);
    Id addDictionary(std::span<const Id> keys, std::span<const Id> values);

    // The whole file with `top` as its root object.
    QByteArray finish(Id top) const;

private:
    struct Object {
        uint8_t marker;  // 0 for a scalar already encoded in scalars_, else 0xA0 or 0xD0
        uint32_t count;  // bytes of the scalar, or elements / entries of the container
        size_t begin;    // into scalars_ or refs_
    };
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    };

    // Numbers the scalar encoded in scalars_ from `begin` on.
    Id addScalar(size_t begin);
    Id addContainer(uint8_t marker, size_t count, std::span<const Id> first, std::span<const Id> second);
    Id addDouble(std::unordered_map<uint64_t, Id>& table, uint8_t marker, double v);

    std::vector<Object> objects_;
    std::string scalars_;
    std::vector<Id> refs_;
    std::unordered_map<std::string, Id, TextHash, std::equal_to<>> texts_;
    std::unordered_map<uint64_t, Id> integers_, unsignedIntegers_, reals_, dates_, uids_;
    std::vector<Id> denseUids_;
    Id booleans_[2] = {UINT32_MAX, UINT32_MAX};
    Id null_ = UINT32_MAX;
};

}  // namespace vantrel::platform::plist
