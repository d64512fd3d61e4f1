#include "WindowScale.h"

#include <algorithm>
#include <cmath>

namespace vantrel::platform::ui {

double fittingScale(QSize pixels, QSize points) {
    if (pixels.width() <= 0 || pixels.height() <= 0) return kMinimumScale;
    const double fit = std::min(double(pixels.width()) / points.width(), double(pixels.height()) / points.height());
    // A hair of tolerance, so that a window exactly 1.25 times the column is not taken for less.
    const double stepped = std::floor(fit / kScaleStep + 1e-9) * kScaleStep;
    return std::max(kMinimumScale, stepped);
}

WindowLayout layoutForPixels(QSize pixels) {
    const double column = fittingScale(pixels, kColumnPoints);
    const double wide = fittingScale(pixels, kLandscapePoints);
    if (wide >= column && pixels.width() > pixels.height()) return {wide, true, kLandscapePoints};
    return {column, false, kColumnPoints};
}

double startScale(QSize available, std::optional<double> saved) {
    const QSize room(available.width(), available.height() - kFrameAllowance);
    const double fit = fittingScale(room, kColumnPoints);
    if (saved && std::isfinite(*saved) && *saved >= kMinimumScale && *saved <= fit) return *saved;
    return fit;
}

}  // namespace vantrel::platform::ui
