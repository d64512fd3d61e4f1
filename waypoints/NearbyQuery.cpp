#include "NearbyQuery.h"

#include "DistancesFromPoint.h"
#include "WaypointDistance.h"
#include "WaypointKeys.h"

#include <array>
#include <cmath>

namespace vantrel::waypoints {

namespace {

// Reads the coordinates of record after record. The database's records all keep their keys in
// the same order, so each key is looked for first where it was in the previous record: a scan of
// the entries from the start, repeated 55,000 times, costs several times the whole distance query.
class CoordinateReader {
public:
    double longitude(const platform::Dictionary& record) { return read(record, keys::waypointLongitude, lonAt_); }
    double latitude(const platform::Dictionary& record) { return read(record, keys::waypointLatitude, latAt_); }

    // Starts fetching a record's coordinate entries, where the last record had them, so that
    // they have arrived when the record's turn comes.
    void prefetch(const platform::Dictionary& record) const {
        const auto& entries = record.entries();
        if (latAt_ < entries.size()) __builtin_prefetch(&entries[latAt_]);
        if (lonAt_ < entries.size()) __builtin_prefetch(&entries[lonAt_]);
    }

private:
    static double read(const platform::Dictionary& record, platform::Key key, size_t& at) {
        const auto& entries = record.entries();
        if (at >= entries.size() || !(entries[at].key == key)) {
            at = 0;
            while (at < entries.size() && !(entries[at].key == key)) ++at;
            if (at == entries.size()) return 0.0;  // a record without coordinates lies at 0, 0
        }
        const platform::Value& v = entries[at].value;
        return v.type() == platform::ValueType::Real ? v.realPayload() : v.doubleValue();
    }
    size_t lonAt_ = 0;
    size_t latAt_ = 0;
};

// Distances this close to the limit (relative) are taken again from the scalar formula, so that
// matching is decided exactly as Geodesy::calcDistanceInMeters decides it. The vector functions
// agree with the scalar ones to a few units in the last place, but near the antipode the arcsine
// magnifies that to about 1e-8 of the distance.
constexpr double kNearLimit = 1e-7;

// The records are taken in blocks: coordinates gathered, distances computed together, then each
// record judged in order.
template <class Add>
void forEachNearby(const platform::Array& waypointsDB, const NearbyArea& area, bool forceUpdate, Add add) {
    constexpr size_t kBlock = 256;
    constexpr size_t kDictionaryAhead = 16, kEntriesAhead = 8;
    const double limit = area.distanceFactor * area.radius;
    const DistancesFromPoint from(area.longitude, area.latitude);
    std::array<double, kBlock> longitudes, latitudes, distances;
    std::array<const platform::Value*, kBlock> items;
    std::array<bool, kBlock> computed;
    CoordinateReader coordinates;

    const auto& all = waypointsDB.items();
    for (size_t start = 0; start < all.size(); start += kBlock) {
        const size_t end = std::min(all.size(), start + kBlock);
        size_t n = 0, toCompute = 0;
        for (size_t i = start; i < end; ++i) {
            // The records lie scattered over the heap, each two dependent fetches away (the
            // dictionary, then its entries), and reading them in turn the query would mostly wait
            // for memory: the dictionary some records ahead is fetched early, and the entries of
            // a nearer one, whose dictionary has arrived by then.
            if (i + kDictionaryAhead < all.size())
                if (const platform::Dictionary* ahead = all[i + kDictionaryAhead].asDictionary()) __builtin_prefetch(ahead);
            if (i + kEntriesAhead < all.size())
                if (const platform::Dictionary* ahead = all[i + kEntriesAhead].asDictionary()) coordinates.prefetch(*ahead);
            const platform::Dictionary* record = all[i].asDictionary();
            if (!record) continue;
            items[n] = &all[i];
            std::optional<double> stored = forceUpdate ? std::nullopt : currentDistance(*record);
            computed[n] = !stored;
            if (stored) {
                distances[n] = *stored;
            } else {
                longitudes[toCompute] = coordinates.longitude(*record);
                latitudes[toCompute] = coordinates.latitude(*record);
                ++toCompute;
            }
            ++n;
        }
        // Computed distances come out packed; spread them back to their records' places.
        std::array<double, kBlock> fresh;
        from.compute(longitudes.data(), latitudes.data(), fresh.data(), toCompute);
        for (size_t j = 0, c = 0; j < n; ++j) {
            if (!computed[j]) continue;
            double d = fresh[c];
            if (std::fabs(d - limit) <= limit * kNearLimit) d = from.exact(longitudes[c], latitudes[c]);
            ++c;
            distances[j] = d;
            setCurrentDistance(*items[j]->asDictionary(), d);
        }
        for (size_t j = 0; j < n; ++j)
            if (distances[j] < limit) add(*items[j]);
    }
}

}  // namespace

void addNearbyWaypoints(platform::Array& target, const platform::Array& waypointsDB, const NearbyArea& area,
                        bool forceUpdate) {
    forEachNearby(waypointsDB, area, forceUpdate, [&target](const platform::Value& record) { target.append(record); });
}

void addNearbyWaypoints(WaypointSet& target, const platform::Array& waypointsDB, const NearbyArea& area,
                        bool forceUpdate) {
    forEachNearby(waypointsDB, area, forceUpdate, [&target](const platform::Value& record) { target.add(record); });
}

}  // namespace vantrel::waypoints
