#include "StampPicker.h"

#include "platform/core/Log.h"
#include "platform/ui/Style.h"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cmath>

namespace vantrel::logbook {

namespace {
constexpr int kBoxWidth = 284;

QLabel* makeLabel(const QString& text, const QFont& font, const QString& colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour));
    return label;
}

QPushButton* makeButton(const QString& title, bool cancel, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setFont(platform::ui::style::font(17, true));
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
}  // namespace

std::optional<QTime> parseClockTime(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]{1,2})[:.h]?([0-9]{2})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const int hours = match.captured(1).toInt();
    const int minutes = match.captured(2).toInt();
    if (hours > 23 || minutes > 59) return std::nullopt;
    return QTime(hours, minutes);
}

std::optional<double> momentAtClockTime(double near, QTime clock) {
    if (!std::isfinite(near) || !clock.isValid()) return std::nullopt;
    const QDate day = QDateTime::fromSecsSinceEpoch(int64_t(std::floor(near)), Qt::LocalTime).date();
    std::optional<double> best;
    for (int offset : {-1, 0, 1}) {
        const QDateTime candidate(day.addDays(offset), clock, Qt::LocalTime);
        // A clock time that the day skips (the change to daylight saving) is no moment of that day.
        if (!candidate.isValid() || candidate.time() != clock) continue;
        const double moment = double(candidate.toSecsSinceEpoch());
        if (!best || std::abs(moment - near) < std::abs(*best - near)) best = moment;
    }
    return best;
}

StampPicker::StampPicker(const QString& title, const QString& time, Check check, QWidget* window)
    : QWidget(window), check_(std::move(check)), box_(new QWidget(this)), field_(new platform::ui::TextField(box_)) {
    if (!window) platform::logLine(QStringLiteral("The time picker \"%1\" has no window to cover").arg(title));
    QWidget::hide();
    setFocusPolicy(Qt::StrongFocus);
    auto* column = new QVBoxLayout(box_);
    column->setContentsMargins(12, 14, 12, 12);
    column->setSpacing(8);
    column->addWidget(makeLabel(title, platform::ui::style::font(18, true), QStringLiteral("white"), box_));
    field_->setObjectName(QStringLiteral("stampTimeField"));
    field_->setText(time);
    field_->setAlignment(Qt::AlignCenter);
    field_->setFont(platform::ui::style::font(22, true));
    field_->setMinimumHeight(40);
    field_->setDelegate(this);
    column->addWidget(field_);
    problem_ = makeLabel(QString(), platform::ui::style::font(15), QStringLiteral("#ffd060"), box_);
    problem_->hide();
    column->addWidget(problem_);
    column->addSpacing(4);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    QPushButton* cancelButton = makeButton(QStringLiteral("Cancel"), true, box_);
    QPushButton* setButton = makeButton(QStringLiteral("Set"), false, box_);
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    connect(setButton, &QPushButton::clicked, this, [this] { set(); });
    row->addWidget(cancelButton);
    row->addWidget(setButton);
    column->addLayout(row);
    box_->setFixedWidth(kBoxWidth);
}

QString StampPicker::problem() const { return problem_->isVisible() || !problem_->text().isEmpty() ? problem_->text() : QString(); }

void StampPicker::show() {
    if (parentWidget()) setGeometry(parentWidget()->rect());
    box_->resize(kBoxWidth, box_->heightForWidth(kBoxWidth));
    // In the upper part of the window, clear of a keyboard that may come up below.
    box_->move((width() - box_->width()) / 2, std::max(10, (height() - box_->height()) / 4));
    QWidget::show();
    raise();
    field_->becomeFirstResponder();
    field_->selectAll();
}

void StampPicker::set() {
    if (closed_) return;
    const QString problem = check_ ? check_(field_->text()) : QString();
    if (problem.isEmpty()) {
        close();
        return;
    }
    problem_->setText(problem);
    problem_->show();
    box_->resize(kBoxWidth, box_->heightForWidth(kBoxWidth));
    field_->becomeFirstResponder();
    field_->selectAll();
}

void StampPicker::cancel() { close(); }

void StampPicker::close() {
    if (closed_) return;
    closed_ = true;
    field_->setDelegate(nullptr);
    QWidget::hide();
    // Qt hands the focus to the next field of the screen under it, which would select its text.
    if (QWidget* focused = QApplication::focusWidget(); focused && focused != field_) focused->clearFocus();
    deleteLater();
}

bool StampPicker::textFieldShouldReturn(platform::ui::TextField*) {
    set();
    return false;
}

void StampPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 140));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
    painter.setBrush(QColor(20, 30, 60));
    painter.drawRoundedRect(QRectF(box_->geometry()).adjusted(1, 1, -1, -1), 10, 10);
}

void StampPicker::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace vantrel::logbook
