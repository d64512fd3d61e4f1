#pragma once
// A read-only text that scrolls: dragged or flicked by finger or mouse, or by the wheel. Plain
// text or simple HTML; orange on black unless set otherwise. It never takes the keyboard.
//
// Threads: main thread only. Owned by its Qt parent.

#include <QTextEdit>

namespace vantrel::platform::ui {

class KineticScroller;

class TextView : public QTextEdit {
    Q_OBJECT
public:
    explicit TextView(QWidget* parent = nullptr);

    void setDefaultTextColor(const QColor& colour);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KineticScroller* scroller_;
    QPointF pressGlobal_;
    bool pressed_ = false;
};

}  // namespace vantrel::platform::ui
