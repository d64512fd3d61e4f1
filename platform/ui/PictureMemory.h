#pragma once
// Big pictures in memory of their own, kept for the next picture. A picture of a megabyte or more
// (an instrument's kept picture is 1.6 MB at 2x) made in memory that had gone back to the system
// is faulted in, four kilobytes at a time, when it is first drawn: about 4 ms a picture on a
// virtual machine, which made showing an instrument again cost 15 ms instead of 4. Such a picture
// gets a mapping of its own. When the last copy of the picture goes, its mapping waits for the
// next picture of its size (the next screen's instrument takes the pictures the last one let go)
// and goes back to the system once it has waited half a minute (the main loop looks every half
// minute, so it may wait up to a minute). Two wait at most: an instrument keeps
// one or two pictures and needs one more while it rebuilds them, so that after the next instrument
// has taken what it needs, at most one is left waiting.
// Smaller pictures, and any picture when the mapping fails, are plain images.
//
// A mapping can also be kept ready for pictures of one size (keepPictureReady): when the main
// loop finds none of that size waiting, a worker thread maps and touches one, so that the next
// instrument shown finds its memory in place instead of faulting it in on the main thread. The
// newest one of that size is not given back on the timer.
//
// Threads: any. Mappings left unused are given back from the main loop.

#include <QImage>
#include <QSize>

namespace vantrel::platform::ui {

// An uninitialised picture of pixels in format, at scale device pixels per point.
QImage newPicture(QSize pixels, QImage::Format format, qreal scale);

// The size from which newPicture maps the pixels apart.
constexpr qsizetype kMappedPictureBytes = qsizetype(1) << 20;
// How long a mapping let go waits for a picture, and how many wait at most.
constexpr int kUnusedMappingMs = 30000;
constexpr int kMostUnusedMappings = 2;
// How long after a picture of the size kept ready is taken the main loop looks whether one is left.
constexpr int kReadyCheckDelayMs = 250;

// Keeps one mapping ready for pictures of pixels in format (as newPicture would make them) from
// now on; an empty size keeps none. The main loop looks kReadyCheckDelayMs after this call, and
// after each picture of that size is made; when none of that size waits, a worker thread at idle
// priority makes one.
void keepPictureReady(QSize pixels, QImage::Format format);

// The bytes of mappings that wait for a picture now.
qsizetype unusedPictureBytes();
// Gives back the mappings that have waited kUnusedMappingMs or more, but the newest one of the
// size kept ready, as the main loop does on its own; with everything set, all of them.
void releaseUnusedPictures(bool everything = false);

}  // namespace vantrel::platform::ui
