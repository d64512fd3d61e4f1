#include "DatabaseContents.h"

#include "RegionLocator.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>

namespace vantrel::dbbuilder {

using platform::Array;
using platform::ArrayPtr;
using platform::Dictionary;
using platform::DictionaryPtr;
using platform::Key;
using platform::Value;

namespace {

const std::string kNoState;

// A state name as it sorts for the pilot: accents and case set aside ("Île-de-France" among the
// I's, not after "Zürich"), the same on every machine whatever its locale.
QString alphabeticalKey(const std::string& name) {
    const QString decomposed = QString::fromStdString(name).normalized(QString::NormalizationForm_KD);
    QString key;
    key.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing) key.append(c);
    return key.toCaseFolded();
}

// One waypoint before it becomes a record: its source row and, in a divided country, its region
// and the sort key of its state's name.
struct Draft {
    const Airport* airport = nullptr;
    const Navaid* navaid = nullptr;
    std::string regionCode;
    QString stateKey;

    const std::string& id() const { return airport ? airport->ident : navaid->ident; }
};

class Compiler {
public:
    Compiler(const SourceTables& tables, const BuildOptions& options, BuildStats& stats)
        : tables_(tables), options_(options), stats_(stats) {}

    DatabaseContents run() {
        for (const Airport& a : tables_.airports) {
            airportsByIdent_.emplace(a.ident, &a);
            if (a.listed) byCountry_[tables_.countryNames.at(a.countryCode)].push_back({&a, nullptr, {}, {}});
        }
        for (const Navaid& n : tables_.navaids) {
            byCountry_[tables_.countryNames.at(n.countryCode)].push_back({nullptr, &n, {}, {}});
        }

        std::set<std::string> stateNames;
        for (auto& [name, drafts] : byCountry_) {
            if (static_cast<int>(drafts.size()) <= options_.stateThreshold) continue;
            ++stats_.dividedCountries;
            for (Draft& d : drafts) {
                d.regionCode = d.airport ? d.airport->regionCode : navaidRegion(*d.navaid);
                if (!d.regionCode.empty()) stateNames.insert(tables_.regionNames.at(d.regionCode));
            }
        }

        DatabaseContents contents;
        contents.states.assign(stateNames.begin(), stateNames.end());
        for (size_t i = 0; i < contents.states.size(); ++i) stateIndex_.emplace(contents.states[i], int(i));

        for (auto& [name, drafts] : byCountry_) {
            // The app's tree keeps a country's states in the order in which their first records
            // come: records go by state, states alphabetically, and within a state by identifier.
            // Records without a state come first; the tree lists them under the country.
            for (Draft& d : drafts)
                d.stateKey = d.regionCode.empty() ? QString() : alphabeticalKey(tables_.regionNames.at(d.regionCode));
            std::stable_sort(drafts.begin(), drafts.end(), [this](const Draft& a, const Draft& b) {
                if (a.stateKey != b.stateKey) return a.stateKey < b.stateKey;
                const std::string& sa = a.regionCode.empty() ? kNoState : tables_.regionNames.at(a.regionCode);
                const std::string& sb = b.regionCode.empty() ? kNoState : tables_.regionNames.at(b.regionCode);
                if (sa != sb) return sa < sb;  // names that differ only in case or accents
                return a.id() < b.id();
            });
            ArrayPtr records = Array::create(drafts.size());
            for (const Draft& d : drafts) records->append(Value(record(d)));
            contents.countries.push_back({name, records});
            if (static_cast<int>(drafts.size()) > stats_.largestCountryWaypoints) {
                stats_.largestCountry = QString::fromStdString(name);
                stats_.largestCountryWaypoints = static_cast<int>(drafts.size());
            }
        }

        stats_.countries = static_cast<int>(contents.countries.size());
        stats_.states = static_cast<int>(contents.states.size());
        stats_.airportsLeftOut = tables_.airportsLeftOut;
        stats_.closedRunwaysLeftOut = tables_.closedRunways;
        for (const FileTally& t : tables_.tallies) {
            stats_.skippedRows += t.skipped;
            stats_.skippedRowsByFile[t.file] = t.skipped;
        }
        return contents;
    }

private:
    // The state of a navaid: that of its associated airport, else that of the nearest airport of
    // its country within the radius; empty when neither has one.
    std::string navaidRegion(const Navaid& n) {
        const auto it = airportsByIdent_.find(n.associatedAirport);
        if (it != airportsByIdent_.end() && it->second->countryCode == n.countryCode && !it->second->regionCode.empty()) {
            return it->second->regionCode;
        }
        if (!locator_) {
            locator_ = std::make_unique<RegionLocator>();
            for (const Airport& a : tables_.airports) {
                if (!a.regionCode.empty()) locator_->add(a.countryCode, a.regionCode, a.latitude, a.longitude);
            }
        }
        auto region = locator_->nearestRegion(n.countryCode, n.latitude, n.longitude, options_.navaidStateRadiusKm);
        if (!region) return {};
        ++stats_.navaidsPlacedByNearestAirport;
        return *region;
    }

