#pragma once
// The sheet of the tab customisation: a "Configure" bar with a Done button over a grid of the
// icons of every customisable screen. An icon can be dragged out of the grid; the sheet reports
// where it hovers and where it is dropped (global positions), and the tab bar controller decides
// what lands where.
//
// Threads: main thread only. A Qt child of the tab bar controller's view, which deletes it when
// the customisation ends.

#include "NavigationItem.h"
#include "TabBarItem.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QLabel;

namespace vantrel::platform::ui {

class NavigationBar;

class TabCustomizeView : public QWidget {
    Q_OBJECT
public:
    struct Icon {
        std::shared_ptr<TabBarItem> item;
        int controllerIndex;  // where the screen is in the tab bar controller's list
    };

    TabCustomizeView(std::vector<Icon> icons, QWidget* parent);
    ~TabCustomizeView() override;

    // Renumbers the icons after screens moved.
    void setControllerIndices(const std::function<int(const TabBarItem*)>& indexOf);
    // The centre of an icon in the sheet's coordinates.
    QRect iconRect(int icon) const;
    int iconCount() const { return int(icons_.size()); }

    std::function<void(const QPoint& global)> onHover;
    std::function<void(int controllerIndex, const QPoint& global)> onDrop;
    std::function<void()> onDone;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int iconAt(const QPoint& point) const;
    QPixmap iconImage(int icon) const;

    std::vector<Icon> icons_;
    NavigationItem item_;
    NavigationBar* bar_;
    int pressed_ = -1;
    QPoint pressPos_;
    QPointer<QLabel> floating_;
};

}  // namespace vantrel::platform::ui
