#pragma once
// A screen: a controller that owns one view and is told when that view comes on or leaves the
// screen.
//
// The view is made lazily: the first call of view() runs loadView() (a plain black view unless a
// subclass makes its own, for example from its Qt Designer form with loadViewFromForm) and then
// viewDidLoad(). The constructor makes no widget, so a controller may be created on any thread
// (the load thread makes some) and its view later on the main thread.
//
// Life cycle: viewWillAppear / viewDidAppear / viewWillDisappear / viewDidDisappear are called
// whenever the screen comes on or leaves the screen: by the window showing its root, a tab being
// selected, a push or a pop, a modal screen presented or dismissed (the screen underneath gets the
// disappear and appear calls too). A container passes the calls on to the children it shows. The
// calls alternate: a screen never gets two will-appear calls without a disappearance between them.
//
// Ownership: controllers are shared, held by std::shared_ptr by their creators and by whatever
// shows them (a navigation stack, a tab list, a modal presentation, the window); the shared screens
// of the app live for the whole process. Links up the tree (parent, presenter) are plain pointers
// that the containers clear when they let a child go. The controller owns its view: containers only
// lend the view a Qt parent while they show it. Accessors lend raw pointers; setters share.
//
// Threads: construction, title and items on any thread; everything else on the main thread.

#include "NavigationItem.h"
#include "TabBarItem.h"

#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

namespace vantrel::platform::ui {

class NavigationController;
class TabBarController;
class Transition;

class ViewController {
public:
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };

    ViewController();
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // The view, loaded on first use.
    QWidget* view();
    bool isViewLoaded() const { return !view_.isNull(); }
    // Installs a view made elsewhere (loadView overrides call it); the controller owns it.
    void setView(QWidget* view);

    // The title; it also titles the navigation item and the tab.
    QString title() const { return title_; }
    void setTitle(const QString& title);

    TabBarItem& tabBarItem() { return *tabBarItem_; }
    const std::shared_ptr<TabBarItem>& sharedTabBarItem() const { return tabBarItem_; }
    NavigationItem& navigationItem() { return navigationItem_; }

    // The container that shows this screen, or for a modal screen the screen it was presented over.
    ViewController* parentViewController() const;
    // The nearest navigation controller above this screen, and the tab bar controller of its tab.
    NavigationController* navigationController() const;
    TabBarController* tabBarController() const;

    ViewController* modalViewController() const { return modal_.get(); }
    // Shows `controller` over the whole screen of the outermost container of this screen (over the
    // top modal screen when there is one already). It rises from the bottom when animated.
    void presentModalViewController(std::shared_ptr<ViewController> controller, bool animated);
    // Removes the modal screen shown over this screen's outermost container; called on the modal
    // screen itself (or inside it), removes that one.
    void dismissModalViewControllerAnimated(bool animated);

    // A key that no widget took (the window passes it to its root): the modal screen shown over
    // this one gets it first, and Escape closes a modal screen that does not use it; then this
    // screen's keyPressed. True when the key was used.
    bool handleKeyPress(QKeyEvent* event);

    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool animated);
    virtual void viewDidAppear(bool animated);
    virtual void viewWillDisappear(bool animated);
    virtual void viewDidDisappear(bool animated);

    // A container that stops showing this screen takes the view back from `host`: hidden and
    // without a Qt parent again (nothing when the view is elsewhere or not loaded).
    void releaseViewFrom(const QWidget* host);

    Appearance appearance() const { return appearance_; }
    bool isOnScreen() const { return appearance_ == Appearance::Appearing || appearance_ == Appearance::Appeared; }

    // Drive the life cycle: containers and the window call these around a change of what is on
    // screen. Calls that would repeat the current state are ignored, and the calls go on to the
    // children shown (childrenOnScreen).
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();

protected:
    // Makes the view; the default is an empty black view.
    virtual void loadView();
    // A key for this screen (see handleKeyPress); containers pass it on to the screen they show.
    virtual bool keyPressed(QKeyEvent*) { return false; }

    // Sets the view up from a form generated from a Qt Designer file (AUTOUIC): the form's widgets
    // are the outlets (form.tableView, form.rangeSlider, ...), its root becomes the view.
    template <class Form>
    void loadViewFromForm(Form& form) {
        QWidget* root = makeBlackView();
        form.setupUi(root);
        setView(root);
    }

    // The children whose views a container shows now; they follow the container's life cycle.
    virtual std::vector<ViewController*> childrenOnScreen() const { return {}; }
    // Told when a container takes this screen in or lets it go.
    virtual void parentChanged() {}

    static QWidget* makeBlackView();

private:
    friend class NavigationController;
    friend class TabBarController;

    ViewController* outermostContainer();
    void dismissModal(bool animated);

    QPointer<QWidget> view_;
    QString title_;
    std::shared_ptr<TabBarItem> tabBarItem_;
    NavigationItem navigationItem_;
    ViewController* parent_ = nullptr;
    TabBarController* tabBarController_ = nullptr;
    ViewController* presenter_ = nullptr;
    std::shared_ptr<ViewController> modal_;
    QPointer<Transition> modalTransition_;
    Appearance appearance_ = Appearance::Disappeared;
    bool appearanceAnimated_ = false;
};

}  // namespace vantrel::platform::ui
