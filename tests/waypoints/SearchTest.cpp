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

// The pane's search: identifiers first, then names without case or accents; with the aircraft's
// position, equal identifiers and the name matches nearest first.
TEST(Search, IdentifiersThenNamesNearestFirstAmongEquals) {
    auto db = Array::fromValues({makeRecord("GVA", 35.0, -85.0, 11, -1, "Grove NDB"),
                                 makeRecord("GVA", 46.25, 6.13, 14, -1, "Geneva"),
                                 makeRecord("LFLP", 45.93, 6.10, 1, -1, "Annecy Mont Blanc"),
                                 makeRecord("LSZH", 47.46, 8.55, 1, -1, "Z\u00fcrich"),
                                 makeRecord("LSGG", 46.24, 6.11, 1, -1, "Gen\u00e8ve Cointrin"),
                                 makeRecord("ANN", 55.0, -131.0, 11, -1, "Annette Island"),
                                 makeRecord("NOPOS", 0, 0, 1, -1, "Annecy without coordinates")});
    db->at(6).dictionary()->remove("waypoint_latitude");
    const waypoints::IdentifierIndex index(*db);
    const std::optional<waypoints::GeoPoint> geneva = waypoints::GeoPoint{46.2, 6.1}, tennessee = waypoints::GeoPoint{35.1, -85.1};
    struct Case {
        const char* text;
        std::optional<waypoints::GeoPoint> aircraft;
        QStringList expected;  // identifier, then name
    };
    const Case cases[] = {
        {"gva", geneva, {"GVA Geneva", "GVA Grove NDB"}},
        {"gva", tennessee, {"GVA Grove NDB", "GVA Geneva"}},
        {"gva", std::nullopt, {"GVA Grove NDB", "GVA Geneva"}},  // list order without a position
        {"annecy", std::nullopt, {"LFLP Annecy Mont Blanc", "NOPOS Annecy without coordinates"}},
        // Identifier ANN first; then the names, nearest first, one without a position last.
        {"ann", geneva, {"ANN Annette Island", "LFLP Annecy Mont Blanc", "NOPOS Annecy without coordinates"}},
        {"zurich", std::nullopt, {"LSZH Z\u00fcrich"}},
        {"Z\u00dcR", std::nullopt, {"LSZH Z\u00fcrich"}},
        {"geneve", geneva, {"LSGG Gen\u00e8ve Cointrin"}},
        {"gen", geneva, {"LSGG Gen\u00e8ve Cointrin", "GVA Geneva"}},
        {"lflp", std::nullopt, {"LFLP Annecy Mont Blanc"}},  // found by its identifier, not twice
        {"qq", geneva, {}},
        {"", geneva, {}},
    };
    for (const Case& c : cases) {
        auto results = Array::create();
        waypoints::searchWaypoints(index, QString::fromUtf8(c.text), c.aircraft, *results);
        QStringList got;
        for (const Value& r : *results)
            got << r.dictionary()->get("waypoint_id").toQString() + " " + r.dictionary()->get("waypoint_name").toQString();
        EXPECT_EQ(got, c.expected) << c.text;
    }
}
