#include "TextField.h"

#include "Style.h"

#include <QPainter>
#include <QValidator>

namespace vantrel::platform::ui {

namespace {
// Accepts every text, upper-cased; QLineEdit takes the changed text in place of the typed one.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};
}  // namespace

TextField::TextField(QWidget* parent) : QLineEdit(parent) {
    setFont(style::font(17));
    applyLook();
    connect(this, &QLineEdit::returnPressed, this, [this] {
        if (delegate_) delegate_->textFieldShouldReturn(this);
    });
}

void TextField::applyLook() {
    if (background_.isNull()) {
        setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black; border: 1px solid #7a7a7a;"
                                     " border-radius: 6px; padding: 2px 6px; }"));
    } else {
        setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: black; border: none;"
                                     " padding: 2px 8px; }"));
    }
}

void TextField::setCapitalizesAllCharacters(bool capitalizes) {
    if (capitalizes == capitalizes_) return;
    capitalizes_ = capitalizes;
    setValidator(capitalizes ? new UpperCaseValidator(this) : nullptr);  // owned by the field
    setInputMethodHints(capitalizes ? Qt::ImhUppercaseOnly : Qt::ImhNone);
    if (capitalizes) setText(text().toUpper());
}

void TextField::setBackgroundImage(const QPixmap& image) {
    background_ = image;
    applyLook();
    update();
}

void TextField::becomeFirstResponder() { setFocus(Qt::OtherFocusReason); }

void TextField::resignFirstResponder() {
    if (hasFocus()) clearFocus();
}

void TextField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (delegate_) delegate_->textFieldDidEndEditing(this);
}

void TextField::paintEvent(QPaintEvent* event) {
    if (!background_.isNull()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(rect(), background_);
    }
    QLineEdit::paintEvent(event);
}

}  // namespace vantrel::platform::ui
