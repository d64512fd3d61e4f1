#pragma once
// Shared pieces of the logbook tests: moments in UTC, the device's time zone for a while, the
// libc calendar as an independent reference, flights.plist files written and read back, and a
// folder that refuses writes.

#include "platform/core/Value.h"

#include <QString>
#include <QStringList>
#include <ctime>
#include <ostream>
#include <vector>

// Texts in failure messages as texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace vantrel::test {

// Seconds since 1970 of a UTC date and time.
double utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Sets TZ (and tzset) for the scope, then puts the earlier value back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    QByteArray previous_;
    bool hadPrevious_;
};

// The local calendar of a moment as libc sees it in the current TZ (whole seconds, rounded down).
std::tm libcLocal(double seconds);

// A flight record from "key=value" texts.
platform::DictionaryPtr record(const QStringList& entries);
// Writes the values as the root array of an XML property list.
void writeFlights(const QString& path, const std::vector<platform::Value>& elements);
// The root array of the file (null when unreadable).
platform::ArrayPtr readFlights(const QString& path);

// A folder that refuses new files while blocked. Permissions do not stop root, so for root the
// folder is replaced by a plain file while blocked.
class UnwritableFolder {
public:
    explicit UnwritableFolder(QString path);
    ~UnwritableFolder();
    void block();
    void unblock();

private:
    QString path_;
    bool blocked_ = false;
};

}  // namespace vantrel::test
