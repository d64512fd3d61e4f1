#include "DatabaseFixture.h"

#include "waypoints/WaypointSearch.h"

#include <gtest/gtest.h>

using namespace vantrel;
using platform::Array;
using platform::Value;
using test::makeRecord;

namespace {
QStringList search(const Array& db, const QString& text) {
    auto results = Array::create();
    waypoints::searchByIdentifier(db, waypoints::searchKeyFor(text), *results);
    QStringList ids;
    for (const Value& r : *results) ids << r.dictionary()->get("waypoint_id").toQString();
    return ids;
}
}  // namespace

TEST(Search, UpperCasedPrefixOnTheIdentifierSortedByIdentifier) {
    auto db = Array::fromValues({makeRecord("LFPG", 0, 0, 1, -1, "Paris Charles de Gaulle"), makeRecord("LFPB", 0, 0),
                                 makeRecord("lfxx", 0, 0), makeRecord("EGLL", 0, 0, 1, -1, "LF in the name"),
                                 makeRecord("LF", 0, 0), makeRecord("LFP", 0, 0)});
    EXPECT_EQ(search(*db, QStringLiteral("lfp")), QStringList({"LFP", "LFPB", "LFPG"}));
    EXPECT_EQ(search(*db, QStringLiteral("lf")), QStringList({"LF", "LFP", "LFPB", "LFPG"}));  // never lfxx, never by name
    EXPECT_TRUE(search(*db, QStringLiteral("Q")).isEmpty());
    EXPECT_TRUE(search(*db, QString()).isEmpty());
}

TEST(Search, ResultsAreTheDatabaseRecordsAndNonRecordsAreIgnored) {
    auto db = Array::fromValues({makeRecord("AB", 0, 0), Value("stray"), makeRecord("AA", 0, 0)});
    auto results = Array::create();
    waypoints::searchByIdentifier(*db, QStringLiteral("A"), *results);
    ASSERT_EQ(results->size(), 2u);
    EXPECT_EQ(results->at(0).identity(), db->at(2).identity());
    EXPECT_EQ(results->at(1).identity(), db->at(0).identity());
}
