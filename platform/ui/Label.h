#pragma once
// A text on the screen: orange on a clear background unless set otherwise.
//
// Threads: main thread only. Owned by its Qt parent.

#include <QColor>
#include <QLabel>

namespace vantrel::platform::ui {

class Label : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
public:
    explicit Label(QWidget* parent = nullptr);
    explicit Label(const QString& text, QWidget* parent = nullptr);

    QColor textColor() const;
    void setTextColor(const QColor& colour);
};

}  // namespace vantrel::platform::ui
