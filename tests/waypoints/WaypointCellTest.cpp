// The waypoint cell's texts and symbol for the kinds of records the pane lists, its eight
// subviews at their places, and the seven type symbols as they land on the image.

#include "waypoints/WaypointCell.h"

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Style.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace vantrel;
using platform::Value;
using waypoints::WaypointCell;
using waypoints::WaypointTypes;

namespace {

Value record(std::initializer_list<std::pair<const char*, Value>> entries) {
    auto d = platform::Dictionary::create();
    for (const auto& [key, value] : entries) d->set(key, value);
    return Value(d);
}

struct Shown {
    QString name, type, frequency, channel;
    bool hasSymbol;
};

Shown show(WaypointCell& cell, const Value& r) {
    cell.updateWithWaypoint(r, WaypointTypes::table());
    return {cell.name()->text(), cell.type()->text(), cell.frequency()->text(), cell.channel()->text(),
            !cell.icon()->image().isNull()};
}

// The share of a symbol's pixels in the instruments' orange, and whether a point is orange.
bool orangeAt(const QImage& image, double x, double y) {
    const qreal scale = image.devicePixelRatio();
    QColor c = image.pixelColor(int(x * scale), int(y * scale));
    QColor o = platform::ui::style::orange();
    return c.alpha() > 128 && std::abs(c.red() - o.red()) < 30 && std::abs(c.green() - o.green()) < 30 &&
           c.blue() < 60;
}

}  // namespace

TEST(WaypointCell, ShowsTheRecordsTextsAndTheSymbolOfItsType) {
    WaypointCell::cacheSymbols();
    WaypointCell cell(QStringLiteral("waypointCell"));

    Shown vor = show(cell, record({{"waypoint_id", Value("ABC")}, {"waypoint_name", Value("Alpha")},
                                   {"waypoint_type", Value::integer(12)}, {"waypoint_frequency", Value("114.85")},
                                   {"waypoint_channel", Value("095X")}}));
    EXPECT_EQ(vor.name, "ABC, Alpha");
    EXPECT_EQ(vor.type, "VOR");
    EXPECT_EQ(vor.frequency, "114.85");
    EXPECT_EQ(vor.channel, "095X");
    EXPECT_TRUE(vor.hasSymbol);
    EXPECT_EQ(cell.icon()->image().cacheKey(), WaypointCell::imageForType(12).cacheKey());
    EXPECT_TRUE(cell.name()->font().bold());
    EXPECT_EQ(cell.name()->palette().color(QPalette::WindowText), platform::ui::style::orange());

    // A reused cell shows the next record only: NDB/DME has a name but no symbol.
    Shown ndbDme = show(cell, record({{"waypoint_id", Value("ND")}, {"waypoint_name", Value("Nd")},
                                      {"waypoint_type", Value("13")}}));
    EXPECT_EQ(ndbDme.type, "NDB/DME");
    EXPECT_FALSE(ndbDme.hasSymbol);
    EXPECT_EQ(ndbDme.frequency, "-");
    EXPECT_EQ(ndbDme.channel, "-");

    // Codes 2 to 9, and codes outside the table, have neither a symbol nor a name.
    for (int code : {0, 2, 9, 17, -1}) {
        Shown odd = show(cell, record({{"waypoint_id", Value("Q")}, {"waypoint_type", Value::integer(code)}}));
        EXPECT_EQ(odd.hasSymbol, false) << code;
        EXPECT_EQ(odd.type, code == 0 ? "Unknown" : "") << code;
        EXPECT_EQ(odd.name, "Q");  // no stray comma without a name
    }
    // A frequency stored as a number shows as the number.
    EXPECT_EQ(show(cell, record({{"waypoint_frequency", Value::real(375)}})).frequency, "375");
}

