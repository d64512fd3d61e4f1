#include "TabBarController.h"

#include "ContainerView.h"
#include "MoreListController.h"
#include "Style.h"
#include "TabCustomizeView.h"

#include "platform/core/Log.h"

#include <QPainter>
#include <algorithm>

namespace vantrel::platform::ui {

namespace {
// The More tab's icon: three dots.
QPixmap moreIcon() {
    QPixmap pixmap = style::blankImage(QSize(30, 30));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (int i = 0; i < 3; ++i) painter.drawEllipse(QPointF(6 + i * 9, 15), 3.5, 3.5);
    return pixmap;
}
}  // namespace

TabBarController::TabBarController()
    : moreList_(std::make_shared<MoreListController>(this)),
      moreNavigation_(std::make_shared<NavigationController>(moreList_)),
      moreItem_(std::make_shared<TabBarItem>(QStringLiteral("More"), QString())) {
    moreNavigation_->setTitle(QStringLiteral("More"));
    moreNavigation_->tabBarController_ = this;
    moreNavigation_->tabBarItem_ = moreItem_;
}

TabBarController::~TabBarController() {
    if (customizeView_) customizeView_->deleteLater();
    for (auto& c : controllers_) {
        c->tabBarController_ = nullptr;
        if (c->parent_ == this) {
            c->parent_ = nullptr;
            c->parentChanged();
        }
        c->releaseViewFrom(content_);
    }
    moreNavigation_->tabBarController_ = nullptr;
    moreNavigation_->releaseViewFrom(content_);
}

void TabBarController::loadView() {
    auto* view = new ContainerView([this] { layout(); });  // owned through setView
    content_ = new QWidget(view);
    bar_ = new TabBar(view);
    bar_->setDelegate(this);
    moreItem_->setImage(moreIcon());
    setView(view);
    rebuild();
    if (displayed_) {
        QWidget* child = displayed_->view();
        child->setParent(content_);
        child->show();
    }
    layout();
}

void TabBarController::layout() {
    if (!view_ || !bar_ || !content_) return;
    const QRect area = view_->rect();
    bar_->setGeometry(0, area.height() - TabBar::kHeight, area.width(), TabBar::kHeight);
    content_->setGeometry(0, 0, area.width(), area.height() - TabBar::kHeight);
    if (displayed_ && displayed_->view_) displayed_->view_->setGeometry(content_->rect());
    if (customizeView_) customizeView_->setGeometry(content_->geometry());
}

TabBar* TabBarController::tabBar() {
    view();
    return bar_;
}

int TabBarController::shownTabCount() const {
    return hasMoreTab() ? kMaxTabs - 1 : int(controllers_.size());
}

std::vector<ViewController*> TabBarController::moreListControllers() const {
    std::vector<ViewController*> result;
    if (!hasMoreTab()) return result;
    for (size_t i = size_t(shownTabCount()); i < controllers_.size(); ++i) result.push_back(controllers_[i].get());
    return result;
}

int TabBarController::indexOf(const ViewController* controller) const {
    for (size_t i = 0; i < controllers_.size(); ++i) {
        if (controllers_[i].get() == controller) return int(i);
    }
    return kNotFound;
}

bool TabBarController::isCustomizable(const ViewController* controller) const {
    return std::any_of(customizable_.begin(), customizable_.end(), [controller](auto& c) { return c.get() == controller; });
}

std::vector<ViewController*> TabBarController::childrenOnScreen() const {
    if (displayed_) return {displayed_};
    return {};
}

ViewController* TabBarController::selectedViewController() const {
    if (displayed_ == moreNavigation_.get() && moreNavigation_->viewControllers().size() > 1)
        return moreNavigation_->viewControllers()[1].get();
    return displayed_;
}

int TabBarController::selectedIndex() const { return indexOf(selectedViewController()); }

void TabBarController::setSelectedIndex(int index) {
    if (index < 0 || index >= int(controllers_.size())) {
        logLine(QStringLiteral("There is no tab %1 to select").arg(index));
        return;
    }
    select(controllers_[size_t(index)].get());
}

void TabBarController::setSelectedViewController(ViewController* controller) {
    if (controller != moreNavigation_.get() && indexOf(controller) == kNotFound) {
        logLine(QStringLiteral("Screen \"%1\" is not one of the tabs").arg(controller ? controller->title() : QString()));
        return;
    }
    select(controller);
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers) {
    if (customizeView_) {
        customizeView_->deleteLater();
        if (bar_) bar_->setCustomizing(false);
    }
    controllers.erase(std::remove(controllers.begin(), controllers.end(), nullptr), controllers.end());
    ViewController* previous = selectedViewController();
    std::shared_ptr<ViewController> keepAlive;
    for (auto& c : controllers_) {
        if (std::find(controllers.begin(), controllers.end(), c) != controllers.end()) continue;
        if (c.get() == previous) keepAlive = c;
        c->tabBarController_ = nullptr;
        if (c->parent_ == this) {
            c->parent_ = nullptr;
            c->parentChanged();
        }
    }
    controllers_ = std::move(controllers);
    customizable_ = controllers_;
    for (auto& c : controllers_) c->tabBarController_ = this;

    ViewController* target = nullptr;
    if (previous == moreNavigation_.get() && hasMoreTab())
        target = moreNavigation_.get();
    else if (indexOf(previous) != kNotFound)
        target = previous;
    else if (!controllers_.empty())
        target = controllers_.front().get();
    // The screen open in the More list stays open only when it is still selected and still in the list.
    const auto& moreStack = moreNavigation_->viewControllers();
    ViewController* open = moreStack.size() > 1 ? moreStack[1].get() : nullptr;
    if (!(open && open == target && indexOf(open) >= shownTabCount()))
        moreNavigation_->popToRootViewControllerAnimated(false);
    rebuild();
    select(target);
    // A screen that left the list gives its view back.
    if (keepAlive) keepAlive->releaseViewFrom(content_);
}

void TabBarController::setCustomizableViewControllers(std::vector<std::shared_ptr<ViewController>> controllers) {
    customizable_.clear();
    for (auto& c : controllers) {
        if (indexOf(c.get()) != kNotFound) customizable_.push_back(c);
    }
    moreList_->reload();
}

// Brings the tabs, the More list and the parents of the screens in line with the list.
void TabBarController::rebuild() {
    const int shown = shownTabCount();
    for (int i = 0; i < int(controllers_.size()); ++i) {
        ViewController* c = controllers_[size_t(i)].get();
        if (i < shown && c->parent_ != this) {
            if (c->parent_) continue;  // still inside the More navigation controller
            c->parent_ = this;
            c->parentChanged();
        } else if (i >= shown && c->parent_ == this) {
            c->parent_ = nullptr;
            c->parentChanged();
        }
    }
    moreList_->reload();
    if (!bar_) return;
    std::vector<std::shared_ptr<TabBarItem>> items;
    for (int i = 0; i < shown; ++i) items.push_back(controllers_[size_t(i)]->sharedTabBarItem());
    if (hasMoreTab()) items.push_back(moreItem_);
    bar_->setItems(std::move(items));
    ViewController* selected = displayed_ == moreNavigation_.get() ? nullptr : displayed_;
    bar_->setSelectedItem(selected ? selected->sharedTabBarItem().get() : (displayed_ ? moreItem_.get() : nullptr));
}

void TabBarController::select(ViewController* target) {
    if (!target) {
        display(nullptr);
        return;
    }
    if (target == moreNavigation_.get()) {
        display(moreNavigation_.get());
    } else if (indexOf(target) < shownTabCount()) {
        display(target);
    } else {
        std::shared_ptr<ViewController> shared = controllers_[size_t(indexOf(target))];
        if (moreNavigation_->topViewController() != target) {
            const bool showing = displayed_ == moreNavigation_.get();
            moreNavigation_->setViewControllers({moreList_, shared}, showing);
        }
        display(moreNavigation_.get());
    }
    if (bar_) {
        bar_->setSelectedItem(displayed_ == moreNavigation_.get() ? moreItem_.get()
                                                                   : displayed_->sharedTabBarItem().get());
    }
}

void TabBarController::display(ViewController* child) {
    ViewController* old = displayed_;
    if (child == old) return;
    displayed_ = child;
    if (!view_) return;
    // The new screen's view is in place and sized before it hears viewWillAppear.
    if (child) {
        QWidget* childView = child->view();
        childView->setParent(content_);
        childView->setGeometry(content_->rect());
        childView->show();
        childView->raise();
    }
    const bool onScreen = isOnScreen();
    if (onScreen) {
        if (old) old->beginAppearanceTransition(false, false);
        if (child) child->beginAppearanceTransition(true, false);
    }
    if (old && old->view_ && old->view_->parentWidget() == content_) old->view_->hide();
    if (onScreen) {
        if (old) old->endAppearanceTransition();
        if (child) child->endAppearanceTransition();
    }
}

void TabBarController::tabBarDidSelectItem(TabBar*, TabBarItem* item) {
    ViewController* target = nullptr;
    if (item == moreItem_.get()) {
        target = moreNavigation_.get();
    } else {
        for (int i = 0; i < shownTabCount(); ++i) {
            if (controllers_[size_t(i)]->sharedTabBarItem().get() == item) target = controllers_[size_t(i)].get();
        }
    }
    if (!target) return;
    if (target == displayed_) {
        // Tapping the tab that shows goes back to the root of its stack.
        if (auto* nav = dynamic_cast<NavigationController*>(target)) nav->popToRootViewControllerAnimated(true);
    } else {
        select(target);
    }
    if (delegate_) delegate_->tabBarControllerDidSelectViewController(this, selectedViewController());
}

void TabBarController::beginCustomizingTabBar() {
    if (customizeView_ || !hasMoreTab()) return;
    view();
    select(moreNavigation_.get());
    moreNavigation_->popToRootViewControllerAnimated(false);
    orderBeforeCustomizing_ = controllers_;
    std::vector<TabCustomizeView::Icon> icons;
    for (int i = 0; i < int(controllers_.size()); ++i) {
        if (isCustomizable(controllers_[size_t(i)].get()))
            icons.push_back({controllers_[size_t(i)]->sharedTabBarItem(), i});
    }
    customizeView_ = new TabCustomizeView(std::move(icons), view_);
    customizeView_->onHover = [this](const QPoint& global) { hoverFromSheet(global); };
    customizeView_->onDrop = [this](int index, const QPoint& global) { dropFromSheet(index, global); };
    customizeView_->onDone = [this] { endCustomizingTabBar(); };
    customizeView_->setGeometry(content_->geometry());
    customizeView_->show();
    customizeView_->raise();
    bar_->setCustomizing(true);
}

void TabBarController::endCustomizingTabBar() {
    if (!customizeView_) return;
    customizeView_->hide();
    customizeView_->deleteLater();
    customizeView_ = nullptr;
    bar_->setCustomizing(false);
    const bool changed = controllers_ != orderBeforeCustomizing_;
    orderBeforeCustomizing_.clear();
    moreList_->reload();
    if (delegate_) delegate_->tabBarControllerDidEndCustomizingViewControllers(this, controllers_, changed);
}

void TabBarController::hoverFromSheet(const QPoint& global) {
    if (!bar_) return;
    const int slot = bar_->indexOfItemAt(bar_->mapFromGlobal(global));
    bar_->setDropTarget(slot < shownTabCount() && slot >= 0 && isCustomizable(controllers_[size_t(slot)].get()) ? slot : -1);
}

void TabBarController::dropFromSheet(int controllerIndex, const QPoint& global) {
    if (!bar_) return;
    bar_->setDropTarget(-1);
    const int slot = bar_->indexOfItemAt(bar_->mapFromGlobal(global));
    if (slot < 0 || slot >= shownTabCount() || slot == controllerIndex) return;
    swapControllers(controllerIndex, slot);
}

void TabBarController::tabBarDidDragItem(TabBar*, int from, int to) {
    if (from >= shownTabCount() || to >= shownTabCount()) return;
    swapControllers(from, to);
}

void TabBarController::swapControllers(int a, int b) {
    if (a < 0 || b < 0 || a >= int(controllers_.size()) || b >= int(controllers_.size())) return;
    if (!isCustomizable(controllers_[size_t(a)].get()) || !isCustomizable(controllers_[size_t(b)].get())) return;
    std::swap(controllers_[size_t(a)], controllers_[size_t(b)]);
    rebuild();
    if (customizeView_) customizeView_->setControllerIndices([this](const TabBarItem* item) {
        for (int i = 0; i < int(controllers_.size()); ++i) {
            if (controllers_[size_t(i)]->sharedTabBarItem().get() == item) return i;
        }
        return kNotFound;
    });
}

bool TabBarController::keyPressed(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (modifiers == Qt::ControlModifier && key >= Qt::Key_1 && key <= Qt::Key_9) {
        const int index = key - Qt::Key_1;
        if (index < int(controllers_.size())) setSelectedIndex(index);
        return true;
    }
    const bool next = key == Qt::Key_Tab && modifiers == Qt::ControlModifier;
    const bool previous = key == Qt::Key_Backtab && (modifiers & Qt::ControlModifier);
    if (next || previous) {
        // The bar's tabs in order, the More tab last when there is one.
        const int shown = shownTabCount();
        const int count = shown + (int(controllers_.size()) > shown ? 1 : 0);
        if (count == 0) return true;
        const int index = displayed_ == moreNavigation_.get() ? shown : std::max(0, indexOf(displayed_));
        const int target = (index + (next ? 1 : count - 1)) % count;
        if (target < shown)
            setSelectedIndex(target);
        else
            setSelectedViewController(moreNavigation_.get());
        return true;
    }
    return displayed_ && displayed_->handleKeyPress(event);
}

}  // namespace vantrel::platform::ui
