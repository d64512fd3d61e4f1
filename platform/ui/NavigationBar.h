#pragma once
// The bar at the top of a navigation controller, 44 points high: the top screen's title in white,
// its left button or a Back button titled with the previous screen's title, and its right button.
// Black by default; a tint colour gives the bar and its buttons that colour.
//
// Threads: main thread only. A Qt child of its navigation controller's view.

#include "Style.h"

#include <QWidget>
#include <functional>

namespace vantrel::platform::ui {

class BarButton;
class NavigationItem;
class ViewController;

class NavigationBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 44;

    explicit NavigationBar(QWidget* parent = nullptr);

    BarStyle barStyle() const { return barStyle_; }
    void setBarStyle(BarStyle style);
    QColor tintColor() const { return tint_; }
    void setTintColor(const QColor& tint);

    // Shows a screen's navigation item; with a non-empty back title and no left button of its
    // own, a Back button that runs backAction. The bar follows later changes of the item.
    void showItem(NavigationItem* item, const QString& backTitle, std::function<void()> backAction);

    // For a screen that carries a bar of its own in its form: the bar shows the screen's item when
    // the screen stands alone (a tab, a modal screen) and hides inside a navigation controller,
    // whose own bar already carries the title. Call it as the screen appears.
    void showItemUnlessNavigated(ViewController& screen);

    QString titleText() const;
    BarButton* backButton() const { return back_; }
    BarButton* leftButton() const { return left_; }
    BarButton* rightButton() const { return right_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    QColor effectiveTint() const;
    void applyTint();
    void layoutButtons();

    BarStyle barStyle_ = BarStyle::Default;
    QColor tint_;
    NavigationItem* item_ = nullptr;
    QString backTitle_;
    std::function<void()> backAction_;
    BarButton* back_;
    BarButton* left_;
    BarButton* right_;
};

}  // namespace vantrel::platform::ui
