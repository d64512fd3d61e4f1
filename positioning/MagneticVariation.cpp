#include "MagneticVariation.h"

#include "Geodesy.h"
#include "MagneticModel.h"

#include "platform/core/Log.h"
#include "platform/core/UserNotice.h"

#include <QDateTime>

#include <cmath>

namespace vantrel::positioning {

MagneticVariation& MagneticVariation::shared() {
    static MagneticVariation variation;
    return variation;
}

MagneticVariation::MagneticVariation(const MagneticModel* model) : model_(model ? model : MagneticModel::builtIn()) {}

std::optional<double> MagneticVariation::atFix(const Fix& fix) {
    if (!fix.hasValidCoordinate()) return std::nullopt;
    if (evaluatedAt_ && variation_) {
        const Fix& last = *evaluatedAt_;
        const double age = std::abs(fix.timestamp - last.timestamp);
        if (age < kReuseSeconds &&
            Geodesy::calcDistanceInMeters(last.longitude, last.latitude, fix.longitude, fix.latitude) < kReuseMetres)
            return variation_;
    }
    variation_ = at(fix.latitude, fix.longitude, fix.altitude.value_or(0.0), fix.timestamp);
    evaluatedAt_ = fix;
    return variation_;
}

std::optional<double> MagneticVariation::at(double latitude, double longitude, double altitude, double timestamp) {
    if (!model_ || !std::isfinite(latitude) || !std::isfinite(longitude) || std::abs(latitude) > 90.0) return std::nullopt;
    if (!std::isfinite(timestamp)) timestamp = double(QDateTime::currentSecsSinceEpoch());
    const double year = MagneticModel::decimalYear(timestamp);
    ++evaluations_;
    const MagneticField field = model_->field(latitude, longitude, std::isfinite(altitude) ? altitude : 0.0, year);
    if (field.expired) noteExpiry(year);
    if (!std::isfinite(field.declination)) return std::nullopt;
    return field.declination;
}

void MagneticVariation::noteExpiry(double year) {
    if (expiryReported_) return;
    expiryReported_ = true;
    const QString text = model_->expiryText(year);
    platform::logLine(text);
    platform::postUserNotice(this, QStringLiteral("magnetic model expired"), QStringLiteral("Magnetic model expired"),
                             text);
}

}  // namespace vantrel::positioning
