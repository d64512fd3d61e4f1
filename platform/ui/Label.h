#pragma once
// A text on the screen: orange on a clear background unless set otherwise. A one-line text
// that is wider than the label ends in "…" instead of being cut mid-glyph (word-wrapped and rich
// texts are left to QLabel).
//
// Threads: main thread only. Owned by its Qt parent.

#include <QColor>
#include <QLabel>

namespace vantrel::platform::ui {

class Label : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    // The style's font at a size in points, plain or bold, settable from interface files.
    Q_PROPERTY(double fontSize READ fontSize WRITE setFontSize)
    Q_PROPERTY(bool bold READ isBold WRITE setBold)
public:
    explicit Label(QWidget* parent = nullptr);
    explicit Label(const QString& text, QWidget* parent = nullptr);

    QColor textColor() const;
    void setTextColor(const QColor& colour);
    double fontSize() const { return font().pixelSize(); }
    void setFontSize(double points);
    bool isBold() const { return font().bold(); }
    void setBold(bool bold);

    // The text as drawn: the whole text, or its elided form when it does not fit.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool elides() const;
};

}  // namespace vantrel::platform::ui
