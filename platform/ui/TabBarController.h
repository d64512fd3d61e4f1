#pragma once
// The application's tabs: a list of screens shown one at a time above a tab bar 49 points high.
// Up to five screens get a tab each; with more, the first four get tabs and a fifth tab "More"
// holds a navigation controller (moreNavigationController) whose root lists the rest, each row
// with the tab's image and title; tapping a row pushes that screen inside the More navigation
// controller. The More list's view is a TableView.
//
// Customising: the More list's "Edit" button (or beginCustomizingTabBar) opens a sheet with the
// icons of every customisable screen; dragging one onto a tab of the bar puts that screen there
// and the screen it replaces where the dragged one was; dragging a tab onto another tab swaps
// them. "Done" closes the sheet and tells the delegate
// tabBarControllerDidEndCustomizingViewControllers with the list and whether its order changed.
//
// Ownership: the tab bar controller shares its screens (std::shared_ptr) and owns the More list
// and its navigation controller; the delegates are not owned and must outlive it.
// Threads: construction on any thread (no widget is made before the view is asked for); the rest
// on the main thread.

#include "NavigationController.h"
#include "TabBar.h"
#include "ViewController.h"

#include <QPointer>
#include <memory>
#include <vector>

namespace vantrel::platform::ui {

class MoreListController;
class TabBarController;
class TabCustomizeView;

class TabBarControllerDelegate {
public:
    virtual ~TabBarControllerDelegate() = default;
    // The pilot selected a tab (or a screen of the More list through its tab).
    virtual void tabBarControllerDidSelectViewController(TabBarController*, ViewController*) {}
    virtual void tabBarControllerDidEndCustomizingViewControllers(
        TabBarController* tabBarController, const std::vector<std::shared_ptr<ViewController>>& controllers,
        bool changed) = 0;
};

class TabBarController : public ViewController, private TabBarDelegate {
public:
    static constexpr int kMaxTabs = 5;
    static constexpr int kNotFound = -1;

    TabBarController();
    ~TabBarController() override;

    // The screens, first tab first. Keeps the selected screen when it is still in the list, else
    // selects the first. Every screen becomes customisable.
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers);
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return controllers_; }

    void setCustomizableViewControllers(std::vector<std::shared_ptr<ViewController>> controllers);
    const std::vector<std::shared_ptr<ViewController>>& customizableViewControllers() const { return customizable_; }

    // The screen shown: a tab's screen, a screen opened from the More list, or the More navigation
    // controller itself while its list shows.
    ViewController* selectedViewController() const;
    void setSelectedViewController(ViewController* controller);
    // The index of the selected screen in viewControllers(); kNotFound while the More list shows.
    int selectedIndex() const;
    void setSelectedIndex(int index);

    NavigationController* moreNavigationController() const { return moreNavigation_.get(); }
    // The bar (loads the view).
    TabBar* tabBar();
    // How many screens have a tab of their own (the More tab not counted).
    int shownTabCount() const;

    TabBarControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(TabBarControllerDelegate* delegate) { delegate_ = delegate; }

    void beginCustomizingTabBar();
    void endCustomizingTabBar();
    bool isCustomizing() const { return !customizeView_.isNull(); }

protected:
    // Ctrl+1 ... Ctrl+9 select the first nine screens (those past the bar open in the More list),
    // Ctrl+Tab and Ctrl+Shift+Tab the next and previous tab of the bar; other keys go to the screen
    // shown.
    bool keyPressed(QKeyEvent* event) override;
    void loadView() override;
    std::vector<ViewController*> childrenOnScreen() const override;

private:
    friend class MoreListController;

    void tabBarDidSelectItem(TabBar* tabBar, TabBarItem* item) override;
    void tabBarDidDragItem(TabBar* tabBar, int from, int to) override;

    bool hasMoreTab() const { return int(controllers_.size()) > kMaxTabs; }
    std::vector<ViewController*> moreListControllers() const;
    int indexOf(const ViewController* controller) const;
    bool isCustomizable(const ViewController* controller) const;
    void select(ViewController* target);
    void display(ViewController* child);
    void rebuild();
    void layout();
    void swapControllers(int a, int b);
    void dropFromSheet(int controllerIndex, const QPoint& globalPos);
    void hoverFromSheet(const QPoint& globalPos);

    std::vector<std::shared_ptr<ViewController>> controllers_;
    std::vector<std::shared_ptr<ViewController>> customizable_;
    std::vector<std::shared_ptr<ViewController>> orderBeforeCustomizing_;
    std::shared_ptr<MoreListController> moreList_;
    std::shared_ptr<NavigationController> moreNavigation_;
    std::shared_ptr<TabBarItem> moreItem_;
    ViewController* displayed_ = nullptr;
    TabBarControllerDelegate* delegate_ = nullptr;
    QPointer<TabBar> bar_;
    QPointer<QWidget> content_;
    QPointer<TabCustomizeView> customizeView_;
};

}  // namespace vantrel::platform::ui
