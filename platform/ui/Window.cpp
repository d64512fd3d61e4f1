#include "Window.h"

#include "ViewController.h"

#include <QHideEvent>
#include <QPalette>
#include <QPointer>
#include <QShowEvent>
#include <vector>

namespace vantrel::platform::ui {

namespace {
std::vector<QPointer<Window>>& windows() {
    static std::vector<QPointer<Window>> all;
    return all;
}
}  // namespace

Window::Window(QWidget* parent) : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    setWindowTitle(QStringLiteral("Vantrel"));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    windows().push_back(this);
}

Window::~Window() {
    if (root_) root_->releaseViewFrom(this);
    std::erase_if(windows(), [this](const QPointer<Window>& w) { return w.isNull() || w == this; });
}

Window* Window::keyWindow() {
    auto& all = windows();
    std::erase_if(all, [](const QPointer<Window>& w) { return w.isNull(); });
    return all.empty() ? nullptr : all.back().data();
}

void Window::addSubview(QWidget* view) {
    view->setParent(this);
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
        view->setParent(this);
        view->setGeometry(rect());
        view->show();
    }
    if (old && shown) old->beginAppearanceTransition(false, false);
    if (root_ && shown) root_->beginAppearanceTransition(true, false);
    if (old) old->releaseViewFrom(this);
    if (old && shown) old->endAppearanceTransition();
    if (root_ && shown) root_->endAppearanceTransition();
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
