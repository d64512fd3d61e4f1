#pragma once
// Asks the pilot for the path of a file to import: over the whole window, a box with a title, a
// line of explanation, a field for the path (with the focus), a line for what is wrong, and the
// buttons "Cancel" and "Import". Return in the field is "Import", Escape is "Cancel". On a desktop
// a "Choose File..." button opens the system's file dialog, which fills the field; offscreen (no
// display to show a dialog on) there is none, and the typed path is the only way.
//
// "Import" hands the path, trimmed and with a leading "~/" taken as the home folder, to the
// owner's action, which answers an empty text when it took the path (the prompt then closes) or
// the sentence to show (the prompt stays). An empty field is refused without asking the owner.
//
// The prompt's object name is "filePathPrompt".
//
// Ownership: a Qt child of the window it covers; it deletes itself once closed. Threads: main
// thread only.

#include "platform/ui/FieldPrompt.h"

#include <functional>

namespace vantrel::app {

class FilePathPrompt : public platform::ui::FieldPrompt {
public:
    using Action = std::function<QString(const QString& path)>;

    FilePathPrompt(const QString& title, const QString& message, Action action,
                   QWidget* window = platform::ui::Window::keyWindow());

    // The "Choose File..." button, or null where no file dialog can be shown.
    QPushButton* chooseButton() const { return choose_; }

    // The path as the action receives it.
    static QString expandedPath(const QString& typed);

private:
    void choose();

    QString title_;
    QPushButton* choose_ = nullptr;
};

}  // namespace vantrel::app
