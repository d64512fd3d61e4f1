// The declutter pass: a label that overlaps one kept before it, in priority order, is dropped.

#include "basemap/LabelPlacer.h"

#include <gtest/gtest.h>

using vantrel::basemap::LabelPlacer;
namespace priority = vantrel::basemap::labelPriority;

TEST(LabelPlacer, KeepsByPriorityAndDropsOverlaps) {
    struct Case {
        const char* what;
        std::vector<std::pair<QRectF, int>> labels;
        std::vector<QRectF> reserved;
        std::vector<bool> kept;
    };
    const QRectF a(0, 0, 40, 12);
    const Case cases[] = {
        {"apart, both kept", {{a, priority::kTown}, {a.translated(50, 0), priority::kTown}}, {}, {true, true}},
        {"touching edges are no overlap", {{a, priority::kTown}, {a.translated(40, 0), priority::kTown}}, {}, {true, true}},
        {"the pointed-to beats an airport added first", {{a, priority::kAirport}, {a.translated(10, 5), priority::kPointedTo}}, {}, {false, true}},
        {"an airport beats a navaid beats a town",
         {{a.translated(20, 0), priority::kTown}, {a.translated(10, 0), priority::kNavaid}, {a, priority::kAirport}},
         {},
         {false, false, true}},
        {"equal priority: the first added", {{a, priority::kNavaid}, {a.translated(5, 5), priority::kNavaid}}, {}, {true, false}},
        {"a dropped label blocks nothing",
         {{a, priority::kPointedTo}, {a.translated(30, 0), priority::kAirport}, {a.translated(60, 0), priority::kTown}},
         {},
         {true, false, true}},
        {"reserved areas take nothing", {{a, priority::kPointedTo}, {a.translated(100, 0), priority::kTown}}, {QRectF(0, 0, 5, 5)}, {false, true}},
        {"far apart in the grid, across cell borders",
         {{QRectF(47, 47, 10, 10), priority::kTown}, {QRectF(-300, -300, 10, 10), priority::kTown}, {QRectF(50, 50, 2, 2), priority::kTown}},
         {},
         {true, true, false}},
        {"no number is never kept", {{QRectF(0, 0, qQNaN(), 5), priority::kPointedTo}, {a, priority::kTown}}, {}, {false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LabelPlacer placer;
        for (const QRectF& r : c.reserved) placer.reserve(r);
        std::vector<int> handles;
        for (const auto& [box, p] : c.labels) handles.push_back(placer.add(box, p));
        placer.place();
        for (size_t i = 0; i < handles.size(); ++i) EXPECT_EQ(placer.placed(handles[i]), c.kept[i]) << "label " << i;
    }
}

// Many labels on one spot, as waypoints round an airport at the smallest scale: one is kept, and
// each kept one overlaps no other kept one.
TEST(LabelPlacer, ACrowdKeepsNoOverlaps) {
    LabelPlacer placer;
    std::vector<QRectF> boxes;
    for (int i = 0; i < 400; ++i) {
        boxes.push_back(QRectF((i * 37) % 300, (i * 53) % 300, 30 + i % 20, 12));
        placer.add(boxes.back(), i % 7 == 0 ? priority::kAirport : priority::kTown + i % 10);
    }
    placer.place();
    EXPECT_GT(placer.placedCount(), 20u);
    EXPECT_LT(placer.placedCount(), 400u);
    for (int i = 0; i < 400; ++i)
        for (int j = i + 1; j < 400; ++j)
            if (placer.placed(i) && placer.placed(j)) {
                ASSERT_FALSE(boxes[size_t(i)].intersects(boxes[size_t(j)])) << i << " " << j;
            }
}

// A label with other places takes the first that is free, placed twice over the same labels
// (as every frame does) with the same outcome; one with no free place is dropped at its first box.
TEST(LabelPlacer, ALabelTakesTheFirstFreeOfItsPlaces) {
    LabelPlacer placer;
    const QRectF below(0, 20, 40, 12), above(0, -12, 40, 12), right(50, 0, 40, 12);
    placer.add(below, priority::kPointedTo);                        // takes the first place
    const QRectF heightPlaces[] = {below, above, right}, otherPlaces[] = {below, above};
    const int height = placer.add(heightPlaces, priority::kTraffic);  // moves above
    const int other = placer.add(otherPlaces, priority::kTraffic + 1);  // nowhere left
    const int last = placer.add(right, priority::kOtherWaypoint);              // free still
    for (int pass = 0; pass < 2; ++pass) {
        placer.place();
        EXPECT_TRUE(placer.placed(height));
        EXPECT_EQ(placer.box(height), above);
        EXPECT_FALSE(placer.placed(other));
        EXPECT_EQ(placer.box(other), below);
        EXPECT_TRUE(placer.placed(last));
    }
}
