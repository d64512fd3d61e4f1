// The index and the warning rules: points near the edges of an airspace, the index answering as a
// loop over every airspace would, the warnings for a table of aircraft (inside, entering ahead on a
// straight track, climbing or descending into one, too far, going away, AGL limits, no altitude),
// and an acknowledged warning that comes back once the aircraft has left and returns.

#include "AirspaceTestSupport.h"

#include "airspace/AirspaceWarnings.h"
#include "airspace/ArcGeometry.h"

#include <gtest/gtest.h>

#include <random>

using namespace vantrel;
using namespace vantrel::airspace;

namespace {

// A control zone 10 NM square (47:00-47:10 N, 8:00-8:10 E), a TMA above a wider square, and a
// zone of AGL limits further south.
const char* const kAirspaces =
    "AC D\nAN BOX\nAL GND\nAH 4500ft AMSL\n"
    "DP 47:00:00 N 008:00:00 E\nDP 47:10:00 N 008:00:00 E\nDP 47:10:00 N 008:10:00 E\nDP 47:00:00 N 008:10:00 E\n"
    "AC C\nAN TMA ABOVE\nAL 5500ft AMSL\nAH FL100\n"
    "DP 46:50:00 N 007:50:00 E\nDP 47:20:00 N 007:50:00 E\nDP 47:20:00 N 008:20:00 E\nDP 46:50:00 N 008:20:00 E\n"
    "AC W\nAN AGL ZONE\nAL 1000 ft AGL\nAH 3000 ft AGL\n"
    "DP 46:00:00 N 008:00:00 E\nDP 46:10:00 N 008:00:00 E\nDP 46:10:00 N 008:10:00 E\nDP 46:00:00 N 008:10:00 E\n";

AirspaceIndex makeIndex() { return AirspaceIndex(readOpenAir(QByteArray(kAirspaces), QStringLiteral("w.txt")).airspaces); }

double minutes(double m) { return m / 60.0; }

// Metres along the parallel at 47:05 N from 7:55 E to the BOX's west edge.
double metresToBoxFromWest() { return distanceMetres({47 + minutes(5), 8 - minutes(5)}, {47 + minutes(5), 8.0}); }

AircraftState aircraft(double lat, double lon, double alt, double track, double knots, double fpm) {
    return {lat, lon, alt, track, knots, fpm};
}

}  // namespace

TEST(AirspaceIndex, FindsPointsJustInsideAndNotJustOutsideEachEdge) {
    const AirspaceIndex index = makeIndex();
    const double in = minutes(0.01), lat0 = 47.0, lat1 = 47 + minutes(10), lon0 = 8.0, lon1 = 8 + minutes(10);
    // 0.01 NM either side of each edge of the BOX (the longitudes scaled to NM at 47 N).
    const double inLon = in / std::cos(47.08 * M_PI / 180);
    struct Case {
        double lat, lon;
        bool inside;
    };
    const Case cases[] = {
        {lat0 + in, 8.08, true},  {lat0 - in, 8.08, false}, {lat1 - in, 8.08, true},  {lat1 + in, 8.08, false},
        {47.08, lon0 + inLon, true}, {47.08, lon0 - inLon, false}, {47.08, lon1 - inLon, true}, {47.08, lon1 + inLon, false},
        {lat0 + in, lon0 + inLon, true}, {lat1 + in, lon1 + inLon, false},
    };
    for (const Case& c : cases) {
        const std::vector<size_t> found = index.containing(c.lat, c.lon, 3000.0);
        EXPECT_EQ(found == std::vector<size_t>{0}, c.inside) << c.lat << " " << c.lon;
    }
    // The vertical limits, both included.
    EXPECT_EQ(index.containing(47.08, 8.08, 4500.0), std::vector<size_t>{0});
    EXPECT_TRUE(index.containing(47.08, 8.08, 4501.0).empty());
    EXPECT_EQ(index.containing(47.08, 8.08, 6000.0), std::vector<size_t>{1});
    EXPECT_EQ(index.containing(47.08, 8.08), (std::vector<size_t>{0, 1}));
    EXPECT_TRUE(index.containing(NAN, 8.08).empty());
}

