#include "DemoRecorder.h"

#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"
#include "platform/ui/Window.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

namespace vantrel::app {

DemoRecorder::DemoRecorder(platform::ui::Window& window, QString directory, double quitAfterSeconds)
    : QObject(&window), window_(window), directory_(std::move(directory)) {
    if (!directory_.isEmpty()) {
        QDir().mkpath(directory_);
        // Registered on the first turn of the loop, after the delegate's own handlers, so that each
        // picture shows what the delegate has just put on screen.
        QTimer::singleShot(0, this, [this] {
            auto& center = platform::NotificationCenter::defaultCenter();
            center.addObserver(this, "UPDATE_LOAD_PROGRESSION", nullptr, [this](const platform::Notification& n) {
                float progression = n.userInfo ? n.userInfo->get("progression").floatValue() : 0.0f;
                if (!splashTaken_ && progression >= 0.5f) {
                    splashTaken_ = true;
                    capture(QStringLiteral("1-loading"));
                }
            });
            center.addObserver(this, "UPDATE_LOAD_DONE", nullptr, [this](const platform::Notification&) {
                QTimer::singleShot(500, this, [this] { capture(QStringLiteral("2-loaded")); });
            });
        });
    }
    if (quitAfterSeconds > 0) {
        QTimer::singleShot(static_cast<int>(quitAfterSeconds * 1000), this, [this] {
            if (!directory_.isEmpty()) capture(QStringLiteral("3-end"));
            QCoreApplication::quit();
        });
    }
}

DemoRecorder::~DemoRecorder() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

void DemoRecorder::capture(const QString& name) {
    QString path = QDir(directory_).absoluteFilePath(name + QStringLiteral(".png"));
    if (window_.grab().save(path)) {
        std::printf("Screenshot: %s\n", qPrintable(path));
        std::fflush(stdout);
    } else {
        platform::logLine(QStringLiteral("Could not save the screenshot %1").arg(path));
    }
}

}  // namespace vantrel::app
