#pragma once
// The seven texts a logbook row shows for a flight record: its date, the places ("-" when not
// typed; an empty place stays empty), the block-off and block-on clock times, the block time (TT)
// and the flight time (TFT), "-" where there is nothing to show. The flight cell shows them and
// the command line lists them.
//
// Threads: any thread; the record must not change meanwhile.

#include "platform/core/Value.h"

#include <QString>

namespace vantrel::logbook {

struct FlightRowTexts {
    QString date;
    QString departure;
    QString arrival;
    QString blockOffTime;
    QString blockOnTime;
    QString totalTime;
    QString trueFlightTime;
};

FlightRowTexts rowTextsOf(const platform::Dictionary& record);

}  // namespace vantrel::logbook
