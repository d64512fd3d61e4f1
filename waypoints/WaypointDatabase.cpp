#include "WaypointDatabase.h"

#include "DatabaseDirectory.h"
#include "NSData_Encryption.h"
#include "WaypointKeys.h"

#include "platform/core/FreedMemory.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/Threads.h"
#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"

#include <QCollator>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace vantrel::waypoints {

using platform::Array;
using platform::ArrayPtr;
using platform::Dictionary;
using platform::DictionaryPtr;
using platform::Value;

WaypointDatabase::WaypointDatabase()
    : waypointsDB_(Array::create()), countries_(Array::create()), states_(Array::create()) {}

ArrayPtr WaypointDatabase::readCountryFile(const QString& path, QString* error) {
    bool ok = false;
    QByteArray payload = dataWithContentsOfEncryptedFile(path, &ok, error);
    if (!ok) return {};
    QString archiveError;
    Value root = platform::KeyedArchive::unarchive(payload, &archiveError);
    ArrayPtr records = root.array();
    if (!records) {
        *error = archiveError.isEmpty() ? QStringLiteral("the archive holds no list of waypoints") : archiveError;
        return {};
    }
    return records;
}

void WaypointDatabase::load(const ActiveCountriesStore& store, const Poster& post) {
    QString dir = databaseDirectory();
    QStringList listing = dir.isEmpty() ? QStringList() : directoryContents(dir);
    if (dir.isEmpty()) platform::logLine(QStringLiteral("No waypoint database found (states.plist is missing)"));
    loadProblem_.clear();
    skippedCountries_.clear();
    const QString consequence = QStringLiteral("The instruments work, but no waypoint can be chosen.");
    if (dir.isEmpty()) {
        const QString expected = platform::Paths::databaseDirectory();
        loadProblem_ = QFileInfo(expected).isDir()
                           ? QStringLiteral("The waypoint database folder %1 is empty: it holds no states.plist. %2")
                                 .arg(expected, consequence)
                           : QStringLiteral("The waypoint database folder %1 does not exist. %2").arg(expected, consequence);
    } else if (countryNamesOf(listing).isEmpty()) {
        loadProblem_ = QStringLiteral("The waypoint database folder %1 holds no country files. %2").arg(dir, consequence);
        platform::logLine(QStringLiteral("The waypoint database folder %1 holds no country files").arg(dir));
    }

    countries_ = Array::create(300);
    waypointsDB_ = Array::create(30000);
    if (!dir.isEmpty()) {
        QString error;
        states_ = platform::plist::readFile(dir + QStringLiteral("/states.plist"), &error).array();
        if (!states_) {
            platform::logLine(QStringLiteral("states.plist could not be read (%1); waypoints are listed under their countries")
                                  .arg(error));
            states_ = Array::create();
        }
    }

    for (const QString& country : countryNamesOf(listing))
        if (store.isCountryActive(country)) countries_->append(Value(country));

    const float n = static_cast<float>(countries_->size());
    float k = 1.0f;
    int i = 0;
    for (const Value& countryValue : countries_->items()) {
        if (platform::isShuttingDown()) return;  // the application is ending: nobody waits for the rest
        QString country = countryValue.toQString();
        DictionaryPtr info = Dictionary::create(2);
        info->set("country", countryValue);
        info->set("progression", Value::real(k / n));
        Value ct(QString::number(i));
        post("UPDATE_LOAD_PROGRESSION", info);

        QString path = dir + QLatin1Char('/') + country + QStringLiteral(".ewpts");
        QString error;
        ArrayPtr records = readCountryFile(path, &error);
        k += 1.0f;
        if (!records) {
            platform::logLine(QStringLiteral("Skipped the country file %1: %2").arg(path, error));
            skippedCountries_.push_back({country, error});
        } else {
            size_t skipped = 0;
            // The decoded records are new, mutable and this load's alone, so they are kept as they
            // are; only a record the archive lists twice is copied, so that every entry of the
            // flat list is a record of its own.
            std::unordered_set<const void*> seen;
            seen.reserve(records->size());
            for (const Value& item : records->items()) {
                DictionaryPtr record = item.dictionary();
                if (!record) {
                    ++skipped;
                    continue;
                }
                if (!seen.insert(record.get()).second) record = record->mutableCopy();
                // The decoder sizes each record to its entries; making room for exactly one more
                // keeps the growth of a vector (twice the room) off 55,000 records, about 8 MB.
                if (!record->find(keys::ct)) record->reserve(record->size() + 1);
                record->set(keys::ct, ct);
                waypointsDB_->append(Value(record));
            }
            if (skipped)
                platform::logLine(QStringLiteral("Skipped %1 entries of %2 that are not waypoints").arg(skipped).arg(path));
        }
        ++i;
    }

    if (loadProblem_.isEmpty() && !countries_->empty() && waypointsDB_->empty())
        loadProblem_ = QStringLiteral("None of the %1 country files in %2 could be read. %3")
                           .arg(countries_->size())
                           .arg(dir, consequence);
    sortByCountries();
    identifierIndex_ = IdentifierIndex(*waypointsDB_);
    // The country files and their object tables were freed between the kept records: about 4 MB
    // of pages that would otherwise stay resident.
    platform::releaseFreedMemory();
    post("UPDATE_LOAD_DONE", {});
}

