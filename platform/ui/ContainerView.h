#pragma once
// The view of a container controller (navigation or tab bar controller): a black view that lays
// out its parts again whenever its size changes.
//
// Threads: main thread only. Owned by its controller (see ViewController).

#include <QWidget>
#include <functional>

namespace vantrel::platform::ui {

class ContainerView : public QWidget {
    Q_OBJECT
public:
    explicit ContainerView(std::function<void()> layout, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::function<void()> layout_;
};

}  // namespace vantrel::platform::ui
