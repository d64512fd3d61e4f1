#include "units/UnitSettings.h"
#include "platform/core/UserDefaults.h"

#include <gtest/gtest.h>

using vantrel::units::UnitSettings;
using vantrel::platform::UserDefaults;
using vantrel::platform::Value;

namespace {
struct DefaultsReset {
    ~DefaultsReset() {
        UserDefaults::standardUserDefaults().removeObjectForKey("units");
        UserDefaults::standardUserDefaults().removeObjectForKey("disableDisclaimer");
    }
};
}  // namespace

TEST(UnitSettings, TheThreeSystems) {
    UnitSettings units;
    units.setSelectedUnit(0);
    EXPECT_EQ(units.distanceFactor(), 1852.0);
    EXPECT_EQ(units.speedFactor(), 1.9438445568084717);
    EXPECT_EQ(units.heightFactor(), 3.278);
    EXPECT_EQ(units.distanceUnit(), QStringLiteral("nm"));
    EXPECT_EQ(units.speedUnit(), QStringLiteral("kts"));
    EXPECT_EQ(units.heightUnit(), QStringLiteral("ft"));
    EXPECT_NEAR(10 * units.speedFactor(), 19.438445, 1e-6);

    units.setSelectedUnit(1);
    EXPECT_EQ(units.distanceFactor(), 1609.343994140625);
    EXPECT_EQ(units.speedFactor(), 2.2374000549316406);
    EXPECT_EQ(units.heightFactor(), 3.278);
    EXPECT_EQ(units.distanceUnit(), QStringLiteral("sm"));
    EXPECT_EQ(units.speedUnit(), QStringLiteral("mph"));
    EXPECT_NEAR(10 * units.speedFactor(), 22.374, 1e-5);

    units.setSelectedUnit(2);
    EXPECT_EQ(units.distanceFactor(), 1000.0);
    EXPECT_EQ(units.speedFactor(), 3.5999999046325684);
    EXPECT_EQ(units.heightFactor(), 1.0);
    EXPECT_EQ(units.distanceUnit(), QStringLiteral("km"));
    EXPECT_EQ(units.speedUnit(), QStringLiteral("km/h"));
    EXPECT_EQ(units.heightUnit(), QStringLiteral("m"));
    EXPECT_NEAR(10 * units.speedFactor(), 35.999999, 1e-6);
}

TEST(UnitSettings, UnknownIndicesAreNautical) {
    UnitSettings units;
    for (int index : {-1, 3, 1000}) {
        units.setSelectedUnit(index);
        EXPECT_EQ(units.distanceUnit(), QStringLiteral("nm")) << index;
        EXPECT_EQ(units.heightFactor(), 3.278) << index;
    }
    EXPECT_EQ(UnitSettings::units(),
              QStringList({"Nautical miles & knots", "Statute miles & mph", "Metric"}));
}

TEST(UnitSettings, StartsFromTheStoredChoice) {
    DefaultsReset reset;
    UserDefaults::standardUserDefaults().removeObjectForKey("units");
    EXPECT_EQ(UnitSettings().selectedUnit(), 0);
    EXPECT_TRUE(UnitSettings::showDisclaimer());

    UserDefaults::standardUserDefaults().setObject("units", Value::integer(2));
    UserDefaults::standardUserDefaults().setObject("disableDisclaimer", Value::boolean(true));
    EXPECT_EQ(UnitSettings().selectedUnit(), 2);
    EXPECT_FALSE(UnitSettings::showDisclaimer());
}
