#include "LaunchOptions.h"

#include "PositioningStartup.h"

#include "traffic/TrafficSources.h"

#include <QCommandLineParser>

namespace vantrel::app {

std::optional<LaunchOptions> LaunchOptions::parse(const QStringList& arguments, QString* message, int* exitStatus) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Vantrel, a pilot's navigation companion."));
    QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    QCommandLineOption gps(QStringLiteral("gps"),
                           QStringLiteral("Take positions from <source>:\n") + traffic::positionSourceHelp(),
                           QStringLiteral("source"));
    QCommandLineOption database(QStringLiteral("database"), QStringLiteral("Read the waypoint database from <dir>."),
                                QStringLiteral("dir"));
    QCommandLineOption documents(QStringLiteral("documents"),
                                 QStringLiteral("Keep the logbook and the pilot's files in <dir>."), QStringLiteral("dir"));
    QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                   QStringLiteral("Save pictures of the window into <dir> during the run."),
                                   QStringLiteral("dir"));
    QCommandLineOption quitAfter(QStringLiteral("quit-after"), QStringLiteral("End the run normally after <seconds>."),
                                 QStringLiteral("seconds"));
    QCommandLineOption script(QStringLiteral("script"),
                              QStringLiteral("Run the steps of <file> once the database is loaded (see the README)."),
                              QStringLiteral("file"));
    QCommandLineOption fullscreen(QStringLiteral("fullscreen"),
                                  QStringLiteral("Fill the screen with the window (F11 switches)."));
    QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Open the window <width>x<height> pixels large."),
                            QStringLiteral("WxH"));
    parser.addOptions({help, version, gps, database, documents, screenshots, quitAfter, script, fullscreen, size});
    // The parser names the program after the application object, which does not exist yet.
    auto usage = [&parser] {
        return parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("vantrel"));
    };

    if (!parser.parse(arguments)) {
        *message = parser.errorText() + QStringLiteral("\n\n") + usage();
        *exitStatus = 2;
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        *message = usage();
        *exitStatus = 0;
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        *message = QStringLiteral("vantrel " VANTREL_VERSION);
        *exitStatus = 0;
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("Unexpected argument: %1\n\n%2").arg(parser.positionalArguments().first(), usage());
        *exitStatus = 2;
        return std::nullopt;
    }
    LaunchOptions options;
    options.gps = parser.value(gps);
    QString gpsError = checkPositionSourceOption(options.gps);
    if (!gpsError.isEmpty()) {
        *message = gpsError;
        *exitStatus = 2;
        return std::nullopt;
    }
    options.databaseDirectory = parser.value(database);
    options.documentsDirectory = parser.value(documents);
    options.screenshotDirectory = parser.value(screenshots);
    if (parser.isSet(quitAfter)) {
        bool ok = false;
        options.quitAfterSeconds = parser.value(quitAfter).toDouble(&ok);
        if (!ok || options.quitAfterSeconds <= 0) {
            *message = QStringLiteral("--quit-after needs a positive number of seconds, not \"%1\"").arg(parser.value(quitAfter));
            *exitStatus = 2;
            return std::nullopt;
        }
    }
    options.fullscreen = parser.isSet(fullscreen);
    if (parser.isSet(size)) {
        const QStringList sides = parser.value(size).split(QLatin1Char('x'));
        bool okWidth = false;
        bool okHeight = false;
        const int width = sides.size() == 2 ? sides[0].toInt(&okWidth) : 0;
        const int height = sides.size() == 2 ? sides[1].toInt(&okHeight) : 0;
        if (!okWidth || !okHeight || width < 160 || height < 160 || width > 16384 || height > 16384) {
            *message = QStringLiteral("--size needs a width and a height in pixels from 160 to 16384, as 1024x600, not \"%1\"")
                           .arg(parser.value(size));
            *exitStatus = 2;
            return std::nullopt;
        }
        options.windowSize = QSize(width, height);
    }
    if (parser.isSet(script)) {
        QString error;
        options.script = Script::load(parser.value(script), &error);
        if (!options.script) {
            *message = error;
            *exitStatus = 2;
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace vantrel::app
