#include "ViewController.h"

#include "NavigationController.h"
#include "TabBarController.h"
#include "Transition.h"

#include "platform/core/Log.h"

#include <QPalette>

namespace vantrel::platform::ui {

ViewController::ViewController() : tabBarItem_(std::make_shared<TabBarItem>()) {}

ViewController::~ViewController() {
    if (modal_) modal_->presenter_ = nullptr;
    // The view may be in the middle of handling the tap that released its controller: delete it
    // from the event loop.
    if (view_) view_->deleteLater();
}

QWidget* ViewController::makeBlackView() {
    auto* view = new QWidget;  // owned by the controller through setView
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, Qt::black);
    view->setPalette(palette);
    view->setAutoFillBackground(true);
    return view;
}

void ViewController::loadView() { setView(makeBlackView()); }

QWidget* ViewController::view() {
    if (!view_) {
        loadView();
        if (!view_) {
            logLine(QStringLiteral("Screen \"%1\" made no view; it shows an empty one").arg(title_));
            setView(makeBlackView());
        }
        viewDidLoad();
    }
    return view_;
}

void ViewController::setView(QWidget* view) {
    if (view_ == view) return;
    if (view_) view_->deleteLater();
    view_ = view;
}

void ViewController::releaseViewFrom(const QWidget* host) {
    if (!view_ || !host || view_->parentWidget() != host) return;
    view_->hide();
    view_->setParent(nullptr);
}

void ViewController::setTitle(const QString& title) {
    title_ = title;
    navigationItem_.setTitle(title);
    tabBarItem_->setTitle(title);
}

void ViewController::viewWillAppear(bool) {}
void ViewController::viewDidAppear(bool) {}
void ViewController::viewWillDisappear(bool) {}
void ViewController::viewDidDisappear(bool) {}

ViewController* ViewController::parentViewController() const { return parent_ ? parent_ : presenter_; }

NavigationController* ViewController::navigationController() const {
    for (ViewController* p = parent_; p; p = p->parent_) {
        if (auto* nav = dynamic_cast<NavigationController*>(p)) return nav;
    }
    return nullptr;
}

TabBarController* ViewController::tabBarController() const {
    for (const ViewController* c = this; c; c = c->parent_) {
        if (c->tabBarController_) return c->tabBarController_;
        if (c->parent_) {
            if (auto* tbc = dynamic_cast<TabBarController*>(c->parent_)) return tbc;
        }
    }
    return nullptr;
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
    if (appearing) {
        if (isOnScreen()) return;
        view();
        appearance_ = Appearance::Appearing;
        appearanceAnimated_ = animated;
        viewWillAppear(animated);
    } else {
        if (!isOnScreen()) return;
        appearance_ = Appearance::Disappearing;
        appearanceAnimated_ = animated;
        viewWillDisappear(animated);
    }
    for (ViewController* child : childrenOnScreen()) child->beginAppearanceTransition(appearing, animated);
}

void ViewController::endAppearanceTransition() {
    if (appearance_ == Appearance::Appearing) {
        appearance_ = Appearance::Appeared;
        viewDidAppear(appearanceAnimated_);
    } else if (appearance_ == Appearance::Disappearing) {
        appearance_ = Appearance::Disappeared;
        viewDidDisappear(appearanceAnimated_);
    } else {
        return;
    }
    for (ViewController* child : childrenOnScreen()) child->endAppearanceTransition();
}

ViewController* ViewController::outermostContainer() {
    ViewController* c = this;
    while (c->parent_) c = c->parent_;
    return c;
}

void ViewController::presentModalViewController(std::shared_ptr<ViewController> controller, bool animated) {
    if (!controller) return;
    if (controller->presenter_ || controller->parent_) {
        logLine(QStringLiteral("Screen \"%1\" is already shown elsewhere; it is not presented again")
                    .arg(controller->title()));
        return;
    }
    ViewController* presenter = outermostContainer();
    while (presenter->modal_) presenter = presenter->modal_.get();
    Transition::finish(presenter->modalTransition_);

    QWidget* below = presenter->view();
    QWidget* host = below->parentWidget() ? below->parentWidget() : below;
    const QRect frame = host == below ? below->rect() : below->geometry();

    presenter->modal_ = controller;
    controller->presenter_ = presenter;
    QWidget* top = controller->view();
    top->setParent(host);
    top->setGeometry(frame);
    top->raise();
    top->show();

    const bool onScreen = presenter->isOnScreen();
    if (onScreen) {
        presenter->beginAppearanceTransition(false, animated);
        controller->beginAppearanceTransition(true, animated);
    }
    QPointer<QWidget> belowView(below);
    QPointer<QWidget> topView(top);
    presenter->modalTransition_ = Transition::start(
        host, animated,
        [topView, frame](double t) {
            if (topView) topView->move(frame.x(), frame.y() + qRound((1.0 - t) * frame.height()));
        },
        [presenter, controller, belowView, host, onScreen] {
            if (belowView && belowView != host) belowView->hide();
            if (onScreen) {
                presenter->endAppearanceTransition();
                controller->endAppearanceTransition();
            }
        });
}

void ViewController::dismissModalViewControllerAnimated(bool animated) {
    ViewController* root = outermostContainer();
    if (root->modal_) {
        root->dismissModal(animated);
    } else if (root->presenter_) {
        root->presenter_->dismissModal(animated);
    }
}

bool ViewController::handleKeyPress(QKeyEvent* event) {
    if (std::shared_ptr<ViewController> modal = modal_) {
        if (modal->handleKeyPress(event)) return true;
        if (event->keyCombination() == QKeyCombination(Qt::Key_Escape)) {
            dismissModal(true);
            return true;
        }
        return false;
    }
    return keyPressed(event);
}

void ViewController::dismissModal(bool animated) {
    Transition::finish(modalTransition_);
    std::shared_ptr<ViewController> controller = modal_;
    if (!controller) return;
    // Screens presented over the one being dismissed go with it, at once.
    if (controller->modal_) controller->dismissModal(false);

    modal_.reset();
    QWidget* below = view();
    QPointer<QWidget> topView(controller->view());
    QWidget* host = topView->parentWidget() ? topView->parentWidget() : below;
    const QRect frame = topView->geometry();
    below->show();
    topView->raise();

    const bool onScreen = controller->isOnScreen();
    if (onScreen) {
        controller->beginAppearanceTransition(false, animated);
        beginAppearanceTransition(true, animated);
    }
    modalTransition_ = Transition::start(
        host, animated,
        [topView, frame](double t) {
            if (topView) topView->move(frame.x(), frame.y() + qRound(t * frame.height()));
        },
        [this, controller, topView, onScreen] {
            if (topView) controller->releaseViewFrom(topView->parentWidget());
            controller->presenter_ = nullptr;
            if (onScreen) {
                controller->endAppearanceTransition();
                endAppearanceTransition();
            }
        });
}

}  // namespace vantrel::platform::ui
