// The builder on a handful of real-looking rows per file (tests/data/ourairports-mini), nasty ones
// included: the records it makes, what it leaves out and counts, and the files it writes.

#include "tools/dbbuilder/DatabaseBuilder.h"

#include "platform/plist/KeyedArchive.h"
#include "platform/plist/PropertyList.h"
#include "support/TestSupport.h"
#include "waypoints/NSData_Encryption.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace vantrel::dbbuilder;
using vantrel::platform::DictionaryPtr;
using vantrel::platform::Value;
using vantrel::test::LogCapture;
using vantrel::test::TempDir;

namespace {

const QString kMini = QStringLiteral(VANTREL_TEST_DATA_DIR "/ourairports-mini");

DatabaseContents collect(int stateThreshold, BuildStats* stats = nullptr, const QString& dir = kMini) {
    BuildOptions options;
    options.stateThreshold = stateThreshold;
    DatabaseContents contents;
    QString error;
    EXPECT_TRUE(collectDatabase(dir, options, &contents, stats, &error)) << error.toStdString();
    return contents;
}

const CountryRecords& country(const DatabaseContents& c, const std::string& name) {
    for (const CountryRecords& each : c.countries) {
        if (each.name == name) return each;
    }
    throw std::runtime_error("no country " + name);
}

std::vector<std::string> ids(const CountryRecords& c) {
    std::vector<std::string> out;
    for (const Value& r : *c.records) out.push_back(r.dictionary()->get("waypoint_id").toStdString());
    return out;
}

DictionaryPtr record(const CountryRecords& c, const std::string& id) {
    for (const Value& r : *c.records) {
        if (r.dictionary()->get("waypoint_id").stringView() == id) return r.dictionary();
    }
    throw std::runtime_error("no record " + id);
}

std::vector<std::string> keys(const DictionaryPtr& d) {
    std::vector<std::string> out;
    for (const auto& e : *d) out.emplace_back(e.key.view());
    return out;
}

std::vector<std::string> runwayIds(const DictionaryPtr& d) {
    std::vector<std::string> out;
    for (const Value& r : *d->get("waypoint_runways").array()) out.push_back(r.dictionary()->get("id").toStdString());
    return out;
}

std::string stateOf(const DatabaseContents& c, const DictionaryPtr& d) {
    const Value* state = d->find("waypoint_state");
    return state ? c.states.at(size_t(state->intValue())) : std::string("-");
}

void copyMiniTo(const QString& dir) {
    for (const QString& name : QDir(kMini).entryList(QDir::Files)) {
        QFile::remove(dir + "/" + name);
        QFile::copy(kMini + "/" + name, dir + "/" + name);
    }
}

}  // namespace

TEST(DatabaseBuilder, CountriesWithWaypointsAreNamedAsFilesAndSorted) {
    const DatabaseContents c = collect(5);
    std::vector<std::string> names;
    for (const CountryRecords& each : c.countries) names.push_back(each.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Dot Land", "France", "Isles-Islands of Test", "United Kingdom",
                                               "United States"}));
    // Divided into states (more than 5 waypoints): the records without a state first, then by
    // state name and within a state by identifier.
    EXPECT_EQ(ids(country(c, "United States")),
              (std::vector<std::string>{"KUNA", "KUNK", "PAC", "00CA", "2CA5", "KSFO", "O22", "SFO", "TDM", "KLAS", "LAS"}));
}

