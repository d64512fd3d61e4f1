#include "PositionSourceFactory.h"

#include "sources/GpsdSource.h"
#include "sources/IgcParser.h"
#include "sources/NmeaParser.h"
#include "sources/NmeaStreamSource.h"
#include "sources/SerialPort.h"
#include "sources/TrackReplaySource.h"

#include "platform/core/Log.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpSocket>

#include <random>

namespace vantrel::positioning {

namespace {

constexpr int kDefaultBaud = 4800;
constexpr int kGpsdProbeMs = 500;

struct HostPort {
    QString host;
    QString port;
};

// "host", "host:port", "[v6]" or "[v6]:port".
HostPort splitHostPort(const QString& text, const QString& defaultPort) {
    if (text.startsWith(QLatin1Char('['))) {
        qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close > 0) {
            QString rest = text.mid(close + 1);
            return {text.mid(1, close - 1), rest.startsWith(QLatin1Char(':')) ? rest.mid(1) : defaultPort};
        }
    }
    if (text.count(QLatin1Char(':')) == 1) {
        qsizetype colon = text.indexOf(QLatin1Char(':'));
        return {text.left(colon), text.mid(colon + 1)};
    }
    return {text, defaultPort};
}

bool parsePort(const QString& text, int* port) {
    bool ok = false;
    int value = text.toInt(&ok);
    if (!ok || value < 1 || value > 65535) return false;
    *port = value;
    return true;
}

std::unique_ptr<PositionSource> fail(QString* error, const QString& message) {
    if (error) *error = message;
    return nullptr;
}

std::optional<QByteArray> readFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

QDate todayUtc() { return QDateTime::currentDateTimeUtc().date(); }

std::unique_ptr<PositionSource> nmeaFile(const QString& path, QString* error) {
    QString why;
    std::optional<QByteArray> content = readFile(path, &why);
    if (!content) return fail(error, why);
    QString name = QFileInfo(path).fileName();
    NmeaParser parser(QStringLiteral("NMEA file %1").arg(name), todayUtc());
    parser.addData(*content);
    parser.finish();
    NmeaParser::Output output = parser.takeOutput();
    std::vector<Fix> track;
    std::vector<TrackReplaySource::Message> messages;
    size_t other = 0;
    for (size_t i = 0; i <= output.epochs.size(); ++i) {
        for (; other < output.otherSentences.size() && output.otherSentences[other].epochsBefore <= i; ++other)
            messages.push_back({track.size(), std::move(output.otherSentences[other].line)});
        if (i < output.epochs.size() && output.epochs[i].fix) track.push_back(*output.epochs[i].fix);
    }
    if (track.empty()) return fail(error, QStringLiteral("%1 holds no NMEA fixes").arg(path));
    auto replay = std::make_unique<TrackReplaySource>(QStringLiteral("NMEA file %1").arg(name), std::move(track));
    replay->setMessages(std::move(messages));
    return replay;
}

std::unique_ptr<PositionSource> igcFile(const QString& path, QString* error) {
    QString why;
    std::optional<QByteArray> content = readFile(path, &why);
    if (!content) return fail(error, why);
    QString name = QFileInfo(path).fileName();
    std::vector<Fix> track = IgcParser::parse(*content, QStringLiteral("IGC file %1").arg(name), todayUtc());
    if (track.empty()) return fail(error, QStringLiteral("%1 holds no IGC fixes (B records)").arg(path));
    return std::make_unique<TrackReplaySource>(QStringLiteral("IGC file %1").arg(name), std::move(track));
}

bool gpsdAnswers(const QString& host, quint16 port) {
    QTcpSocket probe;
    probe.connectToHost(host, port);
    return probe.waitForConnected(kGpsdProbeMs);
}

}  // namespace

