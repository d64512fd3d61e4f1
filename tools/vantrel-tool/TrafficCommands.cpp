// vantrel-tool traffic replay: plays a recording (an NMEA log with FLARM sentences, or any --gps
// source) and prints the traffic feed's target list and alerts after each fix.

#include "Commands.h"
#include "Json.h"
#include "TrafficPrint.h"

#include "positioning/LocationManager.h"
#include "traffic/TrafficSources.h"
#include "units/UnitSettings.h"

#include <QDateTime>
#include <QEventLoop>

#include <cstdio>

namespace vantrel::tool {

using traffic::Target;
using traffic::TrafficFeed;

namespace {

std::string fixed(double v, int decimals) {
    if (!std::isfinite(v)) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string signedWhole(double v) {
    if (!std::isfinite(v)) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+.0f", v);
    return buf;
}

std::string timeText(double timestamp) {
    if (!std::isfinite(timestamp)) return "unknown";
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(timestamp * 1000.0)), Qt::UTC)
        .toString(Qt::ISODateWithMs)
        .toStdString();
}

}  // namespace

void printTrafficText(const TrafficFeed& feed) {
    std::vector<Target> targets = feed.targets();
    std::sort(targets.begin(), targets.end(), [](const Target& a, const Target& b) {
        return a.id.address < b.id.address || (a.id.address == b.id.address && a.id.origin < b.id.origin);
    });
    for (const Target& t : targets) {
        std::printf("  traffic %s %-8s N %7s m  E %7s m  V %6s m  trk %5s  gs %6s m/s  climb %5s m/s  alarm %d  age %4.1f s\n",
                    qPrintable(t.id.text()), qPrintable(t.callsign.isEmpty() ? QStringLiteral("-") : t.callsign),
                    signedWhole(t.north).c_str(), signedWhole(t.east).c_str(), signedWhole(t.vertical).c_str(),
                    fixed(t.track, 0).c_str(), fixed(t.groundSpeed, 1).c_str(), fixed(t.climbRate, 1).c_str(),
                    int(t.alarm), t.age(feed.now()));
    }
    for (const traffic::TrafficAlert& a : feed.alerts())
        std::printf("  alert %d %s: %s\n", int(a.level), qPrintable(a.id.text()), qPrintable(a.text));
}

std::string trafficJsonMembers(const TrafficFeed& feed) {
    std::vector<Target> targets = feed.targets();
    std::sort(targets.begin(), targets.end(), [](const Target& a, const Target& b) {
        return a.id.address < b.id.address || (a.id.address == b.id.address && a.id.origin < b.id.origin);
    });
    std::string out = "\"targets\": [";
    for (size_t i = 0; i < targets.size(); ++i) {
        const Target& t = targets[i];
        out += (i ? ", " : "") + std::string("{\"id\": ") + jsonString(t.id.text().toStdString()) +
               ", \"callsign\": " + (t.callsign.isEmpty() ? std::string("null") : jsonString(t.callsign.toStdString())) +
               ", \"north\": " + jsonNumber(t.north) + ", \"east\": " + jsonNumber(t.east) +
               ", \"vertical\": " + jsonNumber(t.vertical) + ", \"track\": " + jsonNumber(t.track) +
               ", \"ground_speed\": " + jsonNumber(t.groundSpeed) + ", \"climb\": " + jsonNumber(t.climbRate) +
               ", \"alarm\": " + std::to_string(int(t.alarm)) + ", \"age\": " + jsonNumber(t.age(feed.now())) + "}";
    }
    out += "], \"alerts\": [";
    const auto& alerts = feed.alerts();
    for (size_t i = 0; i < alerts.size(); ++i)
        out += (i ? ", " : "") + std::string("{\"id\": ") + jsonString(alerts[i].id.text().toStdString()) +
               ", \"level\": " + std::to_string(int(alerts[i].level)) + ", \"text\": " +
               jsonString(alerts[i].text.toStdString()) + "}";
    return out + "]";
}

int runTrafficCommand(const QStringList& args, bool json) {
    if (args.size() != 2 || args[0] != QLatin1String("replay")) {
        std::fprintf(stderr, "traffic wants: replay FILE\nusage: vantrel-tool traffic replay FILE [--json]\n"
                             "  FILE is an NMEA log (with FLARM sentences), or any --gps form:\n%s",
                     qPrintable(traffic::positionSourceHelp()));
        return 2;
    }
    QString option = args[1];
    static const QStringList kinds = {"file", "igc", "gpsd", "nmea", "tcp", "udp", "demo", "gdl90"};
    if (!kinds.contains(option.section(QLatin1Char(':'), 0, 0))) option = QStringLiteral("file:") + option;
    QString error;
    std::unique_ptr<positioning::PositionSource> source = traffic::createPositionSource(option, &error);
    if (!source) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return error.contains(QLatin1String("wants")) ? 2 : 1;
    }

    positioning::LocationManager manager;
    TrafficFeed feed(TrafficFeed::Clock::Fixes);
    feed.setUnits(traffic::AlertUnits::from(units::UnitSettings()));
    feed.setOwnTrackProvider([&manager] {
        return manager.accuracyValidForSpeedAndCourse() && manager.speed() > 0.0f ? double(manager.course()) : NAN;
    });
    feed.listenTo(source.get());

    // A fix's traffic follows it in the recording: its row is printed when the next fix comes.
    std::optional<positioning::Fix> pending;
    long long rows = 0;
    auto printPending = [&] {
        if (!pending) return;
        feed.tick();
        if (json) {
            std::printf("%s{\"time\": %s, \"latitude\": %s, \"longitude\": %s, %s}", rows == 0 ? "\n  " : ",\n  ",
                        jsonNumber(pending->timestamp).c_str(), jsonNumber(pending->latitude).c_str(),
                        jsonNumber(pending->longitude).c_str(), trafficJsonMembers(feed).c_str());
        } else {
            std::printf("%s  %+.8f %+.9f  %zu target%s\n", timeText(pending->timestamp).c_str(), pending->latitude,
                        pending->longitude, feed.targets().size(), feed.targets().size() == 1 ? "" : "s");
            printTrafficText(feed);
        }
        ++rows;
        pending.reset();
    };
    QEventLoop loop;
    bool done = false;
    source->setHandlers({
        [&](const positioning::Fix& fix) {
            printPending();
            manager.locationManagerDidUpdateToLocation(fix);
            feed.noteFix(fix);
            pending = fix;
        },
        [&](const QString& failure) {
            manager.locationManagerDidFailWithError(failure);
            std::fprintf(stderr, "%s: %s\n", qPrintable(source->description()), qPrintable(failure));
        },
        {},
        [&] {
            done = true;
            loop.quit();
        },
    });
    source->setPacing(positioning::PositionSource::Pacing::AsFastAsPossible);
    if (json) std::printf("[");
    source->startUpdatingLocation();
    if (!done) loop.exec();
    printPending();
    if (json) std::printf("%s]\n", rows > 0 ? "\n" : "");
    source.reset();
    return 0;
}

}  // namespace vantrel::tool
