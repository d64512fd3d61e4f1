#pragma once
// Finding and working the controls of the window the way a pilot does, for tests and for the
// script driver: find a tab, a table row, or a button (bar button, button, alert button, a row's
// Delete button) by its title or text (a switch also by the title shown beside it: its row's
// text or its label's), and tap it by sending a press and a release at its centre
// through the window, so that the same code runs as for a real tap (touch arrives as these mouse
// events too). Also typing into the field that has the focus, dragging and pinching on a view,
// and saving a picture of the window.
//
// Every lookup or action that fails answers an error text naming what was looked for (an empty
// text means success), and does nothing.
//
// Threads: main thread only. Works on a window it does not own; the window must be shown.

#include "Window.h"

#include <QPointF>
#include <QPointer>
#include <QString>
#include <optional>

namespace vantrel::platform::ui {

class TableView;

class Automation {
public:
    // A place to tap: a point in a widget's coordinates.
    struct Target {
        QPointer<QWidget> widget;
        QPoint point;
        QString description;
    };
    struct Lookup {
        std::optional<Target> target;
        QString error;
        explicit operator bool() const { return target.has_value(); }
    };

    explicit Automation(QWidget* window = Window::keyWindow());

    Lookup findTab(const QString& title) const;
    // A row showing this text in a table on screen; scrolls the table to bring it into view.
    Lookup findRow(const QString& text) const;
    // A row of the table on screen by place; scrolls it into view.
    Lookup findRow(int section, int row) const;
    Lookup findButton(const QString& title) const;

    QString tap(const Lookup& lookup) const;
    QString tap(const Target& target) const;
    QString tapTab(const QString& title) const { return tap(findTab(title)); }
    QString tapRow(const QString& text) const { return tap(findRow(text)); }
    QString tapRow(int section, int row) const { return tap(findRow(section, row)); }
    QString tapButton(const QString& title) const { return tap(findButton(title)); }

    // Types into the focused widget; "\n" presses Return.
    QString typeText(const QString& text) const;
    // A finger (the mouse button) pressed at `from`, moved in steps of stepMs and lifted at `to`;
    // positions in the view's coordinates.
    QString drag(QWidget* view, const QPointF& from, const QPointF& to, int steps = 10, int stepMs = 16) const;
    // Two fingers about `centre`, moving apart (or together) from one distance to another.
    QString pinch(QWidget* view, const QPointF& centre, double fromDistance, double toDistance, int steps = 10) const;
    QString screenshot(const QString& path) const;

    // Runs the event loop until no screen transition is running; false when the time ran out
    // first. A loaded machine can hold the loop for seconds while a transition waits its turn.
    bool waitForIdle(int timeoutMs = 15000) const;

private:
    static Lookup noWindow(const QString& what);
    QWindow* handle(QString* error) const;
    QString coveredBy(const Target& target) const;
    std::vector<TableView*> tablesOnScreen() const;

    QPointer<QWidget> window_;
};

}  // namespace vantrel::platform::ui
