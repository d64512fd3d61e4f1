// `vantrel-tool map build | info | render` as a program, on small GeoJSON sources in tests/data:
// the file it builds is what info reports and what render draws (water in the hole of the land,
// the town by name), and bad words get the usage and status 2.

#include "support/TestSupport.h"

#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace vantrel::test {
namespace {

struct Outcome {
    int status;
    QByteArray out, err;
};

Outcome tool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(VANTREL_TOOL_PATH), args);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

}  // namespace

TEST(MapTool, BuildsReportsAndDrawsTheBaseMap) {
    TempDir dir;
    const QString map = dir.file("basemap.vbm");
    const Outcome built = tool({"map", "build", "--source", VANTREL_TEST_DATA_DIR "/basemap", "--out", map});
    ASSERT_EQ(built.status, 0) << built.err.toStdString();
    EXPECT_TRUE(built.out.contains("6 source features")) << built.out.toStdString();

    const Outcome info = tool({"--json", "map", "info", map});
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(info.out).object();
    const QJsonArray levels = report["levels"].toArray();
    ASSERT_EQ(levels.size(), 3);
    EXPECT_EQ(levels[0].toObject()["degrees"].toInt(), 1);
    EXPECT_EQ(levels[0].toObject()["towns"].toInt(), 1);
    EXPECT_EQ(levels[0].toObject()["lakes"].toInt(), 1);
    EXPECT_GE(levels[0].toObject()["land"].toInt(), 4);  // the island's halves and the block's tiles
    EXPECT_EQ(report["damagedTiles"].toInt(), 0);
    EXPECT_EQ(qint64(report["bytes"].toDouble()), QFileInfo(map).size());

    // Over the hole in the land at 2x, 200 x 100 points at 4.5 points per mile: water under the aircraft, land beside it.
    const QString png = dir.file("hole.png");
    const Outcome drawn = tool({"map", "render", "45.75", "5.75", "4.5", png, "--size", "200x100", "--scale", "2", "--file", map});
    ASSERT_EQ(drawn.status, 0) << drawn.err.toStdString();
    const QImage image(png);
    ASSERT_EQ(image.size(), QSize(400, 200));
    const QColor under = image.pixelColor(200, 140), beside = image.pixelColor(20, 20);
    EXPECT_GT(under.blue(), under.red() + 40) << under.name().toStdString();
    EXPECT_GT(beside.red(), 200) << beside.name().toStdString();
    EXPECT_LT(std::abs(beside.red() - beside.blue()), 40) << beside.name().toStdString();

    // The town with its accented name, zoomed out.
    const Outcome town = tool({"map", "render", "46.21", "6.14", "4.5", dir.file("town.png"), "--file", map});
    ASSERT_EQ(town.status, 0);
    EXPECT_TRUE(town.out.contains("1 towns")) << town.out.toStdString();

    struct Bad {
        QStringList args;
        const char* says;
    };
    const Bad bad[] = {
        {{"map", "render", "45", "5", "20"}, "usage"},
        {{"map", "render", "95", "5", "20", png}, "usage"},
        {{"map", "render", "45", "5", "60", png}, "SCALE is"},
        {{"map", "render", "45", "5", "20", png, "--scale", "3"}, "--scale is 1 or 2"},
        {{"map", "render", "45", "5", "20", png, "--size", "20x20"}, "--size"},
        {{"map", "build", "--frobnicate"}, "usage"},
        {{"map", "draw"}, "usage"},
    };
    for (const Bad& b : bad) {
        const Outcome o = tool(b.args);
        EXPECT_EQ(o.status, 2) << b.args.join(' ').toStdString();
        EXPECT_TRUE(o.err.contains(b.says)) << o.err.toStdString();
    }
    const Outcome missing = tool({"map", "info", dir.file("none.vbm")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("none.vbm"));
}

}  // namespace vantrel::test
