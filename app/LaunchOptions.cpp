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
    parser.addOptions({help, version, gps, database, documents, screenshots, quitAfter, script});
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
