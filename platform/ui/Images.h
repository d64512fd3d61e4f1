#pragma once
// Images by name from the bundle, as the screens and instruments ask for them ("Default.png",
// "ring.png"). Artwork ships as SVG: a request for "name.png" is served by "name.png" if the bundle
// has one, else by "name.svg" rendered at its own size in points, sharp on the screen's device
// pixel ratio. Images are cached by name and scale for the life of the process, so that a drawing
// that runs every frame never renders artwork again.
//
// Threads: main thread only (Qt's pixmaps belong to the GUI thread).

#include <QImage>
#include <QPixmap>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <any>
#include <functional>

namespace vantrel::platform::ui {

// The image, or a null pixmap when the bundle has none of that name. Its size() in points is
// pixmap.deviceIndependentSize().
QPixmap imageNamed(const QString& name);
// The same rendered for a given device pixel ratio (an offscreen picture at 2x, a second screen).
QPixmap imageNamed(const QString& name, qreal scale);
// The image for whatever the painter draws on, at that device's pixel ratio.
QPixmap imageNamed(const QString& name, const class QPainter& painter);

// The same rendered anew and not kept: for callers that keep a smaller copy of their own (the
// instruments keep only the drawn part of their full-size artwork).
QPixmap renderImageNamed(const QString& name, qreal scale);
// The same at the screen's pixel ratio: for a picture shown once (the launch image), which the
// cache would keep for nothing.
QPixmap renderImageNamed(const QString& name);

// The drawn part of a picture: the smallest rectangle that holds every pixel not fully
// transparent, in the picture's points; empty when nothing is drawn. Any thread.
QRectF opaqueRect(const QImage& image);

// A full-size picture cut to its drawn part: most of an instrument's overlay is transparent, and
// blending the empty rest would cost every frame.
struct ImagePart {
    QPixmap pixmap;   // the drawn part alone, at the picture's scale; null when nothing is drawn
    QRectF place;     // where that part lies in the full picture, in points
    QSizeF fullSize;  // the full picture's size in points
    std::any prepared;  // what prepareImages' finisher made of it; empty when rendered on the spot
};
// Rendered anew, or taken from what prepareImages rendered ahead; not kept.
ImagePart renderImagePartNamed(const QString& name, qreal scale);

// Renders the drawn parts of the named SVG images at a scale on a thread of their own, ahead of
// their first use, so that the first showing of a screen does not render and cut full-size
// artwork on the main thread (5 to 10 ms per 640 x 640 picture). A later renderImagePartNamed of
// one of them takes the prepared part: at once when it is ready, after a short wait while it is
// being rendered, or rendered on the spot when the thread has not reached it yet. Each prepared
// part serves one request, and a name asked for once at a scale is not prepared again. Main
// thread only.
//
// finish, when given, runs on that thread too, right after each cut, on the part's pixels (the
// instruments split a picture that turns there); what it returns comes with the part.
using PartFinisher = std::function<std::any(const QString& name, const QImage& part, const QRectF& place, const QSizeF& fullSize)>;
void prepareImages(const QStringList& names, qreal scale, PartFinisher finish = {});
// The same at the screen's pixel ratio.
void prepareImages(const QStringList& names, PartFinisher finish = {});

// The path of the file that serves an image name (png or svg), or empty.
QString imagePath(const QString& name);

}  // namespace vantrel::platform::ui
