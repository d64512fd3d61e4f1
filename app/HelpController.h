#pragma once
// The help screen: how each instrument and screen works, and where the data comes from, as a
// read-only scrolling text under a title bar (hidden inside a navigation controller, whose own bar
// carries the title).
//
// Ownership: the shared screen lives for the whole process (enable_shared_from_this lets the tab
// bar and the More menu share it); its view and outlets belong to its view.
// Threads: the constructor on any thread; the rest on the main thread.

#include "platform/ui/ViewController.h"

#include <memory>

namespace Ui {
class HelpController;
}

namespace vantrel::platform::ui {
class TextView;
}

namespace vantrel::app {

class HelpController : public platform::ui::ViewController, public std::enable_shared_from_this<HelpController> {
public:
    // The one help screen, titled "Help" with the tab image "help_i.png".
    static HelpController& sharedController();

    HelpController();
    ~HelpController() override;

    // Outlet (loads the view).
    platform::ui::TextView* textView();

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

protected:
    void loadView() override;

private:
    std::unique_ptr<Ui::HelpController> ui_;
};

}  // namespace vantrel::app