TEST(DatabaseBuilder, AirportRecordsCarryFrequencyAndOpenRunways) {
    const DatabaseContents c = collect(5);
    const CountryRecords& us = country(c, "United States");

    const DictionaryPtr sfo = record(us, "KSFO");
    EXPECT_EQ(keys(sfo), (std::vector<std::string>{"waypoint_id", "waypoint_name", "waypoint_latitude",
                                                   "waypoint_longitude", "waypoint_type", "waypoint_state",
                                                   "waypoint_frequency", "waypoint_main_runway_index",
                                                   "waypoint_runways"}));
    EXPECT_EQ(sfo->get("waypoint_name").toStdString(), "San Francisco International Airport");
    EXPECT_EQ(sfo->get("waypoint_latitude"), Value::real(37.61899948120117));
    EXPECT_EQ(sfo->get("waypoint_longitude"), Value::real(-122.375));
    EXPECT_EQ(sfo->get("waypoint_type"), Value::integer(1));
    EXPECT_EQ(stateOf(c, sfo), "California");
    EXPECT_EQ(sfo->get("waypoint_frequency").toStdString(), "120.50");  // the tower, not ATIS or ground
    EXPECT_EQ(runwayIds(sfo), (std::vector<std::string>{"01L/19R", "01R/19L", "10L/28R", "10R/28L"}));
    EXPECT_EQ(sfo->get("waypoint_main_runway_index"), Value::integer(2));

    // The closed runway, though the longest, is neither listed nor main.
    const DictionaryPtr las = record(us, "KLAS");
    EXPECT_EQ(runwayIds(las), (std::vector<std::string>{"01L/19R", "08R/26L"}));
    EXPECT_EQ(las->get("waypoint_main_runway_index").intValue(), 1);
    EXPECT_EQ(las->get("waypoint_frequency").toStdString(), "119.90");

    const DictionaryPtr goldstone = record(us, "00CA");
    EXPECT_EQ(runwayIds(goldstone), (std::vector<std::string>{"N/S", "E/W"}));
    EXPECT_EQ(goldstone->get("waypoint_main_runway_index").intValue(), 0);
    EXPECT_EQ(goldstone->get("waypoint_frequency").toStdString(), "122.90");  // CTAF before UNICOM

    const DictionaryPtr columbia = record(us, "O22");
    EXPECT_EQ(columbia->get("waypoint_name").toStdString(), "Columbia, \"Big\" Field");
    EXPECT_EQ(columbia->get("waypoint_frequency").toStdString(), "122.725");
    EXPECT_EQ(runwayIds(columbia), (std::vector<std::string>{"17/35"}));
    EXPECT_EQ(record(us, "2CA5")->get("waypoint_name").toStdString(), "Lake side Airport");
    EXPECT_FALSE(record(us, "KUNA")->contains("waypoint_runways"));
    EXPECT_FALSE(record(us, "KUNA")->contains("waypoint_frequency"));

    const CountryRecords& fr = country(c, "France");
    EXPECT_EQ(record(fr, "LFPO")->get("waypoint_frequency").toStdString(), "123.50");  // UHF tower skipped
    EXPECT_EQ(record(fr, "LFPG")->get("waypoint_frequency").toStdString(), "118.005");
    EXPECT_EQ(runwayIds(record(fr, "LFPO")), (std::vector<std::string>{"06/24"}));
    EXPECT_EQ(record(country(c, "United Kingdom"), "EGLL")->get("waypoint_frequency").toStdString(), "118.50");
}

TEST(DatabaseBuilder, NavaidRecordsCarryTypeChannelFrequencyAndState) {
    const DatabaseContents c = collect(5);
    const CountryRecords& us = country(c, "United States");

    const DictionaryPtr sfo = record(us, "SFO");
    EXPECT_EQ(keys(sfo), (std::vector<std::string>{"waypoint_id", "waypoint_name", "waypoint_latitude",
                                                   "waypoint_longitude", "waypoint_type", "waypoint_state",
                                                   "waypoint_channel", "waypoint_frequency",
                                                   "waypoint_magnetic_variation"}));
    // The variation the VOR is aligned to (17) rather than the local one (13.5).
    EXPECT_EQ(sfo->get("waypoint_magnetic_variation").doubleValue(), 17.0);
    EXPECT_EQ(sfo->get("waypoint_type").intValue(), 16);
    EXPECT_EQ(sfo->get("waypoint_channel").toStdString(), "105X");
    EXPECT_EQ(sfo->get("waypoint_frequency").toStdString(), "115.80");
    EXPECT_EQ(stateOf(c, sfo), "California");  // its associated airport's

    const DictionaryPtr las = record(us, "LAS");  // no channel in the source, no associated airport
    EXPECT_EQ(las->get("waypoint_type").intValue(), 14);
    EXPECT_EQ(las->get("waypoint_channel").toStdString(), "116X");
    EXPECT_EQ(stateOf(c, las), "Nevada");

    const DictionaryPtr dme = record(us, "TDM");
    EXPECT_EQ(dme->get("waypoint_type").intValue(), 10);
    EXPECT_EQ(dme->get("waypoint_channel").toStdString(), "017Y");
    EXPECT_EQ(dme->get("waypoint_frequency").toStdString(), "108.05");

    const DictionaryPtr ocean = record(us, "PAC");  // far from every airport
    EXPECT_EQ(ocean->get("waypoint_name").toStdString(), "Pacific, \"Mid-Ocean\"");
    EXPECT_EQ(ocean->get("waypoint_frequency").toStdString(), "362");
    EXPECT_EQ(stateOf(c, ocean), "-");

    const CountryRecords& fr = country(c, "France");
    EXPECT_EQ(record(fr, "OL")->get("waypoint_frequency").toStdString(), "415.5");
    EXPECT_FALSE(record(fr, "OL")->contains("waypoint_channel"));
    EXPECT_EQ(record(fr, "MLN")->get("waypoint_type").intValue(), 13);
    EXPECT_EQ(record(fr, "MLN")->get("waypoint_channel").toStdString(), "034X");
    EXPECT_EQ(record(fr, "MLN")->get("waypoint_frequency").toStdString(), "250");
    EXPECT_EQ(record(fr, "PGS")->get("waypoint_frequency").toStdString(), "117.20");
    EXPECT_FALSE(record(country(c, "United Kingdom"), "BRK")->contains("waypoint_frequency"));  // given as -1
    // Only the local variation given; a damaged aligned one falls back to the local one.
    EXPECT_EQ(record(fr, "PGS")->get("waypoint_magnetic_variation").doubleValue(), 0.8);
    EXPECT_EQ(record(country(c, "United Kingdom"), "BRK")->get("waypoint_magnetic_variation").doubleValue(), -1.5);
    EXPECT_FALSE(las->contains("waypoint_magnetic_variation"));
}

