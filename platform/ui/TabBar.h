#pragma once
// A bar of tab items, 49 points high: each item an icon drawn through its alpha channel (orange
// when selected, grey otherwise) over its title. Tapping an item selects it and tells the
// delegate. In customising mode taps select nothing; dragging one item onto another reports the
// move, so that the tab bar controller can swap them.
//
// Used by the tab bar controller and standalone (a screen's own tabs, made in its form).
//
// Ownership: the items are shared (std::shared_ptr); the delegate is not owned and must outlive
// the bar. Threads: main thread only; a Qt child of the view that holds it.

#include "TabBarItem.h"

#include <QWidget>
#include <memory>
#include <vector>

namespace vantrel::platform::ui {

class TabBar;

class TabBarDelegate {
public:
    virtual ~TabBarDelegate() = default;
    virtual void tabBarDidSelectItem(TabBar* tabBar, TabBarItem* item) = 0;
    // Customising: the item at `from` was dropped on the item at `to`.
    virtual void tabBarDidDragItem(TabBar*, int /*from*/, int /*to*/) {}
};

class TabBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 49;

    explicit TabBar(QWidget* parent = nullptr);
    ~TabBar() override;

    void setItems(std::vector<std::shared_ptr<TabBarItem>> items);
    const std::vector<std::shared_ptr<TabBarItem>>& items() const { return items_; }

    TabBarItem* selectedItem() const { return selected_; }
    // Highlights an item without telling the delegate; null highlights none.
    void setSelectedItem(TabBarItem* item);

    TabBarDelegate* delegate() const { return delegate_; }
    void setDelegate(TabBarDelegate* delegate) { delegate_ = delegate; }

    bool isCustomizing() const { return customizing_; }
    void setCustomizing(bool customizing);
    // An item shown as the place where a dragged icon would land (-1 for none).
    void setDropTarget(int index);

    int indexOfItemAt(const QPoint& point) const;
    QRect itemRect(int index) const;

    QSize sizeHint() const override { return {320, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void listen();

    std::vector<std::shared_ptr<TabBarItem>> items_;
    TabBarItem* selected_ = nullptr;
    TabBarDelegate* delegate_ = nullptr;
    bool customizing_ = false;
    int pressed_ = -1;
    int dropTarget_ = -1;
};

}  // namespace vantrel::platform::ui
