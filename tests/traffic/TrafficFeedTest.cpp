// The traffic feed end to end: a recorded flight near Geneva with FLARM sentences replayed through
// the app's own file source, and GDL90 frames through the GDL90 source, ownship fix included.

#include "traffic/Gdl90Source.h"
#include "traffic/TrafficFeed.h"
#include "traffic/TrafficSources.h"

#include "platform/core/Log.h"
#include "positioning/LocationManager.h"
#include "positioning/sources/NmeaStreamSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <cmath>

namespace vantrel::traffic {
namespace {

QStringList logged;
void captureLog(const QString& line) { logged.append(line); }

struct Snapshot {
    std::vector<Target> targets;
    std::vector<TrafficAlert> alerts;
    const Target* find(uint32_t address) const {
        for (const Target& t : targets)
            if (t.id.address == address) return &t;
        return nullptr;
    }
};

TEST(TrafficFeed, FlarmReplayNearGenevaAgesAlertsAndCountsBadSentences) {
    logged.clear();
    platform::setLogSink(captureLog);
    QString error;
    auto source = createPositionSource(QStringLiteral("file:" VANTREL_TEST_DATA_DIR "/traffic/geneva-flarm.nmea"), &error);
    ASSERT_TRUE(source) << error.toStdString();
    positioning::LocationManager manager;
    TrafficFeed feed(TrafficFeed::Clock::Fixes);
    feed.setUnits(AlertUnits{});
    feed.setOwnTrackProvider([&] { return manager.accuracyValidForSpeedAndCourse() ? double(manager.course()) : NAN; });
    feed.listenTo(source.get());

    // snapshots[k]: the feed once the traffic that followed fix k has come.
    std::vector<Snapshot> snapshots;
    int fixes = 0;
    auto snapshot = [&] {
        feed.tick();
        snapshots.push_back({feed.targets(), feed.alerts()});
    };
    source->setHandlers({[&](const positioning::Fix& fix) {
                             if (fixes++ > 0) snapshot();
                             manager.locationManagerDidUpdateToLocation(fix);
                             feed.noteFix(fix);
                         },
                         {}, {}, snapshot});
    source->setPacing(positioning::PositionSource::Pacing::AsFastAsPossible);
    source->startUpdatingLocation();
    platform::setLogSink(nullptr);
    ASSERT_EQ(snapshots.size(), 61u);

    const Target* glider = snapshots[0].find(0xDD8F12);
    ASSERT_NE(glider, nullptr);
    EXPECT_DOUBLE_EQ(glider->north, -776);
    EXPECT_DOUBLE_EQ(glider->east, 2898);
    EXPECT_DOUBLE_EQ(glider->vertical, 120);
    EXPECT_DOUBLE_EQ(glider->track, 285);
    EXPECT_EQ(snapshots[0].targets.size(), 3u);
    EXPECT_TRUE(snapshots[0].alerts.empty());

    // The paraglider was last heard after fix 20: it is there 9 s later, gone at 10 s.
    EXPECT_NE(snapshots[29].find(0x3F0011), nullptr);
    EXPECT_NEAR(snapshots[29].find(0x3F0011)->age(29.0), 9.0, 1e-6);
    EXPECT_EQ(snapshots[30].find(0x3F0011), nullptr);
    EXPECT_EQ(snapshots[30].targets.size(), 2u);

    // The glider closes from 2 o'clock: alarms rise, the loudest comes first, and it ends.
    EXPECT_EQ(snapshots[20].find(0xDD8F12)->alarm, AlarmLevel::Low);
    EXPECT_EQ(snapshots[30].find(0xDD8F12)->alarm, AlarmLevel::Important);
    ASSERT_EQ(snapshots[40].alerts.size(), 1u);
    EXPECT_EQ(snapshots[40].alerts[0].level, AlarmLevel::Urgent);
    EXPECT_EQ(snapshots[40].alerts[0].text, QStringLiteral("Traffic 2 o'clock, 100 ft above, 0.1 nm"));
    EXPECT_EQ(snapshots[30].alerts[0].text, QStringLiteral("Traffic 2 o'clock, 200 ft above, 0.4 nm"));
    EXPECT_TRUE(snapshots[60].alerts.empty());
    const Target* above = snapshots[60].find(0x4B1A2C);
    ASSERT_NE(above, nullptr);
    EXPECT_DOUBLE_EQ(above->vertical, 1200);
    EXPECT_DOUBLE_EQ(above->east, 320);
    ASSERT_TRUE(feed.flarmStatus());
    EXPECT_EQ(feed.flarmStatus()->receivedDevices, 2);

    // Beyond 100 km, an address as another type, no position: dropped, counted, logged once.
    EXPECT_EQ(feed.badInputs(), 3);
    EXPECT_EQ(logged.filter(QStringLiteral("Traffic: dropped")).size(), 1) << logged.join('\n').toStdString();
    EXPECT_EQ(logged.filter(QStringLiteral("Traffic alert (level 3, FLARM DD8F12)")).size(), 1);
}

QByteArray reportMessage(uint8_t id, uint32_t address, double lat, double lon, int feet, int knots, double track,
                         const char* callsign) {
    return gdl90ReportMessage(id, address, lat, lon, feet, knots, 0, track, callsign);
}

QByteArray report(uint8_t id, uint32_t address, double lat, double lon, int feet, int knots, double track,
                  const char* callsign) {
    return gdl90Frame(reportMessage(id, address, lat, lon, feet, knots, track, callsign));
}

TEST(TrafficFeed, Gdl90SourceFliesTheOwnshipAndPlacesItsTraffic) {
    QString error;
    auto made = createPositionSource(QStringLiteral("gdl90:4711"), &error);
    ASSERT_TRUE(dynamic_cast<Gdl90Source*>(made.get()));
    EXPECT_EQ(static_cast<Gdl90Source*>(made.get())->port(), 4711);
    EXPECT_FALSE(createPositionSource(QStringLiteral("gdl90:70000"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("gdl90 wants")));

    Gdl90Source source(Gdl90Source::kDefaultPort);
    std::vector<positioning::Fix> fixes;
    QStringList failures;
    source.setHandlers({[&](const positioning::Fix& f) { fixes.push_back(f); },
                        [&](const QString& e) { failures.append(e); }, {}, {}});
    TrafficFeed feed(TrafficFeed::Clock::Fixes);
    feed.setUnits(AlertUnits{});
    feed.setOwnTrackProvider([&] { return feed.ownship().track; });
    feed.listenTo(&source);

    const double lat = 46.30, lon = 6.20;
    // 0.3 NM at 2 o'clock of a track of 045 (bearing 105), 300 ft above; another 3 NM north.
    const double d = 0.3 * 1852.0, b = 105.0 * M_PI / 180.0;
    const double tlat = lat + d * std::cos(b) / (6371000.0 * M_PI / 180.0);
    const double tlon = lon + d * std::sin(b) / (6371000.0 * M_PI / 180.0 * std::cos(lat * M_PI / 180.0));
    QByteArray datagram = gdl90Frame(QByteArray::fromHex("0081010000" "0000")) +
                          report(10, 0xF00001, lat, lon, 4000, 100, 45.0, "VANTREL") +
                          gdl90Frame(QByteArray::fromHex("0b0320000a")) +
                          report(20, 0x4B1A2C, tlat, tlon, 4300, 110, 285.0, "HBKOF") +
                          report(20, 0x3C6544, lat + 3 * 1852.0 / 111195.0, lon, 9500, 250, 45.0, "DLH4AB");
    QByteArray damaged = report(20, 0x123456, lat, lon, 4000, 100, 0, "BAD");
    damaged[10] = char(damaged[10] ^ 0x01);
    // The datagram cut in two, with a damaged frame between the halves.
    source.consume(QByteArrayView(datagram).first(40));
    source.consume(QByteArrayView(datagram).sliced(40));
    source.consume(damaged);
    feed.tick();

    ASSERT_EQ(fixes.size(), 1u);
    EXPECT_NEAR(fixes[0].latitude, lat, 2.2e-5);
    EXPECT_NEAR(fixes[0].longitude, lon, 2.2e-5);
    EXPECT_DOUBLE_EQ(fixes[0].horizontalAccuracy, 10.0);  // NACp 10
    EXPECT_NEAR(feed.ownship().pressureAltitude, 4000 * 0.3048, 0.01);
    EXPECT_NEAR(feed.ownship().geometricAltitude, 800 * 5 * 0.3048, 1e-9);

    ASSERT_EQ(feed.targets().size(), 2u);
    EXPECT_EQ(feed.badInputs(), 0);  // the source dropped the damaged frame before passing frames on
    const Target* close = nullptr;
    for (const Target& t : feed.targets())
        if (t.id.address == 0x4B1A2C) close = &t;
    ASSERT_NE(close, nullptr);
    EXPECT_NEAR(close->north, d * std::cos(b), 5.0);
    EXPECT_NEAR(close->east, d * std::sin(b), 5.0);
    EXPECT_NEAR(close->vertical, 300 * 0.3048, 0.01);
    EXPECT_EQ(close->callsign, QStringLiteral("HBKOF"));
    ASSERT_EQ(feed.alerts().size(), 1u);
    EXPECT_EQ(feed.alerts()[0].text, QStringLiteral("Traffic 2 o'clock, 300 ft above, 0.3 nm"));

    // The ownship moves onto the traffic's place: the traffic's relative place follows.
    source.consume(report(10, 0xF00001, tlat, tlon, 4000, 100, 45.0, "VANTREL"));
    for (const Target& t : feed.targets())
        if (t.id.address == 0x4B1A2C) {
            EXPECT_NEAR(t.distance, 0.0, 3.0);
        }
    // An ownship report without position is a failure, not a fix at 0, 0.
    QByteArray lost = reportMessage(10, 0xF00001, 0, 0, 4000, 100, 45.0, "VANTREL");
    lost[13] = 0;  // NIC 0 with latitude and longitude 0
    source.consume(gdl90Frame(lost));
    EXPECT_EQ(fixes.size(), 2u);
    EXPECT_TRUE(failures.contains(QStringLiteral("the receiver has no position"))) << failures.join('|').toStdString();
}

// A free UDP port on this machine, for a source to bind.
quint16 freePort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

template <typename Done>
bool waitFor(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

// Over real datagrams: the GDL90 source on its port, and an NMEA UDP source whose datagrams carry
// FLARM sentences between the position sentences.
TEST(TrafficFeed, DatagramsOfBothKindsReachTheFeed) {
    const quint16 gdlPort = freePort();
    Gdl90Source gdl(gdlPort);
    std::vector<positioning::Fix> fixes;
    gdl.setHandlers({[&](const positioning::Fix& f) { fixes.push_back(f); }, {}, {}, {}});
    TrafficFeed gdlFeed(TrafficFeed::Clock::Wall);
    gdlFeed.listenTo(&gdl);
    gdl.startUpdatingLocation();
    QUdpSocket sender;
    sender.writeDatagram(report(10, 0xF00001, 46.3, 6.2, 4000, 100, 45.0, "VANTREL") +
                             report(20, 0x4B1A2C, 46.31, 6.2, 4500, 100, 45.0, "HBKOF"),
                         QHostAddress::LocalHost, gdlPort);
    ASSERT_TRUE(waitFor([&] { return !gdlFeed.targets().empty(); }));
    ASSERT_EQ(fixes.size(), 1u);
    EXPECT_NEAR(gdlFeed.targets()[0].north, 0.01 * 6371000.0 * M_PI / 180.0, 5.0);
    EXPECT_NEAR(gdlFeed.targets()[0].vertical, 500 * 0.3048, 0.01);

    const quint16 nmeaPort = freePort();
    positioning::NmeaStreamSource nmea(positioning::NmeaStreamSource::Transport::Udp, QString(), nmeaPort);
    int nmeaFixes = 0;
    nmea.setHandlers({[&](const positioning::Fix&) { ++nmeaFixes; }, {}, {}, {}});
    TrafficFeed flarmFeed(TrafficFeed::Clock::Wall);
    flarmFeed.listenTo(&nmea);
    nmea.startUpdatingLocation();
    QFile file(QStringLiteral(VANTREL_TEST_DATA_DIR "/traffic/geneva-flarm.nmea"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QByteArray datagram;
    for (qsizetype i = 0; i < 12; ++i) datagram += lines[i] + '\n';  // two seconds
    sender.writeDatagram(datagram, QHostAddress::LocalHost, nmeaPort);
    ASSERT_TRUE(waitFor([&] { return flarmFeed.targets().size() == 3; }));
    EXPECT_EQ(nmeaFixes, 2);
    EXPECT_TRUE(flarmFeed.flarmStatus().has_value());
}

// A FLARM bridge on TCP sends ten rounds of 500 targets at once, position sentences before each
// round and a target beyond 100 km in each. The sentences are read where the source reads its
// input, not on the main thread; the main thread takes everything in at a few deliveries, and the
// fixes, the targets and the count of damaged sentences all come through.
TEST(TrafficFeed, AFloodFromATcpStreamIsReadOffTheMainThread) {
    platform::setLogSink(&captureLog);
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    positioning::NmeaStreamSource source(positioning::NmeaStreamSource::Transport::Tcp, QStringLiteral("127.0.0.1"),
                                         server.serverPort());
    int fixes = 0;
    source.setHandlers({[&](const positioning::Fix&) { ++fixes; }, {}, {}, {}});
    int deliveries = 0;
    QObject::connect(&source, &positioning::PositionSource::unusedMessagesRead, [&] { ++deliveries; });
    // Where the sentences are read: a reader of the test's own, next to the feed's, sees the thread.
    TrafficFeed feed(TrafficFeed::Clock::Wall);
    feed.listenTo(&source);
    source.startUpdatingLocation();
    ASSERT_TRUE(waitFor([&] { return server.hasPendingConnections(); }));
    QTcpSocket* peer = server.nextPendingConnection();

    const auto sentence = [](const QByteArray& body) {
        unsigned sum = 0;
        for (char c : body) sum ^= uchar(c);
        return "$" + body + "*" + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper() + "\r\n";
    };
    QByteArray stream;
    for (int round = 0; round < 10; ++round) {
        const QByteArray time = QByteArray::number(100000 + round) + ".00";
        stream += sentence("GPRMC," + time + ",A,4613.8000,N,00606.0000,E,100.0,45.0,010624,,,A");
        stream += sentence("GPGGA," + time + ",4613.8000,N,00606.0000,E,1,09,0.9,1250.0,M,48.0,M,,");
        for (int i = 0; i < 500; ++i)
            stream += sentence("PFLAA,0," + QByteArray::number(100 + i * 10) + "," + QByteArray::number(round) + ",50,2," +
                               QByteArray::number(0xD00000 + i, 16).toUpper() + ",90,,30,0.5,1");
        stream += sentence("PFLAA,0,250000,0,50,2,DD0001,90,,30,0.5,1");  // beyond 100 km
    }
    peer->write(stream);
    ASSERT_TRUE(waitFor([&] { return feed.badInputs() == 10 && fixes == 10; })) << feed.badInputs() << " bad, " << fixes << " fixes, " << feed.targets().size();
    ASSERT_EQ(feed.targets().size(), 500u);
    EXPECT_LT(deliveries, 100);  // for 5010 sentences
    for (const Target& t : feed.targets()) {
        EXPECT_DOUBLE_EQ(t.east, 9.0) << t.id.text().toStdString();  // the last round's
        EXPECT_DOUBLE_EQ(t.north, 100.0 + (t.id.address - 0xD00000) * 10.0);
    }
    // A reader set on the source is called on the source's own thread.
    struct ThreadOf final : positioning::MessageReader {
        std::atomic<QThread*> thread{nullptr};
        void read(QByteArrayView) override { thread = QThread::currentThread(); }
    };
    auto probe = std::make_shared<ThreadOf>();
    ASSERT_TRUE(source.setMessageReader(probe));
    peer->write(sentence("PFLAU,1,1,2,1,0,,0,,"));
    ASSERT_TRUE(waitFor([&] { return probe->thread.load() != nullptr; }));
    EXPECT_NE(probe->thread.load(), QThread::currentThread());
    platform::setLogSink(nullptr);
}

}  // namespace
}  // namespace vantrel::traffic
