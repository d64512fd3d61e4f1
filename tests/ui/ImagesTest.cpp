// Artwork cut to its drawn part, and rendered ahead on a thread of its own: a prepared part must be
// the very picture the main thread would have rendered, each preparation serves one request, and
// a file that cannot be read gives an empty part with a log line, prepared or not.

#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/ui/Images.h"

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <thread>
#include <gtest/gtest.h>

using namespace vantrel;
using platform::ui::ImagePart;

namespace {

QStringList& logged() {
    static QStringList lines;
    return lines;
}

// A 100 x 80 point picture with one orange square at (20, 30), 10 points wide, and a ring around
// the middle: only the rectangle from (20, 10) to (80, 70) is drawn.
constexpr char kMark[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="80">
  <rect x="20" y="30" width="10" height="10" fill="#ff9900"/>
  <circle cx="50" cy="40" r="29" fill="none" stroke="#ffffff" stroke-width="2"/>
</svg>)";

class ImagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bundle_.isValid());
        platform::Paths::setBundleDirectory(bundle_.path());
        logged().clear();
        platform::setLogSink([](const QString& line) { logged() << line; });
    }
    void TearDown() override { platform::setLogSink(nullptr); }

    void write(const QString& name, const QByteArray& contents) {
        QFile file(bundle_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    QTemporaryDir bundle_;
};

QImage pixels(const ImagePart& part) { return part.pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied); }

TEST_F(ImagesTest, OpaqueRectIsTheSmallestRectangleHoldingEveryDrawnPixel) {
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    EXPECT_TRUE(platform::ui::opaqueRect(image).isEmpty());
    image.setPixel(5, 7, qRgba(0, 0, 0, 1));  // faint is still drawn
    image.setPixel(31, 20, qRgba(255, 255, 255, 255));
    image.setPixel(12, 3, qRgba(255, 0, 0, 255));
    EXPECT_EQ(platform::ui::opaqueRect(image), QRectF(5, 3, 27, 18));
    image.setDevicePixelRatio(2.0);  // in points
    EXPECT_EQ(platform::ui::opaqueRect(image), QRectF(2.5, 1.5, 13.5, 9));
}

TEST_F(ImagesTest, APartIsCutToWhatIsDrawnAndPlacedInTheFullPicture) {
    write(QStringLiteral("mark.svg"), kMark);
    for (qreal scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        ImagePart part = platform::ui::renderImagePartNamed(QStringLiteral("mark.png"), scale);
        EXPECT_EQ(part.fullSize, QSizeF(100, 80));
        EXPECT_NEAR(part.place.left(), 20, 0.5);
        EXPECT_NEAR(part.place.top(), 10, 1.0);
        EXPECT_NEAR(part.place.right(), 80, 1.0);
        EXPECT_NEAR(part.place.bottom(), 70, 1.0);
        EXPECT_EQ(part.pixmap.devicePixelRatio(), scale);
        EXPECT_EQ(part.pixmap.deviceIndependentSize(), part.place.size());
        // The orange square at (20..30, 30..40) of the full picture.
        const QPointF inSquare = (QPointF(25, 35) - part.place.topLeft()) * scale;
        EXPECT_EQ(pixels(part).pixelColor(inSquare.toPoint()), QColor(0xff, 0x99, 0x00));
    }
}

TEST_F(ImagesTest, APreparedPartIsTheSamePictureAndServesOneRequest) {
    write(QStringLiteral("mark.svg"), kMark);
    const ImagePart direct = platform::ui::renderImagePartNamed(QStringLiteral("mark.png"), 2.0);

    platform::ui::prepareImages({QStringLiteral("mark.png")}, 2.0);
    // Taken at once: either it waits for the thread or renders it itself; both give the same.
    const ImagePart prepared = platform::ui::renderImagePartNamed(QStringLiteral("mark.png"), 2.0);
    EXPECT_EQ(prepared.place, direct.place);
    EXPECT_EQ(prepared.fullSize, direct.fullSize);
    EXPECT_EQ(pixels(prepared), pixels(direct));

    // The preparation is used up: changing the file now shows in the next request.
    write(QStringLiteral("mark.svg"), QByteArray(kMark).replace("#ff9900", "#0000ff"));
    const ImagePart later = platform::ui::renderImagePartNamed(QStringLiteral("mark.png"), 2.0);
    const QPointF inSquare = (QPointF(25, 35) - later.place.topLeft()) * 2.0;
    EXPECT_EQ(pixels(later).pixelColor(inSquare.toPoint()), QColor(0, 0, 0xff));
}

