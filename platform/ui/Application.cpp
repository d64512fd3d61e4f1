#include "Application.h"

#include "Window.h"

#include "platform/core/Paths.h"
#include "platform/core/Log.h"
#include "platform/core/Threads.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QIcon>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel::platform::ui {

namespace {
int signalFds[2] = {-1, -1};

QIcon applicationIcon() {
    QIcon icon = QIcon::fromTheme(QStringLiteral("org.vantrel.Vantrel"));
    if (!icon.isNull()) return icon;
    const QString bundled = Paths::pathForResource(QStringLiteral("org.vantrel.Vantrel"), QStringLiteral("svg"));
    if (!bundled.isEmpty()) icon = QIcon(bundled);
    if (icon.isNull()) logLine(QStringLiteral("The application icon was found neither in the icon theme nor in the bundle"));
    return icon;
}
bool idleTimerDisabled = false;
uint inhibitCookie = 0;
int currentStatusBarStyle = 0;

void onTerminationSignal(int) {
    char c = 1;
    if (signalFds[0] >= 0) (void)!::write(signalFds[0], &c, 1);
}

// SIGINT and SIGTERM end the loop normally, so that the delegate saves as at any other exit.
void quitOnTerminationSignals(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalFds) != 0) return;
    auto* notifier = new QSocketNotifier(signalFds[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char c;
        (void)!::read(signalFds[1], &c, 1);
        QCoreApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}
}  // namespace

int UIApplicationMain(int argc, char** argv, const DelegateFactory& makeDelegate) {
    // A forced scale (VANTREL_SCALE, or Qt's own QT_SCALE_FACTOR) stays as it is whatever the
    // window's size; else the window chooses its scale for its size.
    const QByteArray forced = qgetenv("VANTREL_SCALE");
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR") && !forced.isEmpty()) qputenv("QT_SCALE_FACTOR", forced);
    Window::setFitsScaleToSize(qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel"));
    // The window class the desktop entry names (StartupWMClass) and the icon of the installed
    // theme, else the one of the bundle.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantrel.Vantrel"));
    QApplication::setWindowIcon(applicationIcon());
    quitOnTerminationSignals(app);

    std::unique_ptr<ApplicationDelegate> delegate = makeDelegate();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&delegate] {
        delegate->applicationWillTerminate();
        setIdleTimerDisabled(false);
    });
    QTimer::singleShot(0, &app, [&delegate] { delegate->applicationDidFinishLaunching(); });
    int status = QApplication::exec();
    // Background work (the database load) stops before the application object goes away.
    beginShutdown();
    if (!waitForDetachedThreads(5000)) logLine("A background thread did not stop at the end of the run");
    delegate.reset();
    return status;
}

void setIdleTimerDisabled(bool disabled) {
    if (disabled == idleTimerDisabled) return;
    idleTimerDisabled = disabled;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (disabled) logLine(QStringLiteral("No session bus: the screen saver cannot be held off"));
        return;
    }
    QDBusInterface saver(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                         QStringLiteral("org.freedesktop.ScreenSaver"), bus);
    if (disabled) {
        QDBusReply<uint> reply = saver.call(QStringLiteral("Inhibit"), QStringLiteral("vantrel"),
                                            QStringLiteral("Navigating in flight"));
        if (reply.isValid())
            inhibitCookie = reply.value();
        else
            logLine(QStringLiteral("The screen saver cannot be held off: %1").arg(reply.error().message()));
    } else if (inhibitCookie != 0) {
        saver.call(QStringLiteral("UnInhibit"), inhibitCookie);
        inhibitCookie = 0;
    }
}

bool isIdleTimerDisabled() { return idleTimerDisabled; }

void setStatusBarStyle(int style) { currentStatusBarStyle = style; }
int statusBarStyle() { return currentStatusBarStyle; }

}  // namespace vantrel::platform::ui
