#include "PlistTestSupport.h"

#include "platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vantrel::test {
namespace {

using platform::Array;
using platform::Value;
namespace plist = platform::plist;

void putBigEndian(QByteArray& out, uint64_t v, size_t size) {
    for (size_t i = size; i-- > 0;) out.append(char((v >> (8 * i)) & 0xFF));
}

// A binary plist made of the given encoded objects (object i is objects[i], object 0 the top).
QByteArray handmade(const std::vector<QByteArray>& objects, size_t refSize = 1, size_t offsetSize = 1) {
    QByteArray out("bplist00");
    std::vector<uint64_t> offsets;
    for (const QByteArray& o : objects) {
        offsets.push_back(uint64_t(out.size()));
        out += o;
    }
    uint64_t table = uint64_t(out.size());
    for (uint64_t offset : offsets) putBigEndian(out, offset, offsetSize);
    out += QByteArray(6, '\0');
    out += char(offsetSize);
    out += char(refSize);
    putBigEndian(out, objects.size(), 8);
    putBigEndian(out, 0, 8);
    putBigEndian(out, table, 8);
    return out;
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out += char(v);
    return out;
}

// Trailer fields, counted back from the end of the file.
void patch(QByteArray& file, qsizetype fromEnd, uint64_t v, size_t size) {
    QByteArray field;
    putBigEndian(field, v, size);
    file.replace(file.size() - fromEnd, qsizetype(size), field);
}

// Arrays nested `depth` deep, each holding the next (2-byte references).
QByteArray nestedArrays(int depth) {
    std::vector<QByteArray> objects;
    for (int i = 0; i < depth; ++i) objects.push_back(bytes({0xA1, (i + 1) >> 8, (i + 1) & 0xFF}));
    objects.push_back(bytes({0xA0}));
    return handmade(objects, 2, 2);
}

TEST(BinaryPlist, DamagedFilesAreRefusedWithAReason) {
    QByteArray valid = handmade({bytes({0xA1, 0x01}), bytes({0x10, 0x05})});
    QByteArray overlapping = handmade({bytes({0xAF, 0x10, 0x64}) + QByteArray(100, '\0')});
    overlapping.chop(32);
    overlapping += QByteArray(999, '\x08');  // 1000 offsets, all of the same 103-byte array
    overlapping += QByteArray(6, '\0') + bytes({1, 1});
    putBigEndian(overlapping, 1000, 8);
    putBigEndian(overlapping, 0, 8);
    putBigEndian(overlapping, 8 + 103, 8);

    struct Case {
        const char* what;
        QByteArray file;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"too short", QByteArray("bplist00") + QByteArray(20, '\0'), "too short"},
        {"array holding itself", handmade({bytes({0xA1, 0x00})}), "contains itself"},
        {"two arrays holding each other", handmade({bytes({0xA1, 0x01}), bytes({0xA1, 0x00})}), "contains itself"},
        {"reference past the objects", handmade({bytes({0xA1, 0x05})}), "reference out of range"},
        {"unknown marker", handmade({bytes({0x70})}), "unknown object type"},
        {"integer of 32 bytes", handmade({bytes({0x15}) + QByteArray(32, '\1')}), "bad integer size"},
        {"text longer than the file", handmade({bytes({0x5A, 'a', 'b'})}), "runs past"},
        {"count of 2^64-1", handmade({bytes({0x5F, 0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'})}), "runs past"},
        {"count that is no integer", handmade({bytes({0x5F, 0x22, 0, 0, 0, 0})}), "bad count"},
        // Number keys read as their text (see ForeignPlistTest); a container is no key.
        {"array as key", handmade({bytes({0xD1, 0x01, 0x01}), bytes({0xA0})}), "key is not a text"},
        {"objects sharing bytes", overlapping, "objects overlap"},
        {"nesting past the limit", nestedArrays(600), "nested deeper"},
    };
    auto tweaked = [&](const char* what, qsizetype fromEnd, uint64_t v, size_t size, const char* reason) {
        QByteArray file = valid;
        patch(file, fromEnd, v, size);
        cases.push_back({what, file, reason});
    };
    tweaked("object count of 2^40", 24, 1ull << 40, 8, "does not fit");
    tweaked("top past the objects", 16, 2, 8, "top object");
    tweaked("offset size 0", 26, 0, 1, "bad offset or reference size");
    tweaked("reference size 9", 25, 9, 1, "bad offset or reference size");
    tweaked("offset table past the end", 8, 1ull << 62, 8, "offset table outside");
    tweaked("object offset past the objects", 33, 0xF0, 1, "outside the object area");

    LogCapture log;
    for (const Case& c : cases) {
        QString error;
        EXPECT_TRUE(plist::parse(c.file, &error).isNull()) << c.what;
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << c.what << ": " << error.toStdString();
    }
    EXPECT_TRUE(log.contains("Property list unreadable"));
    EXPECT_TRUE(identical(list({Value::integer(5)}), plist::parse(valid)));
    EXPECT_EQ(plist::parse(nestedArrays(500)).type(), platform::ValueType::Array);
}

TEST(BinaryPlist, ReadsEveryEncodingWritersUse) {
    struct Case {
        const char* what;
        QByteArray file;
        Value expected;
    };
    const Case cases[] = {
        {"Latin-1 bytes in an ASCII text", handmade({bytes({0x52, 0xE9, 't'})}), Value("\u00e9t")},
        {"UTF-16 with a surrogate pair", handmade({bytes({0x62, 0xD8, 0x34, 0xDD, 0x1E})}), Value("\U0001d11e")},
        {"UTF-16 with a lone surrogate", handmade({bytes({0x62, 0xD8, 0x34, 0x00, 'a'})}), Value("\ufffda")},
        {"single-precision real", handmade({bytes({0x22, 0x3F, 0xC0, 0x00, 0x00})}), Value::real(1.5)},
        {"16-byte negative integer", handmade({bytes({0x14, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE})}), Value::integer(-2)},
        {"set and null", handmade({bytes({0xC2, 0x01, 0x02}), bytes({0x00}), bytes({0x09})}), list({Value(), Value::boolean(true)})},
        {"UID", handmade({bytes({0x81, 0x01, 0x02})}), dict({{"CF$UID", Value::integer(258)}})},
        {"3-byte references and offsets", handmade({bytes({0xA2, 0, 0, 1, 0, 0, 2}), bytes({0x51, 'a'}), bytes({0x08})}, 3, 3),
         list({"a", Value::boolean(false)})},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_TRUE(identical(c.expected, plist::parse(c.file, &error))) << c.what << ": " << error.toStdString();
    }
}

TEST(BinaryPlist, ReferenceAndOffsetSizesGrowWithTheFile) {
    for (int count : {10, 300, 70000}) {
        platform::ArrayPtr a = Array::create();
        for (int i = 0; i < count; ++i) a->append(Value::integer(i * 7 - 3));
        QByteArray file = plist::toBinary(Value(a));
        int refSize = count < 255 ? 1 : count < 65535 ? 2 : 4;
        EXPECT_EQ(file[file.size() - 25], char(refSize)) << count;
        EXPECT_EQ(file[file.size() - 26], char(file.size() < 256 ? 1 : file.size() < 65536 ? 2 : 4)) << count;
        EXPECT_TRUE(identical(Value(a), plist::parse(file))) << count;
    }
}

}  // namespace
}  // namespace vantrel::test
