// The range filter of the nearby list works on the stored distances alone: the records here have
// no coordinates, only a current_distance, so any distance computed would show.

#include "waypoints/NearbyList.h"
#include "waypoints/NearbyWaypointCache.h"
#include "waypoints/WaypointDistance.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace vantrel;
using platform::Value;

namespace {

constexpr double kNauticalMile = 1852.0;

Value recordAt(const char* id, double metres) {
    auto d = platform::Dictionary::create();
    d->set("waypoint_id", Value(id));
    waypoints::setCurrentDistance(*d, metres);
    return Value(d);
}

QStringList idsOf(const platform::Array& records) {
    QStringList ids;
    for (const Value& r : records) ids << r.dictionary()->get("waypoint_id").toQString();
    return ids;
}

struct Filter {
    std::shared_ptr<waypoints::NearbyWaypointCache> cache = waypoints::NearbyWaypointCache::create();
    waypoints::NearbyList list;

    void fill(std::initializer_list<Value> records) {
        std::lock_guard lock(cache->dbLock());
        cache->cachedNearbyWaypoints().clear();
        for (const Value& r : records) cache->cachedNearbyWaypoints().add(r);
    }
    QStringList at(int nauticalMiles) {
        list.setRange(nauticalMiles, kNauticalMile, *cache);
        return idsOf(*list.nearbyDB());
    }
};

}  // namespace

TEST(NearbyList, GrowingTakesTheCacheNearestFirstShrinkingFiltersTheListInItsOrder) {
    Filter f;
    Value a = recordAt("A", 30000), b = recordAt("B", 5000), c = recordAt("C", 18520), d = recordAt("D", 60000);
    f.fill({a, b, c, d});

    EXPECT_EQ(f.at(25), QStringList({"B", "C", "A"}));  // 46300 m, nearest first
    EXPECT_DOUBLE_EQ(f.list.cachedRange(), 25 * kNauticalMile);

    // Shrinking never looks at the cache: a record added there meanwhile stays out.
    Value e = recordAt("E", 100);
    {
        std::lock_guard lock(f.cache->dbLock());
        f.cache->cachedNearbyWaypoints().add(e);
    }
    EXPECT_EQ(f.at(10), QStringList({"B"}));  // 18520 m: C, exactly there, is out
    EXPECT_EQ(f.at(10), QStringList({"B"}));  // unchanged range, unchanged list

    // Growing rebuilds from the cache.
    EXPECT_EQ(f.at(25), QStringList({"E", "B", "C", "A"}));
    EXPECT_EQ(f.list.nearbyDB()->at(0).identity(), e.identity());
    for (const Value& r : {a, b, c, d, e}) EXPECT_FALSE(r.dictionary()->contains("waypoint_latitude"));
    EXPECT_EQ(*waypoints::currentDistance(*a.dictionary()), 30000);
}

// The aircraft's own airfield, at a few metres, comes first however the cache is ordered; records
// at the same distance keep the cache's order.
TEST(NearbyList, TheNearestRecordIsOnTopAndTiesKeepTheCachesOrder) {
    Filter f;
    f.fill({recordAt("LSGL", 45000), recordAt("GVA", 900), recordAt("LSGG", 12), recordAt("PAS", 900)});
    EXPECT_EQ(f.at(50), QStringList({"LSGG", "GVA", "PAS", "LSGL"}));
}

TEST(NearbyList, ARefilledCacheIsTakenAgainAtTheSameRange) {
    Filter f;
    f.fill({recordAt("OLD", 1000)});
    EXPECT_EQ(f.at(25), QStringList({"OLD"}));

    f.fill({recordAt("NEW1", 2000), recordAt("NEW2", 900000)});
    EXPECT_EQ(f.at(25), QStringList({"OLD"}));  // the same range keeps the list...
    f.list.invalidate();                        // ...until the cache's change is told
    EXPECT_EQ(f.at(25), QStringList({"NEW1"}));

    // A range of 0 keeps nothing; a record without any distance is never within range.
    EXPECT_EQ(f.at(0), QStringList());
    auto bare = platform::Dictionary::create();
    f.fill({Value(bare), recordAt("NEAR", 10)});
    f.list.invalidate();
    EXPECT_EQ(f.at(1), QStringList({"NEAR"}));
}

// With the aircraft's position the list is measured from it, not from where the map's cache was
// last refreshed: 21 NM from Geneva, a 1 NM range holds only the navaid 0.8 NM away, and the
// range filters and orders by the aircraft's distances.
TEST(NearbyList, WithAPositionTheDistancesAreTheAircrafts) {
    Filter f;
    auto placed = [](const char* id, double lat, double lon, double storedMetres) {
        Value r = recordAt(id, storedMetres);
        r.dictionary()->set("waypoint_latitude", Value::real(lat));
        r.dictionary()->set("waypoint_longitude", Value::real(lon));
        return r;
    };
    // The cache was filled at Geneva (stored distances from there); the aircraft is 21 NM north-east.
    const waypoints::GeoPoint aircraft{46.48, 6.53};
    Value lsgg = placed("LSGG", 46.238, 6.109, 200), gva = placed("GVA", 46.254, 6.133, 2000),
          near = placed("NEAR", 46.493, 6.530, 39000), mid = placed("MID", 46.40, 6.40, 25000);
    f.fill({lsgg, gva, near, mid, recordAt("NOWHERE", 10)});
    auto at = [&](int nm) {
        f.list.setRange(nm, kNauticalMile, *f.cache, aircraft);
        return idsOf(*f.list.nearbyDB());
    };
    EXPECT_EQ(at(1), QStringList({"NEAR"}));
    EXPECT_EQ(at(10), QStringList({"NEAR", "MID"}));
    EXPECT_EQ(at(25), QStringList({"NEAR", "MID", "GVA", "LSGG"}));
    EXPECT_EQ(at(5), QStringList({"NEAR"}));
    // The stored distances are left as the map's worker wrote them.
    EXPECT_EQ(*waypoints::currentDistance(*lsgg.dictionary()), 200);
    // Without a position again, the stored distances rule.
    EXPECT_EQ(f.at(1), QStringList({"NOWHERE", "LSGG"}));
}
