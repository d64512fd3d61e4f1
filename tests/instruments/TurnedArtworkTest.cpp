// The round instruments draw a turned ring or card as its unturned part kept in a picture plus its
// marks turned at each frame. Checked against the plain turned drawing of the same artwork, pixel
// by pixel at 1x and 2x: the split artwork alone at many turns, and the VOR, ADF and compass
// rings (with what lies over them: the course indexes, the ADF's marks, the grey circle, the bug)
// while they turn and once they hold still. Anti-aliased edges may differ by a few tens of levels
// (the plain drawing blurs them a little by resampling); a mark at the wrong place differs by far
// more, which the checks show on a ring drawn one degree off.

#include "InstrumentTestSupport.h"

#include "instruments/ADFView.h"
#include "instruments/CompassView.h"
#include "instruments/InstrumentMath.h"
#include "instruments/TurnedArtwork.h"
#include "instruments/VORView.h"
#include "platform/ui/Images.h"
#include "platform/ui/PictureMemory.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHideEvent>
#include <QPainter>
#include <cmath>
#include <memory>

using namespace vantrel;
using namespace vantrel::instruments;
using test::InstrumentWorld;

namespace {

constexpr double kLat = 46.2381, kLon = 6.1089;
// More than any anti-aliased edge differs; less than a mark against what lies beside it.
constexpr int kMarkLevels = 96;

QImage canvas(double scale, QColor colour = QColor(40, 60, 80)) {
    QImage image(int(320 * scale), int(320 * scale), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(colour);
    return image;
}

void smooth(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

// drawCenterImage's turn: the single-precision factor, 360 - angle.
double degreesFor(float angle) { return double((360.0f - angle) * kDegreesToRadians) * 180.0 / M_PI; }

// The image as drawCenterImage draws it without any split, in 320 x 320 bounds.
void drawPlain(QPainter& painter, const QString& name, double degrees) {
    const QPixmap image = platform::ui::imageNamed(name, painter.device()->devicePixelRatioF());
    painter.save();
    painter.translate(160, 160);
    painter.rotate(degrees);
    painter.translate(-160, -160);
    painter.drawPixmap(QPointF((320 - image.deviceIndependentSize().width()) * 0.5,
                               (320 - image.deviceIndependentSize().height()) * 0.5),
                       image);
    painter.restore();
}

void strokeCircle(QPainter& painter) {
    painter.save();
    painter.setPen(QPen(QColor(0xAA, 0xAA, 0xAA), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(5, 5, 310, 310));
    painter.restore();
}

struct Difference {
    int largest = 0;
    int marks = 0;  // pixels that differ by more than kMarkLevels
};

// The pixels whose centres lie between the radii (points from the centre).
Difference compare(const QImage& a, const QImage& b, double inner = 0, double outer = 1e9) {
    Difference d;
    const double scale = a.devicePixelRatio();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const double r = std::hypot((x + 0.5) / scale - 160, (y + 0.5) / scale - 160);
            if (r < inner || r > outer) continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int most = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
            d.largest = std::max(d.largest, most);
            d.marks += most > kMarkLevels;
        }
    return d;
}

class TurnedArtworkSplit : public ::testing::TestWithParam<double> {};

}  // namespace

TEST_P(TurnedArtworkSplit, DrawsTheRingAndTheBugAsThePlainTurnedImage) {
    const double scale = GetParam();
    for (const char* name : {"ring.png", "orangeRing.png"}) {
        const QPixmap full = platform::ui::imageNamed(QString::fromLatin1(name), scale);
        ASSERT_FALSE(full.isNull()) << name;
        const QSizeF size = full.deviceIndependentSize();
        const auto art = TurnedArtwork::split(full.toImage(), QRectF(QPointF(0, 0), size), size, scale);
        ASSERT_TRUE(art) << name << " has an annulus or a circle that every turn leaves as it is";
        // Only the marks are kept apart, in pieces that skip the empty space.
        EXPECT_GT(art->pieceCount(), 0) << name;
        EXPECT_LT(art->bytes(), full.toImage().sizeInBytes() / 2) << name;
        for (const double degrees : {0.0, 4.5, 45.0, 97.25, 181.0, 300.6}) {
            SCOPED_TRACE(testing::Message() << name << " turned " << degrees << " at " << scale << "x");
            QImage plain = canvas(scale), split = canvas(scale), off = canvas(scale);
            {
                QPainter p(&plain);
                smooth(p);
                drawPlain(p, QString::fromLatin1(name), degrees);
            }
            for (auto [image, turn] : {std::pair{&split, degrees}, std::pair{&off, degrees + 1.0}}) {
                QPainter p(image);
                smooth(p);
                ASSERT_TRUE(art->drawFixedPart(p, QPointF(160, 160)));
                art->drawTurningPart(p, QPointF(160, 160), turn);
            }
            const Difference same = compare(plain, split);
            EXPECT_EQ(same.marks, 0) << "largest difference " << same.largest;
            // The same check on the marks drawn a degree off: graduations, numbers or the bug move.
            EXPECT_GT(compare(plain, off).marks, 20);
        }
    }
}

// About a centre on a pixel's corner or middle, the unturned part is computed for a quarter and
// mirrored; cut by one edge of the target, every pixel is computed. Both must give the same pixels.
TEST_P(TurnedArtworkSplit, TheMirroredUnturnedPartIsTheComputedOne) {
    const double scale = GetParam();
    const QPixmap full = platform::ui::imageNamed(QStringLiteral("ring.png"), scale);
    const QSizeF size = full.deviceIndependentSize();
    const auto art = TurnedArtwork::split(full.toImage(), QRectF(QPointF(0, 0), size), size, scale);
    ASSERT_TRUE(art);
    const int shift = int(10 * scale);  // the 10 points the cut copy is drawn to the left
    // On a pixel's corner (an even square of pixels) and on a pixel's middle (an odd one, whose
    // middle row and column are their own mirrors).
    for (const double offset : {0.0, 0.5 / scale}) {
        SCOPED_TRACE(testing::Message() << "centre " << 160 + offset << " at " << scale << "x");
        QImage mirrored = canvas(scale), computed = canvas(scale);
        {
            QPainter p(&mirrored);
            ASSERT_TRUE(art->drawFixedPart(p, QPointF(160 + offset, 160 + offset)));
        }
        {
            QPainter p(&computed);
            ASSERT_TRUE(art->drawFixedPart(p, QPointF(150 + offset, 160 + offset)));  // cut on the left only
        }
        const QRgb background = canvas(scale).pixel(0, 0);
        int differing = 0, coloured = 0;
        for (int y = 0; y < mirrored.height(); ++y)
            for (int x = shift; x < mirrored.width(); ++x) {
                differing += mirrored.pixel(x, y) != computed.pixel(x - shift, y);
                coloured += mirrored.pixel(x, y) != background;
            }
        EXPECT_EQ(differing, 0);
        EXPECT_GT(coloured, 1000) << "the ring's unturned part is drawn";
    }
}

TEST_P(TurnedArtworkSplit, AnImageWithoutAnUnturnedPartIsNotSplit) {
    const double scale = GetParam();
    // The NAV flag has nothing about the centre: nothing of it is the same at every turn.
    const QPixmap flag = platform::ui::imageNamed(QStringLiteral("invalidNav.png"), scale);
    ASSERT_FALSE(flag.isNull());
    const QSizeF size = flag.deviceIndependentSize();
    EXPECT_FALSE(TurnedArtwork::split(flag.toImage(), QRectF(QPointF(0, 0), size), size, scale));
    // An annulus whose colour changes all the way round: round, but no pixel of it stays.
    QImage wheel = canvas(scale, Qt::transparent);
    {
        QPainter p(&wheel);
        smooth(p);
        QConicalGradient hue(160, 160, 0);
        hue.setColorAt(0, Qt::red);
        hue.setColorAt(0.5, Qt::blue);
        hue.setColorAt(1, Qt::red);
        p.setPen(QPen(QBrush(hue), 40));
        p.drawEllipse(QPointF(160, 160), 120, 120);
    }
    EXPECT_FALSE(TurnedArtwork::split(wheel, QRectF(0, 0, 320, 320), QSizeF(320, 320), scale));
}

namespace {

// The layers under the indicators as the instruments drew them before any of it was kept: each
// image turned whole (by its degrees), or the grey circle, in the instrument's order, on black.
struct PlainLayer {
    QString image;  // empty: the grey circle
    double degrees = 0;
};

QImage plain(double scale, const std::vector<PlainLayer>& layers) {
    QImage image = canvas(scale, Qt::black);
    QPainter p(&image);
    smooth(p);
    for (const PlainLayer& layer : layers) {
        if (layer.image.isEmpty()) strokeCircle(p);
        else drawPlain(p, layer.image, layer.degrees);
    }
    return image;
}

QImage plainVor(double scale, float ring, bool valid) {
    std::vector<PlainLayer> layers{{QStringLiteral("ring.png"), degreesFor(ring)}, {}, {QStringLiteral("vorBackground.png")}};
    if (!valid) layers.push_back({QStringLiteral("invalidNav.png")});
    return plain(scale, layers);
}

QImage plainAdf(double scale, float ring) {
    return plain(scale, {{QStringLiteral("ring.png"), degreesFor(ring)}, {}, {QStringLiteral("adfOverlay.png")},
                         {QStringLiteral("adfBackground.png")}});
}

QImage plainCompass(double scale, float card, float ring) {
    return plain(scale, {{QStringLiteral("compassBackground.png")}, {QStringLiteral("ring.png"), degreesFor(card)}, {},
                         {QStringLiteral("orangeRing.png"), degreesFor(ring)}, {}});
}

// The ring band, outside the face where the needles and flags are.
void expectSameRing(const QImage& drawn, const QImage& plain, const QString& picture) {
    test::savePicture(drawn, picture);
    const Difference d = compare(drawn, plain, 111.5, 160);
    EXPECT_EQ(d.marks, 0) << picture.toStdString() << ": largest difference " << d.largest;
}

// A VOR pointed at a waypoint north-east of the fix, so that it shows valid navigation.
std::unique_ptr<VORView> vorTowardWaypoint(InstrumentWorld& world) {
    auto vor = world.make<VORView>();
    vor->setWaypoint(test::waypointAt("WPT", kLat + 0.1, kLon + 0.1));
    return vor;
}

class RoundInstrumentRings : public ::testing::TestWithParam<double> {};

}  // namespace

TEST_P(RoundInstrumentRings, VorRingAndCourseIndexesAsDrawnPlainWhileTurningAndStill) {
    const double scale = GetParam();
    InstrumentWorld world;
    world.fix(kLat, kLon);
    auto vor = vorTowardWaypoint(world);
    ASSERT_TRUE(vor->navIsValid());
    // Upright, then a first turn, frames while it turns, the same turn again (kept whole) and a
    // turn from there; each frame drawn is compared with the plain drawing at that turn.
    for (const float ring : {0.0f, 17.5f, 17.5f, 17.5f, 243.25f, 244.75f, 244.75f, 244.75f, 0.0f}) {
        vor->setRingAngle(ring);
        SCOPED_TRACE(testing::Message() << "ring " << ring << " at " << scale << "x");
        expectSameRing(test::render(*vor, scale), plainVor(scale, ring, true), QStringLiteral("vor-ring%1-%2x").arg(ring).arg(scale));
    }
    // The off-course check fails on a ring one degree off: it would see a graduation misplaced.
    EXPECT_GT(compare(test::render(*vor, scale), plainVor(scale, 1.0f, true), 111.5, 160).marks, 20);

    InstrumentWorld noFix;
    auto invalid = noFix.make<VORView>();
    for (const float ring : {300.5f, 300.5f, 120.0f}) {
        invalid->setRingAngle(ring);
        expectSameRing(test::render(*invalid, scale), plainVor(scale, ring, false),
                       QStringLiteral("vor-invalid-ring%1-%2x").arg(ring).arg(scale));
    }
}

TEST_P(RoundInstrumentRings, AdfRingUnderItsMarksAsDrawnPlain) {
    const double scale = GetParam();
    InstrumentWorld world;
    auto adf = world.make<ADFView>();
    for (const float ring : {33.0f, 33.0f, 33.0f, 211.5f}) {
        adf->setRingAngle(ring);
        SCOPED_TRACE(testing::Message() << "ring " << ring << " at " << scale << "x");
        expectSameRing(test::render(*adf, scale), plainAdf(scale, ring), QStringLiteral("adf-ring%1-%2x").arg(ring).arg(scale));
    }
}

TEST_P(RoundInstrumentRings, CompassCardAndBugAsDrawnPlainWhileEitherTurns) {
    const double scale = GetParam();
    InstrumentWorld world;
    world.fix(kLat, kLon);
    world.motion(50, 5);
    auto compass = world.make<CompassView>();
    test::settle(*compass);
    ASSERT_FLOAT_EQ(compass->indicatorAngle(), 5.0f);
    const auto check = [&](const char* what) {
        SCOPED_TRACE(testing::Message() << what << ": card " << compass->indicatorAngle() << ", bug " << compass->ringAngle()
                                        << " at " << scale << "x");
        expectSameRing(test::render(*compass, scale), plainCompass(scale, compass->indicatorAngle(), compass->ringAngle()),
                       QStringLiteral("compass-card%1-bug%2-%3x").arg(compass->indicatorAngle()).arg(compass->ringAngle()).arg(scale));
    };
    check("card turned, bug upright");
    // The bug turns frame by frame, holds still (kept whole), and turns on. A frame whose turns are
    // those of the frame before it comes whole from the kept picture from the second such frame on.
    float before = compass->ringAngle();
    for (const float bug : {90.0f, 91.5f, 91.5f, 91.5f, 200.0f, 359.5f}) {
        compass->setRingAngle(bug);
        check("bug turning");
        EXPECT_EQ(compass->lastFrameWasKept(), bug == before) << "bug " << bug;
        before = bug;
    }
    // The card swings to a new track step by step under the still bug.
    world.motion(50, 40);
    for (int i = 0; i < 4 && compass->isAnimationStepPending(); ++i) {
        compass->runPendingAnimationStep();
        check("card swinging");
    }
    test::settle(*compass);
    check("card settled");
    check("card settled");
}

// At 2x the kept pictures have mappings of their own that the next instrument shown takes as they
// are: the VOR drawn in the compass's old pictures must show nothing of the compass, and once it
// draws from what it keeps, what it did not take waits for the next.
TEST(RoundInstrumentRings, AnInstrumentShownAfterAnotherDrawsInItsPicturesAsNew) {
    constexpr double scale = 2.0;
    platform::ui::releaseUnusedPictures(true);
    InstrumentWorld world;
    world.fix(kLat, kLon);
    world.motion(50, 75);
    auto compass = world.make<CompassView>();
    test::settle(*compass);
    compass->setRingAngle(140);
    test::render(*compass, scale);
    test::render(*compass, scale);
    ASSERT_TRUE(compass->lastFrameWasKept());
    QHideEvent hidden;
    QCoreApplication::sendEvent(compass.get(), &hidden);
    EXPECT_GE(platform::ui::unusedPictureBytes(), qsizetype(640 * 640 * 4)) << "the compass's pictures wait";

    auto vor = vorTowardWaypoint(world);
    const auto check = [&](float ring) {
        vor->setRingAngle(ring);
        SCOPED_TRACE(testing::Message() << "ring " << ring);
        expectSameRing(test::render(*vor, scale), plainVor(scale, ring, true), QStringLiteral("vor-after-compass-ring%1").arg(ring));
    };
    // Upright, the VOR keeps one picture: one of the compass's two waits for the next instrument.
    check(0.0f);
    check(0.0f);
    EXPECT_EQ(platform::ui::unusedPictureBytes(), qsizetype(640 * 640 * 4));
    // Turned, it splits its ring and keeps two: it takes the one that waited.
    for (const float ring : {17.5f, 17.5f, 17.5f}) check(ring);
    EXPECT_TRUE(vor->lastFrameWasKept());
    EXPECT_EQ(platform::ui::unusedPictureBytes(), 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, TurnedArtworkSplit, ::testing::Values(1.0, 2.0),
                         [](const auto& info) { return info.param == 1.0 ? std::string("1x") : std::string("2x"); });
INSTANTIATE_TEST_SUITE_P(Scales, RoundInstrumentRings, ::testing::Values(1.0, 2.0),
                         [](const auto& info) { return info.param == 1.0 ? std::string("1x") : std::string("2x"); });
