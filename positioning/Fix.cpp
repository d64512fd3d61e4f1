#include "Fix.h"

#include <QDateTime>

namespace vantrel::positioning {

QString Fix::description() const {
    QString when = std::isfinite(timestamp)
                       ? QDateTime::fromMSecsSinceEpoch(qint64(std::llround(timestamp * 1000.0)), Qt::UTC)
                             .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz 'UTC'"))
                       : QStringLiteral("unknown time");
    QString text = QStringLiteral("<%1,%2> +/- %3m @ %4")
                       .arg(QString::asprintf("%+.8f", latitude), QString::asprintf("%+.8f", longitude),
                            QString::asprintf("%.2f", horizontalAccuracy), when);
    if (altitude) text += QString::asprintf(" alt %.1fm", *altitude);
    if (pressureAltitude) text += QString::asprintf(" palt %.1fm", *pressureAltitude);
    if (verticalSpeed) text += QString::asprintf(" vs %+.1fm/s", *verticalSpeed);
    return text;
}

}  // namespace vantrel::positioning