TEST(AirspaceIndex, AnswersAsALoopOverEveryAirspaceWould) {
    const ReadResult read = test::readAirspaceFixture("sample-400.txt");
    const AirspaceIndex index(read.airspaces);
    std::mt19937 rng(28);
    std::uniform_real_distribution<double> lat(43.0, 55.0), lon(-2.0, 17.0), size(0.01, 3.0);
    int hits = 0;
    for (int i = 0; i < 2000; ++i) {
        const double la = lat(rng), lo = lon(rng);
        std::vector<size_t> expected;
        for (size_t id = 0; id < read.airspaces.size(); ++id)
            if (read.airspaces[id].containsPoint(la, lo)) expected.push_back(id);
        EXPECT_EQ(index.containing(la, lo), expected) << la << " " << lo;
        hits += int(expected.size());

        GeoBox box;
        box.add({la, lo});
        box.add({la + size(rng), lo + size(rng)});
        std::vector<size_t> inBox;
        for (size_t id = 0; id < read.airspaces.size(); ++id)
            if (read.airspaces[id].box.intersects(box)) inBox.push_back(id);
        EXPECT_EQ(index.inBox(box), inBox);
    }
    EXPECT_GT(hits, 100);  // the points did fall in airspaces
}

TEST(AirspaceWarnings, WarnsInsideAndBeforeEnteringOnTheCurrentTrack) {
    const AirspaceIndex index = makeIndex();
    const double west = metresToBoxFromWest();  // about 3.4 NM
    const double at120kt = west / (120 * kMetresPerNauticalMile / 3600);
    struct Expected {
        const char* name;
        AirspaceWarning::Kind kind;
        double seconds;  // to the entry (Entering)
    };
    struct Case {
        const char* what;
        AircraftState state;
        std::vector<Expected> expected;
        bool groundFlag = false, unknownFlag = false;
    };
    using K = AirspaceWarning::Kind;
    const double lat = 47 + minutes(5), westLon = 8 - minutes(5), mid = 8 + minutes(5);
    const Case cases[] = {
        {"inside, standing", aircraft(lat, mid, 3000, NAN, NAN, NAN), {{"BOX", K::Inside, 0}}},
        {"ahead on track east", aircraft(lat, westLon, 3000, 90, 120, 0), {{"BOX", K::Entering, at120kt}}},
        {"going away west", aircraft(lat, westLon, 3000, 270, 120, 0), {}},
        {"too slow to enter in 2 minutes", aircraft(lat, westLon, 3000, 90, 60, 0), {}},
        {"passing north of it", aircraft(47 + minutes(11), westLon, 3000, 90, 120, 0), {}},
        {"inside, climbing into the TMA", aircraft(lat, mid, 4000, 0, 0, 1000),
         {{"BOX", K::Inside, 0}, {"TMA ABOVE", K::Entering, 90}}},
        {"above, descending into it", aircraft(lat, mid, 5000, NAN, NAN, -500), {{"BOX", K::Entering, 60}}},
        {"descending, enters when both hold", aircraft(lat, westLon, 6000, 90, 120, -1500),
         {{"TMA ABOVE", K::Inside, 0}, {"BOX", K::Entering, at120kt}}},
        // Over the BOX's edge by the time it gets there, and into the TMA above instead.
        {"climbing out of reach", aircraft(lat, westLon, 4000, 90, 120, 1000), {{"TMA ABOVE", K::Entering, 90}}},
        {"AGL limits above ground at 0 ft", aircraft(46 + minutes(5), mid, 2000, NAN, NAN, NAN),
         {{"AGL ZONE", K::Inside, 0}}, true},
        {"no altitude: every height", aircraft(lat, mid, NAN, NAN, NAN, NAN),
         {{"BOX", K::Inside, 0}, {"TMA ABOVE", K::Inside, 0}}, false, true},
        {"no position", aircraft(NAN, NAN, 3000, 90, 120, 0), {}},
    };
    for (const Case& c : cases) {
        const std::vector<AirspaceWarning> got = checkAirspaceWarnings(index, c.state);
        ASSERT_EQ(got.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].airspace->name, QString::fromLatin1(c.expected[i].name)) << c.what;
            EXPECT_EQ(got[i].kind, c.expected[i].kind) << c.what;
            // The BOX's floor at the ground holds at any ground height: no word of it.
            EXPECT_EQ(got[i].groundTakenAsSeaLevel, c.groundFlag) << c.what;
            EXPECT_EQ(got[i].altitudeUnknown, c.unknownFlag) << c.what;
            if (c.expected[i].kind == K::Entering) {
                ASSERT_TRUE(got[i].secondsToEntry) << c.what;
                EXPECT_NEAR(*got[i].secondsToEntry, c.expected[i].seconds, 1.0) << c.what;
                const double knots = std::isfinite(c.state.groundSpeedKnots) ? c.state.groundSpeedKnots : 0;
                EXPECT_NEAR(*got[i].metresToEntry, c.expected[i].seconds * knots * 1852 / 3600, 50) << c.what;
            } else {
                EXPECT_FALSE(got[i].secondsToEntry) << c.what;
            }
        }
    }
    const std::vector<AirspaceWarning> ahead = checkAirspaceWarnings(index, aircraft(lat, westLon, 3000, 90, 120, 0));
    ASSERT_EQ(ahead.size(), 1u);
    EXPECT_EQ(ahead[0].text(), QStringLiteral("BOX (D, GND - 4500 ft MSL): entering in 1 min 42 s, 3.4 NM"));
    const std::vector<AirspaceWarning> agl = checkAirspaceWarnings(index, aircraft(46 + minutes(5), 8 + minutes(5), 2000, NAN, NAN, NAN));
    ASSERT_EQ(agl.size(), 1u);
    EXPECT_EQ(agl[0].text(), QStringLiteral("AGL ZONE (W, 1000 ft AGL - 3000 ft AGL): inside; ground taken as 0 ft MSL"));
}

