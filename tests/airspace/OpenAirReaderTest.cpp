// The OpenAir reader: limits and coordinates of every form, arcs and circles within 0.1 NM of the
// true curve (both ways, and across the north), the Geneva file and a file of 400 airspaces end to
// end, and a damaged Latin-1 file read as far as it goes with a log line per skip.

#include "AirspaceTestSupport.h"

#include "airspace/ArcGeometry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::airspace;

namespace {

constexpr double kNm = kMetresPerNauticalMile;

ReadResult readText(const char* text) { return readOpenAir(QByteArray(text), QStringLiteral("test.txt")); }

// How far the outline strays from a circle of that radius: the worst of its points and of the
// middles of its chords (where a chord is farthest from the arc).
double worstDeviation(const std::vector<LatLon>& outline, const LatLon& centre, double radius, size_t chords) {
    double worst = 0;
    for (size_t i = 0; i < outline.size(); ++i) {
        worst = std::max(worst, std::abs(distanceMetres(centre, outline[i]) - radius));
        if (i < chords) {
            const LatLon& next = outline[(i + 1) % outline.size()];
            const LatLon middle{(outline[i].lat + next.lat) / 2, (outline[i].lon + next.lon) / 2};
            worst = std::max(worst, std::abs(distanceMetres(centre, middle) - radius));
        }
    }
    return worst;
}

}  // namespace

