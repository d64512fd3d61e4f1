#pragma once
// A question to the pilot: a title, a message and buttons, shown over the whole window, which
// takes no other touch until a button is tapped. The delegate then hears
// alertViewClickedButtonAtIndex with the button's index: the cancel button is 0 and the other
// buttons follow from 1 in the order given (from 0 when there is no cancel button). Escape taps
// the cancel button.
//
// Two buttons stand side by side, cancel on the left; more stand one above the other with cancel
// at the bottom.
//
// Ownership: a Qt child of the window it covers (the key window unless another parent is given);
// it deletes itself once a button was tapped. The delegate is not owned and must outlive the
// alert while it shows. Threads: main thread only.

#include "Window.h"

#include <QStringList>
#include <QWidget>
#include <vector>

class QAbstractButton;
class QVBoxLayout;

class QPushButton;

namespace vantrel::platform::ui {

class AlertView;

// A button of an alert (a cancel button darker), also used by the prompts built like alerts.
QPushButton* alertButton(const QString& title, bool cancel, QWidget* parent);

class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(AlertView* alertView, int buttonIndex) = 0;
};

class AlertView : public QWidget {
    Q_OBJECT
public:
    AlertView(const QString& title, const QString& message, AlertViewDelegate* delegate,
              const QString& cancelButtonTitle, const QStringList& otherButtonTitles,
              QWidget* window = Window::keyWindow());

    QString title() const { return title_; }
    QString message() const { return message_; }
    int numberOfButtons() const { return int(titles_.size()); }
    QString buttonTitleAtIndex(int index) const;
    int cancelButtonIndex() const { return hasCancel_ ? 0 : -1; }
    QAbstractButton* buttonAtIndex(int index) const;

    // Shows the alert over its window (hides QWidget::show on purpose: an alert always covers
    // its whole window).
    void show();
    // Closes the alert as a tap on that button does: the delegate hears the index.
    void dismissWithClickedButtonIndex(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString title_;
    QString message_;
    AlertViewDelegate* delegate_;
    bool hasCancel_;
    QStringList titles_;  // in index order
    std::vector<QAbstractButton*> buttons_;
    QWidget* box_;
    bool dismissed_ = false;
};

}  // namespace vantrel::platform::ui
