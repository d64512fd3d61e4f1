// vantrel-tool gps replay: runs every fix of a position source through a location manager and
// prints the fix, its altitudes and the manager's judgement after it, and the traffic the source
// carries.

#include "Commands.h"
#include "Json.h"
#include "TrafficPrint.h"

#include "positioning/LocationManager.h"
#include "positioning/PositionSourceFactory.h"
#include "traffic/TrafficSources.h"
#include "units/UnitSettings.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace vantrel::tool {

namespace {

using positioning::Fix;
using positioning::LocationManager;
using positioning::PositionSource;

const char* const kGpsUsage =
    "usage: vantrel-tool gps replay SOURCE [--limit N]\n"
    "  SOURCE is one of the app's --gps forms:\n";

int usage(const QString& problem) {
    std::fprintf(stderr, "%s\n%s%s", qPrintable(problem), kGpsUsage, qPrintable(traffic::positionSourceHelp()));
    return 2;
}

std::atomic<bool> interrupted{false};

std::string isoTime(double timestamp) {
    if (!std::isfinite(timestamp)) return "unknown";
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(timestamp * 1000.0)), Qt::UTC)
        .toString(Qt::ISODateWithMs)
        .toStdString();
}

std::string jsonOptional(std::optional<double> value) { return value ? jsonNumber(*value) : std::string("null"); }

// "  alt 1234.0 m", or "  alt    -- m" without a value, in a column of its own.
std::string column(const char* name, std::optional<double> value, const char* unit) {
    char text[48];
    if (value)
        std::snprintf(text, sizeof text, "  %s %7.1f %s", name, *value, unit);
    else
        std::snprintf(text, sizeof text, "  %s %7s %s", name, "--", unit);
    return text;
}

// The manager's judgement as it was at a fix, kept until the fix's traffic has come.
struct Row {
    Fix fix;
    bool nav;
    bool speedAndCourse;
    float speed;
    float course;
    std::optional<double> verticalSpeed;
};

void printRow(const Row& row, const traffic::TrafficFeed& feed, bool json, bool first) {
    const Fix& fix = row.fix;
    bool nav = row.nav;
    bool speedAndCourse = row.speedAndCourse;
    if (json) {
        std::printf("%s{\"time\": %s, \"latitude\": %s, \"longitude\": %s, \"horizontal_accuracy\": %s, "
                    "\"altitude\": %s, \"pressure_altitude\": %s, \"vertical_speed\": %s, "
                    "\"valid_for_nav\": %s, \"valid_for_speed_and_course\": %s, \"speed\": %s, \"course\": %s, "
                    "\"traffic\": {%s}}",
                    first ? "\n  " : ",\n  ", jsonNumber(fix.timestamp).c_str(), jsonNumber(fix.latitude).c_str(),
                    jsonNumber(fix.longitude).c_str(), jsonNumber(fix.horizontalAccuracy).c_str(),
                    jsonOptional(fix.altitude).c_str(), jsonOptional(fix.pressureAltitude).c_str(),
                    jsonOptional(row.verticalSpeed).c_str(), nav ? "true" : "false", speedAndCourse ? "true" : "false",
                    jsonNumber(double(row.speed)).c_str(), jsonNumber(double(row.course)).c_str(),
                    trafficJsonMembers(feed).c_str());
    } else {
        std::printf("%s  %+.8f %+.9f  acc %7.1f m%s%s%s  nav %-3s  speed/course %-3s  speed %7.2f m/s  course %6.2f\n",
                    isoTime(fix.timestamp).c_str(), fix.latitude, fix.longitude, fix.horizontalAccuracy,
                    column("alt", fix.altitude, "m").c_str(), column("palt", fix.pressureAltitude, "m").c_str(),
                    column("vs", row.verticalSpeed, "m/s").c_str(), nav ? "yes" : "no", speedAndCourse ? "yes" : "no", double(row.speed), double(row.course));
        printTrafficText(feed);
    }
    std::fflush(stdout);
}

}  // namespace

int runGpsCommand(const QStringList& args, bool json) {
    if (args.size() < 2 || args[0] != QLatin1String("replay")) return usage(QStringLiteral("gps wants: replay SOURCE"));
    const QString& gpsOption = args[1];
    long long limit = -1;
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool ok = false;
        if (args[i] == QLatin1String("--limit") && i + 1 < args.size()) limit = args[++i].toLongLong(&ok);
        if (!ok || limit < 1) return usage(QStringLiteral("unexpected \"%1\" (--limit wants a count of fixes)").arg(args[i]));
    }

    QString error;
    std::unique_ptr<PositionSource> source = traffic::createPositionSource(gpsOption, &error);
    if (!source) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        bool isFile = gpsOption.startsWith(QLatin1String("file:")) || gpsOption.startsWith(QLatin1String("igc:"));
        return isFile && !error.contains(QLatin1String("wants")) ? 1 : 2;
    }

    LocationManager manager;
    traffic::TrafficFeed feed(traffic::TrafficFeed::Clock::Fixes);
    feed.setUnits(traffic::AlertUnits::from(units::UnitSettings()));
    feed.setOwnTrackProvider([&manager] {
        return manager.accuracyValidForSpeedAndCourse() && manager.speed() > 0.0f ? double(manager.course()) : NAN;
    });
    feed.listenTo(source.get());
    QEventLoop loop;
    long long count = 0;
    bool done = false;
    // A fix's traffic follows it in the input: its row is printed when the next fix comes, or at the end.
    std::optional<Row> pending;
    long long printed = 0;
    auto printPending = [&] {
        if (!pending) return;
        feed.tick();
        printRow(*pending, feed, json, printed++ == 0);
        pending.reset();
    };
    auto stop = [&] {
        done = true;
        loop.quit();
    };
    source->setHandlers({
        [&](const Fix& fix) {
            if (done) {
                feed.stopListening();  // the traffic after the last row printed stays unread
                return;
            }
            printPending();
            manager.locationManagerDidUpdateToLocation(fix);
            feed.noteFix(fix);
            pending = Row{fix, manager.accuracyValidForNav(), manager.accuracyValidForSpeedAndCourse(), manager.speed(),
                          manager.course(), manager.verticalSpeed()};
            if (++count == limit) stop();
        },
        [&](const QString& failure) {
            manager.locationManagerDidFailWithError(failure);
            std::fprintf(stderr, "%s: %s\n", qPrintable(source->description()), qPrintable(failure));
        },
        {},
        stop,
    });
    // Replays and the simulator run at full speed; live sources deliver as fixes come.
    source->setPacing(PositionSource::Pacing::AsFastAsPossible);

    if (json) std::printf("[");
    interrupted = false;
    auto previousHandler = std::signal(SIGINT, [](int) { interrupted = true; });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (interrupted) stop();
    });
    watch.start(100);
    source->startUpdatingLocation();
    if (!done) loop.exec();
    printPending();
    std::signal(SIGINT, previousHandler);
    source.reset();
    if (json) std::printf("%s]\n", count > 0 ? "\n" : "");
    return 0;
}

}  // namespace vantrel::tool
