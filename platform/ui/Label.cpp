#include "Label.h"

#include "Style.h"

#include <QPainter>
#include <QStyle>

namespace vantrel::platform::ui {

Label::Label(QWidget* parent) : Label(QString(), parent) {}

Label::Label(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setFont(style::font(17));
    setTextColor(style::orange());
}

QColor Label::textColor() const { return palette().color(QPalette::WindowText); }

void Label::setTextColor(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void Label::setFontSize(double points) { setFont(style::font(points, isBold())); }

void Label::setBold(bool bold) { setFont(style::font(fontSize(), bold)); }

bool Label::elides() const {
    if (wordWrap() || text().isEmpty() || text().contains(QLatin1Char('\n'))) return false;
    if (textFormat() == Qt::RichText || (textFormat() == Qt::AutoText && Qt::mightBeRichText(text()))) return false;
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width() - 2 * margin();
}

QString Label::shownText() const {
    if (!elides()) return text();
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width() - 2 * margin());
}

void Label::paintEvent(QPaintEvent* event) {
    if (!elides()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&painter, area, int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

}  // namespace vantrel::platform::ui
