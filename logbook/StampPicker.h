#pragma once
// The time picker of a stamped logbook time: over the whole window, a box with the time's name
// ("Take off"), a field holding the time as "HH:MM" (all selected, with the focus), a line for
// what is wrong, and the buttons "Cancel" and "Set". Return in the field is "Set", Escape is
// "Cancel". "Set" hands the typed text to the owner's check, which answers an empty text when it
// took the time (the picker then closes) or the sentence to show (the picker stays).
//
// parseClockTime reads what the pilot types: "9:50", "09:50", "0950", "950" (hours 0-23,
// minutes 0-59). momentAtClockTime gives the moment with that clock time in the device's current
// time zone (the logbook's rule, FlightTimeText.h) nearest to a moment: a correction of a few
// minutes across midnight stays on the right day.
//
// Ownership: a Qt child of the window it covers; it deletes itself once closed. Threads: main
// thread only.

#include "platform/ui/FieldPrompt.h"

#include <QTime>
#include <optional>

namespace vantrel::logbook {

std::optional<QTime> parseClockTime(const QString& text);
std::optional<double> momentAtClockTime(double near, QTime clock);

class StampPicker : public platform::ui::FieldPrompt {
public:
    using Check = Action;

    StampPicker(const QString& title, const QString& time, Check check, QWidget* window = platform::ui::Window::keyWindow());
};

}  // namespace vantrel::logbook
