#include "DocumentsLock.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

namespace vantrel::platform {

namespace {
std::mutex g_readOnlyMutex;
QString g_readOnlyReason;

QString systemText(int error) { return QString::fromLocal8Bit(std::strerror(error)).toLower(); }

// The process id the holder wrote, for the message; empty when unreadable.
QString holderOf(int fd) {
    char buffer[32] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0) return {};
    bool ok = false;
    const long pid = QByteArray(buffer, int(n)).trimmed().toLong(&ok);
    return ok && pid > 0 ? QString::number(pid) : QString();
}
}  // namespace

DocumentsLock::DocumentsLock(const QString& folder, int waitMs) {
    if (folder.isEmpty()) {
        problem_ = QStringLiteral("there is no documents folder");
        return;
    }
    QDir().mkpath(folder);
    path_ = folder + u'/' + QLatin1String(kFileName);
    fd_ = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        problem_ = systemText(errno);
        return;
    }
    constexpr int kStepMs = 50;
    for (int waited = 0;; waited += kStepMs) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) break;
        const int error = errno;
        if (error == EINTR) continue;
        if (error != EWOULDBLOCK || waited >= waitMs) {
            if (error == EWOULDBLOCK) {
                state_ = State::HeldElsewhere;
                const QString pid = holderOf(fd_);
                problem_ = pid.isEmpty() ? QStringLiteral("another program holds it")
                                         : QStringLiteral("another program holds it (process %1)").arg(pid);
            } else {
                problem_ = systemText(error);
            }
            ::close(fd_);
            fd_ = -1;
            return;
        }
        QThread::msleep(kStepMs);
    }
    state_ = State::Held;
    // The holder's id for people who look; a failure here changes nothing about the lock.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, pid.constData(), size_t(pid.size()), 0) < 0) {
    }
}

DocumentsLock::~DocumentsLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the last descriptor of the open file releases the lock
}

void setPilotFilesReadOnly(const QString& reason) {
    std::lock_guard lock(g_readOnlyMutex);
    g_readOnlyReason = reason;
}

QString pilotFilesWriteRefusal() {
    std::lock_guard lock(g_readOnlyMutex);
    return g_readOnlyReason;
}

}  // namespace vantrel::platform
