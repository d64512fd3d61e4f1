#pragma once
// The six OurAirports tables (countries, regions, airports, navaids, runways, airport
// frequencies) read into plain rows. Every row is checked; invalid ones (broken quoting, empty
// ident, unparsable or impossible numbers, coordinates off the globe, unknown country) are
// skipped and counted per file with their reasons, and one summary line per file is logged.
//
// Ownership: SourceTables owns all its rows by value. Threads: readSourceTables keeps its state in
// the tables it fills; any thread.

#include "Runways.h"

#include <QString>

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vantrel::dbbuilder {

// Waypoint type codes the database uses.
inline constexpr int kAirportType = 1;
inline constexpr int kDmeType = 10;
inline constexpr int kNdbType = 11;
inline constexpr int kVorType = 12;
inline constexpr int kNdbDmeType = 13;
inline constexpr int kVorDmeType = 14;
inline constexpr int kTacanType = 15;
inline constexpr int kVortacType = 16;

struct Airport {
    std::string ident;
    std::string name;
    std::string countryCode;
    std::string regionCode;  // empty when the region is unknown or unassigned
    double latitude = 0.0;
    double longitude = 0.0;
    bool listed = false;     // large, medium, small airport or seaplane base
};

struct Navaid {
    std::string ident;
    std::string name;
    std::string countryCode;
    std::string associatedAirport;  // airport ident, may be empty
    double latitude = 0.0;
    double longitude = 0.0;
    int type = 0;
    std::optional<std::string> frequency;
    std::optional<std::string> channel;
    // Degrees east: the variation a VOR is aligned to (slaved_variation_deg), else the local
    // variation the source gives (magnetic_variation_deg).
    std::optional<double> magneticVariation;
};

// What became of the rows of one file.
struct FileTally {
    QString file;
    int rows = 0;                        // data rows, broken ones included
    int skipped = 0;
    std::map<std::string, int> reasons;  // why rows were skipped
    std::map<std::string, int> notes;    // what was mended or dropped in rows that were kept
    int firstSkippedLine = 0;

    void skip(const std::string& reason, int line);
    void note(const std::string& what) { ++notes[what]; }
    QString summary() const;
};

struct SourceTables {
    std::unordered_map<std::string, std::string> countryNames;  // code -> country file name
    std::unordered_map<std::string, std::string> regionNames;   // code -> name, assigned regions only
    std::vector<Airport> airports;                              // valid rows of every type, file order
    std::vector<Navaid> navaids;                                // file order
    std::unordered_map<std::string, std::vector<Runway>> runways;    // open runways by airport ident
    std::unordered_map<std::string, std::string> frequencies;        // chosen frequency by airport ident
    int airportsLeftOut = 0;  // heliports, balloon ports, closed fields
    int closedRunways = 0;
    std::vector<FileTally> tallies;  // in reading order
};

// Reads the six files from csvDir. False with the reason when a file is missing or unreadable or
// lacks a column the database needs; bad rows only count as skipped.
bool readSourceTables(const QString& csvDir, SourceTables* tables, QString* error);

}  // namespace vantrel::dbbuilder