TEST(DatabaseBuilder, OnlyCountriesAboveTheThresholdAreDividedIntoStates) {
    const DatabaseContents c = collect(5);  // United States 11 waypoints, France exactly 5
    EXPECT_EQ(c.states, (std::vector<std::string>{"California", "Nevada"}));
    for (const Value& r : *country(c, "France").records) EXPECT_FALSE(r.dictionary()->contains("waypoint_state"));
    const CountryRecords& us = country(c, "United States");
    EXPECT_EQ(stateOf(c, record(us, "KUNA")), "-");  // unassigned region
    EXPECT_EQ(stateOf(c, record(us, "KUNK")), "-");  // region not in regions.csv

    const DatabaseContents lower = collect(4);
    EXPECT_EQ(lower.states, (std::vector<std::string>{"California", "Nevada", "Île-de-France"}));  // byte order
    EXPECT_EQ(stateOf(lower, record(country(lower, "France"), "OL")), "Île-de-France");

    EXPECT_TRUE(collect(BuildOptions().stateThreshold).states.empty());
}

TEST(DatabaseBuilder, LeftOutAndSkippedRowsAreCountedAndLoggedOncePerFile) {
    LogCapture log;
    BuildStats stats;
    const DatabaseContents c = collect(5, &stats);

    EXPECT_EQ(stats.waypoints, 20);
    EXPECT_EQ(stats.waypointsByType, (std::map<int, int>{{1, 12}, {10, 1}, {11, 2}, {12, 2}, {13, 1}, {14, 1}, {16, 1}}));
    EXPECT_EQ(stats.airportsLeftOut, 2);  // the heliport and the closed field
    EXPECT_EQ(stats.closedRunwaysLeftOut, 1);
    EXPECT_EQ(stats.runways, 11);
    EXPECT_EQ(stats.airportsWithFrequency, 7);
    EXPECT_EQ(stats.navaidsPlacedByNearestAirport, 2);
    EXPECT_EQ(stats.skippedRowsByFile, (std::map<QString, int>{{"airports.csv", 6}, {"navaids.csv", 2}, {"runways.csv", 2},
                                                               {"airport-frequencies.csv", 1}, {"countries.csv", 0},
                                                               {"regions.csv", 0}}));
    EXPECT_EQ(stats.skippedRows, 11);
    EXPECT_EQ(stats.countries, 5);
    EXPECT_EQ(stats.dividedCountries, 1);
    EXPECT_EQ(stats.states, 2);
    EXPECT_EQ(stats.largestCountry, "United States");
    EXPECT_EQ(stats.largestCountryWaypoints, 11);

    for (const char* gone : {"00A", "01X", "KBAD", "KOUT", "KBRK", "KNIL", "GRB"}) {
        for (const CountryRecords& each : c.countries) {
            const auto list = ids(each);
            EXPECT_EQ(std::find(list.begin(), list.end(), gone), list.end()) << gone;
        }
    }
    EXPECT_EQ(log.lines().filter(".csv: ").size(), 6);
    EXPECT_TRUE(log.contains("airports.csv: 20 rows, 6 skipped (1 bad coordinates, 1 broken row, 1 coordinates out of "
                             "range, 1 empty ident, 1 no position (0, 0), 1 unknown country; first at line 12)"));
}

TEST(DatabaseBuilder, SameInputGivesTheSameRecords) {
    const DatabaseContents a = collect(5);
    const DatabaseContents b = collect(5);
    ASSERT_EQ(a.countries.size(), b.countries.size());
    for (size_t i = 0; i < a.countries.size(); ++i) {
        EXPECT_EQ(a.countries[i].name, b.countries[i].name);
        EXPECT_EQ(Value(a.countries[i].records), Value(b.countries[i].records));
    }
    EXPECT_EQ(a.states, b.states);
}

