#pragma once
// The in-memory waypoint database: every record of the active countries in a flat list, the
// country/state tree for browsing, and the type table.
//
// Records are shared Dictionaries: the flat list, the tree, the lists of the screens and the
// instruments hold the same objects. A record carries the keys of its file plus `ct` (the index of
// its country in `countries`) and, once the nearby query ran, `current_distance`
// (WaypointDistance.h).
//
// Threads: load() runs once, on the database's load thread, and nothing else touches the database
// until it has posted UPDATE_LOAD_DONE; from then on the structures are read-only and may be read
// from any thread. A record's current_distance may change at any time (the moving map's worker);
// any other change of a record is made under the moving map's dbLock (NearbyWaypointCache).

#include "ActiveCountriesStore.h"
#include "WaypointSearch.h"

#include "platform/core/Value.h"

#include <QString>
#include <functional>
#include <vector>

namespace vantrel::waypoints {

class WaypointDatabase {
public:
    // Hands a notification to the main thread and returns once it has been handled there.
    using Poster = std::function<void(const char* name, platform::DictionaryPtr userInfo)>;

    WaypointDatabase();

    // The whole load: the active countries of the database directory in listing order, one
    // UPDATE_LOAD_PROGRESSION before each country is read, the type table, the tree and the
    // identifier index, then UPDATE_LOAD_DONE. A country file that is missing, not a container or
    // not a decodable archive is skipped with a log line naming the file; the load goes on.
    void load(const ActiveCountriesStore& store, const Poster& post);

    // Builds the tree from waypointsDB (the last data step of the load).
    void sortByCountries();

    platform::ArrayPtr waypointsDB() const { return waypointsDB_; }
    platform::ArrayPtr countries() const { return countries_; }
    platform::ArrayPtr states() const { return states_; }
    platform::ArrayPtr byCountryDB() const { return byCountryDB_; }  // empty when nothing was loaded
    // The name of the record's country (its ct in countries()); empty when it has none.
    QString countryOf(const platform::Dictionary& record) const;
    // The identifiers of waypointsDB for the search, built at the end of the load.
    const IdentifierIndex& identifierIndex() const { return identifierIndex_; }
    // Why the last load found no waypoint at all, in a sentence for the pilot (the database folder
    // is missing or holds no country file, or none of its files could be read); empty when the
    // database was found. Countries the pilot switched off are no problem.
    QString loadProblem() const { return loadProblem_; }
    // The active countries whose file the last load skipped, with the reason, in load order. They
    // stay in countries() (the records' ct indexes count them) but hold no waypoint.
    struct SkippedCountry {
        QString country;
        QString reason;
    };
    const std::vector<SkippedCountry>& skippedCountries() const { return skippedCountries_; }

    // Orders two records by waypoint_id, as a three-way comparison (<0, 0, >0): code-point order,
    // upper-case letters before lower-case ones.
    static int sortWaypointsByName(const platform::Value& a, const platform::Value& b);

    // Reads one country file into its records (the decoded archive's array); empty and a reason
    // when the file is missing, not a container or not an archive of records.
    static platform::ArrayPtr readCountryFile(const QString& path, QString* error);

private:
    platform::ArrayPtr waypointsDB_;
    platform::ArrayPtr countries_;
    platform::ArrayPtr states_;
    platform::ArrayPtr byCountryDB_;
    IdentifierIndex identifierIndex_;
    QString loadProblem_;
    std::vector<SkippedCountry> skippedCountries_;
};

}  // namespace vantrel::waypoints
