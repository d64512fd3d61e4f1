#include "NSData_Encryption.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Log.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <cstdlib>
#include <vector>

namespace vantrel::waypoints {

namespace {
constexpr qsizetype kTableSize = 256;
// Far above the largest country file (about 6 MB), far below what would hurt the app.
constexpr qint64 kLargestContainer = qint64(256) << 20;
}

namespace {
void tell(QString* reason, const QString& text) {
    if (reason) *reason = text;
}

// The whole of a regular file of at most kLargestContainer bytes. Anything else (a FIFO, a device,
// a folder, a link to one of them) is refused before a byte is read: reading a FIFO or /dev/zero
// would block or never end. O_NONBLOCK keeps the open itself from waiting for a FIFO's writer.
std::optional<QByteArray> readRegularFile(const QString& path, QString* reason) {
    int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        tell(reason, errno == ENOENT ? QStringLiteral("file missing") : QString::fromLocal8Bit(std::strerror(errno)));
        return std::nullopt;
    }
    struct stat info {};
    std::optional<QByteArray> result;
    if (::fstat(fd, &info) != 0) {
        tell(reason, QString::fromLocal8Bit(std::strerror(errno)));
    } else if (!S_ISREG(info.st_mode)) {
        tell(reason, QStringLiteral("not a regular file"));
    } else if (info.st_size > kLargestContainer) {
        tell(reason, QStringLiteral("larger than %1 MB").arg(kLargestContainer >> 20));
    } else {
        QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
        qsizetype done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += n;
        }
        if (done == bytes.size()) result = std::move(bytes);
        else tell(reason, QStringLiteral("the file changed or could not be read while reading it"));
    }
    ::close(fd);
    return result;
}
}  // namespace

QByteArray dataWithContentsOfEncryptedFile(const QString& path, bool* ok, QString* reason) {
    if (ok) *ok = false;
    std::optional<QByteArray> read = readRegularFile(path, reason);
    if (!read) return {};
    const QByteArray& raw = *read;
    if (raw.size() < kTableSize) {
        tell(reason, QStringLiteral("not a waypoint container"));
        return {};
    }

    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.constData());
    std::array<unsigned char, 256> inverse{};
    for (int i = 0; i < 256; ++i) inverse[bytes[i]] = static_cast<unsigned char>(i);

    QByteArray out(raw.size() - kTableSize, Qt::Uninitialized);
    auto* dst = reinterpret_cast<unsigned char*>(out.data());
    const unsigned char* src = bytes + kTableSize;
    for (qsizetype j = 0, n = out.size(); j < n; ++j) dst[j] = inverse[src[j]];
    if (ok) *ok = true;
    return out;
}

QByteArray drawSubstitutionTable() {
    // The pool holds the values not drawn yet, in ascending order. The pick index is taken modulo
    // (pool size - 1), so the last value, 255, is never picked before the final draw: T[255] = 255.
    std::vector<unsigned char> pool(256);
    for (int v = 0; v < 256; ++v) pool[static_cast<size_t>(v)] = static_cast<unsigned char>(v);
    QByteArray table(kTableSize, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i) {
        size_t m = pool.size();
        size_t k = m > 1 ? static_cast<unsigned>(std::rand()) % (m - 1) : 0;
        table[i] = static_cast<char>(pool[k]);
        pool.erase(pool.begin() + static_cast<ptrdiff_t>(k));
    }
    return table;
}

bool writeToEncryptedFile(const QByteArray& data, const QString& path) {
    QByteArray table = drawSubstitutionTable();
    QByteArray out(kTableSize + data.size(), Qt::Uninitialized);
    std::copy(table.cbegin(), table.cend(), out.begin());
    const auto* t = reinterpret_cast<const unsigned char*>(table.constData());
    const auto* src = reinterpret_cast<const unsigned char*>(data.constData());
    auto* dst = reinterpret_cast<unsigned char*>(out.data()) + kTableSize;
    for (qsizetype i = 0, n = data.size(); i < n; ++i) dst[i] = t[src[i]];

    QString error;
    if (platform::writeFileAtomically(path, out, &error)) return true;
    platform::logLine(QStringLiteral("Waypoint container not written: %1").arg(error));
    return false;
}

}  // namespace vantrel::waypoints
