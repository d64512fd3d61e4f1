#include "WaypointSearch.h"

#include "WaypointKeys.h"

#include <algorithm>
#include <vector>

namespace vantrel::waypoints {

QString searchKeyFor(const QString& text) { return text.toUpper(); }

void searchByIdentifier(const platform::Array& waypointsDB, const QString& searchKey, platform::Array& results) {
    results.clear();
    if (searchKey.isEmpty()) return;
    QByteArray utf8 = searchKey.toUtf8();
    std::string_view prefix(utf8.constData(), size_t(utf8.size()));
    // Matches are collected with their identifiers, so that sorting compares texts directly.
    std::vector<std::pair<std::string_view, const platform::Value*>> found;
    for (const platform::Value& item : waypointsDB) {
        const platform::Dictionary* record = item.asDictionary();
        if (!record) continue;
        const platform::Value* id = record->find(keys::waypointId);
        if (id && id->stringView().starts_with(prefix)) found.emplace_back(id->stringView(), &item);
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    results.reserve(found.size());
    for (const auto& [id, item] : found) results.append(*item);
}

}  // namespace vantrel::waypoints