TEST(WaypointCell, TenSubviewsAtTheirPlacesWithTheFixedCaptions) {
    WaypointCell cell(QStringLiteral("waypointCell"));
    EXPECT_EQ(cell.icon()->geometry(), QRect(4, 17, 24, 24));
    EXPECT_EQ(cell.name()->geometry(), QRect(44, 2, 260, 21));
    EXPECT_EQ(cell.country()->geometry(), QRect(44, 22, 246, 16));
    EXPECT_EQ(cell.distance()->geometry(), QRect(186, 22, 104, 16));
    EXPECT_EQ(cell.typeLabel()->geometry(), QRect(44, 39, 32, 16));
    EXPECT_EQ(cell.type()->geometry(), QRect(76, 39, 66, 16));
    EXPECT_EQ(cell.frequencyLabel()->geometry(), QRect(144, 39, 32, 16));
    EXPECT_EQ(cell.frequency()->geometry(), QRect(176, 39, 54, 16));
    EXPECT_EQ(cell.channelLabel()->geometry(), QRect(234, 39, 22, 16));
    EXPECT_EQ(cell.channel()->geometry(), QRect(256, 39, 34, 16));
    EXPECT_EQ(cell.typeLabel()->text(), "Type");
    EXPECT_EQ(cell.frequencyLabel()->text(), "Freq.");
    EXPECT_EQ(cell.channelLabel()->text(), "Ch.");
    for (QWidget* w : {static_cast<QWidget*>(cell.icon()), static_cast<QWidget*>(cell.channel()),
                       static_cast<QWidget*>(cell.country())})
        EXPECT_EQ(w->parentWidget(), cell.contentView());
}

TEST(WaypointCell, SymbolsAreTheChartSymbolsInOrange) {
    WaypointCell::cacheSymbols();
    auto image = [](int code) { return WaypointCell::imageForType(code).toImage(); };
    for (int code : {1, 10, 11, 12, 14, 15, 16}) {
        ASSERT_FALSE(image(code).isNull()) << code;
        EXPECT_EQ(WaypointCell::imageForType(code).deviceIndependentSize(), QSizeF(24, 24)) << code;
    }
    for (int code : {0, 13, 2, 16 + 1}) EXPECT_TRUE(WaypointCell::imageForType(code).isNull()) << code;

    // Airport: the runway runs north-south through the circle, with sky on either side of it.
    EXPECT_TRUE(orangeAt(image(1), 12, 2.5));
    EXPECT_TRUE(orangeAt(image(1), 12, 21.5));
    EXPECT_TRUE(orangeAt(image(1), 5, 12));        // the circle
    EXPECT_FALSE(orangeAt(image(1), 8, 12));       // inside it
    // VOR: the station dot within the hexagon, whose flat top is clear of the corners.
    EXPECT_TRUE(orangeAt(image(12), 12, 12));
    EXPECT_TRUE(orangeAt(image(12), 12, 4.2));
    EXPECT_FALSE(orangeAt(image(12), 7, 12));
    // VOR/DME: the hexagon inside the DME frame; DME alone: the square and its dot.
    EXPECT_TRUE(orangeAt(image(14), 1.5, 12));
    EXPECT_FALSE(orangeAt(image(12), 1.5, 12));
    EXPECT_TRUE(orangeAt(image(10), 4, 12));
    EXPECT_TRUE(orangeAt(image(10), 12, 12));
    EXPECT_FALSE(orangeAt(image(10), 8, 8));
    // NDB: the dot, then clear space, then the ring of dots.
    EXPECT_TRUE(orangeAt(image(11), 12, 12));
    EXPECT_FALSE(orangeAt(image(11), 12 + 3.6, 12));
    EXPECT_TRUE(orangeAt(image(11), 12 + 5.2, 12));
    // VORTAC and TACAN share the blocks; only the VORTAC has the hexagon's dot.
    EXPECT_TRUE(orangeAt(image(16), 12, 13));
    EXPECT_FALSE(orangeAt(image(15), 12, 13));
    EXPECT_NE(image(15), image(16));
}

