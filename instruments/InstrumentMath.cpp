#include "InstrumentMath.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace vantrel::instruments {

bool circularNavigationValid(bool accuracyValidForNav, double distanceMetres) {
    return accuracyValidForNav && !std::isnan(distanceMetres) && distanceMetres < kMaximumNavigationDistance;
}

int16_t truncatedBearing(float bearing) {
    if (!std::isfinite(bearing)) return 0;
    return static_cast<int16_t>(std::trunc(bearing));
}

float differentialAngle(float ringAngle, int16_t angleToReference) {
    const float r = ringAngle;
    const float a = static_cast<float>(angleToReference);
    const float x = r > a ? r - a : (r + 360.0f) - a;
    return x <= 180.0f ? -x : 360.0f - x;
}

AnimationStep animationStep(float indicatorAngle, float targetIndicatorAngle) {
    const float difference = targetIndicatorAngle - indicatorAngle;
    if (!std::isfinite(difference)) return {std::isfinite(targetIndicatorAngle) ? targetIndicatorAngle : indicatorAngle, false};
    // Truncated towards zero; an absurdly far target is brought near first so that the cast is defined.
    double truncated = std::trunc(static_cast<double>(difference));
    if (std::abs(truncated) > 1e6) truncated = std::fmod(truncated, 360.0);
    int diff = static_cast<int>(truncated);
    if (diff > 180) diff -= 360;
    if (diff < -180) diff += 360;
    if (diff < -2) return {indicatorAngle - kAnimationStepDegrees, true};
    if (diff > 2) return {indicatorAngle + kAnimationStepDegrees, true};
    return {targetIndicatorAngle, false};
}

float ringAngleForDrag(float startTouchAngle, QPointF startTouch, QPointF location, double boundsWidth) {
    const float side = startTouch.x() < 0.5 * boundsWidth ? -1.0f : 1.0f;
    float angle = startTouchAngle + static_cast<float>(startTouch.y() - location.y()) * side * 0.5f;
    if (angle > 360.0f) angle -= 360.0f;
    else if (angle < 0.0f) angle += 360.0f;
    return angle;
}

float ringAngleTurnedBy(float ringAngle, float degrees) {
    float angle = std::fmod(ringAngle + degrees, 360.0f);
    if (angle < 0.0f) angle += 360.0f;
    return angle;
}

float increasedAngle(float ringAngle) {
    const float angle = ringAngle + 1.0f;
    return angle >= 360.0f ? 0.0f : angle;
}

VorIndication vorIndication(float d, bool navIsValid) {
    VorIndication result;
    if (!navIsValid) return result;  // no flag, needle full left
    result.flag = std::abs(d) > 90.0f ? VorFlag::From : VorFlag::To;
    float o = d;
    // Behind the station the deviation is measured from the reciprocal course.
    if (d < -90.0f) o = -180.0f - d;
    else if (d > 90.0f) o = 180.0f - d;
    if (std::abs(o) > kVorFullScale) o = o < 0 ? -kVorFullScale : kVorFullScale;
    result.deflection = o;
    return result;
}

QRectF vorNeedleArea(const QRectF& bounds) { return bounds.adjusted(50, 50, -50, -50).adjusted(20, 0, -20, 0); }

float vorNeedleLeft(const QRectF& bounds, float deflection) {
    const QRectF n = vorNeedleArea(bounds);
    return static_cast<float>(n.x() + n.width() * 0.5 + deflection * (n.width() / 24.0) - 3.0);
}

float adfTargetAngle(int16_t angleToReference, float trackAngle) {
    return (360.0f - static_cast<float>(angleToReference)) + trackAngle;
}

QString trackText(float trackAngle) {
    if (!std::isfinite(trackAngle) || trackAngle < 0.0f) return QStringLiteral("---°");
    return QString::asprintf("%03u°", static_cast<unsigned>(trackAngle));
}

QString bearingText(float angle, bool magnetic) { return trackText(angle) + (magnetic ? u'M' : u'T'); }

float bearingFromNorth(float trueBearing, std::optional<double> variation) {
    if (!variation || !std::isfinite(*variation)) return trueBearing;
    float shown = std::fmod(trueBearing - float(*variation), 360.0f);
    if (shown < 0.0f) shown += 360.0f;
    return shown >= 360.0f ? 0.0f : shown;
}

QString altitudeText(std::optional<double> metres, double heightFactor, const QString& heightUnit) {
    if (!metres || !std::isfinite(*metres * heightFactor)) return QStringLiteral("--");
    const double shown = std::round(*metres * heightFactor) + 0.0;  // no "-0"
    return QStringLiteral("%1 %2").arg(QString::asprintf("%.0f", shown == 0.0 ? 0.0 : shown), heightUnit);
}

QString heightText(std::optional<double> altitude, std::optional<double> pressureAltitude, double heightFactor,
                   const QString& heightUnit) {
    const auto known = [heightFactor](std::optional<double> metres) { return metres && std::isfinite(*metres * heightFactor); };
    if (known(altitude) || !known(pressureAltitude)) return altitudeText(altitude, heightFactor, heightUnit);
    constexpr double kMetresPerFoot = 0.3048;
    const double level = std::round(*pressureAltitude / kMetresPerFoot / 100.0) + 0.0;  // no "-0"
    return QString::asprintf("FL%03.0f", std::clamp(level, -99.0, 999.0));
}

QString verticalSpeedText(std::optional<double> metresPerSecond, double heightFactor, const QString& heightUnit) {
    if (!metresPerSecond || !std::isfinite(*metresPerSecond * heightFactor)) return QStringLiteral("--");
    if (heightUnit == QLatin1String("m")) {
        const double v = std::round(*metresPerSecond * heightFactor * 10.0) / 10.0;
        return v == 0.0 ? QStringLiteral("0.0 m/s") : QString::asprintf("%+.1f m/s", v);
    }
    const double fpm = std::round(*metresPerSecond * heightFactor * 60.0 / 10.0) * 10.0;
    return fpm == 0.0 ? QStringLiteral("0 fpm") : QString::asprintf("%+.0f fpm", fpm);
}

QString speedText(double metresPerSecond, double speedFactor, const QString& unit) {
    const double value = metresPerSecond * speedFactor;
    if (!std::isfinite(value)) return QStringLiteral("-- %1").arg(unit);
    return QStringLiteral("%1 %2").arg(QString::asprintf("%.0f", value), unit);
}

}  // namespace vantrel::instruments
