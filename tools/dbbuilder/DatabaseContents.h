#pragma once
// Turns the source tables into the database's contents in memory: one array of Waypoint records
// per country and the table of state names, exactly what the files will hold. Kept apart from
// the file writing so that the records can be inspected without files.
//
// A record holds, in this order and only where there is a value: waypoint_id, waypoint_name,
// waypoint_latitude, waypoint_longitude (reals), waypoint_type, waypoint_state (index into
// states), waypoint_channel, waypoint_frequency, waypoint_main_runway_index and waypoint_runways
// (dictionaries with the one key "id").
//
// Ownership: the contents own their records (shared arrays and dictionaries, see Value.h).
// Threads: compileDatabase keeps its state in locals; any thread.

#include "BuildStats.h"
#include "SourceTables.h"

#include "platform/core/Value.h"

#include <string>
#include <vector>

namespace vantrel::dbbuilder {

struct BuildOptions {
    // A country with more waypoints than this is divided into states.
    int stateThreshold = 1500;
    // How far (km) a navaid without an associated airport may be from the airport of its country
    // whose state it takes: 50 NM.
    double navaidStateRadiusKm = 92.6;
};

struct CountryRecords {
    std::string name;                // the country's file name (UTF-8), see CountryFileName.h
    // Waypoint records by state (state names alphabetically, accents and case aside; records
    // without a state first), then by waypoint_id (byte order).
    platform::ArrayPtr records;
};

struct DatabaseContents {
    std::vector<std::string> states;        // state names, each once, in byte order
    std::vector<CountryRecords> countries;  // in byte order of their names
};

// Fills every figure of stats (when given) but the stale files and the elapsed time, which belong
// to the writing.
DatabaseContents compileDatabase(const SourceTables& tables, const BuildOptions& options, BuildStats* stats);

}  // namespace vantrel::dbbuilder
