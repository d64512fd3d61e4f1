// The target list (ages, addresses that change type, floods) and the alert rules and texts.

#include "traffic/TrafficAlerts.h"
#include "traffic/TrafficList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace vantrel::traffic {
namespace {

Target flarmTarget(uint32_t address, double north, double east, AlarmLevel alarm = AlarmLevel::None) {
    Target t;
    t.id = {TrafficOrigin::Flarm, address};
    t.addressType = AddressType::Flarm;
    t.north = north;
    t.east = east;
    t.distance = std::hypot(north, east);
    t.alarm = alarm;
    return t;
}

TEST(TrafficList, AgesRefusesChangedAddressTypesAndSurvivesFloods) {
    TrafficList list;
    EXPECT_EQ(list.update(flarmTarget(1, 100, 0), 0.0), TrafficList::Update::Added);
    EXPECT_EQ(list.update(flarmTarget(2, 200, 0), 0.0), TrafficList::Update::Added);
    EXPECT_EQ(list.update(flarmTarget(1, 90, 0), 5.0), TrafficList::Update::Updated);
    Target asIcao = flarmTarget(1, 80, 0);
    asIcao.addressType = AddressType::Icao;
    EXPECT_EQ(list.update(asIcao, 6.0), TrafficList::Update::AddressTypeChanged);
    EXPECT_DOUBLE_EQ(list.find({TrafficOrigin::Flarm, 1})->north, 90);  // the damaged report changed nothing
    EXPECT_DOUBLE_EQ(list.find({TrafficOrigin::Flarm, 1})->age(7.5), 2.5);
    // The same address from the other receiver kind is another target.
    Target gdl = flarmTarget(1, 50, 0);
    gdl.id.origin = TrafficOrigin::Gdl90;
    EXPECT_EQ(list.update(gdl, 6.0), TrafficList::Update::Added);

    EXPECT_EQ(list.expire(9.99), 0u);
    EXPECT_EQ(list.expire(10.0), 1u);  // target 2, last heard at 0
    EXPECT_EQ(list.find({TrafficOrigin::Flarm, 2}), nullptr);
    EXPECT_EQ(list.expire(15.0), 1u);
    EXPECT_EQ(list.expire(16.0), 1u);
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.update(asIcao, 16.0), TrafficList::Update::Added);  // gone, it may come back as another type

    // A flood of 700 targets, the farthest first: the 500 nearest stay; an alarming one always gets in
    // and is never pushed out by a quiet one.
    list.clear();
    for (uint32_t i = 0; i < 700; ++i) list.update(flarmTarget(1000 + i, 80000.0 - i * 100.0, 0), 1.0);
    EXPECT_EQ(list.size(), TrafficList::kMostTargets);
    for (const Target& t : list.targets()) EXPECT_LE(t.distance, 80000.0 - 200 * 100.0) << t.id.address;
    EXPECT_EQ(list.update(flarmTarget(5, 99000, 0, AlarmLevel::Low), 1.0), TrafficList::Update::Added);
    EXPECT_EQ(list.update(flarmTarget(6, 99500, 0), 1.0), TrafficList::Update::ListFull);
    list.clear();
    for (uint32_t i = 0; i < 500; ++i) list.update(flarmTarget(i, 1000 + i, 0, AlarmLevel::Low), 1.0);
    EXPECT_EQ(list.update(flarmTarget(9999, 10, 0), 1.0), TrafficList::Update::ListFull);
    // Every target is found again through the index after the swaps of removals.
    for (const Target& t : list.targets()) EXPECT_EQ(list.find(t.id), &t);
}

