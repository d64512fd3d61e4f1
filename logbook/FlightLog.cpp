#include "FlightLog.h"

#include "FlightKeys.h"
#include "FlightRecord.h"
#include "FlightTimeText.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/DamagedFiles.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/UserNotice.h"
#include "platform/plist/PropertyList.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace vantrel::logbook {

using platform::Array;
using platform::DictionaryPtr;
using platform::logLine;
using platform::Value;
using platform::ValueType;

namespace {

const char* kindOf(const Value& value) {
    switch (value.type()) {
    case ValueType::Null: return "nothing";
    case ValueType::String: return "a text";
    case ValueType::Integer: return "an integer";
    case ValueType::Real: return "a real number";
    case ValueType::Boolean: return "a boolean";
    case ValueType::Date: return "a date";
    case ValueType::Data: return "data";
    case ValueType::Array: return "an array";
    case ValueType::Dictionary: return "a dictionary";
    }
    return "unknown";
}

double systemClock() { return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0; }

}  // namespace

FlightLog::FlightLog(QString savePath)
    : savePath_(std::move(savePath)), elements_(Array::create()), flights_(Array::create()), clock_(&systemClock) {
    load();
    sortContent();
}

QString FlightLog::defaultSavePath() {
    QString folder = platform::Paths::documentsDirectory();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/flights.plist");
}

void FlightLog::load() {
    if (savePath_.isEmpty()) {
        logLine("No documents folder: the logbook starts empty and cannot be saved");
        return;
    }
    // A save cut short (a crash, a power loss) leaves its temporary file beside the logbook.
    const QFileInfo saved(savePath_);
    platform::removeStaleTemporaryFiles(saved.absolutePath(), {saved.fileName()});
    if (!saved.exists()) return;
    QString error;
    Value root = platform::plist::readFile(savePath_, &error);
    platform::ArrayPtr stored = root.array();
    if (!stored) {
        logLine(QStringLiteral("Logbook %1 could not be read (%2); the logbook starts empty and the file is kept aside at the first save")
                    .arg(savePath_, error.isEmpty() ? QStringLiteral("its root is %1, not an array").arg(QLatin1String(kindOf(root)))
                                                    : error));
        damagedOnLoad_ = damagedUnsaved_ = true;
        const QString name = QFileInfo(savePath_).fileName();
        const QString reason = platform::plainReason(error.isEmpty() ? QStringLiteral("it holds no list of flights") : error);
        platform::postUserNotice(
            this, QStringLiteral("read %1: %2").arg(savePath_, reason), QStringLiteral("Logbook damaged"),
            QStringLiteral("The logbook %1 could not be read: %2. It starts empty, and the damaged file is kept "
                           "aside as %1.damaged when the first flight is saved.")
                .arg(name, reason),
            savePath_, reason);
        return;
    }
    elements_->reserve(stored->size());
    for (size_t i = 0; i < stored->size(); ++i) {
        const Value& element = stored->at(i);
        DictionaryPtr record = element.dictionary();
        if (!record) {
            logLine(QStringLiteral("Element %1 of the logbook %2 is %3, not a flight: left out of the list and kept in the file")
                        .arg(i)
                        .arg(savePath_, QLatin1String(kindOf(element))));
            elements_->append(element);
            continue;
        }
        // A copy, so that the records can be changed in place.
        DictionaryPtr copy = record->mutableCopy();
        const Value* stamp = copy->find(keys::timestamp);
        if (stamp && !calendarSeconds(stamp->doubleValue()))
            logLine(QStringLiteral("Flight %1 of the logbook %2 has the impossible timestamp \"%3\"; it is listed under %4")
                        .arg(i)
                        .arg(savePath_, QString::fromStdString(stamp->description()), monthTitle(0)));
        elements_->append(Value(copy));
        flights_->append(Value(copy));
        stored_.insert(copy.get());
    }
}

DictionaryPtr FlightLog::contentForIndexPath(int section, int row) const {
    if (section < 0 || size_t(section) >= sections_.size()) return {};
    const FlightSection& s = sections_[size_t(section)];
    if (row < 0 || size_t(row) >= s.flights->size()) return {};
    return s.flights->at(size_t(row)).dictionary();
}

QString FlightLog::sectionTitleForDate(double seconds) { return monthTitle(seconds); }

