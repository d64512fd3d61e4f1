#pragma once
// The look shared by every control of the toolkit: black backgrounds, orange texts, black bars
// with white titles, and the phone's fonts (Helvetica, served by a metric twin where it is not
// installed). Sizes are in points.
//
// Threads: main thread only (fonts and painting belong to the GUI thread).

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRectF>

class QPainter;

namespace vantrel::platform::ui {

// The navigation bar's and search bar's look.
enum class BarStyle { Default = 0, Black = 1 };

namespace style {

QColor orange();            // texts and highlights
QColor background();        // screens, tables, cells
QColor separator();         // lines between table rows
QColor selectionBlue();     // highlight of a tapped row
QColor selectionGray();
QColor detailBlue();        // the detail disclosure button
QColor deleteRed();         // the delete control and the Delete button

QFont font(double pixelSize, bool bold = false);

// The gradient of a bar (navigation bar, tab bar, search bar) in its tint colour; an invalid tint
// gives the black bar.
void paintBarBackground(QPainter& painter, const QRectF& rect, const QColor& tint);

// A bordered bar button, optionally with the back-pointing left end.
void paintBarButton(QPainter& painter, const QRectF& rect, const QColor& tint, bool pressed, bool backShape,
                    bool highlighted);

// A transparent image of that size in points, sharp on the screen's pixel ratio, to draw icons on.
QPixmap blankImage(const QSize& points);

// A pixmap drawn through its alpha channel only, filled with one colour (tab icons).
QPixmap tinted(const QPixmap& source, const QColor& colour);

}  // namespace style
}  // namespace vantrel::platform::ui
