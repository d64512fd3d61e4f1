#include "LogbookTestSupport.h"

#include "platform/plist/PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <cmath>
#include <unistd.h>

namespace vantrel::test {

double utc(int year, int month, int day, int hour, int minute, int second) {
    return double(QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC).toSecsSinceEpoch());
}

ScopedTimeZone::ScopedTimeZone(const char* zone)
    : previous_(qgetenv("TZ")), hadPrevious_(qEnvironmentVariableIsSet("TZ")) {
    qputenv("TZ", zone);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (hadPrevious_)
        qputenv("TZ", previous_);
    else
        qunsetenv("TZ");
    tzset();
}

std::tm libcLocal(double seconds) {
    std::time_t t = static_cast<std::time_t>(std::floor(seconds));
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

platform::DictionaryPtr record(const QStringList& entries) {
    platform::DictionaryPtr r = platform::Dictionary::create();
    for (const QString& entry : entries) {
        qsizetype eq = entry.indexOf(QLatin1Char('='));
        r->set(entry.left(eq).toStdString(), platform::Value(entry.mid(eq + 1)));
    }
    return r;
}

void writeFlights(const QString& path, const std::vector<platform::Value>& elements) {
    platform::plist::writeFile(path, platform::Value(platform::Array::fromValues(elements)));
}

platform::ArrayPtr readFlights(const QString& path) { return platform::plist::readFile(path).array(); }

UnwritableFolder::UnwritableFolder(QString path) : path_(std::move(path)) {}

UnwritableFolder::~UnwritableFolder() { unblock(); }

void UnwritableFolder::block() {
    if (blocked_) return;
    blocked_ = true;
    if (geteuid() == 0) {
        QDir(path_).removeRecursively();
        QFile file(path_);
        file.open(QIODevice::WriteOnly);
    } else {
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner);
    }
}

void UnwritableFolder::unblock() {
    if (!blocked_) return;
    blocked_ = false;
    if (geteuid() == 0) {
        QFile::remove(path_);
        QDir().mkpath(path_);
    } else {
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

}  // namespace vantrel::test
