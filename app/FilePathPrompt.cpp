#include "FilePathPrompt.h"

#include "platform/ui/Style.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPushButton>

namespace vantrel::app {

namespace {
// A file dialog needs a display: none offscreen or on the minimal platform of tests and scripts.
bool canShowFileDialog() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}
}  // namespace

FilePathPrompt::FilePathPrompt(const QString& title, const QString& message, Action action, QWidget* window)
    : FieldPrompt(title, message, QStringLiteral("Import"),
                  [action = std::move(action)](const QString& typed) {
                      const QString path = expandedPath(typed);
                      return path.isEmpty() ? QStringLiteral("Type the path of a file.") : action(path);
                  },
                  296, window),
      title_(title) {
    setObjectName(QStringLiteral("filePathPrompt"));
    field()->setObjectName(QStringLiteral("filePathField"));
    field()->setFont(platform::ui::style::font(15));
    field()->setMinimumHeight(34);
    field()->setPlaceholderText(QStringLiteral("/home/pilot/airspace.txt"));
    if (canShowFileDialog()) {
        choose_ = addButton(QStringLiteral("Choose File..."));
        connect(choose_, &QPushButton::clicked, this, [this] { choose(); });
    }
}

QString FilePathPrompt::expandedPath(const QString& typed) {
    const QString path = typed.trimmed();
    if (path == QLatin1String("~")) return QDir::homePath();
    if (path.startsWith(QLatin1String("~/"))) return QDir::homePath() + path.mid(1);
    return path;
}

void FilePathPrompt::choose() {
    const QString start = field()->text().trimmed().isEmpty() ? QDir::homePath() : expandedPath(field()->text());
    const QString path = QFileDialog::getOpenFileName(this, title_, start,
                                                      QStringLiteral("OpenAir files (*.txt *.air *.openair);;All files (*)"));
    if (path.isEmpty()) return;
    field()->setText(path);
    field()->becomeFirstResponder();
}

}  // namespace vantrel::app
