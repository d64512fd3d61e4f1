#pragma once
// The command line of the app.

#include "Script.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace vantrel::app {

struct LaunchOptions {
    QString gps;                 // --gps SOURCE: where positions come from (empty: the default)
    QString databaseDirectory;   // --database DIR
    QString documentsDirectory;  // --documents DIR
    QString screenshotDirectory; // --screenshots DIR: save pictures of the run there
    double quitAfterSeconds = 0; // --quit-after SECONDS: end the run normally after that time
    bool fullscreen = false;     // --fullscreen: the window fills the screen (F11 leaves it)
    QSize windowSize;            // --size WxH: the window's size in pixels (invalid: the one that fits)
    std::optional<Script> script;  // --script FILE: steps run once the database is loaded

    // Parses the arguments (the first is the program). On a usage error, --help or --version,
    // *message holds the text to print and the result is empty; *exitStatus is 0 for --help and
    // --version, 2 for errors (a script that cannot be read or has a mistake is one).
    static std::optional<LaunchOptions> parse(const QStringList& arguments, QString* message, int* exitStatus);
};

}  // namespace vantrel::app
