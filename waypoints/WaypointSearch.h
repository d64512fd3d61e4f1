#pragma once
// The identifier search: the records whose waypoint_id begins with the pilot's text upper-cased
// (case-sensitive, character by character, on the identifier as stored), ordered by identifier,
// records with the same identifier in list order. Names are never searched. An empty text finds
// nothing.
//
// The search runs on an IdentifierIndex: the records' identifiers sorted once, so that a search
// is two binary searches and a copy of the matches, not a read of every record (a scan of the
// world database's 55,000 records costs more than a millisecond in cache misses alone).
//
// Ownership: an index shares its records and their identifier texts. It keeps the identifiers
// it was built with (database records never change identifier). Threads: an index is read-only
// once built, and any thread may search it.

#include "platform/core/Value.h"

#include <QString>
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
    size_t size() const { return entries_.size(); }

private:
    struct Entry {
        platform::Ref<platform::StringObject> id;  // empty for a record without an identifier
        platform::Value record;
        std::string_view idView() const { return id ? id->view() : std::string_view(); }
    };
    std::vector<Entry> entries_;
};

// The search key for a text: the text upper-cased, or empty for an empty text.
QString searchKeyFor(const QString& text);

// The matches of a search key (an empty key matches nothing), in results (emptied first).
void searchByIdentifier(const IdentifierIndex& index, const QString& searchKey, platform::Array& results);
// The same over any list of records, indexing it first.
void searchByIdentifier(const platform::Array& records, const QString& searchKey, platform::Array& results);

}  // namespace vantrel::waypoints
