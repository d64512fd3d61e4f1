#pragma once
// The command line of the app.

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

    // Parses the arguments (the first is the program). On a usage error or --help, *message holds
    // the text to print and the result is empty; *exitStatus is 0 for --help, 2 for errors.
    static std::optional<LaunchOptions> parse(const QStringList& arguments, QString* message, int* exitStatus);
};

}  // namespace vantrel::app