// A long name ends in "…" within its line, and before the checkmark of the chosen row; the
// widest frequencies, with three decimals, fit their column.
TEST(WaypointCell, LongNamesAreElidedBeforeTheCheckmarkAndFrequenciesFit) {
    WaypointCell cell(QStringLiteral("waypointCell"));
    cell.resize(320, WaypointCell::kRowHeight);
    cell.updateWithWaypoint(record({{"waypoint_id", Value("LSGG")}, {"waypoint_name", Value("Geneva Cointrin International Airport")},
                                    {"waypoint_type", Value::integer(1)}, {"waypoint_frequency", Value("118.375")}}),
                            WaypointTypes::table());
    platform::ui::Label* name = cell.name();
    EXPECT_EQ(name->geometry(), QRect(44, 2, 260, 21));
    EXPECT_TRUE(name->shownText().endsWith(QChar(0x2026))) << name->shownText().toStdString();
    EXPECT_LE(name->fontMetrics().horizontalAdvance(name->shownText()), name->width());

    cell.setAccessoryType(platform::ui::TableViewCellAccessoryType::Checkmark);
    EXPECT_LE(name->geometry().right() + 1, 290) << "the checkmark is drawn from x = 296 on";
    EXPECT_LE(name->fontMetrics().horizontalAdvance(name->shownText()), name->width());
    cell.setAccessoryType(platform::ui::TableViewCellAccessoryType::None);
    EXPECT_EQ(name->width(), 260);

    // The widest values of each column fit it, end before the next caption, and the last column
    // ends before the checkmark ("104Y" was drawn under it, "118.625" ran into "Ch.").
    cell.setAccessoryType(platform::ui::TableViewCellAccessoryType::Checkmark);
    struct Column {
        platform::ui::Label* value;
        int nextLeft;
        std::vector<const char*> widest;
    };
    const Column columns[] = {{cell.type(), cell.frequencyLabel()->x(), {"VOR/DME", "NDB/DME", "VORTAC", "Unknown"}},
                              {cell.frequency(), cell.channelLabel()->x(), {"118.625", "118.375", "122.155", "108.000"}},
                              {cell.channel(), WaypointCell::kLabelsRight, {"104Y", "126X", "117Y"}},
                              {cell.channelLabel(), cell.channel()->x(), {"Ch."}},
                              {cell.frequencyLabel(), cell.frequency()->x(), {"Freq."}}};
    for (const Column& column : columns) {
        for (const char* widest : column.widest) {
            column.value->setText(QString::fromLatin1(widest));
            EXPECT_EQ(column.value->shownText(), QString::fromLatin1(widest));
            EXPECT_LT(column.value->x() + column.value->fontMetrics().horizontalAdvance(widest), column.nextLeft) << widest;
        }
    }
    EXPECT_LE(cell.channel()->geometry().right() + 1, 290) << "the checkmark is drawn from x = 296 on";

    // The place line: the country gives way to the distance and bearing, elided if it must.
    cell.setPlace(QStringLiteral("United States Minor Outlying Islands"), QStringLiteral("1234.5 nm 359\u00B0"));
    EXPECT_EQ(cell.distance()->shownText(), QStringLiteral("1234.5 nm 359\u00B0"));
    EXPECT_LT(cell.country()->geometry().right(),
              WaypointCell::kLabelsRight - cell.distance()->fontMetrics().horizontalAdvance(cell.distance()->text()));
    EXPECT_TRUE(cell.country()->shownText().endsWith(QChar(0x2026)));
    cell.setPlace(QStringLiteral("S\u00E3o Tom\u00E9 and Principe"), QString());
    EXPECT_FALSE(cell.distance()->isVisibleTo(&cell));
    EXPECT_EQ(cell.country()->shownText(), QStringLiteral("S\u00E3o Tom\u00E9 and Principe"));
}
