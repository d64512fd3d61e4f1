#include "Images.h"

#include "platform/core/Log.h"
#include "platform/core/Paths.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace vantrel::platform::ui {

namespace {
qreal screenScale() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app ? app->devicePixelRatio() : 1.0;
}
}  // namespace

QString imagePath(const QString& name) {
    QFileInfo info(name);
    QString base = info.completeBaseName();
    QString suffix = info.suffix().isEmpty() ? QStringLiteral("png") : info.suffix();
    QString direct = Paths::pathForResource(base, suffix);
    if (!direct.isEmpty()) return direct;
    return Paths::pathForResource(base, QStringLiteral("svg"));
}

QPixmap imageNamed(const QString& name) { return imageNamed(name, screenScale()); }

QPixmap imageNamed(const QString& name, const QPainter& painter) {
    const QPaintDevice* device = painter.device();
    return imageNamed(name, device ? device->devicePixelRatioF() : screenScale());
}

QPixmap imageNamed(const QString& name, qreal scale) {
    static QHash<QPair<QString, qreal>, QPixmap> cache;
    const QPair<QString, qreal> key(name, scale);
    auto it = cache.constFind(key);
    if (it != cache.constEnd()) return *it;
    QPixmap pixmap = renderImageNamed(name, scale);
    cache.insert(key, pixmap);
    return pixmap;
}

QPixmap renderImageNamed(const QString& name) { return renderImageNamed(name, screenScale()); }

QPixmap renderImageNamed(const QString& name, qreal scale) {
    QPixmap pixmap;
    QString path = imagePath(name);
    if (path.endsWith(QStringLiteral(".svg"))) {
        QSvgRenderer renderer(path);
        if (renderer.isValid()) {
            QSize points = renderer.defaultSize();
            QImage image(points * scale, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            renderer.render(&painter);
            painter.end();
            image.setDevicePixelRatio(scale);
            pixmap = QPixmap::fromImage(image);
        } else {
            logLine(QStringLiteral("Image %1 could not be read from %2").arg(name, path));
        }
    } else if (!path.isEmpty()) {
        if (!pixmap.load(path)) logLine(QStringLiteral("Image %1 could not be read from %2").arg(name, path));
    }
    return pixmap;
}

}  // namespace vantrel::platform::ui
