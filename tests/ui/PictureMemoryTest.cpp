// Big pictures in mappings of their own: they draw like any image, a copy that is changed leaves
// the original as it was, and once the last copy goes the mapping waits for the next picture of
// its size, a few at most, until it is given back.

#include "platform/ui/PictureMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstdint>
#include <vector>

using vantrel::platform::ui::keepPictureReady;
using vantrel::platform::ui::newPicture;
using vantrel::platform::ui::releaseUnusedPictures;
using vantrel::platform::ui::unusedPictureBytes;

// The mapping of a 640 x 640 picture of 32 bits: 400 pages of 4 kB.
constexpr qsizetype kSquare = 640 * 640 * 4;

namespace {

// Whether an address of this process lies in one of its mappings.
bool isMapped(const void* address) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) return false;
    const auto at = quint64(reinterpret_cast<std::uintptr_t>(address));
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> range = line.split(' ').value(0).split('-');
        if (range.size() != 2) continue;
        if (at >= range[0].toULongLong(nullptr, 16) && at < range[1].toULongLong(nullptr, 16)) return true;
    }
    return false;
}

// Runs the main loop until the bytes waiting are as expected, or twenty seconds have gone (the
// worker runs at idle priority: on a busy machine it may wait its turn).
bool waitUntilWaiting(qsizetype bytes) {
    QElapsedTimer clock;
    clock.start();
    while (unusedPictureBytes() != bytes && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return unusedPictureBytes() == bytes;
}

// How many of the pages of a mapping are in memory.
qsizetype residentPages(const void* start, qsizetype bytes) {
    std::vector<unsigned char> pages(size_t((bytes + 4095) / 4096));
    if (mincore(const_cast<void*>(start), size_t(bytes), pages.data()) != 0) return -1;
    qsizetype resident = 0;
    for (unsigned char page : pages) resident += page & 1;
    return resident;
}

TEST(PictureMemory, ABigPictureDrawsLikeAnImageAndItsMappingServesTheNext) {
    releaseUnusedPictures(true);
    const void* pixels = nullptr;
    {
        QImage picture = newPicture(QSize(640, 640), QImage::Format_ARGB32_Premultiplied, 2.0);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), QSize(640, 640));
        EXPECT_EQ(picture.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(picture.devicePixelRatio(), 2.0);
        EXPECT_EQ(picture.bytesPerLine(), 640 * 4);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(picture.constBits()) % 4096, 0u) << "the pixels start a mapping";
        pixels = picture.constBits();
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            painter.fillRect(QRectF(10, 20, 5, 5), Qt::red);  // points: device pixels 20..29, 40..49
        }
        EXPECT_EQ(picture.constBits(), pixels) << "drawn in place";
        EXPECT_EQ(picture.pixel(25, 45), qRgb(255, 0, 0));
        EXPECT_EQ(picture.pixel(639, 639), 0u);

        // A copy that is changed gets pixels of its own.
        QImage copy = picture;
        copy.setPixel(25, 45, qRgb(0, 0, 255));
        EXPECT_EQ(picture.pixel(25, 45), qRgb(255, 0, 0));
        EXPECT_NE(copy.constBits(), pixels);

        // A copy that is only read shares the mapping and keeps it while it lives.
        QImage reader = picture;
        picture = QImage();
        EXPECT_EQ(unusedPictureBytes(), 0);
        EXPECT_EQ(reader.pixel(25, 45), qRgb(255, 0, 0));
    }
    EXPECT_EQ(unusedPictureBytes(), kSquare) << "the last copy gone, the mapping waits";
    EXPECT_TRUE(isMapped(pixels));

    // The next picture of its size takes it; one of another size does not.
    QImage larger = newPicture(QSize(1200, 1000), QImage::Format_RGB32, 1.0);
    EXPECT_NE(larger.constBits(), pixels);
    EXPECT_EQ(unusedPictureBytes(), kSquare);
    QImage next = newPicture(QSize(640, 640), QImage::Format_RGB32, 2.0);
    EXPECT_EQ(next.constBits(), pixels);
    EXPECT_EQ(unusedPictureBytes(), 0);
    next = QImage();
    larger = QImage();

    releaseUnusedPictures(false);
    EXPECT_EQ(unusedPictureBytes(), kSquare + 1172 * 4096) << "just let go: not yet given back";
    releaseUnusedPictures(true);
    EXPECT_EQ(unusedPictureBytes(), 0);
    EXPECT_FALSE(isMapped(pixels)) << "given back";
}