// The address index against a plain map, through thousands of arrivals, refusals, removals and
// clears on a full list. Addresses that share their first slot (a block of nearby numbers,
// both origins) make long probe runs, so removing from the middle of a run is exercised.
TEST(TrafficList, IndexAgreesWithAMapThroughArrivalsAndRemovals) {
    TrafficList list;
    std::map<std::pair<int, uint32_t>, double> expected;  // (origin, address) -> north of its last update
    uint64_t seed = 12345;
    const auto next = [&seed] { return (seed = seed * 6364136223846793005u + 1442695040888963407u) >> 33; };
    double now = 0.0;
    int fullArrivals = 0;
    for (int round = 0; round < 20000; ++round) {
        now += 0.01;
        const auto origin = next() % 2 ? TrafficOrigin::Gdl90 : TrafficOrigin::Flarm;
        const uint32_t address = uint32_t(next() % 900) * (round % 3 == 0 ? 1u : 0x1001u) & 0xFFFFFF;
        Target t = flarmTarget(address, double(next() % 90000), 0.0, next() % 40 == 0 ? AlarmLevel::Low : AlarmLevel::None);
        t.id.origin = origin;
        const std::pair<int, uint32_t> k{int(origin), address};
        const bool known = expected.count(k) > 0;
        const size_t before = list.size();
        const TrafficList::Update u = list.update(t, now);
        ASSERT_EQ(u == TrafficList::Update::Updated, known) << round;
        if (u == TrafficList::Update::Added && before == list.size()) {
            // Full: the farthest quiet one went; find which by the list itself.
            ++fullArrivals;
            for (auto it = expected.begin(); it != expected.end();)
                it = list.find({TrafficOrigin(it->first.first), it->first.second}) ? std::next(it) : expected.erase(it);
        }
        if (u == TrafficList::Update::Added || u == TrafficList::Update::Updated) expected[k] = t.north;
        if (round % 997 == 0) {
            list.expire(now - 3.0 + TrafficList::kTargetLifetime);
            for (auto it = expected.begin(); it != expected.end();)
                it = list.find({TrafficOrigin(it->first.first), it->first.second}) ? std::next(it) : expected.erase(it);
        }
        if (round == 15000) {
            list.clear();
            expected.clear();
        }
        ASSERT_EQ(list.size(), expected.size()) << round;
    }
    EXPECT_GT(fullArrivals, 100);  // the full list's replacements were exercised
    for (const auto& [k, north] : expected) {
        const Target* found = list.find({TrafficOrigin(k.first), k.second});
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->north, north);
    }
    for (const Target& t : list.targets()) EXPECT_EQ(list.find(t.id), &t);
    EXPECT_EQ(list.find({TrafficOrigin::Flarm, 0xFFFFFF}), nullptr);
}

TEST(TrafficAlerts, TextsInThePilotsUnitsLoudestFirst) {
    const AlertUnits nautical;  // nm, ft
    const AlertUnits metric{1000.0, QStringLiteral("km"), 1.0, QStringLiteral("m")};
    struct Case {
        double north, east, vertical, ownTrack;
        const AlertUnits& units;
        const char* text;
    };
    const double r = 0.4 * 1852.0;
    const Case cases[] = {
        {r * std::cos(60 * M_PI / 180), r * std::sin(60 * M_PI / 180), 300 / 3.278, 0.0, nautical,
         "Traffic 2 o'clock, 300 ft above, 0.4 nm"},
        // The same place seen on a track of 090: ahead and a little left.
        {r * std::cos(60 * M_PI / 180), r * std::sin(60 * M_PI / 180), 300 / 3.278, 90.0, nautical,
         "Traffic 11 o'clock, 300 ft above, 0.4 nm"},
        {-500, 0, -1200 / 3.278, 0.0, nautical, "Traffic 6 o'clock, 1200 ft below, 0.3 nm"},
        {-500, 0, -1200 / 3.278, 180.0, nautical, "Traffic 12 o'clock, 1200 ft below, 0.3 nm"},
        {0, -1000, 10, 350.0, nautical, "Traffic 9 o'clock, same height, 0.5 nm"},     // 33 ft rounds to 0
        {0, -1000, 20, NAN, nautical, "Traffic 9 o'clock, 100 ft above, 0.5 nm"},       // no track: north up
        {100, 100, NAN, 0.0, nautical, "Traffic 2 o'clock, 0.1 nm"},                    // 45 degrees: between 1 and 2
        {1500, 2000, -87, 0.0, metric, "Traffic 2 o'clock, 90 m below, 2.5 km"},
        {NAN, NAN, 150, 0.0, metric, "Traffic, 150 m above"},                          // neither bearing nor distance
    };
    for (const Case& c : cases) {
        Target t = flarmTarget(7, c.north, c.east, AlarmLevel::Low);
        t.vertical = c.vertical;
        if (!std::isfinite(c.north)) t.distance = NAN;
        EXPECT_EQ(alertFor(t, c.ownTrack, c.units).text, QString::fromUtf8(c.text));
    }
    EXPECT_EQ(clockPosition(-15.0), 12);
    EXPECT_EQ(clockPosition(-16.0), 11);
    EXPECT_EQ(clockPosition(345.1), 12);
    EXPECT_EQ(clockPosition(75.0 + 360.0 * 3), 3);

    // GDL90 targets alert within 0.5 NM and 500 ft (unknown height counts as close); FLARM ones at
    // their own level, whatever the distance.
    auto gdl = [](uint32_t address, double north, double vertical) {
        Target t = flarmTarget(address, north, 0);
        t.id.origin = TrafficOrigin::Gdl90;
        t.vertical = vertical;
        return t;
    };
    std::vector<Target> targets = {
        gdl(1, 920, 150),            // in: 0.497 NM, 492 ft
        gdl(2, 930, 0),              // out: beyond 0.5 NM
        gdl(3, 100, 160),            // out: 525 ft above
        gdl(4, 300, NAN),            // in: height unknown
        flarmTarget(5, 5000, 0, AlarmLevel::Urgent),
        flarmTarget(6, 50, 0, AlarmLevel::None),
        flarmTarget(7, 2000, 0, AlarmLevel::Low),
        flarmTarget(8, 1000, 0, AlarmLevel::Urgent),
    };
    std::vector<TrafficAlert> alerts = trafficAlerts(targets, 0.0, nautical);
    std::vector<uint32_t> order;
    for (const TrafficAlert& a : alerts) order.push_back(a.id.address);
    EXPECT_EQ(order, (std::vector<uint32_t>{8, 5, 4, 1, 7}));
    EXPECT_EQ(alerts[2].level, AlarmLevel::Important);
    EXPECT_EQ(alerts[2].text, QStringLiteral("Traffic 12 o'clock, 0.2 nm"));
}