QString WaypointDatabase::countryOf(const platform::Dictionary& record) const {
    const Value* ct = record.find(keys::ct);
    if (!ct || !countries_ || ct->intValue() < 0) return {};  // ct is the index as a text
    const Value& name = countries_->at(static_cast<size_t>(ct->intValue()));
    return name.isString() ? name.toQString() : QString();
}

int WaypointDatabase::sortWaypointsByName(const Value& a, const Value& b) {
    // Raw pointers: the sort calls this a million times on the world database.
    const Dictionary* da = a.asDictionary();
    const Dictionary* db = b.asDictionary();
    std::string_view ia = da ? da->get(keys::waypointId).stringView() : std::string_view();
    std::string_view ib = db ? db->get(keys::waypointId).stringView() : std::string_view();
    int c = ia.compare(ib);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void WaypointDatabase::sortByCountries() {
    struct Node {
        DictionaryPtr dictionary;
        ArrayPtr children;
        std::vector<std::pair<std::string_view, ArrayPtr>> states;  // by name, in order of first occurrence
    };
    std::unordered_map<std::string_view, Node> nodes;  // by country name
    nodes.reserve(300);

    for (const Value& item : waypointsDB_->items()) {
        const Dictionary* record = item.asDictionary();
        const Value* ct = record ? record->find(keys::ct) : nullptr;
        if (!ct) {
            platform::logLine("Error unable to decode a Waypoint");
            continue;
        }
        int index = ct->intValue();
        Value countryName = countries_->at(static_cast<size_t>(index < 0 ? countries_->size() : index));
        if (!countryName.isString()) {
            platform::logLine("Error unable to decode a Waypoint");
            continue;
        }
        Node& node = nodes[countryName.stringView()];
        if (!node.dictionary) {
            node.dictionary = Dictionary::create(10);
            node.children = Array::create(1000);
            node.dictionary->set(keys::waypointName, countryName);
            node.dictionary->set(keys::children, Value(node.children));
        }

        const Value* state = record->find(keys::waypointState);
        Value stateName = state ? states_->at(static_cast<size_t>(std::max(0, state->intValue()))) : Value();
        if (state && state->intValue() < 0) stateName = Value();
        if (!stateName.isString()) {
            // No state, or an index that states.plist does not have: the record stays under its country.
            node.children->append(item);
            continue;
        }
        ArrayPtr stateChildren;
        for (const auto& [name, children] : node.states)
            if (name == stateName.stringView()) { stateChildren = children; break; }
        if (!stateChildren) {
            stateChildren = Array::create(1000);
            DictionaryPtr stateNode = Dictionary::create(10);
            stateNode->set(keys::waypointName, stateName);
            stateNode->set(keys::children, Value(stateChildren));
            node.children->append(Value(stateNode));
            node.states.emplace_back(stateName.stringView(), stateChildren);
        }
        stateChildren->append(item);
    }

    if (nodes.empty()) {
        byCountryDB_ = {};
        return;
    }
    // Countries in the order of an English collation, as the Active Countries list shows them:
    // "São Tomé and Principe" before "Senegal", not after "Syria" as its bytes would put it.
    std::vector<std::pair<QString, Node*>> sorted;
    sorted.reserve(nodes.size());
    for (auto& [name, node] : nodes) sorted.emplace_back(QString::fromUtf8(name.data(), qsizetype(name.size())), &node);
    const QCollator collator{QLocale(QLocale::English)};
    std::sort(sorted.begin(), sorted.end(), [&collator](const auto& a, const auto& b) {
        const int order = collator.compare(a.first, b.first);
        return order != 0 ? order < 0 : a.first < b.first;
    });
    byCountryDB_ = Array::create(sorted.size());
    for (auto& [countryName, node] : sorted) {
        auto& children = node->children->items();
        std::stable_sort(children.begin(), children.end(),
                         [](const Value& a, const Value& b) { return sortWaypointsByName(a, b) < 0; });
        byCountryDB_->append(Value(node->dictionary));
        // The lists were made with room for 1000 waypoints; most countries and states hold fewer.
        node->children->shrinkToFit();
        for (auto& [name, stateChildren] : node->states) stateChildren->shrinkToFit();
    }
}

}  // namespace vantrel::waypoints
