#pragma once
// An on/off switch drawn like the phone's: a rounded track, blue with "ON" or grey with "OFF",
// and a round white knob that slides across. A tap flips it and reports valueChanged; setOn
// changes it quietly.
//
// Threads: main thread only. Owned by its Qt parent.

#include <QAbstractButton>
#include <QPointer>

namespace vantrel::platform::ui {

class Transition;

class Switch : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(bool on READ isOn WRITE setOn)
public:
    explicit Switch(QWidget* parent = nullptr);

    bool isOn() const { return isChecked(); }
    void setOn(bool on, bool animated = false);

    QSize sizeHint() const override { return {94, 27}; }

signals:
    // The pilot flipped the switch.
    void valueChanged(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void slideKnob(bool animated);

    double knob_ = 0;  // 0 at the left (off), 1 at the right (on)
    QPointer<Transition> sliding_;
};

}  // namespace vantrel::platform::ui
