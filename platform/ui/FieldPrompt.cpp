#include "FieldPrompt.h"

#include "AlertView.h"
#include "Style.h"

#include "platform/core/Log.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel::platform::ui {

namespace {
QLabel* makeLabel(const QString& text, const QFont& font, const QString& colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour));
    return label;
}
}  // namespace

FieldPrompt::FieldPrompt(const QString& title, const QString& message, const QString& answerTitle, Action action,
                         int boxWidth, QWidget* window)
    : QWidget(window), action_(std::move(action)), boxWidth_(boxWidth), box_(new QWidget(this)),
      column_(new QVBoxLayout(box_)), field_(new TextField(box_)) {
    if (!window) logLine(QStringLiteral("The prompt \"%1\" has no window to cover").arg(title));
    QWidget::hide();
    setFocusPolicy(Qt::StrongFocus);
    column_->setContentsMargins(12, 14, 12, 12);
    column_->setSpacing(8);
    column_->addWidget(makeLabel(title, style::font(18, true), QStringLiteral("white"), box_));
    if (!message.isEmpty()) column_->addWidget(makeLabel(message, style::font(14), QStringLiteral("#dddddd"), box_));
    field_->setDelegate(this);
    column_->addWidget(field_);
    problem_ = makeLabel(QString(), style::font(14), QStringLiteral("#ffd060"), box_);
    problem_->hide();
    column_->addWidget(problem_);
    extraAt_ = column_->count();
    column_->addSpacing(4);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    QPushButton* cancelButton = alertButton(QStringLiteral("Cancel"), true, box_);
    QPushButton* answerButton = alertButton(answerTitle, false, box_);
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    connect(answerButton, &QPushButton::clicked, this, [this] { answer(); });
    row->addWidget(cancelButton);
    row->addWidget(answerButton);
    column_->addLayout(row);
    box_->setFixedWidth(boxWidth_);
}

QString FieldPrompt::problem() const { return problem_->text(); }

QPushButton* FieldPrompt::addButton(const QString& title) {
    QPushButton* button = alertButton(title, true, box_);
    column_->insertWidget(extraAt_++, button);
    return button;
}

void FieldPrompt::fitBox() {
    box_->resize(boxWidth_, box_->heightForWidth(boxWidth_));
    // In the upper part of the window, clear of a keyboard that may come up below.
    box_->move((width() - box_->width()) / 2, std::max(10, (height() - box_->height()) / 4));
}

void FieldPrompt::focusField() {
    field_->becomeFirstResponder();
    if (selectsAll_) field_->selectAll();
}

void FieldPrompt::show() {
    if (parentWidget()) setGeometry(parentWidget()->rect());
    fitBox();
    QWidget::show();
    raise();
    focusField();
}

void FieldPrompt::answer() {
    if (closed_) return;
    const QString problem = action_ ? action_(field_->text()) : QString();
    if (problem.isEmpty()) {
        close();
        return;
    }
    problem_->setText(problem);
    problem_->show();
    fitBox();
    focusField();
}

void FieldPrompt::cancel() { close(); }

void FieldPrompt::close() {
    if (closed_) return;
    closed_ = true;
    field_->setDelegate(nullptr);
    QWidget::hide();
    // Qt hands the focus to the next field of the screen under it, which would select its text.
    if (QWidget* focused = QApplication::focusWidget(); focused && focused != field_) focused->clearFocus();
    deleteLater();
}

bool FieldPrompt::textFieldShouldReturn(TextField*) {
    answer();
    return false;
}

void FieldPrompt::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 140));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
    painter.setBrush(QColor(20, 30, 60));
    painter.drawRoundedRect(QRectF(box_->geometry()).adjusted(1, 1, -1, -1), 10, 10);
}

void FieldPrompt::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace vantrel::platform::ui
