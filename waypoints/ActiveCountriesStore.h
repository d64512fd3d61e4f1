#pragma once
// Which countries of the database are loaded. Every country file of the database directory is
// listed in `allCountries`; the names the pilot switched off are in `dismissedCountries`, kept in
// "DismissedCountries.plist" in the documents folder (an array of names). A country is active when
// its name is not dismissed. Names in the file that match no country file stay in the file.
// A file that cannot be read as such a list is logged, every country is active, and the first save
// keeps the old file aside as "DismissedCountries.plist.damaged" (or ".damaged-2", ...; see
// platform/core/DamagedFiles.h) rather than writing over it. Temporary files that an interrupted
// save left beside the list are removed when the store is made.
//
// Threads: made on whichever thread uses it first (possibly the database load thread); the loader
// only reads it, and every change is made on the main thread after the load is done.

#include "platform/core/Value.h"

#include <QString>
#include <QStringList>

namespace vantrel::waypoints {

class ActiveCountriesStore {
public:
    // Lists the database directory and reads the dismissed list (absent or unreadable: none).
    ActiveCountriesStore();

    const QStringList& allCountries() const { return allCountries_; }
    platform::ArrayPtr dismissedCountries() const { return dismissedCountries_; }

    bool isCountryActive(const QString& country) const;
    // Switches a country on when dismissed, off otherwise.
    void toggleCountry(const QString& country);
    // Switches every country of allCountries on or off at once; dismissed names that match no
    // country file stay as they are.
    void setAllCountriesActive(bool active);

    static QString dismissedCountriesPath();
    // Writes the dismissed list atomically; false (with a log line and a user notice, see
    // platform/core/UserNotice.h) when it could not be written, in which case the list in memory
    // stays as it is. An unreadable file met at the start is moved aside first; when that fails
    // nothing is written.
    bool save() const;

private:
    bool keepDamagedFile(QString* error) const;

    QStringList allCountries_;
    platform::ArrayPtr dismissedCountries_;
    // The file read at the start was unreadable and is still where the next save would write.
    mutable bool damagedUnsaved_ = false;
};

}  // namespace vantrel::waypoints
