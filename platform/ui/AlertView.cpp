#include "AlertView.h"

#include "Style.h"

#include "platform/core/Log.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel::platform::ui {

namespace {
constexpr int kBoxWidth = 284;

// The text with a no-break space before a question or exclamation mark that follows a blank
// ("flights ?"), so that a wrapped line never leaves the mark alone on the last line.
QString keepMarksWithWords(QString text) {
    text.replace(QStringLiteral(" ?"), QStringLiteral("\u00a0?"));
    text.replace(QStringLiteral(" !"), QStringLiteral("\u00a0!"));
    return text;
}

QLabel* makeLabel(const QString& text, const QFont& font, QWidget* parent) {
    auto* label = new QLabel(keepMarksWithWords(text), parent);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    return label;
}
}  // namespace

QPushButton* alertButton(const QString& title, bool cancel, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setFont(style::font(17, true));
    button->setMinimumHeight(43);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(
        QStringLiteral("QPushButton { color: white; border: 1px solid rgba(255,255,255,90); border-radius: 8px;"
                       " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:0.5 %2, stop:0.51 %3,"
                       " stop:1 %3); }"
                       "QPushButton:pressed { background: #3a3a3a; }")
            .arg(cancel ? "#6a6a6a" : "#8a8a8a", cancel ? "#4a4a4a" : "#5a5a5a", cancel ? "#333333" : "#404040"));
    return button;
}

AlertView::AlertView(const QString& title, const QString& message, AlertViewDelegate* delegate,
                     const QString& cancelButtonTitle, const QStringList& otherButtonTitles, QWidget* window)
    : QWidget(window),
      title_(title),
      message_(message),
      delegate_(delegate),
      hasCancel_(!cancelButtonTitle.isEmpty()),
      box_(new QWidget(this)) {
    if (!window) logLine(QStringLiteral("Alert \"%1\" has no window to cover; it shows on its own").arg(title));
    QWidget::hide();
    setFocusPolicy(Qt::StrongFocus);
    if (hasCancel_) titles_ << cancelButtonTitle;
    titles_ << otherButtonTitles;

    auto* column = new QVBoxLayout(box_);
    column->setContentsMargins(12, 14, 12, 12);
    column->setSpacing(8);
    if (!title.isEmpty()) column->addWidget(makeLabel(title, style::font(18, true), box_));
    if (!message.isEmpty()) column->addWidget(makeLabel(message, style::font(16), box_));
    column->addSpacing(4);

    for (int i = 0; i < titles_.size(); ++i) {
        QPushButton* button = alertButton(titles_[i], hasCancel_ && i == 0, box_);
        connect(button, &QPushButton::clicked, this, [this, i] { dismissWithClickedButtonIndex(i); });
        buttons_.push_back(button);
    }
    if (buttons_.size() == 2) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        row->addWidget(buttons_[0]);
        row->addWidget(buttons_[1]);
        column->addLayout(row);
    } else {
        for (size_t i = hasCancel_ ? 1 : 0; i < buttons_.size(); ++i) column->addWidget(buttons_[i]);
        if (hasCancel_) column->addWidget(buttons_[0]);
    }
    box_->setFixedWidth(kBoxWidth);
}

QString AlertView::buttonTitleAtIndex(int index) const {
    return index >= 0 && index < titles_.size() ? titles_[index] : QString();
}

QAbstractButton* AlertView::buttonAtIndex(int index) const {
    return index >= 0 && index < int(buttons_.size()) ? buttons_[size_t(index)] : nullptr;
}

void AlertView::show() {
    if (parentWidget()) setGeometry(parentWidget()->rect());
    // Wrapped texts need the height for the box's width, which adjustSize does not ask for.
    box_->resize(kBoxWidth, box_->heightForWidth(kBoxWidth));
    box_->move((width() - box_->width()) / 2, std::max(10, (height() - box_->height()) / 2));
    QWidget::show();
    raise();
    setFocus();
}

void AlertView::dismissWithClickedButtonIndex(int index) {
    if (dismissed_) return;
    dismissed_ = true;
    QWidget::hide();
    if (delegate_) delegate_->alertViewClickedButtonAtIndex(this, index);
    deleteLater();
}

void AlertView::keyPressEvent(QKeyEvent* event) {
    // Return answers with the default button (the first after the cancel button, or the only one),
    // Escape with the cancel button (or the only one).
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int count = numberOfButtons();
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && count > 0) {
        dismissWithClickedButtonIndex(hasCancel_ && count > 1 ? 1 : 0);
        return;
    }
    if (plain && event->key() == Qt::Key_Escape && (hasCancel_ || count == 1)) {
        dismissWithClickedButtonIndex(0);
        return;
    }
    QWidget::keyPressEvent(event);
}

void AlertView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
    const QRectF box = QRectF(box_->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    gradient.setColorAt(0, QColor(0x3A, 0x3A, 0x3A, 240));
    gradient.setColorAt(1, QColor(0x10, 0x10, 0x10, 240));
    painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
    painter.setBrush(gradient);
    painter.drawRoundedRect(box, 10, 10);
}

}  // namespace vantrel::platform::ui
