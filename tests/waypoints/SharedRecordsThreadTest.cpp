// The records shared by the moving map's worker and the main thread. The worker refreshes the
// nearby cache over and over (rewriting every record's current_distance) while the main thread
// does what the pane does at the same time: searches identifiers, fills rows, grows and shrinks
// the nearby list, and changes a record under the cache's dbLock as the waypoint editor does.
// Built with -fsanitize=thread (VANTREL_TSAN), any data race fails the run; in every build the
// end state must be exactly that of the last refresh.

#include "waypoints/DistancesFromPoint.h"
#include "waypoints/NearbyList.h"
#include "waypoints/NearbyWaypointCache.h"
#include "waypoints/WaypointCell.h"
#include "waypoints/WaypointDistance.h"
#include "waypoints/WaypointKeys.h"
#include "waypoints/WaypointSearch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace vantrel;
using platform::Array;
using platform::Value;

namespace {

// A grid of records over central Europe with identifiers A0000, B0001, ...
platform::ArrayPtr grid(int count) {
    auto db = Array::create(size_t(count));
    for (int i = 0; i < count; ++i) {
        auto d = platform::Dictionary::create();
        std::string id = std::string(1, char('A' + i % 26)) + std::to_string(i);
        d->set(waypoints::keys::waypointId, Value(id));
        d->set(waypoints::keys::waypointName, Value("Waypoint " + id));
        d->set(waypoints::keys::waypointLatitude, Value::real(44.0 + (i % 100) * 0.1));
        d->set(waypoints::keys::waypointLongitude, Value::real(0.0 + (i / 100) * 0.25));
        d->set(waypoints::keys::waypointType, Value::integer(i % 17));
        d->set(waypoints::keys::waypointFrequency, Value("114.85"));
        db->append(Value(d));
    }
    return db;
}

}  // namespace

TEST(SharedRecords, TheMapsWorkerAndThePaneNeverRace) {
    platform::ArrayPtr db = grid(4000);
    const waypoints::IdentifierIndex index(*db);
    std::shared_ptr<waypoints::NearbyWaypointCache> cache = waypoints::NearbyWaypointCache::create();
    constexpr double kFactor = 1852.0;

    std::atomic<bool> stop{false};
    std::atomic<int> refreshes{0};
    std::thread worker([&] {
        for (int i = 0; !stop; ++i) {
            cache->refresh(*db, 2.0 + (i % 20) * 0.2, 46.0 + (i % 7) * 0.3, kFactor);
            ++refreshes;
        }
    });

    waypoints::NearbyList nearby;
    waypoints::WaypointCell cell(QStringLiteral("waypointCell"));
    auto results = Array::create(500);
    // For a second, and at least until the worker has refreshed the cache forty times. Most of the
    // main thread's work is done without the lock, as the pane does it, so that its accesses meet
    // the worker's unordered by any lock.
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; refreshes < 40 || std::chrono::steady_clock::now() - start < std::chrono::seconds(1); ++round) {
        waypoints::searchByIdentifier(index, QString(QChar('A' + round % 26)), *results);
        for (size_t r = 0; r < std::min<size_t>(results->size(), 10); ++r)
            cell.updateWithWaypoint(results->at(r), waypoints::WaypointTypes::table());
        // Grows (under dbLock) now and then; shrinks (without it) in between.
        nearby.setRange(round % 16 == 0 ? 120 : 120 - round % 16, kFactor, *cache);
        for (const Value& record : *nearby.nearbyDB()) EXPECT_TRUE(waypoints::currentDistance(*record.asDictionary()));
        if (round % 50 == 0) {
            std::lock_guard lock(cache->dbLock());
            db->at(size_t(round) % db->size()).asDictionary()->set(waypoints::keys::waypointName, Value("Renamed"));
        }
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(60)) break;
    }
    stop = true;
    worker.join();
    EXPECT_GE(refreshes, 40);

    // The end state is exactly the last refresh's: its matches, and every distance from its point.
    std::lock_guard lock(cache->dbLock());
    ASSERT_TRUE(cache->waypointsCacheArea());
    const waypoints::NearbyArea area = *cache->waypointsCacheArea();
    const waypoints::DistancesFromPoint from(area.longitude, area.latitude);
    size_t within = 0;
    for (const Value& item : *db) {
        const platform::Dictionary& record = *item.asDictionary();
        double d = *waypoints::currentDistance(record);
        EXPECT_NEAR(d, from.exact(record.get(waypoints::keys::waypointLongitude).doubleValue(),
                                  record.get(waypoints::keys::waypointLatitude).doubleValue()),
                    1e-6);
        within += d < area.radius * area.distanceFactor;
        EXPECT_EQ(cache->cachedNearbyWaypoints().contains(item), d < area.radius * area.distanceFactor);
    }
    EXPECT_EQ(cache->cachedNearbyWaypoints().size(), within);
    EXPECT_GT(within, 0u);
}
