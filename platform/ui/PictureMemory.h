#pragma once
// Big pictures in memory of their own. A picture of a megabyte or more (an instrument's kept
// picture is 1.6 MB at 2x) made in memory that the allocator has given back to the system is
// faulted in four kilobytes at a time when it is first drawn: about 4 ms a picture on a virtual
// machine, which made showing an instrument again cost 12 ms instead of 3. Such a picture gets a
// mapping of its own, aligned for the system's transparent huge pages where it has them (one fault
// for two megabytes), and the mapping goes back to the system as soon as the last copy of the
// picture goes. Smaller pictures, and any picture when the mapping fails, are plain images.
//
// Threads: any.

#include <QImage>
#include <QSize>

namespace vantrel::platform::ui {

// An uninitialised picture of pixels in format, at scale device pixels per point.
QImage newPicture(QSize pixels, QImage::Format format, qreal scale);

// The size from which newPicture maps the pixels apart.
constexpr qsizetype kMappedPictureBytes = qsizetype(1) << 20;

}  // namespace vantrel::platform::ui