std::unique_ptr<PositionSource> createPositionSource(const QString& gpsOption, QString* error,
                                                     std::vector<RoutePoint> demoRoute) {
    QString kind = gpsOption.section(QLatin1Char(':'), 0, 0).trimmed();
    QString rest = gpsOption.section(QLatin1Char(':'), 1);
    if (kind.isEmpty() || kind == QLatin1String("auto")) return createDefaultPositionSource();
    if (kind == QLatin1String("demo")) {
        std::random_device seed;
        return std::make_unique<SimulatorSource>(std::move(demoRoute), seed());
    }
    if (kind == QLatin1String("gpsd")) {
        HostPort hp = splitHostPort(rest.isEmpty() ? QString::fromLatin1(GpsdSource::kDefaultHost) : rest,
                                    QString::fromLatin1(GpsdSource::kDefaultPort));
        int port;
        if (hp.host.isEmpty() || !parsePort(hp.port, &port))
            return fail(error, QStringLiteral("gpsd wants a host and a port from 1 to 65535: \"%1\"").arg(gpsOption));
        return std::make_unique<GpsdSource>(hp.host, hp.port);
    }
    if (kind == QLatin1String("nmea")) {
        QString device = rest.section(QLatin1Char('@'), 0, 0);
        QString baudText = rest.section(QLatin1Char('@'), 1);
        bool ok = true;
        int baud = baudText.isEmpty() ? kDefaultBaud : baudText.toInt(&ok);
        if (device.isEmpty()) return fail(error, QStringLiteral("nmea wants a device, e.g. nmea:/dev/ttyACM0@9600"));
        if (!ok || !SerialPort::isSupportedBaudRate(baud))
            return fail(error, QStringLiteral("unsupported baud rate \"%1\" (4800, 9600, 19200, 38400, 57600, 115200 or 230400)").arg(baudText));
        return std::make_unique<NmeaStreamSource>(NmeaStreamSource::Transport::Serial, device, baud);
    }
    if (kind == QLatin1String("tcp")) {
        HostPort hp = splitHostPort(rest, QString());
        int port;
        if (hp.host.isEmpty() || !parsePort(hp.port, &port))
            return fail(error, QStringLiteral("tcp wants HOST:PORT, e.g. tcp:192.168.1.10:10110"));
        return std::make_unique<NmeaStreamSource>(NmeaStreamSource::Transport::Tcp, hp.host, port);
    }
    if (kind == QLatin1String("udp")) {
        int port;
        if (!parsePort(rest, &port)) return fail(error, QStringLiteral("udp wants a port, e.g. udp:49002"));
        return std::make_unique<NmeaStreamSource>(NmeaStreamSource::Transport::Udp, QString(), port);
    }
    if (kind == QLatin1String("file") || kind == QLatin1String("igc")) {
        QString path = rest.startsWith(QLatin1String("//")) ? rest.mid(2) : rest;  // file:///abs/path
        // "track.igc@10x": ten times the recorded pace.
        double speed = 1.0;
        static const QRegularExpression speedSuffix(QStringLiteral("@([0-9]*\\.?[0-9]+)x$"));
        const QRegularExpressionMatch match = speedSuffix.match(path);
        if (match.hasMatch()) {
            speed = match.captured(1).toDouble();
            if (!(speed >= TrackReplaySource::kSlowestReplay && speed <= TrackReplaySource::kFastestReplay))
                return fail(error, QStringLiteral("the replay speed %1x is not between %2x and %3x")
                                       .arg(match.captured(1)).arg(TrackReplaySource::kSlowestReplay)
                                       .arg(TrackReplaySource::kFastestReplay));
            path.chop(match.capturedLength(0));
        }
        if (path.isEmpty()) return fail(error, QStringLiteral("%1 wants a path").arg(kind));
        std::unique_ptr<PositionSource> source = kind == QLatin1String("file") ? nmeaFile(path, error) : igcFile(path, error);
        if (auto* replay = dynamic_cast<TrackReplaySource*>(source.get())) replay->setReplaySpeed(speed);
        return source;
    }
    return fail(error, QStringLiteral("unknown position source \"%1\"\n%2").arg(gpsOption, positionSourceHelp()));
}

std::unique_ptr<PositionSource> createDefaultPositionSource() {
    QString host = QString::fromLatin1(GpsdSource::kDefaultHost);
    QString port = QString::fromLatin1(GpsdSource::kDefaultPort);
    if (gpsdAnswers(host, quint16(port.toInt()))) return std::make_unique<GpsdSource>(host, port);
    for (const char* device : {"/dev/ttyACM0", "/dev/ttyUSB0"}) {
        if (QFileInfo::exists(QString::fromLatin1(device))) {
            platform::logLine(QStringLiteral("gpsd does not answer; reading the receiver on %1").arg(QString::fromLatin1(device)));
            return std::make_unique<NmeaStreamSource>(NmeaStreamSource::Transport::Serial, QString::fromLatin1(device), kDefaultBaud);
        }
    }
    platform::logLine(QStringLiteral("No GPS found: waiting for gpsd at %1:%2 (--gps demo flies the simulator)").arg(host, port));
    return std::make_unique<GpsdSource>(host, port);
}

QString positionSourceHelp() {
    return QStringLiteral(
        "  --gps gpsd[:HOST[:PORT]]   a gpsd daemon (default localhost:2947)\n"
        "  --gps nmea:DEVICE[@BAUD]   NMEA from a serial receiver, e.g. nmea:/dev/ttyACM0@9600 (default 4800 baud)\n"
        "  --gps tcp:HOST:PORT        NMEA from a TCP server\n"
        "  --gps udp:PORT             NMEA datagrams, e.g. udp:49002 from a flight simulator\n"
        "  --gps file:PATH[@SPEEDx]   an NMEA log replayed in real time, or SPEED times faster (0.1 to 100)\n"
        "  --gps igc:PATH[@SPEEDx]    an IGC flight log replayed in real time, or SPEED times faster\n"
        "  --gps demo                 the simulator's demo flight\n"
        "  --gps auto                 gpsd if it answers, else /dev/ttyACM0 or /dev/ttyUSB0, else wait for gpsd\n");
}

}  // namespace vantrel::positioning
