#pragma once
// The application window. The screens are laid out in points on a stage 320 x 480 points large
// (the column of the handheld the app was designed for), centred in the window on a black
// background. The window can take any size: an application window (setFitsScaleToSize) draws
// the stage at the largest scale that fits (see WindowScale), sharp at that scale, and keeps the
// scale the pilot leaves it at in the user defaults ("windowScale"). A window much wider than
// tall lays the stage out side by side (isLandscape): the instrument screens put their instrument
// in the side area at the left, at full height.
//
// F11 switches fullscreen on and off; Ctrl+Q and the close button end the application loop
// normally (the same path as SIGTERM: the delegate's termination saves run). Other keys that no
// widget takes go to the root view controller (ViewController::handleKeyPress).
//
// The root view controller fills the stage and gets its appear and disappear calls when the
// window is shown and hidden. The key window is the last window made that still exists: alerts
// cover it and scripts drive it.
//
// Threads: main thread only. Owned by the application; subviews are Qt children. The window
// shares its root controller (std::shared_ptr).

#include <QTimer>
#include <QWidget>
#include <memory>

namespace vantrel::platform::ui {

class ViewController;

class Window : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 480;
    // How wide the side area of a landscape stage is: the instrument at full height.
    static constexpr int kSideWidth = 480;

    explicit Window(QWidget* parent = nullptr);
    ~Window() override;

    static Window* keyWindow();

    // Windows made from now on choose their scale for their size, and the first one its start
    // size for the screen (the application turns this on unless a scale is forced).
    static void setFitsScaleToSize(bool fits);

    // Adds a view on top of the window's other views, as a child of the stage filling its own
    // geometry (points of the stage).
    void addSubview(QWidget* view);

    // The column the screens are laid out on, centred in the window (320 x 480 points); in
    // landscape the right part of the stage.
    QWidget* stage() const { return stage_; }
    // In landscape, the area left of the column where an instrument screen puts its instrument
    // (480 x 480 points); hidden otherwise.
    QWidget* sideArea() const { return side_; }
    bool isLandscape() const { return landscape_; }
    // Pixels per point now.
    double scale() const;

    ViewController* rootViewController() const { return root_.get(); }
    void setRootViewController(std::shared_ptr<ViewController> controller);

    void toggleFullScreen();

signals:
    // The stage changed between the column and landscape.
    void landscapeChanged(bool landscape);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void layoutStage();
    void fitScaleToSize();
    void saveScale();

    std::shared_ptr<ViewController> root_;
    QWidget* stage_;
    QWidget* side_;
    bool fitsScale_ = false;
    bool landscape_ = false;
    bool fitPending_ = false;
    QTimer saveTimer_;
};

}  // namespace vantrel::platform::ui
