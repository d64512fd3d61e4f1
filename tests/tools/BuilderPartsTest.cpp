// The pieces the builder makes records from: radio texts, runway designators and the main runway,
// country file names and the nearest-airport region look-up.

#include "tools/dbbuilder/CountryFileName.h"
#include "tools/dbbuilder/RadioText.h"
#include "tools/dbbuilder/RegionLocator.h"
#include "tools/dbbuilder/Runways.h"

#include <QString>

#include <gtest/gtest.h>

using namespace vantrel::dbbuilder;

TEST(RadioText, FrequenciesReadAsOnACharts) {
    EXPECT_EQ(vhfText(113000), "113.00");
    EXPECT_EQ(vhfText(114850), "114.85");
    EXPECT_EQ(vhfText(108050), "108.05");
    EXPECT_EQ(vhfText(122725), "122.725");
    EXPECT_EQ(vhfText(118005), "118.005");
    EXPECT_EQ(ndbText(375), "375");
    EXPECT_EQ(ndbText(415.5), "415.5");
    EXPECT_EQ(ndbText(1750.25), "1750.25");
}

TEST(RadioText, ChannelsAreWrittenWithThreeDigits) {
    EXPECT_EQ(dmeChannelText("95X"), "095X");
    EXPECT_EQ(dmeChannelText(" 17y "), "017Y");
    EXPECT_EQ(dmeChannelText("126Y"), "126Y");
    for (const char* bad : {"", "X", "0X", "127X", "95Z", "9 5X", "095XX"}) {
        EXPECT_FALSE(dmeChannelText(bad)) << bad;
    }
}

TEST(RadioText, DmeChannelsPairWithVhfFrequencies) {
    // Pairs from the ICAO channel table, at the ends of each band.
    const std::pair<int, const char*> pairs[] = {{108000, "017X"}, {108050, "017Y"}, {112250, "059Y"},
                                                 {112300, "070X"}, {116900, "116X"}, {117950, "126Y"},
                                                 {133300, "060X"}, {134000, "067X"}, {134250, "069Y"},
                                                 {134400, "001X"}, {135950, "016Y"}};
    for (const auto& [kHz, channel] : pairs) EXPECT_EQ(dmeChannelForVhf(kHz), channel) << kHz;
    for (int offRaster : {107950, 112270, 118000, 134300, 136000}) EXPECT_FALSE(dmeChannelForVhf(offRaster)) << offRaster;
}

TEST(Runways, DesignatorsAsPilotsReadThem) {
    EXPECT_EQ(runwayDesignator("9", "27"), "09/27");
    EXPECT_EQ(runwayDesignator("4L", "22R"), "04L/22R");
    EXPECT_EQ(runwayDesignator("N", "S"), "N/S");
    EXPECT_EQ(runwayDesignator("H1", ""), "H1");
    EXPECT_EQ(runwayDesignator("-", "36"), "36");
    EXPECT_FALSE(runwayDesignator(" ", "."));
}

TEST(Runways, MainRunwayIsTheLongestAndTheFirstOnATie) {
    EXPECT_FALSE(mainRunwayIndex({}));
    EXPECT_EQ(mainRunwayIndex({{"01/19", 7650}, {"10/28", 11870}, {"10R/28L", 11381}}), 1u);
    EXPECT_EQ(mainRunwayIndex({{"N/S", 2000}, {"E/W", 2000}}), 0u);
    EXPECT_EQ(mainRunwayIndex({{"H1", 0}, {"06/24", 0}}), 0u);
}

TEST(CountryFileName, NamesAreMadeSafeFileNames) {
    EXPECT_EQ(countryFileName("United States", "US"), "United States");
    EXPECT_EQ(countryFileName("Isles/Islands  of\nTest", "XW"), "Isles-Islands of Test");
    EXPECT_EQ(countryFileName("..Dot Land", "XD"), "Dot Land");
    EXPECT_EQ(countryFileName("Côte d'Ivoire", "CI"), "Côte d'Ivoire");
    EXPECT_EQ(countryFileName(" . ", "ZZ"), "ZZ");

    std::string longName;
    for (int i = 0; i < 200; ++i) longName += "é";  // 400 bytes
    const std::string cut = countryFileName(longName, "LL");
    EXPECT_LE(cut.size() + 6, 255u);
    EXPECT_TRUE(QString::fromUtf8(cut.data(), qsizetype(cut.size())).toUtf8() == QByteArray::fromStdString(cut));
    EXPECT_EQ(cut.size(), 248u);
}

TEST(RegionLocator, NearestPlaceOfTheSameCountryWithinTheRadius) {
    RegionLocator locator;
    locator.add("US", "US-NV", 36.08, -115.15);     // Las Vegas
    locator.add("US", "US-CA", 35.35, -116.89);     // Barstow, about 180 km away
    locator.add("MX", "MX-BCN", 36.079, -115.16);   // another country, nearer still
    locator.add("US", "US-AK", 51.88, 179.9);       // just east of the date line
    EXPECT_EQ(locator.nearestRegion("US", 36.0797, -115.1597, 92.6), "US-NV");
    EXPECT_EQ(locator.nearestRegion("US", 35.5, -116.7, 92.6), "US-CA");
    EXPECT_FALSE(locator.nearestRegion("US", 30.0, -140.0, 92.6));
    EXPECT_FALSE(locator.nearestRegion("CA", 36.08, -115.15, 92.6));
    EXPECT_EQ(locator.nearestRegion("US", 51.88, -179.8, 92.6), "US-AK");
    // Near the pole the search spans every longitude: the Aleutian point is nearer than Nevada.
    EXPECT_EQ(locator.nearestRegion("US", 71.0, -115.15, 4000.0), "US-AK");
}
