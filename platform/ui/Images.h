#pragma once
// Images by name from the bundle, as the screens and instruments ask for them ("Default.png",
// "ring.png"). Artwork ships as SVG: a request for "name.png" is served by "name.png" if the bundle
// has one, else by "name.svg" rendered at its own size in points, sharp on the screen's device
// pixel ratio. Images are cached by name and scale for the life of the process, so that a drawing
// that runs every frame never renders artwork again.
//
// Threads: main thread only (Qt's pixmaps belong to the GUI thread).

#include <QPixmap>
#include <QSize>
#include <QString>

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

// The path of the file that serves an image name (png or svg), or empty.
QString imagePath(const QString& name);

}  // namespace vantrel::platform::ui
