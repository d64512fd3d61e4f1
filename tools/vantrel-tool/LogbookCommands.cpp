// logbook list | export --csv: the pilot's logbook ("flights.plist" in the documents folder)
// through the same store as the app, read only.

#include "Commands.h"
#include "Json.h"

#include "logbook/FlightCsv.h"
#include "logbook/FlightLog.h"
#include "logbook/FlightRowTexts.h"

#include <cstdio>

namespace vantrel::tool {

using platform::Array;
using platform::Dictionary;
using platform::Value;

namespace {

const char* const kLogbookUsage =
    "usage: vantrel-tool [--json] logbook list\n"
    "       vantrel-tool logbook export --csv\n";

void print(const QByteArray& text) { std::fwrite(text.constData(), 1, size_t(text.size()), stdout); }

Value rowValue(const logbook::FlightRowTexts& row) {
    platform::DictionaryPtr shown = Dictionary::create(7);
    shown->set("date", row.date);
    shown->set("departure", row.departure);
    shown->set("arrival", row.arrival);
    shown->set("block_off", row.blockOffTime);
    shown->set("block_on", row.blockOnTime);
    shown->set("total_time", row.totalTime);
    shown->set("true_flight_time", row.trueFlightTime);
    return Value(shown);
}

// [{"title": "May 2024", "flights": [{"record": {stored texts}, "row": {texts shown}}, ...]}, ...]
void listJson(const logbook::FlightLog& log) {
    platform::ArrayPtr sections = Array::create(log.sections().size());
    for (const logbook::FlightSection& section : log.sections()) {
        platform::ArrayPtr flights = Array::create(section.flights->size());
        for (const Value& record : *section.flights) {
            platform::DictionaryPtr entry = Dictionary::create(2);
            entry->set("record", record);
            entry->set("row", rowValue(logbook::rowTextsOf(*record.asDictionary())));
            flights->append(Value(entry));
        }
        platform::DictionaryPtr entry = Dictionary::create(2);
        entry->set("title", section.title);
        entry->set("flights", Value(flights));
        sections->append(Value(entry));
    }
    print(QByteArray::fromStdString(toJson(Value(sections))) + '\n');
}

// The rows as the list shows them: date, "Dep." place, block off, TT over "Arr." place, block on, TFT.
void listText(const logbook::FlightLog& log) {
    if (log.sections().empty()) {
        print("No flights\n");
        return;
    }
    for (const logbook::FlightSection& section : log.sections()) {
        print(section.title.toUtf8() + '\n');
        for (const Value& record : *section.flights) {
            logbook::FlightRowTexts row = logbook::rowTextsOf(*record.asDictionary());
            print(QStringLiteral("  %1  Dep. %2 %3  TT  %4\n")
                      .arg(row.date, -10)
                      .arg(row.departure, -12)
                      .arg(row.blockOffTime, -5)
                      .arg(row.totalTime)
                      .toUtf8());
            print(QStringLiteral("  %1  Arr. %2 %3  TFT %4\n")
                      .arg(QString(), -10)
                      .arg(row.arrival, -12)
                      .arg(row.blockOnTime, -5)
                      .arg(row.trueFlightTime)
                      .toUtf8());
        }
    }
}

}  // namespace

int runLogbookCommand(const QStringList& args, bool json) {
    const bool list = args == QStringList{QStringLiteral("list")};
    const bool csv = args == QStringList{QStringLiteral("export"), QStringLiteral("--csv")};
    if (!list && !csv) {
        std::fputs(kLogbookUsage, stderr);
        return 2;
    }
    logbook::FlightLog log(logbook::FlightLog::defaultSavePath());
    if (log.fileWasDamaged()) {
        std::fprintf(stderr, "the logbook %s could not be read\n", qPrintable(log.savePath()));
        return 1;
    }
    if (csv)
        print(logbook::flightsCsv(*log.flightsArray()));
    else if (json)
        listJson(log);
    else
        listText(log);
    return 0;
}

}  // namespace vantrel::tool