TEST(OpenAirReader, ReadsLimitsOfEveryForm) {
    struct Case {
        const char* text;
        std::optional<Limit> expected;
    };
    const Case cases[] = {
        {"FL95", Limit{95, Reference::FlightLevel}},
        {"FL 195", Limit{195, Reference::FlightLevel}},
        {"fl65", Limit{65, Reference::FlightLevel}},
        {"4500ft AMSL", Limit{4500, Reference::Msl}},
        {"4500 FT MSL", Limit{4500, Reference::Msl}},
        {"4500FT", Limit{4500, Reference::Msl}},
        {"3000", Limit{3000, Reference::Msl}},
        {"3000 ALT", Limit{3000, Reference::Msl}},
        {"1000 ft AGL", Limit{1000, Reference::Agl}},
        {"1000ft GND", Limit{1000, Reference::Agl}},
        {"1000 ASFC", Limit{1000, Reference::Agl}},
        {"1000 F SFC", Limit{1000, Reference::Agl}},
        {"500 m AGL", Limit{1640, Reference::Agl}},
        {"1500M", Limit{4921, Reference::Msl}},
        {"6500 STD", Limit{65, Reference::FlightLevel}},
        {"GND", Limit{0, Reference::Ground}},
        {"SFC", Limit{0, Reference::Ground}},
        {"0 ft AGL", Limit{0, Reference::Ground}},
        {"MSL", Limit{0, Reference::Msl}},
        {"UNL", Limit{0, Reference::Unlimited}},
        {"UNLIM", Limit{0, Reference::Unlimited}},
        {"FL95 * with a comment", Limit{95, Reference::FlightLevel}},
        {"", std::nullopt},
        {"lots", std::nullopt},
        {"FL", std::nullopt},
        {"FL1000", std::nullopt},
        {"-500 ft", std::nullopt},
        {"4500 ft AMSL AGL", std::nullopt},
        {"4500 ft m", std::nullopt},
        {"1e5 ft", std::nullopt},
        {"99999999 ft", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<Limit> got = parseLimit(QByteArray(c.text));
        EXPECT_EQ(got.has_value(), c.expected.has_value()) << c.text;
        if (got && c.expected) {
            EXPECT_EQ(*got, *c.expected) << c.text << " -> " << got->text().toStdString();
        }
    }
    EXPECT_EQ((Limit{95, Reference::FlightLevel}).feetAboveSeaLevel(), 9500);
    EXPECT_EQ((Limit{1000, Reference::Agl}).feetAboveSeaLevel(), 1000);  // above ground at 0 ft
    EXPECT_TRUE(std::isinf((Limit{0, Reference::Unlimited}).feetAboveSeaLevel()));
}

TEST(OpenAirReader, ReadsCoordinatesOfEveryForm) {
    struct Case {
        const char* text;
        double lat, lon;  // NaN: refused
    };
    const Case cases[] = {
        {"46:14:17 N 006:06:33 E", 46 + 14 / 60.0 + 17 / 3600.0, 6 + 6 / 60.0 + 33 / 3600.0},
        {"46:14:17N 006:06:33E", 46 + 14 / 60.0 + 17 / 3600.0, 6 + 6 / 60.0 + 33 / 3600.0},
        {"46:14.5 N 6:06.25 E", 46 + 14.5 / 60.0, 6 + 6.25 / 60.0},
        {"33:52:30.5 S 151:12:30 E", -(33 + 52 / 60.0 + 30.5 / 3600.0), 151 + 12.5 / 60.0},
        {"51:28:40 n 000:27:41 w", 51 + 28 / 60.0 + 40 / 3600.0, -(27 / 60.0 + 41 / 3600.0)},
        {"46.5N 6.25E", 46.5, 6.25},
        {"46:14:17 N, 006:06:33 E", 46 + 14 / 60.0 + 17 / 3600.0, 6 + 6 / 60.0 + 33 / 3600.0},
        {"46:61:00 N 006:00:00 E", NAN, NAN},
        {"46:00:60 N 006:00:00 E", NAN, NAN},
        {"91:00:00 N 006:00:00 E", NAN, NAN},
        {"46:00:00 N 181:00:00 E", NAN, NAN},
        {"46:00:00 E 006:00:00 N", NAN, NAN},
        {"46:00.5:10 N 006:00:00 E", NAN, NAN},
        {"46:00:00 N", NAN, NAN},
        {"N 46 E 6", NAN, NAN},
    };
    for (const Case& c : cases) {
        const std::optional<LatLon> got = parseCoordinate(QByteArray(c.text));
        if (std::isnan(c.lat)) {
            EXPECT_FALSE(got) << c.text;
            continue;
        }
        ASSERT_TRUE(got) << c.text;
        EXPECT_NEAR(got->lat, c.lat, 1e-9) << c.text;
        EXPECT_NEAR(got->lon, c.lon, 1e-9) << c.text;
    }
}

TEST(OpenAirReader, TurnsArcsAndCirclesIntoOutlinesWithinATenthOfAMile) {
    // Each case: the text, the radius in NM, a bearing (from the centre 47 N 8 E) whose point at half
    // the radius must be inside, and one whose point must be outside (NaN: none).
    struct Case {
        const char* name;
        const char* text;
        double radiusNm;
        double insideBearing, outsideBearing;
    };
    const Case cases[] = {
        {"circle", "V X=47:00:00 N 008:00:00 E\nDC 10\n", 10, 200, NAN},
        {"small circle", "V X=47:00:00 N 008:00:00 E\nDC 0.5\n", 0.5, 90, NAN},
        {"large circle", "V X=47:00:00 N 008:00:00 E\nDC 80\n", 80, 10, NAN},
        {"arc clockwise east", "V X=47:00:00 N 008:00:00 E\nDP 47:00:00 N 008:00:00 E\nDA 5,0,180\n", 5, 90, 270},
        {"arc counter-clockwise west", "V X=47:00:00 N 008:00:00 E\nV D=-\nDP 47:00:00 N 008:00:00 E\nDA 5,0,180\n", 5, 270, 90},
        {"arc clockwise across north", "V X=47:00:00 N 008:00:00 E\nDP 47:00:00 N 008:00:00 E\nDA 20,300,60\n", 20, 0, 180},
        // From bearing 301 to 59 round the north, between two points 11.7 NM out.
        {"DB across north", "V X=47:00:00 N 008:00:00 E\nDP 47:00:00 N 008:00:00 E\n"
                            "DB 47:06:00 N 007:45:15 E, 47:06:00 N 008:14:45 E\n", 11.7, 0, 180},
        {"DB counter-clockwise round the south", "V X=47:00:00 N 008:00:00 E\nV D=-\nDP 47:00:00 N 008:00:00 E\n"
                            "DB 47:06:00 N 007:45:15 E, 47:06:00 N 008:14:45 E\n", 11.7, 180, 0},
    };
    for (const Case& c : cases) {
        const QByteArray text = QByteArray("AC D\nAN T\nAL GND\nAH FL100\n") + c.text;
        const ReadResult read = readOpenAir(text, QStringLiteral("arcs.txt"));
        ASSERT_EQ(read.airspaces.size(), 1u) << c.name;
        const Airspace& a = read.airspaces[0];
        const LatLon centre{47, 8};
        const bool circle = std::string_view(c.text).find("DC") != std::string_view::npos;
        // The arc's points (the centre excluded): for an arc, every chord but the two to and from the centre.
        std::vector<LatLon> arc;
        for (const LatLon& p : a.outline)
            if (distanceMetres(centre, p) > 1.0) arc.push_back(p);
        const double radius = circle ? c.radiusNm * kNm : distanceMetres(centre, arc.front());
        if (!circle) {
            EXPECT_NEAR(radius, c.radiusNm * kNm, 0.05 * kNm) << c.name;
        }
        EXPECT_LE(worstDeviation(arc, centre, radius, circle ? arc.size() : arc.size() - 1), 0.1 * kNm) << c.name;
        EXPECT_LT(a.outline.size(), 400u) << c.name << ": far more points than the tolerance needs";
        const LatLon in = destination(centre, c.insideBearing, radius * 0.9);
        EXPECT_TRUE(a.containsPoint(in.lat, in.lon)) << c.name;
        if (!std::isnan(c.outsideBearing)) {
            const LatLon out = destination(centre, c.outsideBearing, radius * 0.5);
            EXPECT_FALSE(a.containsPoint(out.lat, out.lon)) << c.name;
        }
        const LatLon beyond = destination(centre, c.insideBearing, radius + 0.1 * kNm);
        EXPECT_FALSE(a.containsPoint(beyond.lat, beyond.lon)) << c.name;
    }
}

TEST(OpenAirReader, ReadsTheGenevaFileWhole) {
    const ReadResult read = test::readAirspaceFixture("geneva.txt");
    EXPECT_EQ(read.airspaces.size(), 11u);
    EXPECT_EQ(read.skippedAirspaces, 0);
    EXPECT_EQ(read.skippedLines, 0);
    EXPECT_FALSE(read.latin1);
    const Airspace* ctr = test::airspaceNamed(read.airspaces, QStringLiteral("GENEVA CTR"));
    ASSERT_TRUE(ctr);
    EXPECT_EQ(ctr->airspaceClass, QStringLiteral("D"));
    EXPECT_EQ(ctr->type, QStringLiteral("CTR"));
    EXPECT_EQ(ctr->frequency, QStringLiteral("118.700"));
    EXPECT_EQ(ctr->callSign, QStringLiteral("Geneva Tower"));
    EXPECT_EQ(ctr->identifier, QStringLiteral("LSGG-CTR"));
    EXPECT_EQ(ctr->lower.text(), QStringLiteral("GND"));
    EXPECT_EQ(ctr->upper.text(), QStringLiteral("4500 ft MSL"));
    EXPECT_EQ(ctr->line, 5);
    EXPECT_TRUE(ctr->containsPoint(46.2381, 6.1089));  // Geneva's runway
    EXPECT_FALSE(ctr->containsPoint(46.5453, 6.6167));  // Lausanne
    const Airspace* sion = test::airspaceNamed(read.airspaces, QStringLiteral("SION CTR"));
    ASSERT_TRUE(sion);
    EXPECT_TRUE(sion->containsPoint(46.2196, 7.3268));
    const Airspace* glider = test::airspaceNamed(read.airspaces, QStringLiteral("JURA GLIDER SECTOR"));
    ASSERT_TRUE(glider);
    EXPECT_EQ(glider->lower, (Limit{1000, Reference::Agl}));
}

TEST(OpenAirReader, ReadsAFileOfFourHundredAirspaces) {
    const ReadResult read = test::readAirspaceFixture("sample-400.txt");
    EXPECT_EQ(read.airspaces.size(), 400u);
    EXPECT_EQ(read.skippedAirspaces, 0);
    EXPECT_EQ(read.skippedLines, 0);
    int withArcs = 0;
    for (const Airspace& a : read.airspaces) {
        ASSERT_GE(a.outline.size(), 3u) << a.name.toStdString();
        EXPECT_FALSE(a.box.empty());
        EXPECT_LE(a.lower.feetAboveSeaLevel(), 24500) << a.name.toStdString();
        if (a.outline.size() > 20) ++withArcs;
        // A point of the outline is on its own box.
        EXPECT_TRUE(a.box.contains(a.outline[0].lat, a.outline[0].lon));
    }
    EXPECT_GT(withArcs, 100);  // circles, sectors and DB arcs: 240 of the 400
    EXPECT_EQ(read.airspaces[0].name, QStringLiteral("W AREA 1"));
    EXPECT_EQ(read.airspaces[399].name, read.airspaces[399].airspaceClass + QStringLiteral(" AREA 400"));
}

TEST(OpenAirReader, ReadsADamagedLatin1FileAsFarAsItGoes) {
    test::LogCapture log;
    const ReadResult read = test::readAirspaceFixture("damaged-latin1.txt");
    EXPECT_TRUE(read.latin1);
    ASSERT_EQ(read.airspaces.size(), 2u);
    EXPECT_EQ(read.airspaces[0].name, QStringLiteral("Z\u00fcrich CTR"));
    EXPECT_EQ(read.airspaces[0].outline.size(), 3u);
    EXPECT_EQ(read.airspaces[1].name, QStringLiteral("UNCLOSED AT THE END"));
    EXPECT_EQ(read.airspaces[1].outline.size(), 4u);  // the last line has no line end
    EXPECT_EQ(read.skippedAirspaces, 5);
    EXPECT_EQ(read.skippedLines, 5);
    for (const char* line : {"damaged-latin1.txt: line 2: AN before any AC; line skipped",
                             "damaged-latin1.txt: line 7: unknown command \"XX\"; line skipped",
                             "damaged-latin1.txt: airspace \"BROKEN POINT\" of line 12 skipped: line 17: point",
                             "damaged-latin1.txt: airspace \"ARC WITHOUT CENTRE\" of line 20 skipped: line 24: DA with no centre",
                             "damaged-latin1.txt: airspace \"NO UPPER LIMIT\" of line 26 skipped: no upper limit",
                             "damaged-latin1.txt: airspace \"BAD LIMIT\" of line 33 skipped: line 36: limit \"lots\"",
                             "damaged-latin1.txt: airspace \"TWO POINTS\" of line 41 skipped: fewer than three points",
                             "damaged-latin1.txt: 2 airspaces read, 5 skipped, 5 lines skipped (read as Latin-1)"})
        EXPECT_TRUE(log.contains(QString::fromUtf8(line))) << line << "\n" << log.lines().join('\n').toStdString();
}

TEST(OpenAirReader, TakesWhatItCanFromFilesThatAreNotOpenAir) {
    // Not OpenAir at all: nothing read, every line skipped, the log stays short.
    QByteArray garbage;
    for (int i = 0; i < 5000; ++i) garbage += "<html><body>" + QByteArray::number(i) + "</body></html>\n";
    test::LogCapture log;
    const ReadResult read = readOpenAir(garbage, QStringLiteral("page.html"));
    EXPECT_TRUE(read.airspaces.empty());
    EXPECT_EQ(read.skippedLines, 5000);
    EXPECT_LE(log.lines().size(), kLoggedInFull + 1);
    // An outline past any real one's size is skipped before it takes the memory.
    QByteArray huge = "AC D\nAN HUGE\nAL GND\nAH FL50\nV X=47:00:00 N 008:00:00 E\n";
    for (int i = 0; i < 1000; ++i) huge += "DC 1000\n";
    const ReadResult hugeRead = readOpenAir(huge, QStringLiteral("huge.txt"));
    EXPECT_TRUE(hugeRead.airspaces.empty());
    EXPECT_EQ(hugeRead.skippedAirspaces, 1);
    // A centre carries over no AC: the second airspace's arc has none.
    const ReadResult centres = readText("AC D\nAN A\nAL GND\nAH FL50\nV X=47:00:00 N 008:00:00 E\nDC 2\n"
                                        "AC D\nAN B\nAL GND\nAH FL50\nDC 2\n");
    EXPECT_EQ(centres.airspaces.size(), 1u);
    EXPECT_EQ(centres.skippedAirspaces, 1);
    // Across the 180th meridian: the outline runs on past 180 and the point test holds on both sides.
    const ReadResult fiji = readText("AC D\nAN F\nAL GND\nAH FL50\nDP 17:00:00 S 179:50:00 E\n"
                                     "DP 17:00:00 S 179:50:00 W\nDP 17:10:00 S 179:50:00 W\nDP 17:10:00 S 179:50:00 E\n");
    ASSERT_EQ(fiji.airspaces.size(), 1u);
    EXPECT_TRUE(fiji.airspaces[0].containsPoint(-17.05, 179.95));
    EXPECT_TRUE(fiji.airspaces[0].containsPoint(-17.05, -179.95));
    EXPECT_FALSE(fiji.airspaces[0].containsPoint(-17.05, 0.0));
}
