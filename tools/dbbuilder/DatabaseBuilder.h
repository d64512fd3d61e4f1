#pragma once
// The waypoint database builder: reads the OurAirports CSV files of a folder and writes the
// bundle's database folder, states.plist (XML, an array of state names) and one scrambled
// "<Country name>.ewpts" per country holding a keyed archive of the country's Waypoint records.
//
// Every file is written atomically; country files of an earlier build whose country is no longer
// in the data are removed, so a rebuild leaves exactly the new database. The same input gives the
// same records, states and file names. The containers' substitution tables come from the C
// library's unseeded rand() sequence, so the bytes of the files repeat from one process to the
// next (a second build in the same process draws other tables; the payloads stay the same).
//
// Threads: call from one thread at a time (the container writer shares rand()). Ownership: the
// caller owns the stats and contents it passes in.

#include "BuildStats.h"
#include "DatabaseContents.h"

#include <QString>

namespace vantrel::dbbuilder {

// Reads and compiles the CSV files of csvDir without writing anything. False with the reason when
// a file is missing, unreadable or lacks a needed column, or when no waypoint is left.
bool collectDatabase(const QString& csvDir, const BuildOptions& options, DatabaseContents* contents, BuildStats* stats,
                     QString* error);

// Writes the contents into outDir (made if missing) and removes the country files (names ending
// in "ewpts") that the contents do not hold. False with the reason at the first file that cannot
// be written or removed.
bool writeDatabase(const DatabaseContents& contents, const QString& outDir, BuildStats* stats, QString* error);

// Both steps, timed: the database of csvDir written into outDir. Logs the figures. On failure the
// files already in outDir stay as they were, except those already rewritten.
bool buildDatabase(const QString& csvDir, const QString& outDir, BuildStats* stats, QString* error,
                   const BuildOptions& options = {});

}  // namespace vantrel::dbbuilder