TEST(AirspaceWarnings, AnAcknowledgedWarningWarnsAgainAfterLeavingAndComingBack) {
    const AirspaceIndex index = makeIndex();
    AirspaceWarner warner;
    const double lat = 47 + minutes(5);
    // East along 47:05 N at 120 kt (2 NM a minute), 3000 ft, a fix at each nautical mile.
    auto fixAt = [&](double lon, double track) { return warner.update(index, aircraft(lat, lon, 3000, track, 120, 0)); };
    const double step = minutes(1) / std::cos(lat * M_PI / 180);  // 1 NM of longitude
    EXPECT_TRUE(fixAt(8 - 5 * step, 90).empty());  // 150 s away
    std::vector<AirspaceWarning> w = fixAt(8 - 3 * step, 90);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_FALSE(w[0].acknowledged);
    EXPECT_FALSE(warner.acknowledge(QStringLiteral("w.txt:999")));  // not warning: nothing to acknowledge
    EXPECT_TRUE(warner.acknowledge(w[0].key()));
    EXPECT_TRUE(warner.unacknowledged().empty());
    // Through the zone (6.8 NM wide): still warning, still quiet.
    for (double nm = -2; nm <= 6; nm += 1) {
        w = fixAt(8 + nm * step, 90);
        ASSERT_EQ(w.size(), 1u) << nm;
        EXPECT_TRUE(w[0].acknowledged) << nm;
    }
    // Out of it on the east side: no warning, and the acknowledgement is gone.
    EXPECT_TRUE(fixAt(8 + 8 * step, 90).empty());
    // Turning back towards it: warns again, not acknowledged.
    w = fixAt(8 + 9 * step, 270);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].kind, AirspaceWarning::Kind::Entering);
    EXPECT_FALSE(w[0].acknowledged);
    EXPECT_EQ(warner.unacknowledged().size(), 1u);
}
