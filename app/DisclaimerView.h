#pragma once
// The disclaimer: a read-only text between a title bar and a bar with "Disagree" and "Agree".
// At start-up it is presented over the tab bar (unless the pilot switched it off in Settings);
// "Agree" dismisses it and hides both bars from then on, so that the same screen shown later as
// a tab is just the text; "Disagree" ends the app at once with status 0, saving nothing.
//
// Ownership: the shared screen lives for the whole process (enable_shared_from_this lets the tab
// bar and the modal presentation share it); its view and outlets belong to its view.
// Threads: the constructor on any thread; the rest on the main thread.

#include "platform/ui/ViewController.h"

#include <memory>

namespace Ui {
class DisclaimerView;
}

namespace vantrel::platform::ui {
class TabBarController;
class TextView;
}  // namespace vantrel::platform::ui

namespace vantrel::app {

class DisclaimerView : public platform::ui::ViewController, public std::enable_shared_from_this<DisclaimerView> {
public:
    // The one disclaimer screen, titled "Disclaimer" with the tab image "help_i.png".
    static DisclaimerView& sharedController();

    DisclaimerView();
    ~DisclaimerView() override;

    // Presents the screen over `tabBarController`, animated. When the pilot has moved the
    // Disclaimer tab onto the tab bar, the screen cannot also cover it: its tab is selected
    // instead, with both bars, so that the pilot still meets the text and the two buttons.
    void display(platform::ui::TabBarController& tabBarController);
    // Dismisses the screen when it was presented (not when shown as a tab) and hides the bars
    // from the next appearance on.
    void agree();
    // Ends the process at once with status 0; nothing is saved and the app's termination
    // callback does not run.
    [[noreturn]] void disagree();

    bool hideTitles() const { return hideTitles_; }
    void setHideTitles(bool hide) { hideTitles_ = hide; }

    // Outlets (load the view).
    QWidget* titleBar();
    QWidget* bottomBar();
    platform::ui::TextView* textView();

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

protected:
    void loadView() override;
    bool keyPressed(QKeyEvent* event) override;

private:
    bool hideTitles_ = false;
    std::unique_ptr<Ui::DisclaimerView> ui_;
};

}  // namespace vantrel::app
