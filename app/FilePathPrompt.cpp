#include "FilePathPrompt.h"

#include "platform/core/Log.h"
#include "platform/ui/Style.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel::app {

namespace {
constexpr int kBoxWidth = 296;

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

// A file dialog needs a display: none offscreen or on the minimal platform of tests and scripts.
bool canShowFileDialog() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}
}  // namespace

FilePathPrompt::FilePathPrompt(const QString& title, const QString& message, Action action, QWidget* window)
    : QWidget(window), action_(std::move(action)), title_(title), box_(new QWidget(this)),
      field_(new platform::ui::TextField(box_)) {
    if (!window) platform::logLine(QStringLiteral("The prompt \"%1\" has no window to cover").arg(title));
    setObjectName(QStringLiteral("filePathPrompt"));
    QWidget::hide();
    setFocusPolicy(Qt::StrongFocus);
    auto* column = new QVBoxLayout(box_);
    column->setContentsMargins(12, 14, 12, 12);
    column->setSpacing(8);
    column->addWidget(makeLabel(title, platform::ui::style::font(18, true), QStringLiteral("white"), box_));
    column->addWidget(makeLabel(message, platform::ui::style::font(14), QStringLiteral("#dddddd"), box_));
    field_->setObjectName(QStringLiteral("filePathField"));
    field_->setFont(platform::ui::style::font(15));
    field_->setMinimumHeight(34);
    field_->setPlaceholderText(QStringLiteral("/home/pilot/airspace.txt"));
    field_->setDelegate(this);
    column->addWidget(field_);
    problem_ = makeLabel(QString(), platform::ui::style::font(14), QStringLiteral("#ffd060"), box_);
    problem_->hide();
    column->addWidget(problem_);
    if (canShowFileDialog()) {
        choose_ = makeButton(QStringLiteral("Choose File..."), true, box_);
        connect(choose_, &QPushButton::clicked, this, [this] { choose(); });
        column->addWidget(choose_);
    }
    column->addSpacing(4);
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    QPushButton* cancelButton = makeButton(QStringLiteral("Cancel"), true, box_);
    QPushButton* importButton = makeButton(QStringLiteral("Import"), false, box_);
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    connect(importButton, &QPushButton::clicked, this, [this] { accept(); });
    row->addWidget(cancelButton);
    row->addWidget(importButton);
    column->addLayout(row);
    box_->setFixedWidth(kBoxWidth);
}

QString FilePathPrompt::problem() const { return problem_->text(); }

QString FilePathPrompt::expandedPath(const QString& typed) {
    const QString path = typed.trimmed();
    if (path == QLatin1String("~")) return QDir::homePath();
    if (path.startsWith(QLatin1String("~/"))) return QDir::homePath() + path.mid(1);
    return path;
}

void FilePathPrompt::fitBox() {
    box_->resize(kBoxWidth, box_->heightForWidth(kBoxWidth));
    // In the upper part of the window, clear of a keyboard that may come up below.
    box_->move((width() - box_->width()) / 2, std::max(10, (height() - box_->height()) / 4));
}

void FilePathPrompt::show() {
    if (parentWidget()) setGeometry(parentWidget()->rect());
    fitBox();
    QWidget::show();
    raise();
    field_->becomeFirstResponder();
    field_->selectAll();
}

void FilePathPrompt::accept() {
    if (closed_) return;
    const QString path = expandedPath(field_->text());
    const QString problem = path.isEmpty() ? QStringLiteral("Type the path of a file.") : action_(path);
    if (problem.isEmpty()) {
        close();
        return;
    }
    problem_->setText(problem);
    problem_->show();
    fitBox();
    field_->becomeFirstResponder();
}

void FilePathPrompt::choose() {
    const QString start = field_->text().trimmed().isEmpty() ? QDir::homePath() : expandedPath(field_->text());
    const QString path = QFileDialog::getOpenFileName(this, title_, start,
                                                      QStringLiteral("OpenAir files (*.txt *.air *.openair);;All files (*)"));
    if (path.isEmpty()) return;
    field_->setText(path);
    field_->becomeFirstResponder();
}

void FilePathPrompt::cancel() { close(); }

void FilePathPrompt::close() {
    if (closed_) return;
    closed_ = true;
    field_->setDelegate(nullptr);
    QWidget::hide();
    // Qt hands the focus to the next field of the screen under it.
    if (QWidget* focused = QApplication::focusWidget(); focused && focused != field_) focused->clearFocus();
    deleteLater();
}

bool FilePathPrompt::textFieldShouldReturn(platform::ui::TextField*) {
    accept();
    return false;
}

void FilePathPrompt::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 140));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
    painter.setBrush(QColor(20, 30, 60));
    painter.drawRoundedRect(QRectF(box_->geometry()).adjusted(1, 1, -1, -1), 10, 10);
}

void FilePathPrompt::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace vantrel::app
