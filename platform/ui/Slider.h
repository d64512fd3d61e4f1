#pragma once
// A horizontal slider over a range of real numbers: the value keeps what was set exactly (a range
// of 25 reads back 25, not a rounded step), and a drag of the knob reports every change through
// valueChanged while it moves.
//
// Threads: main thread only. Owned by its Qt parent.

#include <QSlider>

namespace vantrel::platform::ui {

class Slider : public QSlider {
    Q_OBJECT
    Q_PROPERTY(double minimumValue READ minimumValue WRITE setMinimumValue)
    Q_PROPERTY(double maximumValue READ maximumValue WRITE setMaximumValue)
    Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged)
public:
    explicit Slider(QWidget* parent = nullptr);

    double minimumValue() const { return minimum_; }
    void setMinimumValue(double minimum);
    double maximumValue() const { return maximum_; }
    void setMaximumValue(double maximum);
    double value() const { return value_; }
    // Clamped to the range; not reported through valueChanged (only the pilot's moves are).
    void setValue(double value);

signals:
    void valueChanged(double value);

private:
    void placeKnob();

    double minimum_ = 0;
    double maximum_ = 1;
    double value_ = 0;
    bool placing_ = false;
};

}  // namespace vantrel::platform::ui
