#include "Style.h"

#include "platform/core/Log.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vantrel::platform::ui::style {

QColor orange() { return QColor(0xFF, 0x99, 0x00); }
QColor background() { return Qt::black; }
QColor separator() { return QColor(0x33, 0x33, 0x33); }
QColor selectionBlue() { return QColor(0x05, 0x8C, 0xF5); }
QColor selectionGray() { return QColor(0x8C, 0x8C, 0x8C); }
QColor detailBlue() { return QColor(0x2F, 0x7B, 0xEF); }
QColor deleteRed() { return QColor(0xD8, 0x24, 0x1E); }

namespace {
// Every layout follows the handheld's frames, measured in Helvetica. Liberation Sans has its
// metrics; asked for by name, fontconfig may pick a wider sans-serif instead, so Helvetica is
// mapped to it explicitly, once, with a log line when it is not installed.
void substituteHelvetica() {
    static bool done = false;
    if (done || !qGuiApp) return;
    done = true;
    const QString twin = QStringLiteral("Liberation Sans");
    if (QFontDatabase::families().contains(twin)) {
        QFont::insertSubstitution(QStringLiteral("Helvetica"), twin);
    } else {
        logLine(QStringLiteral("The font %1 is not installed; texts in Helvetica are drawn in %2 and may not fit")
                    .arg(twin, QFontInfo(QFont(QStringLiteral("Helvetica"))).family()));
    }
}
}  // namespace

QFont font(double pixelSize, bool bold) {
    substituteHelvetica();
    QFont f(QStringLiteral("Helvetica"));
    f.setPixelSize(qRound(pixelSize));
    f.setBold(bold);
    return f;
}

void paintBarBackground(QPainter& painter, const QRectF& rect, const QColor& tint) {
    QColor base = tint.isValid() ? tint : QColor(0x10, 0x10, 0x10);
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0.0, base.lighter(tint.isValid() ? 150 : 400));
    gradient.setColorAt(0.5, base.lighter(110));
    gradient.setColorAt(0.5001, base);
    gradient.setColorAt(1.0, base.darker(130));
    painter.fillRect(rect, gradient);
    painter.setPen(QColor(0, 0, 0));
    painter.drawLine(rect.bottomLeft() - QPointF(0, 0.5), rect.bottomRight() - QPointF(0, 0.5));
}

void paintBarButton(QPainter& painter, const QRectF& rect, const QColor& tint, bool pressed, bool backShape,
                    bool highlighted) {
    QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    const double radius = 5;
    if (backShape) {
        const double tip = r.height() / 2 * 0.8;
        path.moveTo(r.left(), r.center().y());
        path.lineTo(r.left() + tip, r.top());
        path.lineTo(r.right() - radius, r.top());
        path.quadTo(r.topRight(), QPointF(r.right(), r.top() + radius));
        path.lineTo(r.right(), r.bottom() - radius);
        path.quadTo(r.bottomRight(), QPointF(r.right() - radius, r.bottom()));
        path.lineTo(r.left() + tip, r.bottom());
        path.closeSubpath();
    } else {
        path.addRoundedRect(r, radius, radius);
    }
    QColor base = highlighted ? selectionBlue() : (tint.isValid() ? tint.darker(120) : QColor(0x20, 0x20, 0x20));
    if (pressed) base = base.darker(150);
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0.0, base.lighter(170));
    gradient.setColorAt(0.5, base.lighter(115));
    gradient.setColorAt(0.5001, base);
    gradient.setColorAt(1.0, base);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 0, 200), 1));
    painter.setBrush(gradient);
    painter.drawPath(path);
    painter.restore();
}

QPixmap blankImage(const QSize& points) {
    const qreal scale = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(points * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap tinted(const QPixmap& source, const QColor& colour) {
    if (source.isNull()) return source;
    QPixmap result(source.size());
    result.setDevicePixelRatio(source.devicePixelRatio());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawPixmap(0, 0, source);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), source.deviceIndependentSize()), colour);
    return result;
}

}  // namespace vantrel::platform::ui::style
