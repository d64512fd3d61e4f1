#pragma once
// The small controls a table cell shows beside its content: the detail disclosure button, the
// round delete control of editing mode, and the "Delete" confirmation button.
//
// Threads: main thread only. Qt children of their cell.

#include <QAbstractButton>

namespace vantrel::platform::ui {

class CellControl : public QAbstractButton {
    Q_OBJECT
public:
    enum class Kind { DetailDisclosure, DeleteControl, DeleteConfirmation };

    CellControl(Kind kind, QWidget* parent);

    // The delete control turns a quarter when its row shows the Delete button.
    void setTurned(bool turned);
    QSize sizeHint() const override;
    // The part of the control that is painted, in its own coordinates: the round button of the
    // detail disclosure sits towards the row's right edge, clear of texts that end before it.
    QRectF drawnRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind kind_;
    bool turned_ = false;
};

}  // namespace vantrel::platform::ui
