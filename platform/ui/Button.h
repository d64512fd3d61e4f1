#pragma once
// A push button: a title in a rounded dark button, an optional background image instead, and the
// action run when the pilot taps it.
//
// Threads: main thread only. Owned by its Qt parent.

#include <QPushButton>
#include <functional>

namespace vantrel::platform::ui {

class Button : public QPushButton {
    Q_OBJECT
public:
    explicit Button(QWidget* parent = nullptr);
    explicit Button(const QString& title, QWidget* parent = nullptr);

    QString title() const { return text(); }
    void setTitle(const QString& title) { setText(title); }
    void setAction(std::function<void()> action) { action_ = std::move(action); }
    void setBackgroundImage(const QPixmap& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void()> action_;
    QPixmap background_;
};

}  // namespace vantrel::platform::ui
