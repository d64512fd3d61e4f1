#include "StorageTestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vantrel::test {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

unsigned modeOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
    return unsigned(info.st_mode & 07777);
}

int openDescriptorCount() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size()); }

SmallFileSystem::SmallFileSystem(const char* size) {
    QByteArray folder = QDir::tempPath().toLocal8Bit() + "/vantrel-small-fs-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        problem_ = QStringLiteral("no folder to mount on: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    path_ = QString::fromLocal8Bit(folder);
    const QByteArray options = QByteArray("size=") + size + ",mode=0755";
    if (::geteuid() != 0) {
        problem_ = QStringLiteral("only root may mount a tmpfs");
    } else if (::mount("tmpfs", folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) != 0) {
        problem_ = QStringLiteral("mount -t tmpfs -o %1 failed: %2")
                       .arg(QString::fromLatin1(options), QString::fromLocal8Bit(std::strerror(errno)));
    } else {
        mounted_ = true;
    }
}

SmallFileSystem::~SmallFileSystem() {
    if (path_.isEmpty()) return;
    const QByteArray folder = QFile::encodeName(path_);
    // Detached, so that a file a failed test left open cannot keep the mount alive.
    if (mounted_ && ::umount2(folder.constData(), MNT_DETACH) != 0)
        ADD_FAILURE() << "could not unmount " << path_.toStdString() << ": " << std::strerror(errno);
    ::rmdir(folder.constData());
}

qint64 SmallFileSystem::fill(const QString& name) const {
    const int fd = ::open(QFile::encodeName(path_ + u'/' + name).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    const QByteArray block(4096, 'x');
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::write(fd, block.constData(), size_t(block.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += n;
    }
    ::close(fd);
    return total;
}

}  // namespace vantrel::test
