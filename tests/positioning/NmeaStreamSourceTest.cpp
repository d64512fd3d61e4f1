#include "PositioningTestSupport.h"
#include "tests/support/TestSupport.h"

#include "positioning/sources/NmeaStreamSource.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using vantrel::positioning::Fix;
using vantrel::positioning::NmeaStreamSource;
using vantrel::test::readPositioningData;
using vantrel::test::waitUntil;

namespace {

struct Collected {
    std::vector<Fix> fixes;
    QStringList failures;
};

void collect(NmeaStreamSource& source, Collected& into) {
    source.setHandlers({[&into](const Fix& f) { into.fixes.push_back(f); },
                        [&into](const QString& e) { into.failures.append(e); },
                        {},
                        {}});
}

QList<QByteArray> recordedEpochs() {
    // The recorded log, one datagram (or write) per RMC-led epoch.
    QList<QByteArray> epochs;
    for (const QByteArray& line : readPositioningData("geneva-midnight.nmea").split('\n')) {
        if (line.startsWith("$GPRMC") || epochs.isEmpty()) epochs.append(QByteArray());
        epochs.last().append(line + '\n');
    }
    return epochs;
}

quint16 freeUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

}  // namespace

TEST(NmeaStreamSource, UdpDatagramsFromASimulator) {
    vantrel::test::LogCapture log;
    quint16 port = freeUdpPort();
    NmeaStreamSource source(NmeaStreamSource::Transport::Udp, QString(), port);
    Collected got;
    collect(source, got);
    source.startUpdatingLocation();
    QUdpSocket sender;
    for (const QByteArray& epoch : recordedEpochs()) sender.writeDatagram(epoch, QHostAddress::LocalHost, port);
    ASSERT_TRUE(waitUntil([&] { return got.fixes.size() >= 11; }, 5000));
    EXPECT_DOUBLE_EQ(got.fixes[0].latitude, 46 + 14.2860 / 60);
    EXPECT_TRUE(got.failures.isEmpty());

    // A sender of something else entirely: reported once, however long it goes on.
    for (int i = 0; i < 40; ++i) sender.writeDatagram(QByteArray("\x7f\x12 telemetry frame ") + QByteArray::number(i) + "\n", QHostAddress::LocalHost, port);
    ASSERT_TRUE(waitUntil([&] { return !got.failures.isEmpty(); }, 5000));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(got.failures.size(), 1);
    EXPECT_TRUE(got.failures[0].contains("no valid NMEA"));
}

TEST(NmeaStreamSource, TcpServerThatGoesAwayIsReconnected) {
    vantrel::test::LogCapture log;
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    NmeaStreamSource source(NmeaStreamSource::Transport::Tcp, QStringLiteral("127.0.0.1"), server.serverPort());
    Collected got;
    collect(source, got);
    source.startUpdatingLocation();
    ASSERT_TRUE(waitUntil([&] { return server.hasPendingConnections(); }, 5000));
    QTcpSocket* peer = server.nextPendingConnection();
    QList<QByteArray> epochs = recordedEpochs();
    for (int i = 0; i < 4; ++i) peer->write(epochs[i]);
    ASSERT_TRUE(waitUntil([&] { return got.fixes.size() >= 3; }, 5000));

    peer->close();
    ASSERT_TRUE(waitUntil([&] { return !got.failures.isEmpty(); }, 5000));
    EXPECT_TRUE(got.failures[0].contains("closed"));
    // The source comes back on its own.
    ASSERT_TRUE(waitUntil([&] { return server.hasPendingConnections(); }, NmeaStreamSource::kReconnectMs + 3000));
    QTcpSocket* again = server.nextPendingConnection();
    size_t before = got.fixes.size();
    for (int i = 4; i < 8; ++i) again->write(epochs[i]);
    ASSERT_TRUE(waitUntil([&] { return got.fixes.size() >= before + 3; }, 5000));
}

