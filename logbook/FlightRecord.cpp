#include "FlightRecord.h"

#include "FlightKeys.h"
#include "FlightTimeText.h"

#include <cmath>

namespace vantrel::logbook {

using platform::Dictionary;
using platform::Key;

namespace {

std::optional<double> difference(const Dictionary& record, Key from, Key to) {
    if (!record.find(from) || !record.find(to)) return std::nullopt;
    return secondsOf(record, to) - secondsOf(record, from);
}

}  // namespace

platform::DictionaryPtr makeFlight(double now) {
    platform::DictionaryPtr record = Dictionary::create(7);
    record->set(keys::timestamp, QString::asprintf("%f", now));
    return record;
}

double secondsOf(const Dictionary& record, Key key) {
    const platform::Value* value = record.find(key);
    return value ? value->doubleValue() : 0.0;
}

double flightDate(const Dictionary& record) {
    double seconds = secondsOf(record, keys::timestamp);
    return calendarSeconds(seconds) ? seconds : 0.0;
}

int64_t flightOrderSeconds(const Dictionary& record) {
    return static_cast<int64_t>(std::trunc(flightDate(record)));
}

std::optional<double> blockTime(const Dictionary& record) { return difference(record, keys::blockOff, keys::blockOn); }

std::optional<double> flightTime(const Dictionary& record) { return difference(record, keys::takeOff, keys::landing); }

QString stampText(double now) {
    int64_t minutes = static_cast<int64_t>(std::trunc(calendarSeconds(now) ? now / 60.0 : 0.0));
    return QString::number(minutes * 60);
}

}  // namespace vantrel::logbook
