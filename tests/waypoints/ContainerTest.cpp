#include "waypoints/NSData_Encryption.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <unistd.h>

using namespace vantrel;
using waypoints::dataWithContentsOfEncryptedFile;
using waypoints::writeToEncryptedFile;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray identityTable() {
    QByteArray t(256, 0);
    for (int i = 0; i < 256; ++i) t[i] = static_cast<char>(i);
    return t;
}

}  // namespace

TEST(Container, RoundTripsEveryByteValueAndSizes) {
    test::TempDir dir;
    QByteArray everyByte;
    for (int rep = 0; rep < 3; ++rep)
        for (int v = 0; v < 256; ++v) everyByte.append(static_cast<char>(v));
    QByteArray random(100000, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (auto& c : random) c = static_cast<char>(gen.bounded(256));

    for (const QByteArray& payload : {QByteArray(), QByteArray("x"), everyByte, random}) {
        QString path = dir.file(QStringLiteral("c.ewpts"));
        ASSERT_TRUE(writeToEncryptedFile(payload, path));
        EXPECT_EQ(readAll(path).size(), payload.size() + 256);
        bool ok = false;
        EXPECT_EQ(dataWithContentsOfEncryptedFile(path, &ok), payload);
        EXPECT_TRUE(ok);
    }
}

TEST(Container, WrittenTablesArePermutationsEndingIn255AndScrambleThePayload) {
    test::TempDir dir;
    QByteArray payload("The payload of a container, readable before scrambling");
    for (int i = 0; i < 20; ++i) {
        QString path = dir.file(QStringLiteral("c%1").arg(i));
        ASSERT_TRUE(writeToEncryptedFile(payload, path));
        QByteArray file = readAll(path);
        std::set<unsigned char> values(file.begin(), file.begin() + 256);
        EXPECT_EQ(values.size(), 256u);
        EXPECT_EQ(static_cast<unsigned char>(file[255]), 255);
        EXPECT_EQ(file.mid(256).size(), payload.size());
        for (qsizetype j = 0; j < payload.size(); ++j)
            EXPECT_EQ(file[256 + j], file[static_cast<unsigned char>(payload[j])]);
    }
}

TEST(Container, TableDrawFollowsTheUnseededRandomSequence) {
    std::srand(1);  // an unseeded generator draws the sequence of seed 1
    QByteArray first = waypoints::drawSubstitutionTable();
    QByteArray second = waypoints::drawSubstitutionTable();
    std::srand(1);
    EXPECT_EQ(waypoints::drawSubstitutionTable(), first);
    EXPECT_NE(first, second);

    // The draw itself: pick rand() mod (pool size - 1) from the remaining values in order.
    std::srand(1);
    std::vector<int> pool(256);
    for (int v = 0; v < 256; ++v) pool[static_cast<size_t>(v)] = v;
    for (int i = 0; i < 256; ++i) {
        size_t m = pool.size();
        size_t k = m > 1 ? static_cast<unsigned>(std::rand()) % (m - 1) : 0;
        ASSERT_EQ(static_cast<unsigned char>(first[i]), pool[k]) << "position " << i;
        pool.erase(pool.begin() + static_cast<ptrdiff_t>(k));
    }
}

TEST(Container, AFreshProcessAlwaysWritesTheSameFirstTable) {
    test::TempDir dir;
    QString input = dir.file(QStringLiteral("plain"));
    writeRaw(input, QByteArray("same input"));
    QByteArray tables[2];
    for (int run = 0; run < 2; ++run) {
        QString out = dir.file(QStringLiteral("out%1").arg(run));
        int status = QProcess::execute(QStringLiteral(VANTREL_TOOL_PATH), {QStringLiteral("container"), QStringLiteral("pack"), input, out});
        ASSERT_EQ(status, 0);
        tables[run] = readAll(out).left(256);
    }
    EXPECT_EQ(tables[0], tables[1]);
    std::srand(1);
    EXPECT_EQ(tables[0], waypoints::drawSubstitutionTable());
}

TEST(Container, ReaderAcceptsAnyTable) {
    test::TempDir dir;
    QString path = dir.file(QStringLiteral("identity"));
    writeRaw(path, identityTable() + QByteArray("plain text"));
    EXPECT_EQ(dataWithContentsOfEncryptedFile(path), QByteArray("plain text"));

    // Exactly the table: an empty payload, and a valid container.
    writeRaw(path, identityTable());
    bool ok = false;
    EXPECT_TRUE(dataWithContentsOfEncryptedFile(path, &ok).isEmpty());
    EXPECT_TRUE(ok);

    // A table holding 7 twice (positions 7 and 9) and never 9: the later position wins, and a
    // stored byte the table never produces reads as 0.
    QByteArray dup = identityTable();
    dup[9] = 7;
    writeRaw(path, dup + QByteArray("\x07\x09\x05", 3));
    EXPECT_EQ(dataWithContentsOfEncryptedFile(path), QByteArray("\x09\x00\x05", 3));
}

TEST(Container, MissingOrShortFilesAreNotContainers) {
    test::TempDir dir;
    bool ok = true;
    EXPECT_TRUE(dataWithContentsOfEncryptedFile(dir.file(QStringLiteral("absent")), &ok).isEmpty());
    EXPECT_FALSE(ok);

    QString shortFile = dir.file(QStringLiteral("short"));
    writeRaw(shortFile, identityTable().left(255));
    ok = true;
    EXPECT_TRUE(dataWithContentsOfEncryptedFile(shortFile, &ok).isEmpty());
    EXPECT_FALSE(ok);

    ok = true;
    EXPECT_TRUE(dataWithContentsOfEncryptedFile(dir.path(), &ok).isEmpty());  // a directory
    EXPECT_FALSE(ok);
}

TEST(Container, WriteIntoAMissingFolderFailsAndCreatesNothing) {
    test::TempDir dir;
    QString path = dir.file(QStringLiteral("no/such/folder/c.ewpts"));
    EXPECT_FALSE(writeToEncryptedFile(QByteArray("data"), path));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QDir(dir.file(QStringLiteral("no"))).exists());
}

TEST(Container, AFailedWriteLeavesTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    test::TempDir dir;
    QString path = dir.file(QStringLiteral("c.ewpts"));
    ASSERT_TRUE(writeToEncryptedFile(QByteArray("old"), path));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(writeToEncryptedFile(QByteArray("new"), path));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(dataWithContentsOfEncryptedFile(path), QByteArray("old"));
}
