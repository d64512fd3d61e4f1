#pragma once
// A script of steps for the running app (vantrel --script FILE), one step a line:
//
//   tap tab "Settings"          a tab of the tab bar, by its title
//   tap row "Metric"            a row of the table on screen, by its text
//   tap row 1 0                 a row of the table on screen, by section and row (from 0)
//   tap button "Agree"          a button, a bar button or an alert button, by its title
//   type "LFPG\n"               typed into the field that has the focus (\n presses Return)
//   drag X1 Y1 X2 Y2            a finger from one point to another, in points of the column
//   drag on NAME X1 Y1 X2 Y2    the same in the points of the view whose object name is NAME
//   pinch X Y FROM TO           two fingers about a point, from one distance apart to another
//   pinch on NAME X Y FROM TO
//   wait SECONDS
//   screenshot "shots/a.png"    a picture of the window (folders are made as needed)
//   dump "state.json"           the state of every instrument, the fix and the tabs, as JSON
//   size W H                    the window W x H pixels large (it chooses its scale and shape)
//   quit                        the pilot's normal end of the app
//
// Words are separated by blanks; a text with blanks goes in double quotes, where \" \\ \n and \t
// stand for a quote, a backslash, a line break and a tab. "#" starts a comment outside quotes.
//
// Threads: any thread (parsing only).

#include <QString>
#include <optional>
#include <vector>

namespace vantrel::app {

struct ScriptStep {
    enum class Kind { TapTab, TapRow, TapRowAt, TapButton, Type, Drag, Pinch, Wait, Screenshot, Dump, Size, Quit };
    Kind kind = Kind::Quit;
    int line = 0;             // in the script file, from 1
    QString source;           // the line as written, for messages
    QString text;             // the title, row text, typed text or picture path
    QString viewName;         // drag and pinch: the view's object name; empty = the window
    std::vector<double> numbers;
};

struct Script {
    QString name;  // the file, for messages
    std::vector<ScriptStep> steps;

    // The steps of a script text. On a mistake, *error names the line and what is wrong.
    static std::optional<Script> parse(const QString& text, const QString& name, QString* error);
    static std::optional<Script> load(const QString& path, QString* error);
};

}  // namespace vantrel::app