TEST(PictureMemory, AFewMappingsWaitAtMost) {
    releaseUnusedPictures(true);
    std::vector<QImage> pictures;
    std::vector<const void*> pixels;
    for (int i = 0; i < vantrel::platform::ui::kMostUnusedMappings + 2; ++i) {
        pictures.push_back(newPicture(QSize(640, 640), QImage::Format_ARGB32_Premultiplied, 2.0));
        pixels.push_back(pictures.back().constBits());
    }
    pictures.clear();  // in order: all but the last two let go are given back at once
    EXPECT_EQ(unusedPictureBytes(), vantrel::platform::ui::kMostUnusedMappings * kSquare);
    EXPECT_FALSE(isMapped(pixels[0]));
    EXPECT_FALSE(isMapped(pixels[1]));
    EXPECT_TRUE(isMapped(pixels[pixels.size() - 2]));
    releaseUnusedPictures(true);
    EXPECT_FALSE(isMapped(pixels.back()));
}

TEST(PictureMemory, OneMappingIsKeptReadyInMemoryForTheNextPicture) {
    releaseUnusedPictures(true);
    keepPictureReady(QSize(640, 640), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(unusedPictureBytes(), 0) << "made once the main loop runs";
    ASSERT_TRUE(waitUntilWaiting(kSquare));

    // The picture takes it with every page already in memory: nothing to fault in.
    QImage first = newPicture(QSize(640, 640), QImage::Format_RGB32, 2.0);
    EXPECT_EQ(unusedPictureBytes(), 0);
    EXPECT_EQ(residentPages(first.constBits(), kSquare), kSquare / 4096);

    // None left of that size: another is made, and the timer of the waiting ones leaves it.
    ASSERT_TRUE(waitUntilWaiting(kSquare));
    QImage second = newPicture(QSize(640, 640), QImage::Format_RGB32, 2.0);
    EXPECT_NE(second.constBits(), first.constBits());
    EXPECT_EQ(residentPages(second.constBits(), kSquare), kSquare / 4096);
    ASSERT_TRUE(waitUntilWaiting(kSquare));
    releaseUnusedPictures(false);
    EXPECT_EQ(unusedPictureBytes(), kSquare);

    // Kept ready for none, the last one taken is not made again.
    keepPictureReady(QSize(), QImage::Format_RGB32);
    QImage third = newPicture(QSize(640, 640), QImage::Format_RGB32, 2.0);
    EXPECT_EQ(unusedPictureBytes(), 0);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2 * vantrel::platform::ui::kReadyCheckDelayMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(unusedPictureBytes(), 0);
    first = second = third = QImage();
    releaseUnusedPictures(true);
}

TEST(PictureMemory, SmallAndOddPicturesArePlainImages) {
    const QImage small = newPicture(QSize(100, 100), QImage::Format_RGB32, 1.0);
    EXPECT_EQ(small.size(), QSize(100, 100));
    EXPECT_LT(small.sizeInBytes(), vantrel::platform::ui::kMappedPictureBytes);

    // A width whose lines need padding: each line still starts on 4 bytes.
    QImage odd = newPicture(QSize(1001, 700), QImage::Format_RGB888, 1.0);
    ASSERT_FALSE(odd.isNull());
    EXPECT_EQ(odd.bytesPerLine() % 4, 0);
    EXPECT_GE(odd.bytesPerLine(), 1001 * 3);
    odd.fill(Qt::white);
    EXPECT_EQ(odd.pixel(1000, 699), qRgb(255, 255, 255));

    EXPECT_TRUE(newPicture(QSize(0, 10), QImage::Format_RGB32, 1.0).isNull());
}

}  // namespace
