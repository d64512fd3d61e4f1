#include "FlightCsv.h"

#include "FlightKeys.h"
#include "FlightRecord.h"
#include "FlightTimeText.h"

#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace vantrel::logbook {

using platform::Dictionary;

namespace {

QString field(QString text) {
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.front())) text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n')) ||
        text.contains(QLatin1Char('\r'))) {
        text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

QString place(const Dictionary& record, platform::Key key) {
    const platform::Value* value = record.find(key);
    return value ? field(value->toQString()) : QString();
}

QString utcTime(const Dictionary& record, platform::Key key) {
    double seconds = secondsOf(record, key);
    std::optional<int64_t> whole = calendarSeconds(seconds);
    if (!(seconds > 0) || !whole) return {};
    return QDateTime::fromSecsSinceEpoch(*whole, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString duration(std::optional<double> seconds) {
    if (!seconds || !(*seconds > 0) || !calendarSeconds(*seconds)) return {};
    int64_t minutes = static_cast<int64_t>(*seconds) / 60;
    return QString::asprintf("%lld:%02lld", static_cast<long long>(minutes / 60), static_cast<long long>(minutes % 60));
}

}  // namespace

QByteArray flightsCsv(const platform::Array& flights) {
    std::vector<const Dictionary*> records;
    for (const platform::Value& value : flights)
        if (const Dictionary* record = value.asDictionary()) records.push_back(record);
    std::stable_sort(records.begin(), records.end(), [](const Dictionary* a, const Dictionary* b) {
        return flightOrderSeconds(*a) < flightOrderSeconds(*b);
    });

    QString out = QStringLiteral(
        "date,departure,arrival,block_off_utc,take_off_utc,landing_utc,block_on_utc,block_time,flight_time\r\n");
    for (const Dictionary* record : records) {
        QStringList line{localDate(flightDate(*record)).toString(QStringLiteral("yyyy-MM-dd")),
                         place(*record, keys::departure),
                         place(*record, keys::arrival),
                         utcTime(*record, keys::blockOff),
                         utcTime(*record, keys::takeOff),
                         utcTime(*record, keys::landing),
                         utcTime(*record, keys::blockOn),
                         duration(blockTime(*record)),
                         duration(flightTime(*record))};
        out += line.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

}  // namespace vantrel::logbook
