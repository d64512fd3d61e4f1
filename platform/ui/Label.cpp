#include "Label.h"

#include "Style.h"

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

}  // namespace vantrel::platform::ui
