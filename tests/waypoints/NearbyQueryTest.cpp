// The distance query: strictly closer than the limit, in database order, forced or stored
// distances, array and set targets, the unit factors, and the four-at-a-time distances.

#include "DatabaseFixture.h"

#include "units/UnitSettings.h"
#include "platform/plist/PropertyList.h"
#include "positioning/Geodesy.h"
#include "waypoints/ActiveCountriesStore.h"
#include "waypoints/DistancesFromPoint.h"
#include "waypoints/NearbyQuery.h"
#include "waypoints/POISelectorPaneController.h"
#include "waypoints/WaypointDistance.h"
#include "waypoints/WaypointSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace vantrel;
using platform::Array;
using platform::ArrayPtr;
using platform::Value;
using positioning::Geodesy;
using test::makeRecord;
using waypoints::addNearbyWaypoints;
using waypoints::NearbyArea;

namespace {

std::optional<double> distanceOf(const Value& record) { return waypoints::currentDistance(*record.asDictionary()); }

QStringList idsOf(const Array& records) {
    QStringList ids;
    for (const Value& r : records) ids << r.dictionary()->get("waypoint_id").toQString();
    return ids;
}

// A line of records along the equator, one every 0.1 degree east of 0, 0, listed far to near.
ArrayPtr equatorLine(int count) {
    auto db = Array::create();
    for (int i = count - 1; i >= 0; --i)
        db->append(makeRecord(QStringLiteral("E%1").arg(i).toUtf8().constData(), 0.0, 0.1 * i));
    return db;
}

}  // namespace

TEST(NearbyQuery, AddsRecordsStrictlyCloserThanTheLimitInDatabaseOrder) {
    ArrayPtr db = equatorLine(12);
    auto target = Array::create();
    // 0.55 degree along the equator at 111226.3 m per degree, in kilometres.
    addNearbyWaypoints(*target, *db, NearbyArea{0, 0, 61.17, 1000.0}, true);
    EXPECT_EQ(idsOf(*target), QStringList({"E5", "E4", "E3", "E2", "E1", "E0"}));  // database order, not nearest first

    // Every record, matching or not, now carries its distance from the point.
    for (const Value& r : *db) {
        double lon = r.dictionary()->get("waypoint_longitude").doubleValue();
        ASSERT_TRUE(distanceOf(r));
        EXPECT_NEAR(*distanceOf(r), Geodesy::calcDistanceInMeters(0, 0, lon, 0), 1e-6);
    }
}

TEST(NearbyQuery, ARecordExactlyAtTheLimitIsNoMatch) {
    // Enough records for the four-at-a-time path, at assorted places; each in turn sits exactly
    // at the limit (halving and doubling are exact, so the limit equals its distance).
    std::mt19937 random(7);
    std::uniform_real_distribution<double> lat(-80, 80), lon(-180, 180);
    auto db = Array::create();
    for (int i = 0; i < 23; ++i) db->append(makeRecord("X", lat(random), lon(random)));
    const double fromLon = 6.0, fromLat = 46.0;
    for (const Value& record : *db) {
        double d = Geodesy::calcDistanceInMeters(fromLon, fromLat, record.dictionary()->get("waypoint_longitude").doubleValue(),
                                                 record.dictionary()->get("waypoint_latitude").doubleValue());
        waypoints::WaypointSet atLimit, justBeyond;
        addNearbyWaypoints(atLimit, *db, NearbyArea{fromLon, fromLat, d / 2.0, 2.0}, true);
        EXPECT_FALSE(atLimit.contains(record)) << d;
        EXPECT_EQ(*distanceOf(record), d);  // decided, and stored, as the scalar formula gives it
        addNearbyWaypoints(justBeyond, *db, NearbyArea{fromLon, fromLat, std::nextafter(d, 1e9) / 2.0, 2.0}, true);
        EXPECT_TRUE(justBeyond.contains(record)) << d;
    }
}

TEST(NearbyQuery, RadiusZeroMatchesNothingButAForcedQueryStoresEveryDistance) {
    ArrayPtr db = equatorLine(9);
    db->append(makeRecord("HERE", 0, 0));
    auto target = Array::fromValues({Value("kept")});
    addNearbyWaypoints(*target, *db, NearbyArea{0, 0, 0, 1852.0}, true);
    EXPECT_EQ(target->size(), 1u);  // the query adds, it never empties
    for (const Value& r : *db) EXPECT_TRUE(distanceOf(r));
    EXPECT_EQ(*distanceOf(db->at(9)), 0.0);
}

TEST(NearbyQuery, AnArrayTargetListsRepeatedMatchesASetHoldsThemOnce) {
    ArrayPtr db = equatorLine(5);
    NearbyArea area{0, 0, 20, 1852.0};  // 37 km: E0 .. E3
    auto list = Array::create();
    addNearbyWaypoints(*list, *db, area, true);
    addNearbyWaypoints(*list, *db, area, true);
    EXPECT_EQ(idsOf(*list), QStringList({"E3", "E2", "E1", "E0", "E3", "E2", "E1", "E0"}));
    EXPECT_EQ(list->at(0).identity(), db->at(1).identity());  // the database's own records

    waypoints::WaypointSet set;
    addNearbyWaypoints(set, *db, area, true);
    addNearbyWaypoints(set, *db, area, true);
    EXPECT_EQ(set.size(), 4u);
}

