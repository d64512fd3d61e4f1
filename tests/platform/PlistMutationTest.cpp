#include "PlistTestSupport.h"

#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace vantrel::test {
namespace {

using platform::Value;

// One random damage: bytes overwritten, the file cut short, bytes inserted, a slice repeated, or
// a trailer byte of a binary plist changed.
QByteArray mutate(QByteArray bytes, std::mt19937& random) {
    auto below = [&](qsizetype n) { return qsizetype(random() % uint32_t(std::max<qsizetype>(n, 1))); };
    switch (random() % 5) {
    case 0:
        for (int n = 1 + below(4); n > 0; --n) bytes[below(bytes.size())] = char(random());
        break;
    case 1: bytes.truncate(below(bytes.size())); break;
    case 2: {
        QByteArray noise;
        for (int n = 1 + below(8); n > 0; --n) noise += char(random());
        bytes.insert(below(bytes.size() + 1), noise);
        break;
    }
    case 3: {
        qsizetype from = below(bytes.size());
        bytes.insert(below(bytes.size()), bytes.mid(from, 1 + below(64)));
        break;
    }
    default: bytes[bytes.size() - 1 - below(32)] = char(random()); break;
    }
    return bytes;
}

// Damages each fixture `times` times (a fixed seed: every run tries the same damage) and reads
// it as a plist and with `archiveReader`; a refusal must come without a value. Both outcomes
// must occur often, so that the damage reaches past the first checks.
template <typename ArchiveReader>
void expectDamageIsReadOrRefused(std::initializer_list<const char*> names, unsigned seed, int times,
                                 ArchiveReader archiveReader) {
    std::mt19937 random(seed);
    LogCapture log;
    int refused = 0, accepted = 0;
    for (const char* name : names) {
        QByteArray original = fixture(name);
        for (int i = 0; i < times; ++i) {
            QByteArray damaged = mutate(original, random);
            QString plistError, archiveError;
            Value plain = platform::plist::parse(damaged, &plistError);
            Value root = archiveReader(damaged, &archiveError);
            for (const auto& [value, error] : {std::pair(plain, plistError), std::pair(root, archiveError)}) {
                if (error.isEmpty()) {
                    ++accepted;
                } else {
                    ++refused;
                    EXPECT_TRUE(value.isNull()) << name << " mutation " << i;
                }
            }
        }
    }
    EXPECT_GT(refused, 1000);
    EXPECT_GT(accepted, 1000);
}

TEST(PlistMutation, DamagedFixturesNeverCrashTheReaders) {
    expectDamageIsReadOrRefused({"types.bplist", "types.xml", "big_integers.bplist", "archive.bplist", "archive.xml"},
                                20240601, 1500, [](const QByteArray& bytes, QString* error) {
                                    return platform::KeyedArchive::unarchive(bytes, error);
                                });
}

TEST(PlistMutation, DamagedForeignFixturesNeverCrashTheInspectingReader) {
    expectDamageIsReadOrRefused({"foreign_archive.bplist", "foreign_archive.xml", "wide_values.xml", "number_keys.bplist",
                                 "utf16le.xml"},
                                20261209, 1000, [](const QByteArray& bytes, QString* error) {
                                    return platform::KeyedArchive::unarchiveTopObjects(bytes, error);
                                });
}

}  // namespace
}  // namespace vantrel::test