// Alerts made with the ones before read exactly as alerts made afresh, while targets move across
// tenths of the unit (through the halfway points, where the rounding is closest), change clock
// and height, and the units change.
TEST(TrafficAlerts, TextsKeptFromBeforeReadAsIfMadeAfresh) {
    const AlertUnits nautical{};
    const AlertUnits metric{1000.0, QStringLiteral("km"), 1.0, QStringLiteral("m")};
    std::vector<Target> targets;
    for (uint32_t i = 0; i < 12; ++i) targets.push_back(flarmTarget(100 + i, 100.0 + i * 370.0, i * 50.0, AlarmLevel::Low));
    targets.push_back(flarmTarget(200, 0.25 * 1852.0, 0.0, AlarmLevel::Urgent));  // exactly halfway: 0.25 nm
    targets.push_back(flarmTarget(201, 0.15 * 1000.0, 0.0, AlarmLevel::Urgent));  // 0.15 km, not exact in binary
    std::vector<TrafficAlert> previous;
    int kept = 0;
    for (int step = 0; step < 400; ++step) {
        const AlertUnits& units = step < 300 ? nautical : metric;
        for (size_t i = 0; i < targets.size(); ++i) {
            Target& t = targets[i];
            if (i < 12) {
                t.north += 3.7 + double(i);  // crosses many tenths of a mile, and halfway points
                t.east -= 1.3 * double(i);
                t.distance = std::hypot(t.north, t.east);
                t.vertical = (step % 50) * 4.0 - 90.0 + double(i);  // through "same height", above and below
            }
        }
        const double track = step % 40 < 20 ? 10.0 : NAN;
        const std::vector<TrafficAlert> fresh = trafficAlerts(targets, track, units);
        const bool sameUnits = step != 300;
        std::vector<TrafficAlert> alerts = trafficAlerts(targets, track, units, sameUnits ? &previous : nullptr);
        ASSERT_EQ(alerts.size(), fresh.size());
        for (size_t i = 0; i < alerts.size(); ++i) {
            ASSERT_EQ(alerts[i].text, fresh[i].text) << step << " " << alerts[i].id.address;
            if (!previous.empty() && previous[i].text.constData() == alerts[i].text.constData()) ++kept;
        }
        previous = std::move(alerts);
    }
    EXPECT_GT(kept, 1000);  // most texts were kept, not made again
}

}  // namespace
}  // namespace vantrel::traffic
