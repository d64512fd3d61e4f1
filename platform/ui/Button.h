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
    // The style's bold font at a size in points, and the room beside the title, settable from
    // interface files (small panes carry small buttons).
    Q_PROPERTY(double fontSize READ fontSize WRITE setFontSize)
    Q_PROPERTY(int horizontalPadding READ horizontalPadding WRITE setHorizontalPadding)
public:
    explicit Button(QWidget* parent = nullptr);
    explicit Button(const QString& title, QWidget* parent = nullptr);

    QString title() const { return text(); }
    void setTitle(const QString& title) { setText(title); }
    void setAction(std::function<void()> action) { action_ = std::move(action); }
    void setBackgroundImage(const QPixmap& image);
    double fontSize() const { return font().pixelSize(); }
    void setFontSize(double points);
    int horizontalPadding() const { return horizontalPadding_; }
    void setHorizontalPadding(int points);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyStyle();

    std::function<void()> action_;
    QPixmap background_;
    int horizontalPadding_ = 10;
};

}  // namespace vantrel::platform::ui
