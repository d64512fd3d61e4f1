// A private gpsd, fed a recorded NMEA log by a small TCP feeder, watched at the same time by the
// gpsd source and by a plain JSON client: the source must deliver exactly the fixes gpsd reports,
// and say so when the receiver goes quiet.

#include "PositioningTestSupport.h"
#include "tests/support/TestSupport.h"

#include "positioning/sources/GpsdSource.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <map>

using vantrel::positioning::Fix;
using vantrel::positioning::GpsdSource;
using vantrel::test::waitUntil;

namespace {

const QString kGpsd = QStringLiteral("/usr/sbin/gpsd");

quint16 freeTcpPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Stops the daemon however the test ends.
struct Daemon {
    QProcess process;
    ~Daemon() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
};

}  // namespace

TEST(GpsdSource, DeliversWhatGpsdReports) {
    if (!QFileInfo(kGpsd).isExecutable()) GTEST_SKIP() << "gpsd is not installed (" << kGpsd.toStdString() << "); Debian package gpsd";
    vantrel::test::LogCapture log;

    QTcpServer feeder;
    ASSERT_TRUE(feeder.listen(QHostAddress::LocalHost, 0));
    quint16 gpsdPort = freeTcpPort();
    Daemon gpsd;
    gpsd.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    gpsd.process.start(kGpsd, {"-N", "-n", "-S", QString::number(gpsdPort),
                               QStringLiteral("tcp://127.0.0.1:%1").arg(feeder.serverPort())});
    ASSERT_TRUE(gpsd.process.waitForStarted(5000));
    ASSERT_TRUE(waitUntil([&] { return feeder.hasPendingConnections(); }, 10000)) << "gpsd never read its device";
    QTcpSocket* receiver = feeder.nextPendingConnection();

    // gpsd's own reports, as any client sees them.
    QTcpSocket watcher;
    std::map<double, QJsonObject> reported;  // last TPV per time
    bool watching = false;
    QObject::connect(&watcher, &QTcpSocket::readyRead, [&] {
        while (watcher.canReadLine()) {
            QJsonObject report = QJsonDocument::fromJson(watcher.readLine()).object();
            if (report["class"] == "WATCH") watching = true;
            if (report["class"] == "TPV" && report["mode"].toInt() >= 2 && report.contains("lat"))
                reported[double(QDateTime::fromString(report["time"].toString(), Qt::ISODateWithMs).toMSecsSinceEpoch()) / 1000.0] = report;
        }
    });
    watcher.connectToHost(QHostAddress::LocalHost, gpsdPort);
    ASSERT_TRUE(watcher.waitForConnected(5000));
    watcher.write("?WATCH={\"enable\":true,\"json\":true};\n");

    GpsdSource source(QStringLiteral("127.0.0.1"), QString::number(gpsdPort));
    std::vector<Fix> fixes;
    QStringList failures;
    source.setHandlers({[&](const Fix& f) { fixes.push_back(f); }, [&](const QString& e) { failures.append(e); }, {}, {}});
    source.setSilenceMs(4000);
    QStringList states;
    QObject::connect(&source, &GpsdSource::stateChanged, [&](const QString& state) { states.append(state); });
    source.startUpdatingLocation();
    const QString name = QStringLiteral("gpsd at 127.0.0.1:%1").arg(gpsdPort);
    EXPECT_EQ(source.stateText(), "waiting for " + name);
    ASSERT_TRUE(waitUntil([&] { return watching && log.contains("Watching gpsd at 127.0.0.1"); }, 10000));
    waitUntil([] { return false; }, 300);  // let gpsd take the source's watch request

    // Feed the log one epoch at a time, as a receiver would.
    QByteArray epoch;
    auto flush = [&] {
        receiver->write(epoch);
        epoch.clear();
        waitUntil([] { return false; }, 150);
    };
    for (const QByteArray& line : vantrel::test::readPositioningData("geneva-midnight.nmea").split('\n')) {
        if (line.startsWith("$GPRMC") && !epoch.isEmpty()) flush();
        if (!line.trimmed().isEmpty()) epoch.append(line + '\n');
    }
    flush();
    ASSERT_TRUE(waitUntil([&] { return !reported.empty() && fixes.size() >= reported.size(); }, 10000))
        << fixes.size() << " fixes for " << reported.size() << " reports";

    ASSERT_GE(reported.size(), 8u);
    ASSERT_EQ(fixes.size(), reported.size());  // one fix per epoch, however many reports gpsd sent
    for (const Fix& fix : fixes) {
        auto it = reported.find(fix.timestamp);
        ASSERT_NE(it, reported.end()) << fix.description().toStdString();
        EXPECT_EQ(fix.latitude, it->second["lat"].toDouble());
        EXPECT_EQ(fix.longitude, it->second["lon"].toDouble());
        EXPECT_EQ(fix.horizontalAccuracy, it->second["eph"].toDouble());
    }
    // Midnight in the log came through as the next day.
    EXPECT_TRUE(reported.count(double(QDateTime(QDate(2024, 6, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch()) / 1000.0));
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(source.stateText(), "receiving from " + name);

    // The receiver goes quiet while gpsd stays up: one failure after the silence, so the last
    // fix stops being current.
    ASSERT_TRUE(waitUntil([&] { return !failures.isEmpty(); }, 8000));
    EXPECT_EQ(failures, QStringList{QStringLiteral("no data for 4 s")});
    EXPECT_EQ(source.stateText(), "no data for 4 s from " + name);
    EXPECT_EQ(states, (QStringList{"waiting for " + name, "receiving from " + name, "no data for 4 s from " + name}));
    EXPECT_TRUE(log.contains("Position source " + name + " failed: no data for 4 s"));

    // gpsd goes away: a failure, and the source keeps trying.
    gpsd.process.terminate();
    ASSERT_TRUE(gpsd.process.waitForFinished(5000));
    ASSERT_TRUE(waitUntil([&] { return failures.size() > 1; }, 5000));
    EXPECT_EQ(failures[1], QStringLiteral("connection lost"));
}

TEST(GpsdSource, NoDaemonIsAFailure) {
    vantrel::test::LogCapture log;
    GpsdSource source(QStringLiteral("127.0.0.1"), QString::number(freeTcpPort()));
    QStringList failures;
    source.setHandlers({{}, [&](const QString& e) { failures.append(e); }, {}, {}});
    source.startUpdatingLocation();
    ASSERT_TRUE(waitUntil([&] { return !failures.isEmpty(); }, 5000));
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral("cannot connect")));
    EXPECT_EQ(source.stateText(), QStringLiteral("waiting for gpsd at 127.0.0.1:%1").arg(source.description().section(':', -1)));
    EXPECT_TRUE(log.contains("Position source gpsd at 127.0.0.1"));
}
