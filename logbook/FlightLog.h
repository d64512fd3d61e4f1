#pragma once
// The logbook's store: every flight record, the file "flights.plist" that keeps them, and their
// month sections as the list shows them.
//
// The file is an XML property list whose root array holds one dictionary per flight, in creation
// order (new flights are appended, deleted ones taken out); it is rewritten whole and atomically
// at every change. Reading it:
//   - missing: the logbook starts empty;
//   - unreadable, or its root is not an array: logged, the logbook starts empty, and the first
//     save keeps the old file beside the new one as "flights.plist.damaged" (or ".damaged-2", ...)
//     rather than writing over it;
//   - an element that is not a dictionary: logged and left out of the list, but kept in place in
//     the file and written back unchanged.
// A save that fails is logged ("Error writing flights db to disk : <path>") and posted as a user
// notice (platform/core/UserNotice.h) that the app shows; the flights stay in memory and the next
// save writes all of them. A damaged file met at start is posted as a notice too.
//
// Sections: one per calendar month (device's current time zone) that holds a flight, newest
// month first; within a month the later flight first (whole seconds of `timestamp`; flights of the
// same second: the one made later, i.e. later in the file, first). Rebuilt by sortContent(), which
// newFlight and deleteFlight run themselves.
//
// Ownership: the store owns its arrays; the records are shared with whoever shows or edits them
// (the detail screen changes a record in place and then calls saveFlights).
// Threads: main thread only (the command line uses it on its one thread).

#include "platform/core/Value.h"

#include <QString>
#include <functional>
#include <unordered_set>
#include <vector>

namespace vantrel::logbook {

struct FlightSection {
    double date = 0;                 // the creation moment of the first flight of the month met in the file
    QString title;                   // "May 2024"
    platform::ArrayPtr flights;      // the month's records, newest first (the store's own objects)
};

class FlightLog {
public:
    using Clock = std::function<double()>;

    // Reads the file at savePath; an empty path means there is no documents folder: the logbook
    // starts empty and every save fails.
    explicit FlightLog(QString savePath);

    // "flights.plist" in the documents folder.
    static QString defaultSavePath();
    const QString& savePath() const { return savePath_; }
    // True when the file existed but could not be read as a logbook.
    bool fileWasDamaged() const { return damagedOnLoad_; }

    // The flight records in file order.
    const platform::ArrayPtr& flightsArray() const { return flights_; }
    const std::vector<FlightSection>& sections() const { return sections_; }
    // The record shown at that place; null outside the sections.
    platform::DictionaryPtr contentForIndexPath(int section, int row) const;
    static QString sectionTitleForDate(double seconds);

    void sortContent();
    bool saveFlights();
    // Whether this record is in the file on disk: read from it, or written by a save that
    // succeeded since it was made. A flight made while the disk is full is not, until a save works.
    bool isStored(const platform::Dictionary* flight) const { return stored_.count(flight) > 0; }

    // Makes a flight at the clock's current time (the next second that no flight has, as a
    // flight's track is named after its second), appends it, re-sorts and saves; answers it.
    platform::DictionaryPtr newFlight();
    // Takes this very record out (another record with equal contents stays), re-sorts and saves.
    // False when the record is not in the logbook; *saved tells whether the file now lacks it.
    bool deleteFlight(const platform::DictionaryPtr& record, bool* saved = nullptr);

    // The current time in seconds since 1970; the system clock unless replaced.
    double now() const { return clock_(); }
    void setClock(Clock clock) { clock_ = std::move(clock); }

private:
    void load();
    bool keepDamagedFile();
    void reportSaveFailure(const QString& reason) const;

    QString savePath_;
    platform::ArrayPtr elements_;  // the file's root array as written: records and kept foreign elements
    platform::ArrayPtr flights_;   // the records alone, in file order
    std::vector<FlightSection> sections_;
    std::unordered_set<const platform::Dictionary*> stored_;  // records of flights_ that the file holds
    bool damagedOnLoad_ = false;
    bool damagedUnsaved_ = false;  // the damaged file is still where the next save would write
    Clock clock_;
};

}  // namespace vantrel::logbook