TEST_F(ImagesTest, TheFinisherWorksOnThePreparedPartAndItsResultComesWithIt) {
    // Names of its own: what was prepared once is not prepared again for the same name and scale.
    write(QStringLiteral("finished.svg"), kMark);
    write(QStringLiteral("plain.svg"), kMark);
    platform::ui::prepareImages({QStringLiteral("finished.png"), QStringLiteral("plain.png")}, 2.0,
                                [](const QString& name, const QImage& part, const QRectF& place, const QSizeF& full) -> std::any {
                                    if (name != QLatin1String("finished.png")) return {};
                                    return QStringLiteral("%1 %2x%3 at %4,%5 of %6x%7")
                                        .arg(name)
                                        .arg(part.width())
                                        .arg(part.height())
                                        .arg(place.left())
                                        .arg(place.top())
                                        .arg(full.width())
                                        .arg(full.height());
                                });
    // Two small pictures: the thread is done long before this (a part it has not reached yet
    // would be rendered on the spot, without the finisher).
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const ImagePart finished = platform::ui::renderImagePartNamed(QStringLiteral("finished.png"), 2.0);
    const ImagePart plain = platform::ui::renderImagePartNamed(QStringLiteral("plain.png"), 2.0);
    const ImagePart again = platform::ui::renderImagePartNamed(QStringLiteral("finished.png"), 2.0);
    const QString* seen = std::any_cast<QString>(&finished.prepared);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(*seen, QStringLiteral("finished.png %1x%2 at %3,%4 of 100x80")
                         .arg(finished.pixmap.width())
                         .arg(finished.pixmap.height())
                         .arg(finished.place.left())
                         .arg(finished.place.top()));
    EXPECT_FALSE(plain.prepared.has_value());  // the finisher made nothing of it
    EXPECT_FALSE(again.prepared.has_value());  // rendered anew
}

TEST_F(ImagesTest, APreparedPartWaitsUntilTheThreadHasRenderedIt) {
    QStringList many;
    for (int i = 0; i < 8; ++i) {
        const QString name = QStringLiteral("copy%1").arg(i);
        write(name + QStringLiteral(".svg"), kMark);
        many << name + QStringLiteral(".png");
    }
    platform::ui::prepareImages(many, 3.0);
    // Asked for in the order the thread renders them, most are taken from it rather than
    // rendered again; every one is whole.
    for (const QString& name : many) {
        const ImagePart part = platform::ui::renderImagePartNamed(name, 3.0);
        EXPECT_EQ(part.fullSize, QSizeF(100, 80)) << name.toStdString();
        EXPECT_EQ(part.pixmap.size(), (part.place.size() * 3.0).toSize()) << name.toStdString();
    }
}

TEST_F(ImagesTest, AnUnreadableFileGivesAnEmptyPartAndALogLine) {
    write(QStringLiteral("broken.svg"), "<svg this is not");
    platform::ui::prepareImages({QStringLiteral("broken.png")}, 2.0);
    const ImagePart part = platform::ui::renderImagePartNamed(QStringLiteral("broken.png"), 2.0);
    EXPECT_TRUE(part.pixmap.isNull());
    EXPECT_TRUE(part.place.isEmpty());
    ASSERT_FALSE(logged().isEmpty());
    EXPECT_TRUE(logged().last().contains(QStringLiteral("Image broken.png could not be read"))) << logged().last().toStdString();

    const ImagePart missing = platform::ui::renderImagePartNamed(QStringLiteral("nothing.png"), 2.0);
    EXPECT_TRUE(missing.pixmap.isNull());
}

}  // namespace