TEST(NmeaStreamSource, RefusedConnectionIsAFailure) {
    vantrel::test::LogCapture log;
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    quint16 port = server.serverPort();
    server.close();
    NmeaStreamSource source(NmeaStreamSource::Transport::Tcp, QStringLiteral("127.0.0.1"), port);
    Collected got;
    collect(source, got);
    source.startUpdatingLocation();
    ASSERT_TRUE(waitUntil([&] { return !got.failures.isEmpty(); }, 5000));
    EXPECT_TRUE(log.contains("Position source NMEA from 127.0.0.1"));
}

// A pseudo-terminal stands in for a USB receiver: the real open, termios set-up and reads.
TEST(NmeaStreamSource, SerialReceiverAndItsUnplugging) {
    vantrel::test::LogCapture log;
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    QString device = QString::fromLocal8Bit(ptsname(master));

    NmeaStreamSource source(NmeaStreamSource::Transport::Serial, device, 9600);
    Collected got;
    collect(source, got);
    source.startUpdatingLocation();
    for (const QByteArray& epoch : recordedEpochs().mid(0, 5)) ASSERT_EQ(::write(master, epoch.constData(), size_t(epoch.size())), epoch.size());
    ASSERT_TRUE(waitUntil([&] { return got.fixes.size() >= 4; }, 5000));
    EXPECT_TRUE(got.failures.isEmpty());

    ::close(master);  // the receiver is unplugged
    ASSERT_TRUE(waitUntil([&] { return !got.failures.isEmpty(); }, 5000));
    EXPECT_TRUE(got.failures[0].contains(device));
}

TEST(NmeaStreamSource, MissingDeviceIsAFailure) {
    vantrel::test::LogCapture log;
    NmeaStreamSource source(NmeaStreamSource::Transport::Serial, QStringLiteral("/dev/ttyNOTHERE9"), 4800);
    Collected got;
    collect(source, got);
    source.startUpdatingLocation();
    ASSERT_EQ(got.failures.size(), 1);
    EXPECT_TRUE(got.failures[0].contains("cannot open /dev/ttyNOTHERE9"));
}

// A TCP server that sends nothing but garbage, fast: the first bad lines are shown, then "bad
// lines skipped" once (at most once a minute after that), and the source's state says why there
// is no position.
TEST(NmeaStreamSource, GarbageOnTcpIsLoggedOnceNotPerLine) {
    vantrel::test::LogCapture log;
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    NmeaStreamSource source(NmeaStreamSource::Transport::Tcp, QStringLiteral("127.0.0.1"), server.serverPort());
    Collected got;
    collect(source, got);
    source.startUpdatingLocation();
    EXPECT_EQ(source.stateText(), QStringLiteral("waiting for NMEA from 127.0.0.1:%1 (TCP)").arg(server.serverPort()));
    ASSERT_TRUE(waitUntil([&] { return server.hasPendingConnections(); }, 5000));
    QTcpSocket* peer = server.nextPendingConnection();
    QByteArray garbage;
    for (int i = 0; i < 2000; ++i) garbage.append("\x7f\x12 telemetry frame ").append(QByteArray::number(i)).append('\n');
    const int rounds = 50;  // 100,000 bad lines
    for (int i = 0; i < rounds; ++i) peer->write(garbage);
    ASSERT_TRUE(waitUntil([&] { return peer->bytesToWrite() == 0; }, 10000));
    waitUntil([] { return false; }, 300);

    int shown = 0, counted = 0;
    for (const QString& line : log.lines()) {
        shown += line.contains(QStringLiteral("skipped a line")) ? 1 : 0;
        counted += line.contains(QStringLiteral("bad lines skipped")) ? 1 : 0;
    }
    EXPECT_EQ(shown, 10);
    EXPECT_EQ(counted, 1);
    ASSERT_EQ(got.failures.size(), 1);
    EXPECT_EQ(source.stateText(), got.failures[0] + QStringLiteral(" from tcp:127.0.0.1:%1").arg(server.serverPort()));
}
