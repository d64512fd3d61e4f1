#include "FlightRowTexts.h"

#include "FlightKeys.h"
#include "FlightRecord.h"
#include "FlightTimeText.h"

namespace vantrel::logbook {

namespace {

QString placeText(const platform::Dictionary& record, platform::Key key) {
    const platform::Value* place = record.find(key);
    return place ? place->toQString() : QStringLiteral("-");
}

QString durationText(std::optional<double> duration) {
    return duration ? timeText(*duration, true) : QStringLiteral("-");
}

}  // namespace

FlightRowTexts rowTextsOf(const platform::Dictionary& record) {
    FlightRowTexts texts;
    texts.date = dateText(flightDate(record));
    texts.departure = placeText(record, keys::departure);
    texts.arrival = placeText(record, keys::arrival);
    texts.blockOffTime = timeText(secondsOf(record, keys::blockOff), false);
    texts.blockOnTime = timeText(secondsOf(record, keys::blockOn), false);
    texts.totalTime = durationText(blockTime(record));
    texts.trueFlightTime = durationText(flightTime(record));
    return texts;
}

}  // namespace vantrel::logbook
