#include "PictureMemory.h"

#include <sys/mman.h>

#include <cstdint>

namespace vantrel::platform::ui {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

struct Mapping {
    void* start;
    std::size_t length;
};

void unmap(void* info) {
    auto* mapping = static_cast<Mapping*>(info);
    munmap(mapping->start, mapping->length);
    delete mapping;
}

}  // namespace

QImage newPicture(QSize pixels, QImage::Format format, qreal scale) {
    QImage plain;
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype line = ((qsizetype(pixels.width()) * depth + 31) / 32) * 4;
    const qsizetype bytes = line * pixels.height();
    if (pixels.isEmpty() || depth < 8 || bytes < kMappedPictureBytes) {
        plain = QImage(pixels, format);
        plain.setDevicePixelRatio(scale);
        return plain;
    }
    // Whole huge pages, at a huge page boundary: map one page more and give back the ends.
    const std::size_t length = (std::size_t(bytes) + kHugePage - 1) / kHugePage * kHugePage;
    void* mapped = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        plain = QImage(pixels, format);
        plain.setDevicePixelRatio(scale);
        return plain;
    }
    auto* base = static_cast<unsigned char*>(mapped);
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(base);
    auto* start = reinterpret_cast<unsigned char*>((address + kHugePage - 1) / kHugePage * kHugePage);
    if (start > base) munmap(base, std::size_t(start - base));
    const std::size_t tail = kHugePage - std::size_t(start - base);
    if (tail > 0) munmap(start + length, tail);
    // Without huge pages the picture still gets its own mapping, given back when it goes.
    madvise(start, length, MADV_HUGEPAGE);
    auto* mapping = new Mapping{start, length};
    QImage picture(start, pixels.width(), pixels.height(), line, format, unmap, mapping);
    picture.setDevicePixelRatio(scale);
    return picture;
}

}  // namespace vantrel::platform::ui