TEST(DatabaseBuilder, MissingFilesOrColumnsOrWaypointsFailWithTheReason) {
    TempDir dir;
    copyMiniTo(dir.path());
    QFile::remove(dir.file("navaids.csv"));
    DatabaseContents contents;
    QString error;
    EXPECT_FALSE(collectDatabase(dir.path(), {}, &contents, nullptr, &error));
    EXPECT_TRUE(error.contains("navaids.csv")) << error.toStdString();

    copyMiniTo(dir.path());
    QFile airports(dir.file("airports.csv"));
    ASSERT_TRUE(airports.open(QIODevice::WriteOnly | QIODevice::Truncate));
    airports.write("ident,type,name,longitude_deg,iso_country,iso_region\n");
    airports.close();
    EXPECT_FALSE(collectDatabase(dir.path(), {}, &contents, nullptr, &error));
    EXPECT_TRUE(error.contains("latitude_deg")) << error.toStdString();

    // Only a header in every table: nothing to build, and an existing database stays.
    copyMiniTo(dir.path());
    for (const QString& name : QDir(dir.path()).entryList({"*.csv"})) {
        QFile f(dir.file(name));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const QByteArray header = f.readLine();
        f.resize(0);
        f.seek(0);
        f.write(header);
    }
    TempDir out;
    QFile old(out.file("France.ewpts"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old database");
    old.close();
    EXPECT_FALSE(buildDatabase(dir.path(), out.path(), nullptr, &error));
    EXPECT_TRUE(error.contains("no waypoint")) << error.toStdString();
    EXPECT_TRUE(QFile::exists(out.file("France.ewpts")));
}

TEST(DatabaseBuilder, BuildWritesReadableFilesAndRemovesStaleCountries) {
    TempDir root;
    const QString out = root.file("bundle/database");
    ASSERT_TRUE(QDir().mkpath(out));
    for (const char* name : {"Atlantis.ewpts", "France.ewpts", "notes.txt"}) {
        QFile f(out + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("from an earlier build");
    }

    BuildOptions options;
    options.stateThreshold = 5;
    BuildStats stats;
    QString error;
    ASSERT_TRUE(buildDatabase(kMini, out, &stats, &error, options)) << error.toStdString();
    EXPECT_EQ(stats.staleFilesRemoved, 1);
    EXPECT_GE(stats.elapsedMs, 0);
    EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name),
              (QStringList{"Dot Land.ewpts", "France.ewpts", "Isles-Islands of Test.ewpts", "United Kingdom.ewpts",
                           "United States.ewpts", "notes.txt", "states.plist"}));

    const DatabaseContents expected = collect(5);
    for (const CountryRecords& each : expected.countries) {
        bool ok = false;
        const QByteArray payload =
            vantrel::waypoints::dataWithContentsOfEncryptedFile(out + "/" + QString::fromStdString(each.name) + ".ewpts", &ok);
        ASSERT_TRUE(ok) << each.name;
        QString reason;
        EXPECT_EQ(vantrel::platform::KeyedArchive::unarchive(payload, &reason), Value(each.records))
            << each.name << " " << reason.toStdString();
    }
    const Value states = vantrel::platform::plist::readFile(out + "/states.plist");
    ASSERT_TRUE(states.isArray());
    std::vector<std::string> names;
    for (const Value& s : *states.array()) names.push_back(s.toStdString());
    EXPECT_EQ(names, expected.states);
}

TEST(DatabaseBuilder, UnwritableTargetFails) {
    TempDir root;
    QFile blocker(root.file("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    EXPECT_FALSE(buildDatabase(kMini, root.file("file/database"), nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
}

// States sort as a pilot reads them, accents and case aside ("Île-de-France" among the I's, not
// after "Zürich"), so that the app's tree, which keeps them in the order of their first records,
// lists them alphabetically; within a state the identifiers are in order.
TEST(DatabaseBuilder, RecordsGoByStateAlphabeticallyThenByIdentifier) {
    SourceTables tables;
    tables.countryNames = {{"XX", "Testland"}};
    tables.regionNames = {{"XX-Z", "Zürich"}, {"XX-I", "Île-de-France"}, {"XX-A", "aargau"}, {"XX-B", "Bern"}};
    auto airport = [](const char* id, const char* region) {
        Airport a;
        a.ident = id;
        a.name = id;
        a.countryCode = "XX";
        a.regionCode = region;
        a.listed = true;
        return a;
    };
    tables.airports = {airport("Z2", "XX-Z"), airport("I9", "XX-I"), airport("B1", "XX-B"), airport("Z1", "XX-Z"),
                       airport("I1", "XX-I"), airport("A5", "XX-A"), airport("N1", "")};
    BuildOptions options;
    options.stateThreshold = 3;
    const DatabaseContents c = compileDatabase(tables, options, nullptr);
    EXPECT_EQ(ids(country(c, "Testland")), (std::vector<std::string>{"N1", "A5", "B1", "I1", "I9", "Z1", "Z2"}));
}
