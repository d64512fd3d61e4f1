#include "AtomicFile.h"

#include "DocumentsLock.h"
#include "Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QtGlobal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace vantrel::platform {

namespace {

std::atomic<AtomicWriteStep> g_fault{AtomicWriteStep::None};

bool faultAt(AtomicWriteStep step) { return g_fault.load(std::memory_order_relaxed) == step; }

constexpr int kSuffixLength = 6;
constexpr char kSuffixCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isAsciiAlnum(QChar c) { return isAsciiDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// Six letters and digits, at least one a digit: a user's "flights.plist.backup" never looks like
// one of ours.
QString randomSuffix() {
    QRandomGenerator* random = QRandomGenerator::global();
    QString suffix(kSuffixLength, u'0');
    bool digit = false;
    for (QChar& c : suffix) {
        c = QLatin1Char(kSuffixCharacters[random->bounded(int(sizeof kSuffixCharacters) - 1)]);
        digit = digit || isAsciiDigit(c);
    }
    if (!digit) suffix[random->bounded(kSuffixLength)] = QLatin1Char(char('0' + random->bounded(10)));
    return suffix;
}

// The file a write of `path` replaces: the file a symbolic link points to, so that the link stays.
QString resolvedTarget(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    const QFileInfo link(path);
    const QString canonical = link.canonicalFilePath();
    if (!canonical.isEmpty()) return canonical;
    const QString dangling = link.symLinkTarget();
    return dangling.isEmpty() ? path : dangling;
}

// 0, or the errno of the write that failed. Short writes go on where they stopped.
int writeAll(int fd, const QByteArray& bytes) {
    const bool fault = faultAt(AtomicWriteStep::Write);
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype done = 0;
    while (done < size) {
        size_t chunk = size_t(size - done);
        if (fault) {
            if (done > 0) return ENOSPC;  // the first half went out, then the disk is full
            chunk = (chunk + 1) / 2;
        }
        const ssize_t n = ::write(fd, data + done, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return ENOSPC;  // a regular file that takes nothing more is full
        done += n;
    }
    return fault ? ENOSPC : 0;
}

int syncFile(int fd) {
    if (faultAt(AtomicWriteStep::Sync)) return EIO;
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

// After the rename: the folder's entry must reach the disk too, or a power loss can bring back
// the old file (or none). A file system that cannot sync folders (EINVAL) is left as it is.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int code = fd < 0 ? errno : 0;
    if (fd >= 0) {
        while (::fsync(fd) != 0 && (code = errno) == EINTR) code = 0;
        ::close(fd);
    }
    if (code != 0 && code != EINVAL)
        logLine(QStringLiteral("The folder %1 could not be synced after a save (%2); a power loss may bring back the file's "
                               "former content")
                    .arg(folder, qt_error_string(code)));
}

}  // namespace

void setAtomicWriteFaultForTesting(AtomicWriteStep step) { g_fault.store(step, std::memory_order_relaxed); }

QString atomicWriteTargetOf(const QString& entry) {
    const qsizetype dot = entry.size() - kSuffixLength - 1;
    if (dot < 1 || entry.at(dot) != u'.') return {};
    bool digit = false;
    for (qsizetype i = dot + 1; i < entry.size(); ++i) {
        if (!isAsciiAlnum(entry.at(i))) return {};
        digit = digit || isAsciiDigit(entry.at(i));
    }
    return digit ? entry.left(dot) : QString();
}

int removeStaleTemporaryFiles(const QString& folder, const QStringList& targetNames) {
    if (folder.isEmpty() || targetNames.isEmpty() || !QFileInfo(folder).isDir()) return 0;
    const QSet<QString> targets(targetNames.cbegin(), targetNames.cend());
    const QStringList entries = QDir(folder).entryList(
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks | QDir::NoDotAndDotDot, QDir::Unsorted);
    int removed = 0;
    for (const QString& entry : entries) {
        const QString target = atomicWriteTargetOf(entry);
        if (target.isEmpty() || !targets.contains(target)) continue;
        const QString path = folder + u'/' + entry;
        const QByteArray name = QFile::encodeName(path);
        const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;  // gone already (renamed into place by its writer), or not ours to open
        struct stat info {};
        // A writer still at work holds its lock: its file is not stale.
        const bool stale = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                           (::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK);
        if (stale) {
            if (::unlink(name.constData()) == 0) {
                ++removed;
                logLine(QStringLiteral("Removed %1, left by a save of %2 that did not finish").arg(path, target));
            } else {
                logLine(QStringLiteral("The temporary file %1, left by a save that did not finish, could not be removed: %2")
                            .arg(path, qt_error_string(errno)));
            }
        }
        ::close(fd);
    }
    return removed;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    if (const QString refusal = pilotFilesWriteRefusal(); !refusal.isEmpty()) {
        if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, refusal);
        return false;
    }
    const QString target = resolvedTarget(path);
    const QFileInfo targetInfo(target);
    const QString folder = targetInfo.absolutePath();
    QString temp;
    int fd = -1;
    int lockFd = -1;

    auto fail = [&](const QString& step, int code) {
        if (fd >= 0) ::close(fd);
        if (!temp.isEmpty()) ::unlink(QFile::encodeName(temp).constData());
        if (lockFd >= 0) ::close(lockFd);
        if (error)
            *error = QStringLiteral("cannot write %1 (%2): %3").arg(path, step, qt_error_string(code));
        return false;
    };

    struct stat old {};
    const bool replacing = ::stat(QFile::encodeName(target).constData(), &old) == 0 && S_ISREG(old.st_mode);

    int code = EEXIST;
    for (int attempt = 0; attempt < 100 && code == EEXIST; ++attempt) {
        const QString candidate = target + u'.' + randomSuffix();
        fd = ::open(QFile::encodeName(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        code = fd < 0 ? errno : 0;
        if (fd >= 0) temp = candidate;
    }
    if (fd < 0) return fail(QStringLiteral("creating a temporary file in %1").arg(folder), code);
    const QString tempName = QFileInfo(temp).fileName();
    const QByteArray tempPath = QFile::encodeName(temp);

    // The lock sits on a descriptor of its own, so that the written one is closed (and its
    // close checked) before the rename while the file stays locked until it has its final name.
    lockFd = ::open(tempPath.constData(), O_RDONLY | O_CLOEXEC);
    if (lockFd >= 0 && ::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFd);
        lockFd = -1;
    }

    if (replacing) {
        // Owner and group first: changing them may clear set-id bits that the mode then restores.
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only a privileged writer may give a file away; the file then stays the writer's.
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            code = errno;
            return fail(QStringLiteral("giving %1 the permissions of the file it replaces").arg(tempName), code);
        }
    }
    if ((code = writeAll(fd, bytes))) return fail(QStringLiteral("writing %1").arg(tempName), code);
    if ((code = syncFile(fd))) return fail(QStringLiteral("syncing %1 to the disk").arg(tempName), code);
    code = ::close(fd) == 0 ? 0 : errno;
    fd = -1;
    // Linux releases the descriptor even when close is interrupted; the data is already synced.
    if (code != 0 && code != EINTR) return fail(QStringLiteral("closing %1").arg(tempName), code);

    code = faultAt(AtomicWriteStep::Rename) ? EXDEV
           : ::rename(tempPath.constData(), QFile::encodeName(target).constData()) == 0 ? 0
                                                                                         : errno;
    if (code) return fail(QStringLiteral("renaming %1 into place").arg(tempName), code);
    temp.clear();
    if (lockFd >= 0) ::close(lockFd);
    lockFd = -1;

    syncFolder(folder);
    removeStaleTemporaryFiles(folder, {targetInfo.fileName()});
    return true;
}

}  // namespace vantrel::platform