TEST(NearbyQuery, AnUnforcedQueryJudgesStoredDistancesFromTheOlderPoint) {
    ArrayPtr db = equatorLine(10);                                 // E0 at lon 0 ... E9 at lon 0.9
    addNearbyWaypoints(*Array::create(), *db, NearbyArea{0, 0, 0, 1000.0}, true);  // point A: 0, 0
    db->append(makeRecord("NEW", 0, 0.95));                         // no distance yet

    // Around point B (lon 0.9): E9 is right there, but its stored distance from A is 100 km.
    auto target = Array::create();
    addNearbyWaypoints(*target, *db, NearbyArea{0.9, 0, 25, 1000.0}, false);
    EXPECT_EQ(idsOf(*target), QStringList({"E2", "E1", "E0", "NEW"}));
    // Only the record without a distance got one, from B.
    EXPECT_NEAR(*distanceOf(db->at(10)), 0.05 * 111226.3, 1.0);
    EXPECT_NEAR(*distanceOf(db->at(0)), 0.9 * 111226.3, 1.0);
}

TEST(NearbyQuery, RecordsWithoutCoordinatesLieAtTheOriginAndOtherValuesAreSkipped) {
    auto bare = platform::Dictionary::create();
    bare->set("waypoint_id", Value("BARE"));
    auto text = platform::Dictionary::create();
    text->set("waypoint_id", Value("TEXT"));
    text->set("waypoint_latitude", Value("0.1 N"));   // a text counts by its leading number
    text->set("waypoint_longitude", Value("abc"));
    auto db = Array::fromValues({Value("stray"), Value(bare), Value(text), makeRecord("FAR", 40, 40)});
    auto target = Array::create();
    addNearbyWaypoints(*target, *db, NearbyArea{0, 0, 12, 1000.0}, true);
    EXPECT_EQ(idsOf(*target), QStringList({"BARE", "TEXT"}));
    EXPECT_NEAR(*distanceOf(db->at(2)), 11122.6, 0.1);
}

// The pane's query reads the radius in the pilot's unit: 180 nm is 333360 m, 180 km 180000 m.
TEST(NearbyQuery, ThePanesQueryTakesTheRadiusInThePilotsUnit) {
    test::DatabaseFixture fixture;
    fixture.writeStates({});
    fixture.writeCountry(QStringLiteral("Equator"),
                         {makeRecord("KM179", 0, 179.9 / 111.2263), makeRecord("KM181", 0, 180.1 / 111.2263),
                          makeRecord("NM179", 0, 179.9 * 1.852 / 111.2263), makeRecord("NM181", 0, 180.1 * 1.852 / 111.2263)});
    waypoints::POISelectorPaneController pane;
    pane.database().load(waypoints::ActiveCountriesStore(), [](const char*, platform::DictionaryPtr) {});
    units::UnitSettings& units = units::UnitSettings::shared();
    const int saved = units.selectedUnit();

    auto found = [&](int unit) {
        units.setSelectedUnit(unit);
        auto target = Array::create();
        pane.addNearbyWaypoints(*target, 0, 0, 180.0, true);
        return idsOf(*target);
    };
    EXPECT_EQ(found(2), QStringList({"KM179"}));
    EXPECT_EQ(found(0), QStringList({"KM179", "KM181", "NM179"}));
    // Statute miles: 1609.344 m held in single precision, so 180 sm reach 289681.9 m.
    EXPECT_EQ(found(1), QStringList({"KM179", "KM181"}));
    units.setSelectedUnit(saved);
}

TEST(DistancesFromPoint, AgreeWithTheGeodesyDistance) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> lat(-90, 90), lon(-180, 180);
    std::vector<double> lons, lats;
    for (int i = 0; i < 4001; ++i) {
        lons.push_back(lon(random));
        lats.push_back(lat(random));
    }
    // The awkward places: the same point, the antipode, the poles, across the date line, NaN.
    lons.insert(lons.end(), {6.0, -174.0, 0.0, 179.9, 6.0});
    lats.insert(lats.end(), {46.0, -46.0, 90.0, 46.0, NAN});
    const waypoints::DistancesFromPoint from(6.0, 46.0);
    std::vector<double> out(lons.size());
    from.compute(lons.data(), lats.data(), out.data(), out.size());
    for (size_t i = 0; i + 1 < out.size(); ++i) {
        double exact = Geodesy::calcDistanceInMeters(6.0, 46.0, lons[i], lats[i]);
        // Near the antipode the arcsine magnifies the last-place differences to about 1e-8.
        EXPECT_NEAR(out[i], exact, 5e-8 * std::max(exact, 1.0)) << lons[i] << " " << lats[i];
        EXPECT_EQ(from.exact(lons[i], lats[i]), exact);
    }
    EXPECT_TRUE(std::isnan(out.back()));
}

// current_distance rides beside the record's entries: copies keep it, files never see it.
TEST(CurrentDistance, IsNoEntryOfTheRecord) {
    Value record = makeRecord("LFPB", 48.96, 2.44);
    platform::Dictionary& d = *record.asDictionary();
    EXPECT_FALSE(waypoints::currentDistance(d));
    Value before = Value(d.mutableCopy());
    waypoints::setCurrentDistance(d, 1234.5);
    EXPECT_EQ(*waypoints::currentDistance(d), 1234.5);
    EXPECT_FALSE(d.contains("current_distance"));
    EXPECT_EQ(record, before);  // equality is over the entries
    EXPECT_EQ(*waypoints::currentDistance(*d.mutableCopy()), 1234.5);

    test::TempDir dir;
    QString path = dir.file(QStringLiteral("plan.plist"));
    ASSERT_TRUE(platform::plist::writeFile(path, record));
    Value back = platform::plist::readFile(path);
    EXPECT_EQ(back, before);
    EXPECT_FALSE(waypoints::currentDistance(*back.asDictionary()));
}
