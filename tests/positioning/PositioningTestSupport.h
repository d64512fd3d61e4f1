#pragma once
// Helpers for the positioning tests: waiting on the event loop, test data, building fixes.

#include "positioning/Fix.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimeZone>
#include <QDeadlineTimer>
#include <QFile>
#include <QString>

#include <functional>

namespace vantrel::test {

// Runs the event loop until the condition holds or the time is up; answers the condition.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

inline QString positioningData(const QString& name) {
    return QStringLiteral(VANTREL_TEST_DATA_DIR "/positioning/") + name;
}

inline QByteArray readPositioningData(const QString& name) {
    QFile file(positioningData(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// Seconds since 1970 of a UTC time.
inline double utcSeconds(int y, int mo, int d, int h, int mi, int s) {
    return double(QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc()).toMSecsSinceEpoch()) / 1000.0;
}

inline positioning::Fix makeFix(double latitude, double longitude, double accuracy, double timestamp) {
    positioning::Fix fix;
    fix.latitude = latitude;
    fix.longitude = longitude;
    fix.horizontalAccuracy = accuracy;
    fix.timestamp = timestamp;
    return fix;
}

}  // namespace vantrel::test
