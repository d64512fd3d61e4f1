#pragma once
// An instrument screen: one shared instrument in the upper area, its setup pane and a slip ball of
// the screen's own in the lower area. In a landscape window the instrument goes to the window's
// side area at its full height (drawn 1.5 times larger), and the pane stays in the column, in the
// middle of the height above the tab bar. Keys: Left and Right turn the ring or the bug by a
// degree, PageUp and PageDown by ten; + and - zoom the map. Showing the screen posts "UnitsChanged", so that every
// instrument reloads its units and redraws; save and restore keep the instrument's settings in the
// user defaults under the screen's title ("VOR 1", "ADF", "Compass", "Map", "VOR 2"): shortly
// after each change (the app delegate's timer calls saveWhenSettled) and at the end.
//
// Ownership: the screen is shared (the tab bar and the delegate's persistent list hold it) and
// lives for the process. It lends the instrument and the pane a Qt parent; it owns its slip ball.
// Threads: main thread only.

#include "platform/ui/ViewController.h"

#include <QPointer>
#include <memory>
#include <string>

namespace Ui {
class InstrumentView;
}

namespace vantrel::instruments {
class AbstractInstrumentView;
class SlipballView;
}  // namespace vantrel::instruments

namespace vantrel::app {

class InstrumentViewController : public platform::ui::ViewController {
public:
    // A new screen made from the interface file "InstrumentView".
    static std::shared_ptr<InstrumentViewController> newController();

    InstrumentViewController();
    ~InstrumentViewController() override;

    // The instrument above, its setup pane and a new slip ball below.
    void setInstrument(instruments::AbstractInstrumentView& instrument);
    instruments::AbstractInstrumentView* theInstrument() const;
    instruments::SlipballView* slipball() const;

    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

    // The instrument's settings into the user defaults under the title, and back.
    void save();
    void restore();
    // Takes the settings as they are now as the ones on disk (after restore at the start).
    void noteSaved();
    // Called every second or so: saves the settings once they differ from those last saved and
    // are the same as at the previous call, so that a change is on disk within two calls and a
    // ring being dragged is written once it stops. Equal settings write nothing.
    void saveWhenSettled();

    // The outlets of "InstrumentView" (the view is loaded on first use).
    QWidget* mainInstrumentView();
    QWidget* secondaryInstrumentsView();

protected:
    void loadView() override;
    bool keyPressed(QKeyEvent* event) override;

private:
    // The instrument and the pane where the window's shape puts them (see above).
    void placeInstrument(bool onScreen);

    std::unique_ptr<Ui::InstrumentView> ui_;
    QMetaObject::Connection landscapeWatch_;
    QPointer<instruments::AbstractInstrumentView> theInstrument_;
    QPointer<instruments::SlipballView> slipball_;
    std::string lastSaved_;  // the settings' text as last written or read
    std::string lastSeen_;   // at the previous saveWhenSettled
};

}  // namespace vantrel::app
