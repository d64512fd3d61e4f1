#include "WaypointSearch.h"

#include "WaypointKeys.h"

#include <algorithm>

namespace vantrel::waypoints {

IdentifierIndex::IdentifierIndex(const platform::Array& records) {
    entries_.reserve(records.size());
    for (const platform::Value& item : records) {
        const platform::Dictionary* record = item.asDictionary();
        if (!record) continue;
        const platform::Value* id = record->find(keys::waypointId);
        entries_.push_back(Entry{id ? id->stringObject() : platform::Ref<platform::StringObject>(), item});
    }
    // Stable, so that records with the same identifier keep their list order.
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.idView() < b.idView(); });
}

void IdentifierIndex::search(std::string_view prefix, platform::Array& results) const {
    results.clear();
    if (prefix.empty()) return;
    auto first = std::lower_bound(entries_.begin(), entries_.end(), prefix,
                                  [](const Entry& e, std::string_view p) { return e.idView() < p; });
    // The matches are the run from there on whose identifiers begin with the prefix.
    auto last = std::partition_point(first, entries_.end(),
                                     [prefix](const Entry& e) { return e.idView().starts_with(prefix); });
    results.reserve(static_cast<size_t>(last - first));
    for (auto it = first; it != last; ++it) results.append(it->record);
}

QString searchKeyFor(const QString& text) { return text.toUpper(); }

void searchByIdentifier(const IdentifierIndex& index, const QString& searchKey, platform::Array& results) {
    QByteArray utf8 = searchKey.toUtf8();
    index.search(std::string_view(utf8.constData(), size_t(utf8.size())), results);
}

void searchByIdentifier(const platform::Array& records, const QString& searchKey, platform::Array& results) {
    searchByIdentifier(IdentifierIndex(records), searchKey, results);
}

}  // namespace vantrel::waypoints
