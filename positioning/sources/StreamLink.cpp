#include "StreamLink.h"

#include "SerialPort.h"

#include <QTcpSocket>
#include <QUdpSocket>

namespace vantrel::positioning {

// The transport and its reads, on the link's thread. The calls between the two threads go by
// name through Qt's event queue and carry nothing: what they hand over lies in the link, under its
// mutex.
class StreamLink::Reader : public QObject {
    Q_OBJECT
public:
    Reader(StreamLink* link, Transport transport, QString address, int number, Digest digest)
        : link_(link), transport_(transport), address_(std::move(address)), number_(number), digest_(std::move(digest)) {}
    ~Reader() override { close(); }

    // Runs the link's command (open or close) and tells the waiting main thread it is done.
    Q_INVOKABLE void runCommand() {
        std::unique_lock lock(link_->mutex_);
        const bool opening = link_->command_ == Command::Open;
        std::function<void()> restart = std::move(link_->restart_);
        lock.unlock();
        close();
        QString error;
        if (opening) {
            if (restart) restart();
            error = open();
        }
        lock.lock();
        link_->command_ = Command::None;
        link_->commandError_ = error;
        link_->commandDone_.notify_all();
    }

private:
    QString open() {
        switch (transport_) {
        case Transport::Serial: {
            serial_ = new SerialPort(address_, number_, this);
            connect(serial_, &SerialPort::dataReceived, this, [this](const QByteArray& bytes) { read(bytes); });
            connect(serial_, &SerialPort::failed, this, &Reader::fail);
            QString error;
            if (!serial_->open(&error)) {
                close();
                return error;
            }
            break;
        }
        case Transport::Tcp:
            tcp_ = new QTcpSocket(this);
            connect(tcp_, &QTcpSocket::readyRead, this, [this] { read(tcp_->readAll()); });
            connect(tcp_, &QTcpSocket::errorOccurred, this, [this] { fail(tcp_->errorString()); });
            connect(tcp_, &QTcpSocket::disconnected, this, [this] { fail(QStringLiteral("the connection was closed")); });
            tcp_->connectToHost(address_, quint16(number_));
            break;
        case Transport::Udp:
            udp_ = new QUdpSocket(this);
            connect(udp_, &QUdpSocket::readyRead, this, [this] {
                // One buffer for every datagram: a read is one system call, with no datagram
                // object made for it.
                while (udp_ && udp_->hasPendingDatagrams()) {
                    const qint64 n = udp_->readDatagram(datagram_.data(), datagram_.size());
                    if (n < 0) break;
                    read(QByteArrayView(datagram_.constData(), n));
                }
            });
            if (!udp_->bind(QHostAddress::Any, quint16(number_), QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
                QString error = udp_->errorString();
                close();
                return error;
            }
            break;
        }
        return {};
    }

    void close() {
        // A transport may be closed from inside its own signal: detached now, deleted later.
        for (QObject* transport : {static_cast<QObject*>(serial_), static_cast<QObject*>(tcp_), static_cast<QObject*>(udp_)}) {
            if (!transport) continue;
            transport->disconnect(this);
            transport->deleteLater();
        }
        if (serial_) serial_->close();
        if (tcp_) tcp_->abort();
        if (udp_) udp_->close();
        serial_ = nullptr;
        tcp_ = nullptr;
        udp_ = nullptr;
    }

    void read(QByteArrayView bytes) {
        if (bytes.isEmpty()) return;
        digest_(bytes);
        // One notice on its way to the main thread at a time: it takes in everything digested
        // before it runs, and bytes digested after it cleared the flag send another.
        if (!link_->notified_.exchange(true)) QMetaObject::invokeMethod(link_, "noticeDigested", Qt::QueuedConnection);
    }

    void fail(const QString& error) {
        close();
        {
            std::lock_guard lock(link_->mutex_);
            link_->failures_.append(error);
        }
        QMetaObject::invokeMethod(link_, "noticeFailures", Qt::QueuedConnection);
    }

    StreamLink* const link_;
    const Transport transport_;
    const QString address_;
    const int number_;
    const Digest digest_;
    QByteArray datagram_ = QByteArray(65536, Qt::Uninitialized);  // the largest a UDP datagram can be
    SerialPort* serial_ = nullptr;  // the open transport, a child
    QTcpSocket* tcp_ = nullptr;
    QUdpSocket* udp_ = nullptr;
};

StreamLink::StreamLink(Transport transport, QString address, int number, Digest digest, QObject* parent)
    : QObject(parent), reader_(new Reader(this, transport, std::move(address), number, std::move(digest))) {
    reader_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, reader_, &QObject::deleteLater);
    // The thread's last act takes the mutex, which the destructor takes after waiting for it:
    // the end of the thread's work is then ordered before what follows by a lock the thread
    // checker sees as well (it does not see inside QThread::wait).
    connect(&thread_, &QThread::finished, reader_, [this] { std::lock_guard lock(mutex_); }, Qt::DirectConnection);
    thread_.setObjectName(QStringLiteral("stream link"));
    thread_.start();
}

StreamLink::~StreamLink() {
    // The reader closes its transport as it is deleted, when the thread ends.
    thread_.quit();
    thread_.wait();
    std::lock_guard lock(mutex_);
}

QString StreamLink::command(Command command, std::function<void()> restart) {
    std::unique_lock lock(mutex_);
    command_ = command;
    restart_ = std::move(restart);
    QMetaObject::invokeMethod(reader_, "runCommand", Qt::QueuedConnection);
    commandDone_.wait(lock, [this] { return command_ == Command::None; });
    return std::exchange(commandError_, {});
}

QString StreamLink::open(std::function<void()> restart) { return command(Command::Open, std::move(restart)); }

void StreamLink::close() { command(Command::Close, {}); }

void StreamLink::noticeDigested() {
    notified_.store(false);
    emit digested();
}

void StreamLink::noticeFailures() {
    QStringList failures;
    {
        std::lock_guard lock(mutex_);
        failures.swap(failures_);
    }
    for (const QString& error : failures) emit failed(error);
}

}  // namespace vantrel::positioning

#include "StreamLink.moc"
