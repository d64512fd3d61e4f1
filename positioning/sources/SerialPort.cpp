#include "SerialPort.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace vantrel::positioning {

namespace {

speed_t speedFor(int baud) {
    switch (baud) {
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
    }
}

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

}  // namespace

bool SerialPort::isSupportedBaudRate(int baud) { return speedFor(baud) != B0; }

SerialPort::SerialPort(QString path, int baud, QObject* parent) : QObject(parent), path_(std::move(path)), baud_(baud) {}

SerialPort::~SerialPort() { close(); }

bool SerialPort::open(QString* error) {
    close();
    int fd = ::open(path_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("cannot open %1: %2").arg(path_, systemError());
        return false;
    }
    termios tty{};
    if (::tcgetattr(fd, &tty) != 0) {
        *error = QStringLiteral("%1 is not a serial device: %2").arg(path_, systemError());
        ::close(fd);
        return false;
    }
    ::cfmakeraw(&tty);
    tty.c_cflag |= CLOCAL | CREAD;
    tty.c_cflag &= ~(CSTOPB | PARENB);
    ::cfsetispeed(&tty, speedFor(baud_));
    ::cfsetospeed(&tty, speedFor(baud_));
    if (::tcsetattr(fd, TCSANOW, &tty) != 0) {
        *error = QStringLiteral("cannot set %1 to %2 baud: %3").arg(path_).arg(baud_).arg(systemError());
        ::close(fd);
        return false;
    }
    fd_ = fd;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SerialPort::readAvailable);
    return true;
}

void SerialPort::close() {
    if (notifier_) {
        // close() may run inside the notifier's own signal: let the event loop delete it.
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void SerialPort::readAvailable() {
    char buffer[4096];
    ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
        emit dataReceived(QByteArray(buffer, qsizetype(n)));
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    QString why = n == 0 ? QStringLiteral("the device hung up") : systemError();
    close();
    emit failed(QStringLiteral("%1: %2").arg(path_, why));
}

}  // namespace vantrel::positioning
