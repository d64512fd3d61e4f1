#pragma once
// A stack of screens under a navigation bar: a root screen, push (slides in from the right) and
// pop (the Back button, sliding back). The bar shows the top screen's navigation item, with a
// Back button titled with the previous screen's title.
//
// A navigation controller pushed onto another one (a tab with its own stack opened from the More
// list) shares the outer bar's place: the outer bar hides, and the inner bar's Back button at the
// inner root leads back out.
//
// The delegate hears navigationControllerWillShowViewController before a screen comes on top
// (also when the navigation controller itself comes on screen), before the screens' own
// viewWillAppear/viewWillDisappear calls.
//
// Ownership: the stack holds its screens by std::shared_ptr; the delegate is not owned and must
// outlive the controller (the app delegate does). Threads: construction on any thread; everything
// else on the main thread.

#include "NavigationBar.h"
#include "ViewController.h"

#include <QPointer>
#include <memory>
#include <vector>

namespace vantrel::platform::ui {

class NavigationController;
class Transition;

class NavigationControllerDelegate {
public:
    virtual ~NavigationControllerDelegate() = default;
    virtual void navigationControllerWillShowViewController(NavigationController* navigationController,
                                                            ViewController* viewController, bool animated) = 0;
    virtual void navigationControllerDidShowViewController(NavigationController*, ViewController*, bool) {}
};

class NavigationController : public ViewController {
public:
    explicit NavigationController(std::shared_ptr<ViewController> root);
    ~NavigationController() override;

    void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
    // Removes the top screen and answers it; nothing (null) at the root.
    std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
    void popToRootViewControllerAnimated(bool animated);
    // Replaces the whole stack (at least a root); one transition from the old top to the new one.
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated);

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
    ViewController* topViewController() const { return stack_.empty() ? nullptr : stack_.back().get(); }
    // The screen the pilot sees: a modal screen over the top one, else the top one.
    ViewController* visibleViewController() const;

    // The bar (loads the view).
    NavigationBar* navigationBar();
    bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden, bool animated = false);

    NavigationControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(NavigationControllerDelegate* delegate) { delegate_ = delegate; }

    // Subclasses that override these call the base: it tells the delegate.
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

protected:
    // Keys go to the top screen first; Escape then goes back one screen.
    bool keyPressed(QKeyEvent* event) override;
    void loadView() override;
    std::vector<ViewController*> childrenOnScreen() const override;
    void parentChanged() override;

private:
    enum class Direction { Forward, Backward };
    void changeStack(std::vector<std::shared_ptr<ViewController>> stack, Direction direction, bool animated);
    void refreshBar();
    void layout();
    bool barShown() const;
    void release(const std::shared_ptr<ViewController>& controller);

    std::vector<std::shared_ptr<ViewController>> stack_;
    NavigationControllerDelegate* delegate_ = nullptr;
    bool barHidden_ = false;
    QPointer<NavigationBar> bar_;
    QPointer<QWidget> content_;
    QPointer<Transition> transition_;
};

}  // namespace vantrel::platform::ui
