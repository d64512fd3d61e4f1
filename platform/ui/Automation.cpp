#include "Automation.h"

#include "AlertView.h"
#include "Switch.h"
#include "TabBar.h"
#include "TableView.h"
#include "TableViewCell.h"
#include "Transition.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>
#include <QWindow>
#include <QtTest/QTest>
#include <cmath>

namespace vantrel::platform::ui {

namespace {
QString quoted(const QString& text) { return QStringLiteral("\"%1\"").arg(text); }

// Widgets of the window that are shown, topmost last (children follow their parents and later
// siblings are drawn over earlier ones).
template <class T>
std::vector<T*> shownWidgets(QWidget* root) {
    std::vector<T*> found;
    std::function<void(QWidget*)> walk = [&](QWidget* w) {
        if (!w->isVisible()) return;
        if (auto* t = qobject_cast<T*>(w)) found.push_back(t);
        for (QObject* child : w->children()) {
            if (auto* cw = qobject_cast<QWidget*>(child); cw && !cw->isWindow()) walk(cw);
        }
    };
    if (root) walk(root);
    return found;
}
}  // namespace

namespace {
// The title a switch goes by on screen: the text of the row that holds it, or of the label made
// its buddy. Its own text is a full title that the screen does not show.
QString shownTitleOf(const QAbstractButton* button) {
    if (!qobject_cast<const Switch*>(button)) return {};
    for (QWidget* w = button->parentWidget(); w; w = w->parentWidget()) {
        if (auto* cell = qobject_cast<TableViewCell*>(w)) return cell->text();
    }
    if (QWidget* parent = button->parentWidget()) {
        for (const QLabel* label : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (label->buddy() == button) return label->text();
    }
    return {};
}
}  // namespace

Automation::Lookup Automation::noWindow(const QString& what) {
    return {std::nullopt, QStringLiteral("there is no window to find %1 in").arg(what)};
}

Automation::Automation(QWidget* window) : window_(window) {}

QWindow* Automation::handle(QString* error) const {
    if (!window_) {
        *error = QStringLiteral("there is no window");
        return nullptr;
    }
    if (!window_->isVisible() || !window_->windowHandle()) {
        *error = QStringLiteral("the window is not shown");
        return nullptr;
    }
    return window_->windowHandle();
}

QString Automation::coveredBy(const Target& target) const {
    if (!target.widget) return QStringLiteral("%1 is gone").arg(target.description);
    const QPoint p = target.widget->mapTo(window_, target.point);
    if (!window_->rect().contains(p))
        return QStringLiteral("%1 at (%2, %3) is outside the window of %4 x %5")
            .arg(target.description)
            .arg(p.x())
            .arg(p.y())
            .arg(window_->width())
            .arg(window_->height());
    QWidget* hit = window_->childAt(p);
    if (hit == target.widget || target.widget->isAncestorOf(hit)) return {};
    return QStringLiteral("%1 is covered by %2").arg(target.description, hit ? QString::fromLatin1(hit->metaObject()->className())
                                                                               : QStringLiteral("the window"));
}

Automation::Lookup Automation::findTab(const QString& title) const {
    if (!window_) return noWindow(QStringLiteral("tab %1").arg(quoted(title)));
    QString covered;
    std::vector<TabBar*> bars = shownWidgets<TabBar>(window_);
    for (auto it = bars.rbegin(); it != bars.rend(); ++it) {
        TabBar* bar = *it;
        for (int i = 0; i < int(bar->items().size()); ++i) {
            if (bar->items()[size_t(i)]->title() != title) continue;
            Target target{bar, bar->itemRect(i).center(), QStringLiteral("tab %1").arg(quoted(title))};
            covered = coveredBy(target);
            if (covered.isEmpty()) return {target, {}};
        }
    }
    return {std::nullopt, covered.isEmpty() ? QStringLiteral("no tab titled %1").arg(quoted(title)) : covered};
}

std::vector<TableView*> Automation::tablesOnScreen() const {
    std::vector<TableView*> tables;
    std::vector<TableView*> all = shownWidgets<TableView>(window_);
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (coveredBy({*it, (*it)->rect().center(), QString()}).isEmpty()) tables.push_back(*it);
    }
    return tables;
}

Automation::Lookup Automation::findRow(const QString& text) const {
    if (!window_) return noWindow(QStringLiteral("row %1").arg(quoted(text)));
    auto cellWithText = [&](TableView* table) -> TableViewCell* {
        for (TableViewCell* cell : table->visibleCells()) {
            if (cell->text() == text) return cell;
        }
        return nullptr;
    };
    for (TableView* table : tablesOnScreen()) {
        TableViewCell* cell = cellWithText(table);
        if (!cell) {
            // Page through the table for a row that is not on screen.
            const double start = table->contentOffset();
            const double page = std::max(1, table->height() - 1);
            for (double y = 0; !cell; y += page) {
                table->setContentOffset(y);
                cell = cellWithText(table);
                if (y >= table->maxContentOffset()) break;
            }
            if (!cell) table->setContentOffset(start);
        }
        if (!cell) continue;
        if (auto path = table->indexPathForCell(cell)) {
            table->scrollToRowAtIndexPath(*path, TableViewScrollPosition::None, false);
            cell = table->cellForRowAtIndexPath(*path);
        }
        if (cell) return {Target{cell, cell->rect().center(), QStringLiteral("row %1").arg(quoted(text))}, {}};
    }
    return {std::nullopt, QStringLiteral("no row showing %1").arg(quoted(text))};
}

Automation::Lookup Automation::findRow(int section, int row) const {
    const QString name = QStringLiteral("row %1 of section %2").arg(row).arg(section);
    if (!window_) return noWindow(name);
    std::vector<TableView*> tables = tablesOnScreen();
    if (tables.empty()) return {std::nullopt, QStringLiteral("no table on screen to find %1 in").arg(name)};
    TableView* table = tables.front();
    if (row < 0 || row >= table->numberOfRowsInSection(section))
        return {std::nullopt, QStringLiteral("the table on screen has no %1").arg(name)};
    table->scrollToRowAtIndexPath({section, row}, TableViewScrollPosition::None, false);
    TableViewCell* cell = table->cellForRowAtIndexPath({section, row});
    if (!cell) return {std::nullopt, QStringLiteral("%1 has no cell").arg(name)};
    return {Target{cell, cell->rect().center(), name}, {}};
}

Automation::Lookup Automation::findButton(const QString& title) const {
    if (!window_) return noWindow(QStringLiteral("button %1").arg(quoted(title)));
    QString covered;
    std::vector<QAbstractButton*> buttons = shownWidgets<QAbstractButton>(window_);
    for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
        QAbstractButton* button = *it;
        if (button->text() != title && shownTitleOf(button) != title) continue;
        Target target{button, button->rect().center(), QStringLiteral("button %1").arg(quoted(title))};
        if (!button->isEnabled()) {
            covered = QStringLiteral("button %1 is disabled").arg(quoted(title));
            continue;
        }
        covered = coveredBy(target);
        if (covered.isEmpty()) return {target, {}};
    }
    return {std::nullopt, covered.isEmpty() ? QStringLiteral("no button titled %1").arg(quoted(title)) : covered};
}

