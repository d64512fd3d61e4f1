#pragma once
// Images by name from the bundle, as the screens and instruments ask for them ("Default.png",
// "ring.png"). Artwork ships as SVG: a request for "name.png" is served by "name.png" if the bundle
// has one, else by "name.svg" rendered at its own size in points, sharp on the screen's device
// pixel ratio. Images are cached by name for the life of the process.
//
// Threads: main thread only (Qt's pixmaps belong to the GUI thread).

#include <QPixmap>
#include <QSize>
#include <QString>

namespace vantrel::platform::ui {

// The image, or a null pixmap when the bundle has none of that name. Its size() in points is
// pixmap.deviceIndependentSize().
QPixmap imageNamed(const QString& name);

// The path of the file that serves an image name (png or svg), or empty.
QString imagePath(const QString& name);

}  // namespace vantrel::platform::ui
