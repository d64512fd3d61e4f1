#pragma once
// Interface files by name ("VORSetupView"), as a screen or an instrument loads its pane: Qt Designer
// forms compiled into the program and registered under their file name by the library that ships
// them. Loading one builds its widget tree for an owner and connects it:
// - outlets: every widget of the tree with an object name is offered to the owner under that name
//   (the root of a setup pane is named "setupView");
// - actions: a button with the dynamic property "action" (a text such as "selectPOI:") sends that
//   action to the owner when clicked.
// A name nobody registered is logged and gives nothing. A button whose action the owner does not
// answer is logged and hidden (two owners may share one pane, each with its own actions).
//
// Ownership: the caller owns the root that loadNibNamed returns (no Qt parent). The registry lives
// for the process. Threads: main thread only.

#include <QString>
#include <QWidget>
#include <functional>

namespace vantrel::platform::ui {

class NibOwner {
public:
    virtual ~NibOwner() = default;
    // A named widget of the loaded file.
    virtual void setOutlet(const QString& name, QWidget* widget) = 0;
    // What the action does, or nothing when the owner has no such action.
    virtual std::function<void()> actionNamed(const QString& action) = 0;
};

// Builds the form's widgets into the root it is given (a generated setupUi).
using NibBuilder = std::function<void(QWidget* root)>;

// The builder is called with a new root widget; makeRoot makes that root (a plain QWidget when
// empty), so that the form's top class (FramedSetupView, ...) is the root's class.
void registerNib(const QString& name, NibBuilder builder, std::function<QWidget*()> makeRoot = {});
bool isNibRegistered(const QString& name);

// The loaded tree for the owner, or nullptr when no file has that name.
QWidget* loadNibNamed(const QString& name, NibOwner& owner);

}  // namespace vantrel::platform::ui