QString Automation::tap(const Lookup& lookup) const { return lookup ? tap(*lookup.target) : lookup.error; }

QString Automation::tap(const Target& target) const {
    QString error;
    QWindow* window = handle(&error);
    if (!window) return error;
    error = coveredBy(target);
    if (!error.isEmpty()) return error;
    const QPoint p = target.widget->mapTo(window_, target.point);
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, p, 20);
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, p, 60);
    return {};
}

QString Automation::typeText(const QString& text) const {
    QString error;
    QWindow* window = handle(&error);
    if (!window) return error;
    QWidget* focus = window_->focusWidget();
    if (!focus || !focus->hasFocus())
        return QStringLiteral("no field has the focus to type %1 into").arg(quoted(text));
    for (QChar c : text) {
        if (c == QLatin1Char('\n')) {
            QTest::keyClick(window, Qt::Key_Return);
        } else {
            const char latin = c.toLatin1();
            const Qt::Key key = latin > 0 ? QTest::asciiToKey(latin) : Qt::Key_unknown;
            QTest::sendKeyEvent(QTest::Click, window, key, QString(c), Qt::NoModifier);
        }
    }
    return {};
}

QString Automation::drag(QWidget* view, const QPointF& from, const QPointF& to, int steps, int stepMs) const {
    QString error;
    QWindow* window = handle(&error);
    if (!window) return error;
    if (!view || !view->isVisible() || view->window() != window_) return QStringLiteral("the view to drag on is not shown");
    steps = std::max(1, steps);
    auto at = [&](double t) { return view->mapTo(window_, (from + (to - from) * t).toPoint()); };
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at(0), stepMs);
    for (int i = 1; i <= steps; ++i) QTest::mouseMove(window, at(double(i) / steps), stepMs);
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, at(1), 1);
    return {};
}

QString Automation::pinch(QWidget* view, const QPointF& centre, double fromDistance, double toDistance, int steps) const {
    QString error;
    QWindow* window = handle(&error);
    if (!window) return error;
    if (!view || !view->isVisible() || view->window() != window_) return QStringLiteral("the view to pinch on is not shown");
    static QPointingDevice* device = QTest::createTouchDevice();
    steps = std::max(1, steps);
    auto finger = [&](double distance, int side) {
        return view->mapTo(window_, (centre + QPointF(side * distance / 2, 0)).toPoint());
    };
    QTest::touchEvent(window, device).press(0, finger(fromDistance, -1), window).press(1, finger(fromDistance, 1), window);
    for (int i = 1; i <= steps; ++i) {
        const double d = fromDistance + (toDistance - fromDistance) * i / steps;
        QTest::touchEvent(window, device).move(0, finger(d, -1), window).move(1, finger(d, 1), window);
    }
    QTest::touchEvent(window, device).release(0, finger(toDistance, -1), window).release(1, finger(toDistance, 1), window);
    return {};
}

QString Automation::screenshot(const QString& path) const {
    if (!window_) return QStringLiteral("there is no window to picture in %1").arg(path);
    if (!window_->grab().save(path, "PNG")) return QStringLiteral("the picture could not be written to %1").arg(path);
    return {};
}

bool Automation::waitForIdle(int timeoutMs) const {
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::processEvents();
    while (Transition::runningCount() > 0 && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return Transition::runningCount() == 0;
}

}  // namespace vantrel::platform::ui
