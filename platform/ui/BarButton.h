#pragma once
// The widget of a navigation bar button: a bordered button in the bar's tint, the Back button
// with its pointed left end, or the highlighted "Done" kind.
//
// Threads: main thread only. A Qt child of its bar.

#include <QAbstractButton>
#include <QColor>

namespace vantrel::platform::ui {

class BarButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kHeight = 30;

    explicit BarButton(QWidget* parent = nullptr);

    void setBackShape(bool back);
    void setHighlighted(bool highlighted);
    void setTint(const QColor& tint);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool back_ = false;
    bool highlighted_ = false;
    QColor tint_;
};

}  // namespace vantrel::platform::ui
