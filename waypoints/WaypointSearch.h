#pragma once
// The waypoint search. By identifier: the records whose waypoint_id begins with the pilot's text
// upper-cased (case-sensitive, character by character, on the identifier as stored), ordered by
// identifier, records with the same identifier in list order. By name as well
// (searchWaypoints): then come the records whose name contains the text, compared without case
// or accents ("annecy" finds LFLP, "zurich" finds Zürich). With the aircraft's position, records
// with the same identifier and the name matches are ordered nearest first, so that "GVA" shows
// Geneva's VOR before the NDB an ocean away. An empty text finds nothing.
//
// The search runs on an IdentifierIndex: the records' identifiers sorted once, so that a search
// is two binary searches and a copy of the matches, not a read of every record (a scan of the
// world database's 55,000 records costs more than a millisecond in cache misses alone); and the
// records' names folded once into one text, which a name search runs through with one substring
// search (memchr-fast), not record by record.
//
// Ownership: an index shares its records and their identifier texts. It keeps the identifiers
// and names it was built with (database records never change them). Threads: an index is
// read-only once built, and any thread may search it.

#include "WaypointDistance.h"

#include "platform/core/Value.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::waypoints {

class IdentifierIndex {
public:
    IdentifierIndex() = default;
    // Indexes the dictionaries of the list (other values are left out).
    explicit IdentifierIndex(const platform::Array& records);

    // Fills results (emptied first) with the records whose identifier begins with prefix.
    void search(std::string_view prefix, platform::Array& results) const;
    // Appends the records whose folded name (foldForSearch) contains the folded key, in the
    // index's order (by identifier).
    void searchNames(std::string_view foldedKey, std::vector<platform::Value>& results) const;
    size_t size() const { return entries_.size(); }

private:
    struct Entry {
        platform::Ref<platform::StringObject> id;  // empty for a record without an identifier
        platform::Value record;
        std::string_view idView() const { return id ? id->view() : std::string_view(); }
    };
    std::vector<Entry> entries_;
    std::string names_;                 // the folded names of entries_, each ended by '\n'
    std::vector<uint32_t> nameStarts_;  // where each entry's name begins in names_
};

// The search key for a text: the text upper-cased, or empty for an empty text.
QString searchKeyFor(const QString& text);
// A text as the name search compares it: upper case, without accents, as UTF-8.
std::string foldForSearch(const QString& text);

// The matches of a search key (an empty key matches nothing), in results (emptied first).
void searchByIdentifier(const IdentifierIndex& index, const QString& searchKey, platform::Array& results);
// The same over any list of records, indexing it first.
void searchByIdentifier(const platform::Array& records, const QString& searchKey, platform::Array& results);

// Identifiers beginning with the text, then the other records whose name contains it; with the
// aircraft's position, equal identifiers and the name matches nearest first. In results (emptied first).
void searchWaypoints(const IdentifierIndex& index, const QString& text, const std::optional<GeoPoint>& aircraft,
                     platform::Array& results);

}  // namespace vantrel::waypoints
