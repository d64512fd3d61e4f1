#include "Fix.h"

#include <QDateTime>

namespace vantrel::positioning {

QString Fix::description() const {
    QString when = std::isfinite(timestamp)
                       ? QDateTime::fromMSecsSinceEpoch(qint64(std::llround(timestamp * 1000.0)), Qt::UTC)
                             .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz 'UTC'"))
                       : QStringLiteral("unknown time");
    return QStringLiteral("<%1,%2> +/- %3m @ %4")
        .arg(QString::asprintf("%+.8f", latitude), QString::asprintf("%+.8f", longitude),
             QString::asprintf("%.2f", horizontalAccuracy), when);
}

}  // namespace vantrel::positioning
