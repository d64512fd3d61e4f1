// Entry point of the app: options, then the application loop with its delegate.

#include "DemoRecorder.h"
#include "LaunchOptions.h"
#include "ScriptRunner.h"
#include "VantrelAppDelegate.h"

#include "platform/core/DocumentsLock.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

#include <QStringList>
#include <cstdio>

int main(int argc, char** argv) {
    using namespace vantrel;
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    QString message;
    int exitStatus = 0;
    std::optional<app::LaunchOptions> options = app::LaunchOptions::parse(arguments, &message, &exitStatus);
    if (!options) {
        std::fprintf(exitStatus == 0 ? stdout : stderr, "%s\n", qPrintable(message));
        return exitStatus;
    }
    if (!options->databaseDirectory.isEmpty()) platform::Paths::setDatabaseDirectory(options->databaseDirectory);
    if (!options->documentsDirectory.isEmpty()) platform::Paths::setDocumentsDirectory(options->documentsDirectory);

    // One copy of the app writes the pilot's files; a second one on the same documents runs
    // read-only and says so (VantrelAppDelegate). A short wait lets a vantrel-tool write finish.
    const platform::DocumentsLock lock(platform::Paths::documentsDirectory(), 2000);
    if (lock.state() == platform::DocumentsLock::State::HeldElsewhere) {
        platform::logLine(QStringLiteral("The documents lock %1 is taken (%2): Vantrel is already running on these "
                                         "documents; this copy is read-only and writes none of the pilot's files")
                              .arg(lock.path(), lock.problem()));
        platform::setPilotFilesReadOnly(app::VantrelAppDelegate::kReadOnlyReason);
    } else if (!lock.held()) {
        platform::logLine(QStringLiteral("The documents lock %1 could not be taken (%2); going on without it")
                              .arg(lock.path(), lock.problem()));
    }

    return platform::ui::UIApplicationMain(argc, argv, [&]() -> std::unique_ptr<platform::ui::ApplicationDelegate> {
        auto delegate = std::make_unique<app::VantrelAppDelegate>(options->gps);
        platform::ui::Window& window = *delegate->window();
        if (options->windowSize.isValid()) window.resize((QSizeF(options->windowSize) / window.scale()).toSize());
        if (options->fullscreen) window.showFullScreen();
        if (!options->screenshotDirectory.isEmpty() || options->quitAfterSeconds > 0)
            new app::DemoRecorder(*delegate->window(), options->screenshotDirectory, options->quitAfterSeconds);
        if (options->script) new app::ScriptRunner(*delegate->window(), std::move(*options->script));
        return delegate;
    });
}