    DictionaryPtr record(const Draft& d) {
        static const Key kId("waypoint_id"), kName("waypoint_name"), kLatitude("waypoint_latitude"),
            kLongitude("waypoint_longitude"), kType("waypoint_type"), kState("waypoint_state"),
            kChannel("waypoint_channel"), kFrequency("waypoint_frequency"), kMainRunway("waypoint_main_runway_index"),
            kRunways("waypoint_runways"), kRunwayId("id"), kVariation("waypoint_magnetic_variation");

        const std::string& name = d.airport ? d.airport->name : d.navaid->name;
        const double latitude = d.airport ? d.airport->latitude : d.navaid->latitude;
        const double longitude = d.airport ? d.airport->longitude : d.navaid->longitude;
        const int type = d.airport ? kAirportType : d.navaid->type;

        DictionaryPtr r = Dictionary::create(10);
        r->set(kId, Value(d.id()));
        if (!name.empty()) r->set(kName, Value(name));
        r->set(kLatitude, Value::real(latitude));
        r->set(kLongitude, Value::real(longitude));
        r->set(kType, Value::integer(type));
        if (!d.regionCode.empty()) r->set(kState, Value::integer(stateIndex_.at(tables_.regionNames.at(d.regionCode))));
        ++stats_.waypointsByType[type];
        ++stats_.waypoints;

        if (d.navaid) {
            if (d.navaid->channel) r->set(kChannel, Value(*d.navaid->channel));
            if (d.navaid->frequency) r->set(kFrequency, Value(*d.navaid->frequency));
            if (d.navaid->magneticVariation) r->set(kVariation, Value::real(*d.navaid->magneticVariation));
            return r;
        }

        const auto frequency = tables_.frequencies.find(d.airport->ident);
        if (frequency != tables_.frequencies.end()) {
            r->set(kFrequency, Value(frequency->second));
            ++stats_.airportsWithFrequency;
        }
        const auto runways = tables_.runways.find(d.airport->ident);
        if (runways != tables_.runways.end() && !runways->second.empty()) {
            ArrayPtr list = Array::create(runways->second.size());
            for (const Runway& rw : runways->second) {
                DictionaryPtr entry = Dictionary::create(1);
                entry->set(kRunwayId, Value(rw.designator));
                list->append(Value(entry));
            }
            r->set(kMainRunway, Value::integer(static_cast<int64_t>(*mainRunwayIndex(runways->second))));
            r->set(kRunways, Value(list));
            stats_.runways += static_cast<int>(runways->second.size());
        }
        return r;
    }

    const SourceTables& tables_;
    const BuildOptions& options_;
    BuildStats& stats_;
    std::unordered_map<std::string_view, const Airport*> airportsByIdent_;
    std::map<std::string, std::vector<Draft>> byCountry_;
    std::unordered_map<std::string, int> stateIndex_;
    std::unique_ptr<RegionLocator> locator_;
};

}  // namespace

DatabaseContents compileDatabase(const SourceTables& tables, const BuildOptions& options, BuildStats* stats) {
    BuildStats figures;
    DatabaseContents contents = Compiler(tables, options, figures).run();
    if (stats) *stats = figures;
    return contents;
}

}  // namespace vantrel::dbbuilder
