#pragma once
// The application window: a screen of 320 x 480 points with a black background, as on the
// handheld the app was designed for. On a desktop the whole application is drawn at a scale
// (2x by default, see Application) so that the window stays sharp and readable.
//
// The root view controller fills the window and gets its appear and disappear calls when the
// window is shown and hidden. The key window is the last window made that still exists: alerts
// cover it and scripts drive it.
//
// Threads: main thread only. Owned by the application; subviews are Qt children. The window
// shares its root controller (std::shared_ptr).

#include <QWidget>
#include <memory>

namespace vantrel::platform::ui {

class ViewController;

class Window : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 480;

    explicit Window(QWidget* parent = nullptr);
    ~Window() override;

    static Window* keyWindow();

    // Adds a view on top of the window's other views, as a child filling its own geometry.
    void addSubview(QWidget* view);

    ViewController* rootViewController() const { return root_.get(); }
    void setRootViewController(std::shared_ptr<ViewController> controller);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::shared_ptr<ViewController> root_;
};

}  // namespace vantrel::platform::ui
