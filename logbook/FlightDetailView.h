#pragma once
// The flight detail screen: one flight's date, its four block times with the buttons that stamp
// them, its block time (TT) and flight time (TFT), and the departure and arrival places typed by
// the pilot.
//
// Only the button of the first time not yet stamped is enabled, in the order block off, take off,
// landing, block on, so a flight walks through five states (one button each, then none). A stamp
// is the current minute in whole seconds (FlightRecord.h); the flight recorder may stamp take off
// and landing itself (FlightRecorder.h), and the screen follows as after a tap. Typed places reach the record when the
// pilot ends typing with Return in either field (both fields are taken then) and when the screen
// is left, so that nothing typed is lost; they are upper-cased as typed, as identifiers are
// written. Every change is saved at once through the logbook's store.
//
// A stamped time is corrected by tapping it: a time picker (StampPicker.h) takes the new clock
// time in the device's time zone; the stamps keep their order, and TT and TFT follow.
//
// Below the totals, "Track" shows the recorded track's duration and length (the sum of its legs,
// in the pilot's distance unit) when the flight has one (FlightTrack.h), else "-"; while the
// screen is shown it is read again every kTrackRefreshMs, so a track being recorded grows on it.
//
// Ownership: the screen works on the store's own record object (shared), and shares the store
// with the list screen that opens it. The form's widgets are children of the screen's view.
// Threads: main thread only.

#include "platform/core/Value.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <array>

#include <memory>

class QLabel;

namespace Ui {
class FlightDetailView;
}

namespace vantrel::logbook {

class FlightLog;
class StampPicker;

class FlightDetailView : public platform::ui::ViewController, public platform::ui::TextFieldDelegate {
public:
    static constexpr int kTrackRefreshMs = 5000;

    explicit FlightDetailView(std::shared_ptr<FlightLog> log);
    ~FlightDetailView() override;

    // The detail screen of the app's logbook list (FlightsView::sharedController()).
    static std::shared_ptr<FlightDetailView> sharedController();

    // Shows this record (the store's own object) and refreshes everything shown.
    void setContent(platform::DictionaryPtr content);
    const platform::DictionaryPtr& content() const { return content_; }

    // The outlets of the form "FlightDetailView" (loads the view).
    Ui::FlightDetailView& form();

    void viewWillAppear(bool animated) override;
    // Takes the typed places into the record (and saves) before the screen goes.
    void viewWillDisappear(bool animated) override;

    // Refreshes the date, the four times, the totals and which button is enabled.
    void updateTimesButtons();
    // Stamps the time that belongs to the button pressed; any other sender stamps nothing. Saves.
    void setCurrentTime(const QObject* sender);
    bool textFieldShouldReturn(platform::ui::TextField* textField) override;
    bool saveFlights();
    // Back to the list, the root of the logbook's navigation stack.
    void list();
    // "00:42  23.4 nm" for the flight's recorded track, "-" without one.
    QString trackText() const;
    // The time picker for a stamped time (the tap on its field), and what "Set" in it does: the
    // typed clock time, nearest the old stamp in the device's time zone, kept in the order of the
    // four times, stamped and saved (the totals follow). Answers what is wrong, or empty.
    void pickTime(platform::Key key);
    QString setStampedTime(platform::Key key, const QString& typed);
    // The picker while it shows, else null.
    StampPicker* picker() const;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    void fillPlaces();
    // Sets the record's places from the fields; with onlyChanged, a field whose text is what the
    // record shows already (an absent place shows as empty) leaves the record alone. Answers
    // whether the record changed.
    bool takePlaces(bool onlyChanged);
    void updateTrack();

    std::shared_ptr<FlightLog> log_;
    std::unique_ptr<Ui::FlightDetailView> ui_;
    platform::DictionaryPtr content_;
    static QString titleOf(platform::Key key);

    QLabel* trackField_ = nullptr;  // a child of the view
    std::array<QPushButton*, 4> timeButtons_{};  // over the four time fields, children of the view
    QPointer<StampPicker> picker_;
    QTimer trackRefresh_;  // runs while the screen is shown
    QString trackSeen_;    // the file and unit the track row was made for
};

}  // namespace vantrel::logbook
