#include "Window.h"

#include "TableView.h"
#include "ViewController.h"
#include "WindowScale.h"

#include "platform/core/Log.h"
#include "platform/core/UserDefaults.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QPointer>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>
#include <cmath>
#include <vector>

// Qt keeps a scale factor per screen that multiplies the pixels of every window on it; the only
// way to set it while the application runs is this function of Qt's own high-DPI code, exported
// from QtGui (without a public header). Setting it makes Qt render the window's widgets, fonts and
// images at the new device pixel ratio, as when a window moves to a screen of another density.
class QHighDpiScaling {
public:
    static void setScreenFactor(QScreen* screen, qreal factor);
};

namespace vantrel::platform::ui {

namespace {
constexpr const char* kScaleKey = "windowScale";
bool fitsScaleToSize = false;

std::vector<QPointer<Window>>& windows() {
    static std::vector<QPointer<Window>> all;
    return all;
}

std::optional<double> savedScale() {
    const Value stored = UserDefaults::standardUserDefaults().objectForKey(kScaleKey);
    if (stored.isNull()) return std::nullopt;
    if (!stored.isNumber() || !std::isfinite(stored.doubleValue()) || stored.doubleValue() < kMinimumScale) {
        logLine(QStringLiteral("The saved window scale is no usable number; the window takes the scale that fits"));
        return std::nullopt;
    }
    return stored.doubleValue();
}

// Pixels per point of a screen from now on (its own density no longer counts).
void setScreenScale(QScreen* screen, double scale) {
    if (screen) QHighDpiScaling::setScreenFactor(screen, scale);
}

QWidget* blackArea(QWidget* parent) {
    auto* area = new QWidget(parent);
    QPalette p = area->palette();
    p.setColor(QPalette::Window, Qt::black);
    area->setPalette(p);
    area->setAutoFillBackground(true);
    return area;
}
}  // namespace

void Window::setFitsScaleToSize(bool fits) { fitsScaleToSize = fits; }

Window::Window(QWidget* parent) : QWidget(parent), stage_(blackArea(this)), side_(blackArea(this)) {
    setWindowTitle(QStringLiteral("Vantrel"));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    side_->hide();
    fitsScale_ = fitsScaleToSize && !parent;
    if (fitsScale_) {
        QScreen* screen = QGuiApplication::primaryScreen();
        // Offscreen there is no screen to fit: pictures and scripts get the handheld's 2x.
        const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
        const std::optional<double> saved = savedScale();
        double scale = saved.value_or(2.0);
        if (screen && !offscreen) {
            const QSize available = (QSizeF(screen->availableGeometry().size()) * screen->devicePixelRatio()).toSize();
            scale = startScale(available, saved);
        }
        setScreenScale(screen, scale);
        setMinimumSize(int(std::ceil(kColumnPoints.width() * kMinimumScale / scale)),
                       int(std::ceil(kColumnPoints.height() * kMinimumScale / scale)));
        saveTimer_.setSingleShot(true);
        saveTimer_.setInterval(1000);
        connect(&saveTimer_, &QTimer::timeout, this, &Window::saveScale);
    }
    resize(kWidth, kHeight);
    layoutStage();
    windows().push_back(this);
}

Window::~Window() {
    if (saveTimer_.isActive()) saveScale();
    if (root_) root_->releaseViewFrom(stage_);
    std::erase_if(windows(), [this](const QPointer<Window>& w) { return w.isNull() || w == this; });
}

Window* Window::keyWindow() {
    auto& all = windows();
    std::erase_if(all, [](const QPointer<Window>& w) { return w.isNull(); });
    return all.empty() ? nullptr : all.back().data();
}

double Window::scale() const { return devicePixelRatioF(); }

void Window::addSubview(QWidget* view) {
    view->setParent(stage_);
    view->raise();
    view->show();
}

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
    if (controller == root_) return;
    std::shared_ptr<ViewController> old = std::move(root_);
    root_ = std::move(controller);
    const bool shown = isVisible();
    if (root_) {
        QWidget* view = root_->view();
        view->setParent(stage_);
        view->setGeometry(stage_->rect());
        view->lower();
        view->show();
    }
    if (old && shown) old->beginAppearanceTransition(false, false);
    if (root_ && shown) root_->beginAppearanceTransition(true, false);
    if (old) old->releaseViewFrom(stage_);
    if (old && shown) old->endAppearanceTransition();
    if (root_ && shown) root_->endAppearanceTransition();
}

