#pragma once
// A live byte stream read on a thread of its own: a serial device, a TCP connection or a UDP port.
// Each chunk of bytes as it came (a datagram, what one read returned) goes to the digest function
// on the link's thread; the owner takes what it made of them on the main thread when digested()
// is emitted, once for any number of chunks since the last time. A receiver that sends thousands
// of sentences a second then costs the main thread one call per event-loop turn, and none of the
// reads, line splitting and parsing.
//
// Failures after opening (a refused or closed connection, a read error, a device unplugged) come
// through failed() on the main thread; the link is closed by then and stays closed until opened
// again.
//
// Ownership: owns its thread and, on it, the transport. Threads: created, opened, closed and
// destroyed on the main thread; restart and digest run on the link's thread, one at a time.

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QThread>

#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace vantrel::positioning {

class StreamLink : public QObject {
    Q_OBJECT
public:
    enum class Transport { Serial, Tcp, Udp };
    using Digest = std::function<void(QByteArrayView bytes)>;

    // Serial: address is the device, number the baud rate. Tcp: host and port. Udp: number is the
    // port listened on (all interfaces), address unused.
    StreamLink(Transport transport, QString address, int number, Digest digest, QObject* parent = nullptr);
    ~StreamLink() override;

    // Closes what was open, runs `restart` on the link's thread (the owner's fresh start of its
    // parser) and opens the transport again. Waits for the opening: the error of a device or port
    // that cannot be opened is returned (empty when it opened; a TCP connection is made later
    // and its refusal comes through failed()).
    QString open(std::function<void()> restart = {});
    void close();

signals:
    // Main thread: digest has run on bytes since the last time.
    void digested();
    // Main thread: the open link failed and is closed.
    void failed(const QString& error);

private:
    class Reader;
    enum class Command { None, Open, Close };

    // Has the reader run the command on its thread, and waits for it.
    QString command(Command command, std::function<void()> restart);
    Q_INVOKABLE void noticeDigested();
    Q_INVOKABLE void noticeFailures();

    std::mutex mutex_;
    std::condition_variable commandDone_;
    Command command_ = Command::None;  // under mutex_, as the three below
    std::function<void()> restart_;
    QString commandError_;
    QStringList failures_;  // from the reader, not yet told
    std::atomic<bool> notified_{false};  // a digested() is on its way to the main thread
    QThread thread_;
    Reader* reader_;  // lives on thread_, deleted as it ends
};

}  // namespace vantrel::positioning
