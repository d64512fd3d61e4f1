#pragma once
// How big the application is drawn in a window of any size. The screens are laid out in points on
// a column 320 points wide and 480 high; a window shows that column at the largest scale that
// fits, in steps of an eighth so that a window dragged by hand does not render the artwork at a
// new scale for every pixel. A window much wider than tall shows the instrument screens side by
// side (the instrument at the left at full height, its pane at the right), on a stage 800 points
// wide.
//
// Pure functions, callable from any thread.

#include <QSize>
#include <optional>

namespace vantrel::platform::ui {

struct WindowLayout {
    double scale = 1.0;      // pixels per point
    bool landscape = false;  // the instrument screens side by side
    QSize points;            // the stage the screens are laid out on, in points
};

inline constexpr QSize kColumnPoints{320, 480};
inline constexpr QSize kLandscapePoints{800, 480};
inline constexpr double kScaleStep = 0.125;
inline constexpr double kMinimumScale = 0.5;
// Room left for the window's title bar and frame when the start size is chosen.
inline constexpr int kFrameAllowance = 48;

// The largest scale, in steps of kScaleStep and at least kMinimumScale, at which `points` fit in
// `pixels`.
double fittingScale(QSize pixels, QSize points);

// The layout of a window `pixels` large: landscape (a window wider than tall) when the
// side-by-side stage shows at least as large as the column would, else the column.
WindowLayout layoutForPixels(QSize pixels);

// The scale of a new window on a screen whose free area (without panels) is `available` pixels:
// the one the pilot left (`saved`) when it still fits there, else the largest that fits.
double startScale(QSize available, std::optional<double> saved);

}  // namespace vantrel::platform::ui
