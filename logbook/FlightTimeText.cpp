#include "FlightTimeText.h"

#include <QDateTime>
#include <array>
#include <cmath>

namespace vantrel::logbook {

namespace {

// 0001-01-01T00:00:00Z and 9999-12-31T23:59:59Z.
constexpr double kFirstSecond = -62135596800.0;
constexpr double kLastSecond = 253402300799.0;

}  // namespace

std::optional<int64_t> calendarSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < kFirstSecond || seconds >= kLastSecond + 1) return std::nullopt;
    return static_cast<int64_t>(std::floor(seconds));
}

QDate localDate(double seconds) {
    return QDateTime::fromSecsSinceEpoch(calendarSeconds(seconds).value_or(0), Qt::LocalTime).date();
}

QString timeText(double seconds, bool forceUTC) {
    std::optional<int64_t> whole = calendarSeconds(seconds);
    if (!(seconds > 0) || !whole) return QStringLiteral("-");
    QTime time = QDateTime::fromSecsSinceEpoch(*whole, forceUTC ? Qt::UTC : Qt::LocalTime).time();
    return QString::asprintf("%02i:%02i", time.hour(), time.minute());
}

QString dateText(double seconds) {
    QDate date = localDate(seconds);
    return QString::asprintf("%i/%02i/%02i", date.year(), date.month(), date.day());
}

QString monthTitle(double seconds) {
    static const std::array<const char*, 12> names{"January", "February", "March",     "April",   "May",      "June",
                                                   "July",    "August",   "September", "October", "November", "December"};
    QDate date = localDate(seconds);
    return QStringLiteral("%1 %2").arg(QLatin1String(names[size_t(date.month() - 1)])).arg(date.year());
}

}  // namespace vantrel::logbook
