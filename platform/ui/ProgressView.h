#pragma once
// A progress bar from 0 to 1 (the loading screen's): an orange fill in a grey rounded track.
// Values outside 0..1 are clamped; a value that is not a number reads as 0.
//
// Threads: main thread only. Owned by its Qt parent.

#include <QProgressBar>

namespace vantrel::platform::ui {

class ProgressView : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressView(QWidget* parent = nullptr);

    float progress() const { return progress_; }
    void setProgress(float progress);

private:
    float progress_ = 0;
};

}  // namespace vantrel::platform::ui
