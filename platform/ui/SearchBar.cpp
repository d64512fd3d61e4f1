#include "SearchBar.h"

#include "BarButton.h"
#include "Style.h"

#include <QAction>
#include <QLineEdit>
#include <QPainter>

namespace vantrel::platform::ui {

namespace {
QIcon magnifier() {
    QPixmap pixmap = style::blankImage(QSize(16, 16));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x70, 0x70, 0x70), 2));
    painter.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    painter.drawLine(QPointF(10, 10), QPointF(14, 14));
    return QIcon(pixmap);
}
}  // namespace

SearchBar::SearchBar(QWidget* parent) : QWidget(parent), field_(new QLineEdit(this)), cancel_(new BarButton(this)) {
    field_->setFont(style::font(15));
    field_->setClearButtonEnabled(true);
    field_->addAction(magnifier(), QLineEdit::LeadingPosition);
    field_->setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black; border: 1px solid #555;"
                                         " border-radius: 14px; padding: 0px 4px; }"));
    cancel_->setText(QStringLiteral("Cancel"));
    cancel_->hide();
    connect(field_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (delegate_) delegate_->searchBarTextDidChange(this, text);
    });
    connect(field_, &QLineEdit::returnPressed, this, [this] {
        if (delegate_) delegate_->searchBarSearchButtonClicked(this);
    });
    connect(cancel_, &QAbstractButton::clicked, this, [this] {
        if (delegate_) delegate_->searchBarCancelButtonClicked(this);
    });
}

QString SearchBar::text() const { return field_->text(); }
void SearchBar::setText(const QString& text) { field_->setText(text); }
QString SearchBar::placeholder() const { return field_->placeholderText(); }
void SearchBar::setPlaceholder(const QString& text) { field_->setPlaceholderText(text); }

void SearchBar::setShowsCancelButton(bool shows) {
    showsCancel_ = shows;
    cancel_->setVisible(shows);
    resizeEvent(nullptr);
}

void SearchBar::setAutocorrectionEnabled(bool enabled) {
    Qt::InputMethodHints hints = field_->inputMethodHints();
    hints.setFlag(Qt::ImhNoPredictiveText, !enabled);
    hints.setFlag(Qt::ImhNoAutoUppercase, !enabled);
    field_->setInputMethodHints(hints);
}

void SearchBar::becomeFirstResponder() { field_->setFocus(Qt::OtherFocusReason); }

void SearchBar::resignFirstResponder() {
    if (field_->hasFocus()) field_->clearFocus();
}

void SearchBar::resizeEvent(QResizeEvent*) {
    const int fieldHeight = 30;
    int right = width() - 6;
    if (showsCancel_) {
        const QSize size = cancel_->sizeHint();
        cancel_->setGeometry(right - size.width(), (height() - size.height()) / 2, size.width(), size.height());
        right -= size.width() + 6;
    }
    field_->setGeometry(6, (height() - fieldHeight) / 2, right - 6, fieldHeight);
}

void SearchBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style::paintBarBackground(painter, rect(), QColor());
}

}  // namespace vantrel::platform::ui
