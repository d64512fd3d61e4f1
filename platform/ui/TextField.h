#pragma once
// A one-line text entry: a white rounded field with black text, or the text over a background
// image (setBackgroundImage). The Return key asks the delegate's textFieldShouldReturn.
// resignFirstResponder gives the focus up (the keyboard goes away on a touch screen); the
// delegate then hears textFieldDidEndEditing.
//
// Ownership: a Qt child of its form; the delegate is not owned. Threads: main thread only.

#include <QLineEdit>
#include <QPixmap>

namespace vantrel::platform::ui {

class TextField;

class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    virtual bool textFieldShouldReturn(TextField* textField) = 0;
    virtual void textFieldDidEndEditing(TextField*) {}
};

class TextField : public QLineEdit {
    Q_OBJECT
public:
    explicit TextField(QWidget* parent = nullptr);

    TextFieldDelegate* delegate() const { return delegate_; }
    void setDelegate(TextFieldDelegate* delegate) { delegate_ = delegate; }

    // Upper-cases what is typed (identifiers are written so), also texts set by setText.
    void setCapitalizesAllCharacters(bool capitalizes);
    bool capitalizesAllCharacters() const { return capitalizes_; }

    void setBackgroundImage(const QPixmap& image);
    QPixmap backgroundImage() const { return background_; }

    void becomeFirstResponder();
    void resignFirstResponder();

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void applyLook();

    TextFieldDelegate* delegate_ = nullptr;
    QPixmap background_;
    bool capitalizes_ = false;
};

}  // namespace vantrel::platform::ui
