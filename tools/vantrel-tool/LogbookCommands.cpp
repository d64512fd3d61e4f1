// logbook list | export --csv | track: the pilot's logbook ("flights.plist" in the documents
// folder) through the same store as the app, read only; a flight's recorded track
// ("tracks/<timestamp>.igc") as IGC or GPX.

#include "Commands.h"
#include "Json.h"

#include "logbook/FlightCsv.h"
#include "logbook/FlightLog.h"
#include "logbook/FlightRowTexts.h"
#include "logbook/FlightTrack.h"
#include "platform/core/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace vantrel::tool {

using platform::Array;
using platform::Dictionary;
using platform::Value;

namespace {

const char* const kLogbookUsage =
    "usage: vantrel-tool [--json] logbook list\n"
    "       vantrel-tool logbook export --csv\n"
    "       vantrel-tool logbook track FLIGHT --igc|--gpx [OUT]\n"
    "  FLIGHT is a row of \"logbook list\": its date and block-off time (\"2024/05/31 09:45\"), its date\n"
    "  alone when no other flight has it, or its place in the list counted from 1. Without OUT the\n"
    "  track goes to the standard output.\n";

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

// The flights in the order "logbook list" prints them.
std::vector<platform::DictionaryPtr> listedFlights(const logbook::FlightLog& log) {
    std::vector<platform::DictionaryPtr> flights;
    for (const logbook::FlightSection& section : log.sections())
        for (const Value& record : *section.flights) flights.push_back(record.dictionary());
    return flights;
}

// The one flight FLIGHT names, or null with the reason in *error.
platform::DictionaryPtr findFlight(const logbook::FlightLog& log, const QString& wanted, QString* error) {
    const std::vector<platform::DictionaryPtr> flights = listedFlights(log);
    bool isNumber = false;
    const int place = wanted.toInt(&isNumber);
    if (isNumber) {
        if (place >= 1 && size_t(place) <= flights.size()) return flights[size_t(place - 1)];
        *error = QStringLiteral("there is no flight %1: the logbook lists %2").arg(place).arg(flights.size());
        return {};
    }
    const QString key = wanted.simplified();
    std::vector<platform::DictionaryPtr> matches;
    for (const platform::DictionaryPtr& flight : flights) {
        const logbook::FlightRowTexts row = logbook::rowTextsOf(*flight);
        if (key == row.date || key == row.date + QLatin1Char(' ') + row.blockOffTime) matches.push_back(flight);
    }
    if (matches.size() == 1) return matches.front();
    *error = matches.empty() ? QStringLiteral("no flight of the logbook is \"%1\"").arg(wanted)
                             : QStringLiteral("%1 flights are \"%2\": name one by its block-off time or its place in the list")
                                   .arg(matches.size())
                                   .arg(wanted);
    return {};
}

int trackCommand(const logbook::FlightLog& log, const QStringList& args) {
    // track FLIGHT --igc|--gpx [OUT]; FLIGHT may be given as two words, date and time.
    QStringList words = args.mid(1);
    const qsizetype formatAt = std::max(words.indexOf(QStringLiteral("--igc")), words.indexOf(QStringLiteral("--gpx")));
    if (formatAt < 1 || words.size() > formatAt + 2) {
        std::fputs(kLogbookUsage, stderr);
        return 2;
    }
    const bool gpx = words[formatAt] == QLatin1String("--gpx");
    const QString wanted = words.mid(0, formatAt).join(QLatin1Char(' '));
    const QString out = words.size() == formatAt + 2 ? words[formatAt + 1] : QString();
    QString error;
    platform::DictionaryPtr flight = findFlight(log, wanted, &error);
    if (!flight) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString path = logbook::FlightTrack::path(*flight);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "the flight \"%s\" has no recorded track (%s)\n", qPrintable(wanted), qPrintable(path));
        return 1;
    }
    QByteArray content = file.readAll();
    if (gpx) {
        const std::vector<positioning::Fix> fixes = logbook::FlightTrack::read(path);
        const logbook::FlightRowTexts row = logbook::rowTextsOf(*flight);
        QString name = row.date + QLatin1Char(' ') + row.blockOffTime;
        if (row.departure != QLatin1String("-") || row.arrival != QLatin1String("-"))
            name += QStringLiteral(" %1 - %2").arg(row.departure, row.arrival);
        content = logbook::FlightTrack::gpx(fixes, name);
    }
    if (out.isEmpty()) {
        print(content);
        return 0;
    }
    QString writeError;
    if (!platform::writeFileAtomically(out, content, &writeError)) {
        std::fprintf(stderr, "%s\n", qPrintable(writeError));
        return 1;
    }
    std::fprintf(stderr, "%s\n", qPrintable(QFileInfo(out).absoluteFilePath()));
    return 0;
}

}  // namespace

int runLogbookCommand(const QStringList& args, bool json) {
    const bool list = args == QStringList{QStringLiteral("list")};
    const bool csv = args == QStringList{QStringLiteral("export"), QStringLiteral("--csv")};
    const bool track = !args.isEmpty() && args[0] == QLatin1String("track");
    if (!list && !csv && !track) {
        std::fputs(kLogbookUsage, stderr);
        return 2;
    }
    logbook::FlightLog log(logbook::FlightLog::defaultSavePath());
    if (log.fileWasDamaged()) {
        std::fprintf(stderr, "the logbook %s could not be read\n", qPrintable(log.savePath()));
        return 1;
    }
    if (track) return trackCommand(log, args);
    if (csv)
        print(logbook::flightsCsv(*log.flightsArray()));
    else if (json)
        listJson(log);
    else
        listText(log);
    return 0;
}

}  // namespace vantrel::tool
