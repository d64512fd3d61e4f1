#pragma once
// A serial device (a GPS receiver on /dev/ttyUSB0, /dev/ttyACM0) read raw at a given baud rate,
// 8N1, without taking it as a controlling terminal. Bytes arrive through dataReceived; a read
// error or hang-up (the receiver unplugged) closes the port and is reported through failed.
//
// Ownership: owns the file descriptor; its notifier is a Qt child. Threads: main thread only.

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace vantrel::positioning {

class SerialPort : public QObject {
    Q_OBJECT
public:
    static bool isSupportedBaudRate(int baud);

    SerialPort(QString path, int baud, QObject* parent = nullptr);
    ~SerialPort() override;

    // Opens and configures the device; false with a reason on failure.
    bool open(QString* error);
    void close();
    bool isOpen() const { return fd_ >= 0; }

signals:
    void dataReceived(const QByteArray& bytes);
    void failed(const QString& error);

private:
    void readAvailable();

    QString path_;
    int baud_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;  // child while open
};

}  // namespace vantrel::positioning
