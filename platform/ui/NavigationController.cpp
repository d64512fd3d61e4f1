#include "NavigationController.h"

#include "ContainerView.h"
#include "Transition.h"

#include "platform/core/Log.h"

#include <algorithm>

namespace vantrel::platform::ui {

NavigationController::NavigationController(std::shared_ptr<ViewController> root) {
    if (root) {
        root->parent_ = this;
        stack_.push_back(std::move(root));
    }
}

NavigationController::~NavigationController() {
    Transition::finish(transition_);
    for (auto& controller : stack_) release(controller);
}

// Lets a screen go: it no longer has this parent and its view leaves this controller's view.
void NavigationController::release(const std::shared_ptr<ViewController>& controller) {
    if (controller->parent_ == this) {
        controller->parent_ = nullptr;
        controller->parentChanged();
    }
    controller->releaseViewFrom(content_);
}

void NavigationController::loadView() {
    auto* view = new ContainerView([this] { layout(); });  // owned through setView
    bar_ = new NavigationBar(view);
    content_ = new QWidget(view);
    setView(view);
    if (ViewController* top = topViewController()) {
        top->view()->setParent(content_);
        top->view()->show();
    }
    refreshBar();
    layout();
}

bool NavigationController::barShown() const {
    // An inner navigation controller on top brings its own bar.
    return !barHidden_ && !dynamic_cast<NavigationController*>(topViewController());
}

void NavigationController::layout() {
    if (!view_ || !bar_ || !content_) return;
    const QRect area = view_->rect();
    const bool shown = barShown();
    bar_->setVisible(shown);
    bar_->setGeometry(0, 0, area.width(), NavigationBar::kHeight);
    content_->setGeometry(area.adjusted(0, shown ? NavigationBar::kHeight : 0, 0, 0));
    if (ViewController* top = topViewController()) {
        if (top->view_ && top->view_->parentWidget() == content_) top->view_->setGeometry(content_->rect());
    }
}

NavigationBar* NavigationController::navigationBar() {
    view();
    return bar_;
}

void NavigationController::setNavigationBarHidden(bool hidden, bool) {
    barHidden_ = hidden;
    layout();
}

ViewController* NavigationController::visibleViewController() const {
    ViewController* top = topViewController();
    while (top && top->modal_) top = top->modal_.get();
    return top;
}

std::vector<ViewController*> NavigationController::childrenOnScreen() const {
    if (ViewController* top = topViewController()) return {top};
    return {};
}

void NavigationController::viewWillAppear(bool animated) {
    if (delegate_ && topViewController())
        delegate_->navigationControllerWillShowViewController(this, topViewController(), animated);
}

void NavigationController::viewDidAppear(bool animated) {
    if (delegate_ && topViewController())
        delegate_->navigationControllerDidShowViewController(this, topViewController(), animated);
}

void NavigationController::parentChanged() {
    if (view_) refreshBar();
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller, bool animated) {
    if (!controller) return;
    if (std::find(stack_.begin(), stack_.end(), controller) != stack_.end() || controller->parent_ ||
        controller->presenter_) {
        logLine(QStringLiteral("Screen \"%1\" is already shown; it is not pushed again").arg(controller->title()));
        return;
    }
    auto stack = stack_;
    stack.push_back(std::move(controller));
    changeStack(std::move(stack), Direction::Forward, animated);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
    if (stack_.size() <= 1) return nullptr;
    std::shared_ptr<ViewController> top = stack_.back();
    auto stack = stack_;
    stack.pop_back();
    changeStack(std::move(stack), Direction::Backward, animated);
    return top;
}

void NavigationController::popToRootViewControllerAnimated(bool animated) {
    if (stack_.size() <= 1) return;
    changeStack({stack_.front()}, Direction::Backward, animated);
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                                              bool animated) {
    controllers.erase(std::remove(controllers.begin(), controllers.end(), nullptr), controllers.end());
    if (controllers.empty()) {
        logLine(QStringLiteral("A navigation controller needs a root screen; its stack is kept"));
        return;
    }
    const bool deeper = std::find(stack_.begin(), stack_.end(), controllers.back()) == stack_.end();
    changeStack(std::move(controllers), deeper ? Direction::Forward : Direction::Backward, animated);
}

void NavigationController::changeStack(std::vector<std::shared_ptr<ViewController>> stack, Direction direction,
                                       bool animated) {
    Transition::finish(transition_);
    std::vector<std::shared_ptr<ViewController>> old = std::move(stack_);
    stack_ = std::move(stack);
    std::shared_ptr<ViewController> oldTop = old.empty() ? nullptr : old.back();
    std::shared_ptr<ViewController> newTop = stack_.back();

    std::vector<std::shared_ptr<ViewController>> removed;
    for (auto& c : old) {
        if (std::find(stack_.begin(), stack_.end(), c) == stack_.end()) removed.push_back(c);
    }
    for (auto& c : stack_) {
        if (c->parent_ != this) {
            c->parent_ = this;
            c->parentChanged();
        }
    }
    if (!view_) {
        for (auto& c : removed) release(c);
        return;
    }
    if (oldTop == newTop) {
        for (auto& c : removed) release(c);
        refreshBar();
        layout();
        return;
    }

    // A controller that is leaving the screen completes its children's departure first.
    if (appearance_ == Appearance::Disappearing && oldTop) oldTop->endAppearanceTransition();

    // The new top's view is in place (beside the screen when it slides in) before it hears
    // viewWillAppear.
    QWidget* newView = newTop->view();
    newView->setParent(content_);
    refreshBar();
    layout();
    const int width = content_->width();
    const int sign = direction == Direction::Forward ? 1 : -1;
    const bool slides = animated && Transition::animationsEnabled() && oldTop && oldTop->view_;
    newView->setGeometry(content_->rect().translated(slides ? sign * width : 0, 0));
    newView->show();
    newView->raise();

    const bool onScreen = isOnScreen();
    if (onScreen && delegate_) delegate_->navigationControllerWillShowViewController(this, newTop.get(), animated);
    if (onScreen) {
        if (oldTop) oldTop->beginAppearanceTransition(false, animated);
        newTop->beginAppearanceTransition(true, animated);
    }
    QPointer<QWidget> newViewPtr(newView);
    QPointer<QWidget> oldViewPtr(oldTop && oldTop->view_ ? oldTop->view_.data() : nullptr);

    transition_ = Transition::start(
        content_, animated && oldViewPtr,
        [newViewPtr, oldViewPtr, width, sign](double t) {
            if (newViewPtr) newViewPtr->move(qRound(sign * (1.0 - t) * width), 0);
            if (oldViewPtr) oldViewPtr->move(qRound(-sign * t * width), 0);
        },
        [this, oldTop, newTop, removed, oldViewPtr, onScreen, animated] {
            if (oldViewPtr && oldTop != newTop) {
                oldViewPtr->hide();
                oldViewPtr->move(0, 0);
            }
            for (auto& c : removed) release(c);
            if (onScreen) {
                if (oldTop) oldTop->endAppearanceTransition();
                newTop->endAppearanceTransition();
                if (delegate_) delegate_->navigationControllerDidShowViewController(this, newTop.get(), animated);
            }
        });
}

void NavigationController::refreshBar() {
    if (!bar_) return;
    ViewController* top = topViewController();
    if (!top) return;
    QString backTitle;
    std::function<void()> backAction;
    auto titleOf = [](ViewController* c) {
        QString t = c->navigationItem().backButtonTitle();
        if (t.isEmpty()) t = c->navigationItem().title();
        return t.isEmpty() ? QStringLiteral("Back") : t;
    };
    if (stack_.size() > 1) {
        backTitle = titleOf(stack_[stack_.size() - 2].get());
        backAction = [this] { popViewControllerAnimated(true); };
    } else if (auto* outer = dynamic_cast<NavigationController*>(parent_)) {
        auto& outerStack = outer->stack_;
        auto it = std::find_if(outerStack.begin(), outerStack.end(), [this](auto& c) { return c.get() == this; });
        if (it != outerStack.end() && it != outerStack.begin()) {
            backTitle = titleOf(std::prev(it)->get());
            backAction = [outer] { outer->popViewControllerAnimated(true); };
        }
    }
    bar_->showItem(&top->navigationItem(), backTitle, std::move(backAction));
}

bool NavigationController::keyPressed(QKeyEvent* event) {
    if (ViewController* top = topViewController(); top && top->handleKeyPress(event)) return true;
    if (event->keyCombination() == QKeyCombination(Qt::Key_Escape) && stack_.size() > 1) {
        popViewControllerAnimated(true);
        return true;
    }
    return false;
}

}  // namespace vantrel::platform::ui
