// `vantrel-tool geo magvar`: the model's values at a place and date as text and JSON, the expired
// flag past 2030, and the arguments it refuses.

#include "positioning/MagneticModel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int status;
    QByteArray out, err;
};

Outcome magvar(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(VANTREL_TOOL_PATH), QStringList{"geo", "magvar"} + args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

}  // namespace

TEST(MagvarCommand, GivesTheModelsValuesAtAPlaceAndDate) {
    using vantrel::positioning::MagneticModel;
    const MagneticModel* model = MagneticModel::builtIn();
    ASSERT_NE(model, nullptr);
    struct Case {
        QStringList args;
        double lat, lon, altitude, year;
        bool expired;
    };
    const Case cases[] = {
        {{"46.24", "6.11", "430", "2027.5"}, 46.24, 6.11, 430, 2027.5, false},  // Geneva, about 3 E
        {{"47.45", "-122.31", "2026-07-02"}, 47.45, -122.31, 0, MagneticModel::decimalYear(QDate(2026, 7, 2)), false},
        {{"-33.95", "151.18", "2000"}, -33.95, 151.18, 2000, -1, false},  // a plain number is an altitude
        {{"46.24", "6.11", "0", "2031.3"}, 46.24, 6.11, 0, 2031.3, true},
    };
    for (const Case& c : cases) {
        const Outcome out = magvar(QStringList{"--json"} + c.args);
        ASSERT_EQ(out.status, 0) << c.args.join(' ').toStdString() << out.err.toStdString();
        const QJsonObject json = QJsonDocument::fromJson(out.out).object();
        if (c.year > 0) {
            const vantrel::positioning::MagneticField f = model->field(c.lat, c.lon, c.altitude, c.year);
            EXPECT_NEAR(json["declination"].toDouble(), f.declination, 1e-9) << c.args.join(' ').toStdString();
            EXPECT_NEAR(json["inclination"].toDouble(), f.inclination, 1e-9);
            EXPECT_NEAR(json["totalField"].toDouble(), f.totalField, 1e-6);
        } else {
            EXPECT_TRUE(json["declination"].isDouble());  // today's date
        }
        EXPECT_EQ(json["model"].toString(), "WMM-2025");
        EXPECT_EQ(json["expired"].toBool(), c.expired);
        EXPECT_EQ(out.err.contains("expired 1.3 years ago"), c.expired) << out.err.toStdString();
    }
    const Outcome text = magvar({"47.45", "-122.31", "2026.5"});
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(text.out.startsWith("declination 14.87° E")) << text.out.toStdString();  // Seattle, about 15 E
    EXPECT_TRUE(text.out.contains("° E  inclination"));

    for (const QStringList& bad : {QStringList{"46.2"}, QStringList{"91", "6"}, QStringList{"46", "six"},
                                   QStringList{"46", "6", "40000", "2027.5"}, QStringList{"46", "6", "0", "later"}}) {
        const Outcome out = magvar(bad);
        EXPECT_EQ(out.status, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(out.err.contains("geo magvar")) << bad.join(' ').toStdString();
    }
}
