#include "BundleText.h"

#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <QFile>

namespace vantrel::app {

QString bundleHtml(const QString& name) {
    const QString path = platform::Paths::pathForResource(name, QStringLiteral("html"));
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly)) return QString::fromUtf8(file.readAll());
    platform::logLine(QStringLiteral("The text %1.html is missing from the installation (%2)")
                          .arg(name, path.isEmpty() ? QStringLiteral("not found in the bundle") : file.errorString()));
    return QStringLiteral("<p>This text is missing from the installation (%1.html).</p>").arg(name.toHtmlEscaped());
}

}  // namespace vantrel::app