void FlightLog::sortContent() {
    sections_.clear();
    QHash<QString, size_t> byTitle;
    // Per section: (whole seconds, place in the file, record).
    struct Entry {
        int64_t seconds;
        size_t place;
        Value record;
    };
    std::vector<std::vector<Entry>> entries;
    for (size_t i = 0; i < flights_->size(); ++i) {
        const Value& record = flights_->at(i);
        double date = flightDate(*record.asDictionary());
        QString title = sectionTitleForDate(date);
        auto found = byTitle.constFind(title);
        size_t index;
        if (found == byTitle.constEnd()) {
            index = sections_.size();
            byTitle.insert(title, index);
            sections_.push_back({date, title, {}});
            entries.emplace_back();
        } else {
            index = *found;
        }
        entries[index].push_back({flightOrderSeconds(*record.asDictionary()), i, record});
    }
    for (size_t k = 0; k < sections_.size(); ++k) {
        std::vector<Entry>& month = entries[k];
        std::sort(month.begin(), month.end(), [](const Entry& a, const Entry& b) {
            return a.seconds != b.seconds ? a.seconds > b.seconds : a.place > b.place;
        });
        platform::ArrayPtr flights = Array::create(month.size());
        for (Entry& e : month) flights->append(std::move(e.record));
        sections_[k].flights = flights;
    }
    std::stable_sort(sections_.begin(), sections_.end(),
                     [](const FlightSection& a, const FlightSection& b) { return a.date > b.date; });
}

bool FlightLog::keepDamagedFile() {
    if (!QFileInfo::exists(savePath_)) return true;
    QString error;
    const QString aside = platform::keepDamagedCopy(savePath_, &error);
    if (aside.isEmpty()) {
        logLine(QStringLiteral("The unreadable logbook could not be kept aside: %1").arg(error));
        return false;
    }
    logLine(QStringLiteral("Kept the unreadable logbook as %1").arg(aside));
    return true;
}

void FlightLog::reportSaveFailure(const QString& reason) const {
    platform::postSaveFailure(this, QStringLiteral("The logbook"), savePath_, reason,
                              QStringLiteral("Your flights are kept until the next try."));
}

bool FlightLog::saveFlights() {
    if (savePath_.isEmpty()) {
        logLine("Error writing flights db to disk : (null)");
        reportSaveFailure(QStringLiteral("there is no documents folder"));
        return false;
    }
    if (damagedUnsaved_) {
        if (!keepDamagedFile()) {
            logLine(QStringLiteral("Error writing flights db to disk : %1 (the unreadable file there could not be moved aside)")
                        .arg(savePath_));
            reportSaveFailure(QStringLiteral("the damaged file there could not be moved aside"));
            return false;
        }
        damagedUnsaved_ = false;
    }
    QString error;
    if (!platform::plist::writeFile(savePath_, Value(elements_), platform::plist::Format::Xml, &error)) {
        logLine(QStringLiteral("Error writing flights db to disk : %1 (%2)").arg(savePath_, error));
        reportSaveFailure(error);
        return false;
    }
    stored_.clear();
    for (const Value& flight : *flights_) stored_.insert(flight.asDictionary());
    return true;
}

DictionaryPtr FlightLog::newFlight() {
    // A flight's track file is named after its second: a flight made in the same second as
    // another (two taps on "+") takes the next free second, so that each has a track of its own.
    double stamp = now();
    QSet<int64_t> taken;
    for (size_t i = 0; i < flights_->size(); ++i)
        if (const platform::Dictionary* flight = flights_->at(i).asDictionary()) taken.insert(int64_t(std::floor(flightDate(*flight))));
    while (taken.contains(int64_t(std::floor(stamp)))) stamp += 1.0;
    DictionaryPtr record = makeFlight(stamp);
    elements_->append(Value(record));
    flights_->append(Value(record));
    sortContent();
    saveFlights();
    return record;
}

bool FlightLog::deleteFlight(const DictionaryPtr& record, bool* saved) {
    if (saved) *saved = false;
    if (!record) return false;
    ptrdiff_t index = flights_->indexOfIdentical(Value(record));
    if (index < 0) return false;
    flights_->removeAt(size_t(index));
    elements_->removeAt(size_t(elements_->indexOfIdentical(Value(record))));
    sortContent();
    stored_.erase(record.get());
    const bool written = saveFlights();
    if (saved) *saved = written;
    return true;
}

}  // namespace vantrel::logbook
