#pragma once
// A row of the logbook list: two lines of small labels on black, showing a flight's date, its
// departure and arrival places, its block-off and block-on clock times, its block time ("TT") and
// its flight time ("TFT"). Also home of the logbook's time formatter, affectTime, which the detail
// screen uses as well.
//
// Ownership: the eleven labels are Qt children of the content view, made once with the cell; the
// cell belongs to its table. Threads: main thread only.

#include "platform/core/Value.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"

#include <QLabel>

namespace vantrel::logbook {

class FlightCell : public platform::ui::TableViewCell {
    Q_OBJECT
public:
    explicit FlightCell(const QString& reuseIdentifier, QWidget* parent = nullptr);

    // Sets the field to the time's clock time (device's time zone), or with forceUTC to a
    // duration's hours and minutes, or to "-" when the time is zero or less (FlightTimeText.h).
    static void affectTime(double time, QLabel* field, bool forceUTC);

    // Fills the seven value labels from a flight record; nothing of an earlier flight stays.
    void updateWithCellContent(const platform::Dictionary& record);

    // The seven value labels (the four captions are fixed).
    platform::ui::Label* date() const { return date_; }
    platform::ui::Label* departure() const { return departure_; }
    platform::ui::Label* blockOffTime() const { return blockOffTime_; }
    platform::ui::Label* arrival() const { return arrival_; }
    platform::ui::Label* blockOnTime() const { return blockOnTime_; }
    platform::ui::Label* totalTime() const { return totalTime_; }
    platform::ui::Label* trueFlightTime() const { return trueFlightTime_; }

private:
    void makeStandartControls();
    platform::ui::Label* addLabel(const char* name, const QRect& frame, int fontSize, const QString& caption = {});

    platform::ui::Label* date_ = nullptr;
    platform::ui::Label* departure_ = nullptr;
    platform::ui::Label* blockOffTime_ = nullptr;
    platform::ui::Label* arrival_ = nullptr;
    platform::ui::Label* blockOnTime_ = nullptr;
    platform::ui::Label* totalTime_ = nullptr;
    platform::ui::Label* trueFlightTime_ = nullptr;
};

}  // namespace vantrel::logbook
