#include "DamagedFiles.h"

#include "DocumentsLock.h"

#include <QFile>
#include <QtGlobal>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vantrel::platform {

namespace {

// Far more copies than anyone keeps; past it something is wrong with the folder.
constexpr int kMostCopies = 1000;

// Renames without ever replacing an existing entry: 0, or the errno. File systems that cannot
// rename that way get a hard link and the removal of the old name, and those without hard links
// a check for the name followed by the rename.
int renameNoReplace(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return 0;
    }
    if (errno == EEXIST || errno == ENOENT) return errno;
    struct stat info {};
    if (::lstat(to.constData(), &info) == 0) return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

}  // namespace

QString damagedCopyName(const QString& path, int n) {
    return n <= 1 ? path + QStringLiteral(".damaged") : path + QStringLiteral(".damaged-%1").arg(n);
}

QString keepDamagedCopy(const QString& path, QString* error) {
    if (const QString refusal = pilotFilesWriteRefusal(); !refusal.isEmpty()) {
        if (error) *error = QStringLiteral("cannot keep %1 aside: %2").arg(path, refusal);
        return {};
    }
    const QByteArray from = QFile::encodeName(path);
    int code = EEXIST;
    for (int n = 1; n <= kMostCopies && code == EEXIST; ++n) {
        const QString aside = damagedCopyName(path, n);
        code = renameNoReplace(from, QFile::encodeName(aside));
        if (code == 0) return aside;
    }
    if (error)
        *error = code == EEXIST
                     ? QStringLiteral("cannot keep %1 aside: %2 copies are kept there already").arg(path).arg(kMostCopies)
                     : QStringLiteral("cannot keep %1 aside: %2").arg(path, qt_error_string(code));
    return {};
}

}  // namespace vantrel::platform
