// vantrel-tool gps replay: runs every fix of a position source through a location manager and
// prints the fix, its altitudes and the manager's judgement after it.

#include "Commands.h"
#include "Json.h"

#include "positioning/LocationManager.h"
#include "positioning/PositionSourceFactory.h"

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
    std::fprintf(stderr, "%s\n%s%s", qPrintable(problem), kGpsUsage, qPrintable(positioning::positionSourceHelp()));
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

void printRow(const Fix& fix, const LocationManager& manager, bool json, bool first) {
    bool nav = manager.accuracyValidForNav();
    bool speedAndCourse = manager.accuracyValidForSpeedAndCourse();
    if (json) {
        std::printf("%s{\"time\": %s, \"latitude\": %s, \"longitude\": %s, \"horizontal_accuracy\": %s, "
                    "\"altitude\": %s, \"pressure_altitude\": %s, \"vertical_speed\": %s, "
                    "\"valid_for_nav\": %s, \"valid_for_speed_and_course\": %s, \"speed\": %s, \"course\": %s}",
                    first ? "\n  " : ",\n  ", jsonNumber(fix.timestamp).c_str(), jsonNumber(fix.latitude).c_str(),
                    jsonNumber(fix.longitude).c_str(), jsonNumber(fix.horizontalAccuracy).c_str(),
                    jsonOptional(fix.altitude).c_str(), jsonOptional(fix.pressureAltitude).c_str(),
                    jsonOptional(manager.verticalSpeed()).c_str(), nav ? "true" : "false", speedAndCourse ? "true" : "false",
                    jsonNumber(double(manager.speed())).c_str(), jsonNumber(double(manager.course())).c_str());
    } else {
        std::printf("%s  %+.8f %+.9f  acc %7.1f m%s%s%s  nav %-3s  speed/course %-3s  speed %7.2f m/s  course %6.2f\n",
                    isoTime(fix.timestamp).c_str(), fix.latitude, fix.longitude, fix.horizontalAccuracy,
                    column("alt", fix.altitude, "m").c_str(), column("palt", fix.pressureAltitude, "m").c_str(),
                    column("vs", manager.verticalSpeed(), "m/s").c_str(), nav ? "yes" : "no", speedAndCourse ? "yes" : "no", double(manager.speed()), double(manager.course()));
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
    std::unique_ptr<PositionSource> source = positioning::createPositionSource(gpsOption, &error);
    if (!source) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        bool isFile = gpsOption.startsWith(QLatin1String("file:")) || gpsOption.startsWith(QLatin1String("igc:"));
        return isFile && !error.contains(QLatin1String("wants")) ? 1 : 2;
    }

    LocationManager manager;
    QEventLoop loop;
    long long count = 0;
    bool done = false;
    auto stop = [&] {
        done = true;
        loop.quit();
    };
    source->setHandlers({
        [&](const Fix& fix) {
            if (done) return;
            manager.locationManagerDidUpdateToLocation(fix);
            printRow(fix, manager, json, count == 0);
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
    std::signal(SIGINT, previousHandler);
    source.reset();
    if (json) std::printf("%s]\n", count > 0 ? "\n" : "");
    return 0;
}

}  // namespace vantrel::tool
