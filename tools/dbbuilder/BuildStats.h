#pragma once
// What a database build produced: records per type, what was left out or skipped, the countries
// and states, and how long it took. Filled by the builder; a plain value, any thread.

#include <QString>

#include <map>

namespace vantrel::dbbuilder {

struct BuildStats {
    std::map<int, int> waypointsByType;  // waypoint type code -> records written
    int waypoints = 0;
    int airportsLeftOut = 0;             // heliports, balloon ports and closed fields
    int runways = 0;                     // runways listed under airports
    int closedRunwaysLeftOut = 0;        // closed runway rows of the source
    int airportsWithFrequency = 0;
    int navaidsPlacedByNearestAirport = 0;
    int skippedRows = 0;                 // invalid rows of every file
    std::map<QString, int> skippedRowsByFile;
    int countries = 0;
    int dividedCountries = 0;            // countries whose waypoints are divided into states
    int states = 0;                      // entries of states.plist
    QString largestCountry;
    int largestCountryWaypoints = 0;
    int staleFilesRemoved = 0;           // country files of an earlier build no longer in the data
    qint64 elapsedMs = 0;

    // The figures in a few lines of text (separated by '\n'), for the log and the command line.
    QString summary() const;
};

}  // namespace vantrel::dbbuilder
