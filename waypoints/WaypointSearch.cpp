#include "WaypointSearch.h"

#include "WaypointKeys.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

namespace vantrel::waypoints {

namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x80; });
}

double distanceOrFar(const std::optional<GeoPoint>& aircraft, const platform::Value& record) {
    const platform::Dictionary* d = record.asDictionary();
    std::optional<double> metres = aircraft && d ? distanceFrom(*aircraft, *d) : std::nullopt;
    return metres ? *metres : std::numeric_limits<double>::infinity();
}

}  // namespace

std::string foldForSearch(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string folded;
    if (isAscii(std::string_view(utf8.constData(), size_t(utf8.size())))) {
        folded.assign(utf8.constData(), size_t(utf8.size()));
        for (char& c : folded)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        return folded;
    }
    // Decomposed, the accents are marks of their own, which go.
    QString plain;
    for (QChar c : text.normalized(QString::NormalizationForm_KD))
        if (c.category() != QChar::Mark_NonSpacing && c.category() != QChar::Mark_SpacingCombining) plain.append(c);
    const QByteArray upper = plain.toUpper().toUtf8();
    return std::string(upper.constData(), size_t(upper.size()));
}

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
    nameStarts_.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        nameStarts_.push_back(uint32_t(names_.size()));
        const platform::Value* name = entry.record.asDictionary()->find(keys::waypointName);
        if (name && name->isString()) {
            const std::string_view view = name->stringView();
            if (isAscii(view)) {
                for (char c : view) names_.push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c == '\n' ? ' ' : c);
            } else {
                std::string folded = foldForSearch(name->toQString());
                std::replace(folded.begin(), folded.end(), '\n', ' ');
                names_ += folded;
            }
        }
        names_.push_back('\n');
    }
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

void IdentifierIndex::searchNames(std::string_view foldedKey, std::vector<platform::Value>& results) const {
    if (foldedKey.empty() || foldedKey.find('\n') != std::string_view::npos) return;
    const std::string_view names(names_);
    size_t at = names.find(foldedKey);
    while (at != std::string_view::npos) {
        // The entry whose name holds the match; the search goes on after that name.
        const size_t entry = size_t(std::upper_bound(nameStarts_.begin(), nameStarts_.end(), uint32_t(at)) - nameStarts_.begin()) - 1;
        results.push_back(entries_[entry].record);
        const size_t next = entry + 1 < nameStarts_.size() ? nameStarts_[entry + 1] : names.size();
        at = names.find(foldedKey, next);
    }
}

QString searchKeyFor(const QString& text) { return text.toUpper(); }

void searchByIdentifier(const IdentifierIndex& index, const QString& searchKey, platform::Array& results) {
    QByteArray utf8 = searchKey.toUtf8();
    index.search(std::string_view(utf8.constData(), size_t(utf8.size())), results);
}

void searchByIdentifier(const platform::Array& records, const QString& searchKey, platform::Array& results) {
    searchByIdentifier(IdentifierIndex(records), searchKey, results);
}

void searchWaypoints(const IdentifierIndex& index, const QString& text, const std::optional<GeoPoint>& aircraft,
                     platform::Array& results) {
    searchByIdentifier(index, searchKeyFor(text), results);
    auto& items = results.items();
    auto byId = [](const platform::Value& v) {
        const platform::Value* id = v.asDictionary() ? v.asDictionary()->find(keys::waypointId) : nullptr;
        return id && id->isString() ? id->stringView() : std::string_view();
    };
    if (aircraft) {
        // The matches are in identifier order: each run of one identifier goes nearest first.
        for (auto run = items.begin(); run != items.end();) {
            auto end = std::find_if(run, items.end(), [&](const platform::Value& v) { return byId(v) != byId(*run); });
            if (end - run > 1) {
                std::vector<std::pair<double, platform::Value>> keyed;
                for (auto it = run; it != end; ++it) keyed.emplace_back(distanceOrFar(aircraft, *it), *it);
                std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
                for (auto& [d, v] : keyed) *run++ = std::move(v);
            }
            run = end;
        }
    }
    std::vector<platform::Value> byName;
    index.searchNames(foldForSearch(text.trimmed()), byName);
    if (byName.empty()) return;
    std::unordered_set<const void*> found;
    for (const platform::Value& v : items) found.insert(v.identity());
    std::erase_if(byName, [&](const platform::Value& v) { return found.count(v.identity()) > 0; });
    if (aircraft) {
        std::vector<std::pair<double, platform::Value>> keyed;
        keyed.reserve(byName.size());
        for (platform::Value& v : byName) keyed.emplace_back(distanceOrFar(aircraft, v), std::move(v));
        std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [d, v] : keyed) items.push_back(std::move(v));
    } else {
        for (platform::Value& v : byName) items.push_back(std::move(v));
    }
}

}  // namespace vantrel::waypoints