void Window::toggleFullScreen() {
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

void Window::layoutStage() {
    // Decided in points: the side-by-side stage only where it fits at the scale in use.
    const bool landscape = layoutForPixels(size()).landscape;
    const QSize points = landscape ? kLandscapePoints : kColumnPoints;
    // The stage starts on a whole pixel, so that pictures kept at the scale are copied pixel for
    // pixel: at a scale in eighths, a multiple of up to 8 points is one.
    int step = 1;
    const double scale = devicePixelRatioF();
    while (step < 8 && std::abs(step * scale - std::round(step * scale)) > 1e-9) step *= 2;
    const auto aligned = [step](int free) { return std::max(0, free / 2) / step * step; };
    const QPoint origin(aligned(width() - points.width()), aligned(height() - points.height()));
    if (landscape) {
        side_->setGeometry(QRect(origin, QSize(kSideWidth, kHeight)));
        stage_->setGeometry(QRect(origin + QPoint(kSideWidth, 0), QSize(kWidth, kHeight)));
    } else {
        stage_->setGeometry(QRect(origin, QSize(kWidth, kHeight)));
    }
    side_->setVisible(landscape);
    if (landscape != landscape_) {
        landscape_ = landscape;
        emit landscapeChanged(landscape);
    }
}

void Window::fitScaleToSize() {
    fitPending_ = false;
    const double now = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * now).toSize();
    const double scale = layoutForPixels(pixels).scale;
    if (std::abs(scale - now) < 1e-6) return;
    setScreenScale(screen(), scale);
    setMinimumSize(int(std::ceil(kColumnPoints.width() * kMinimumScale / scale)),
                   int(std::ceil(kColumnPoints.height() * kMinimumScale / scale)));
    // The window keeps its pixels; in points it is now smaller or larger. Its native window
    // already says so: a resize event to it brings the widget along, where resize() would also
    // take a fullscreen or maximised window back to normal.
    if (QWindow* native = windowHandle()) {
        QResizeEvent resized(native->geometry().size(), size());
        QCoreApplication::sendEvent(native, &resized);
    } else {
        resize((QSizeF(pixels) / scale).toSize());
    }
    layoutStage();
    update();
    if (windowState() == Qt::WindowNoState) saveTimer_.start();
}

void Window::saveScale() {
    saveTimer_.stop();
    UserDefaults::standardUserDefaults().setObject(kScaleKey, Value::real(devicePixelRatioF()));
}

void Window::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutStage();
    if (fitsScale_ && !fitPending_) {
        // After the resize has been handled: the scale changes the window's size in points.
        fitPending_ = true;
        QTimer::singleShot(0, this, &Window::fitScaleToSize);
    }
}

void Window::keyPressEvent(QKeyEvent* event) {
    const QKeyCombination key = event->keyCombination();
    if (key == QKeyCombination(Qt::Key_F11)) {
        toggleFullScreen();
        return;
    }
    if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_Q)) {
        QCoreApplication::quit();
        return;
    }
    if (root_ && root_->handleKeyPress(event)) return;
    // A letter that nothing took goes to the longest list on screen, which jumps to its first row
    // with that letter.
    TableView* list = nullptr;
    for (TableView* table : stage_->findChildren<TableView*>()) {
        if (table->isVisible() && (!list || table->height() > list->height())) list = table;
    }
    if (list && event->modifiers() == Qt::NoModifier && event->text().size() == 1 && event->text().front().isLetter()) {
        list->jumpToRowStartingWith(event->text());
        return;
    }
    QWidget::keyPressEvent(event);
}

void Window::closeEvent(QCloseEvent* event) {
    // The close button ends the loop as Ctrl+Q and SIGTERM do; a window of a test just closes.
    QWidget::closeEvent(event);
    if (fitsScale_) QCoreApplication::quit();
}

void Window::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (root_ && !event->spontaneous()) {
        root_->beginAppearanceTransition(true, false);
        root_->endAppearanceTransition();
    }
}

void Window::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (root_ && !event->spontaneous()) {
        root_->beginAppearanceTransition(false, false);
        root_->endAppearanceTransition();
    }
}

}  // namespace vantrel::platform::ui
