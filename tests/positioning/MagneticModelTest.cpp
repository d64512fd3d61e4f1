// The magnetic model against every official test value, damaged coefficient files, the expiry
// message, and the variation cache the instruments share.

#include "PositioningTestSupport.h"
#include "tests/support/TestSupport.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/UserNotice.h"
#include "positioning/MagneticModel.h"
#include "positioning/MagneticVariation.h"

#include <QFile>

#include <gtest/gtest.h>

using vantrel::positioning::Fix;
using vantrel::positioning::MagneticField;
using vantrel::positioning::MagneticModel;
using vantrel::positioning::MagneticVariation;
using vantrel::test::readPositioningData;

namespace {

QByteArray coefficientFile() {
    QFile file(QStringLiteral(VANTREL_SOURCE_DIR "/data/wmm/WMM2025.COF"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

// Every row of the official table: declination and inclination to 0.01 degree, the components to
// a nanotesla. The compiled-in text is the file in data/wmm, so a damaged copy fails here.
TEST(MagneticModel, MatchesEveryOfficialTestValue) {
    const MagneticModel* model = MagneticModel::builtIn();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->name(), "WMM-2025");
    EXPECT_EQ(model->epoch(), 2025.0);
    EXPECT_EQ(model->validUntil(), 2030.0);

    const QList<QByteArray> lines = readPositioningData("WMM2025_test_values.csv").split('\n');
    ASSERT_EQ(lines.value(0).trimmed(), "date,alt,lat,lon,x,y,z,h,f,incl,decl,gv");
    int rows = 0;
    for (const QByteArray& line : lines.mid(1)) {
        if (line.trimmed().isEmpty()) continue;
        const QList<QByteArray> v = line.trimmed().split(',');
        ASSERT_EQ(v.size(), 12) << line.toStdString();
        const MagneticField f = model->field(v[2].toDouble(), v[3].toDouble(), v[1].toDouble() * 1000.0, v[0].toDouble());
        const std::string where = line.toStdString();
        EXPECT_NEAR(f.declination, v[10].toDouble(), 0.01) << where;
        EXPECT_NEAR(f.inclination, v[9].toDouble(), 0.01) << where;
        EXPECT_NEAR(f.north, v[4].toDouble(), 1.0) << where;
        EXPECT_NEAR(f.east, v[5].toDouble(), 1.0) << where;
        EXPECT_NEAR(f.down, v[6].toDouble(), 1.0) << where;
        EXPECT_NEAR(f.totalField, v[8].toDouble(), 1.0) << where;
        EXPECT_FALSE(f.expired);
        ++rows;
    }
    EXPECT_EQ(rows, 60);

    // The file in the tree parses to the very same model.
    QString error;
    const std::optional<MagneticModel> fromFile = MagneticModel::parse(coefficientFile(), &error);
    ASSERT_TRUE(fromFile) << error.toStdString();
    EXPECT_EQ(fromFile->declination(46.2, 6.1, 400, 2026.9), model->declination(46.2, 6.1, 400, 2026.9));
}

TEST(MagneticModel, DamagedFilesAreRefusedWithTheirReason) {
    const QByteArray good = coefficientFile();
    ASSERT_FALSE(good.isEmpty());
    const qsizetype end = good.indexOf("9999");
    const qsizetype lastLine = good.lastIndexOf(" 12 12");
    struct Case {
        const char* what;
        QByteArray text;
        const char* reason;
    };
    QByteArray duplicated = good;
    duplicated.insert(good.indexOf("  2  0"), "  1  0  -29351.8       0.0      12.0       0.0\n");
    QByteArray notANumber = good;
    notANumber.replace("-29351.8", "-2935l.8");
    QByteArray outOfRange = good;
    outOfRange.replace("-29351.8", "-29351800");
    const Case cases[] = {
        {"empty", QByteArray(), "empty"},
        {"cut short before its end lines", good.left(end), "cut short"},
        {"cut in the middle of the last line", good.left(lastLine + 8), "not six numbers"},
        {"a degree missing", good.left(lastLine) + good.mid(end), "degree 12 order 12 is missing"},
        {"a coefficient twice", duplicated, "degree 1 order 0 again"},
        {"a letter in a number", notANumber, "not a number"},
        {"an absurd coefficient", outOfRange, "out of range"},
        {"no header", good.mid(good.indexOf('\n') + 1), "no epoch"},
        {"degree 13", QByteArray(good).replace(" 12 12", " 13 12"), "no degree and order"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(MagneticModel::parse(c.text, &error)) << c.what;
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << c.what << ": " << error.toStdString();
    }
}

TEST(MagneticModel, DecimalYearsAndTheExpiryText) {
    EXPECT_DOUBLE_EQ(MagneticModel::decimalYear(QDate(2027, 1, 1)), 2027.0);
    EXPECT_DOUBLE_EQ(MagneticModel::decimalYear(QDate(2028, 7, 2)), 2028.0 + 183.0 / 366.0);
    EXPECT_NEAR(MagneticModel::decimalYear(vantrel::test::utcSeconds(2027, 7, 2, 12, 0, 0)), 2027.0 + 182.5 / 365.0, 1e-9);

    const MagneticModel* model = MagneticModel::builtIn();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->expiryText(2029.99), QString());
    EXPECT_EQ(model->expiryText(2031.3),
              "The magnetic model WMM-2025 expired 1.3 years ago (2031.3 is past 2030.0): magnetic bearings may be off.");
    // Past its end it goes on computing, and says so.
    const MagneticField late = model->field(46.2, 6.1, 0, 2031.3);
    EXPECT_TRUE(late.expired);
    EXPECT_NEAR(late.yearsPastEnd, 1.3, 1e-9);
    EXPECT_TRUE(std::isfinite(late.declination));
}

// The instruments' cache: one evaluation a second of fix time or a kilometre moved; an expired
// model is reported once, in the log and as a user notice.
TEST(MagneticVariation, EvaluatesOncePerSecondOrKilometreAndReportsExpiryOnce) {
    MagneticVariation variation;
    const double t = vantrel::test::utcSeconds(2027, 3, 1, 10, 0, 0);
    struct Step {
        double lat, lon, dt;
        int evaluations;
    };
    const Step steps[] = {
        {46.20, 6.10, 0.0, 1},   // the first
        {46.2001, 6.10, 0.5, 1}, // 11 m and half a second later: kept
        {46.2001, 6.10, 0.9, 1},
        {46.22, 6.10, 0.95, 2},  // 2 km on within the second: again
        {46.22, 6.10, 2.0, 3},   // a second later: again
    };
    for (const Step& s : steps) {
        Fix fix = vantrel::test::makeFix(s.lat, s.lon, 5, t + s.dt);
        const std::optional<double> v = variation.atFix(fix);
        ASSERT_TRUE(v);
        EXPECT_NEAR(*v, MagneticModel::builtIn()->declination(s.lat, s.lon, 0, MagneticModel::decimalYear(t + s.dt)), 0.01);
        EXPECT_EQ(variation.evaluations(), s.evaluations) << s.lat << " " << s.dt;
    }
    EXPECT_FALSE(variation.atFix(vantrel::test::makeFix(95, 6, 5, t)));

    vantrel::test::LogCapture log;
    QStringList notices;
    vantrel::platform::NotificationCenter::defaultCenter().addObserver(
        &notices, vantrel::platform::kUserNoticeNotification, nullptr, [&](const vantrel::platform::Notification& n) {
            notices << n.userInfo->get("message").toQString();
        });
    EXPECT_FALSE(variation.expiryReported());
    const double late = vantrel::test::utcSeconds(2031, 4, 20, 0, 0, 0);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(variation.atFix(vantrel::test::makeFix(46.2, 6.1, 5, late + i * 10)));
    vantrel::platform::NotificationCenter::defaultCenter().removeObserver(&notices);
    EXPECT_TRUE(variation.expiryReported());
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].startsWith("The magnetic model WMM-2025 expired 1.3 years ago")) << notices[0].toStdString();
    EXPECT_EQ(log.lines().filter("magnetic model WMM-2025 expired").size(), 1);
}
