#pragma once
// A question with one text field, over the whole window: a box with a title, an optional line of
// explanation, the field (with the focus), a line for what is wrong, any buttons the asker adds,
// and "Cancel" beside the button that answers (its title the asker's: "Set", "Import"). Return in
// the field answers, Escape cancels.
//
// Answering hands the field's text to the asker's action, which answers an empty text when it took
// it (the prompt then closes) or the sentence to show under the field (the prompt stays, the field
// keeps the focus).
//
// Ownership: a Qt child of the window it covers; it deletes itself once closed. Threads: main
// thread only.

#include "TextField.h"
#include "Window.h"

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vantrel::platform::ui {

class FieldPrompt : public QWidget, public TextFieldDelegate {
public:
    using Action = std::function<QString(const QString& text)>;

    // message: the line under the title, none when empty. boxWidth in points.
    FieldPrompt(const QString& title, const QString& message, const QString& answerTitle, Action action, int boxWidth,
                QWidget* window = Window::keyWindow());

    TextField* field() const { return field_; }
    // What is wrong with the last answer, or empty.
    QString problem() const;
    // Whether the field's text is selected when the prompt shows and after a refusal.
    void setSelectsAll(bool selects) { selectsAll_ = selects; }

    void show();
    void answer();
    void cancel();

    bool textFieldShouldReturn(TextField* textField) override;

protected:
    // A button in the prompt's style, between the field and the answering row.
    QPushButton* addButton(const QString& title);
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void close();
    void fitBox();
    void focusField();

    Action action_;
    int boxWidth_;
    QWidget* box_;
    QVBoxLayout* column_;
    int extraAt_;  // where the asker's buttons go in the column
    TextField* field_;
    QLabel* problem_;
    bool selectsAll_ = false;
    bool closed_ = false;
};

}  // namespace vantrel::platform::ui
