#pragma once
// The arithmetic of the round instruments, without a window: when an instrument may navigate, the
// course deviation, the VOR's flag and needle, the ADF's target, one step of the indicator
// animation and the ring turned by a drag. The views call these; tests drive them directly.
//
// Angles are degrees clockwise from north, in single precision as the instruments hold them.
// Threads: pure functions, any thread.

#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <optional>

namespace vantrel::instruments {

// The single-precision degree-to-radian factor that every rotation of the instruments uses.
inline constexpr float kDegreesToRadians = 0.0174532f;

// Beyond this distance (250 nautical miles) a waypoint is out of range for the round instruments.
inline constexpr double kMaximumNavigationDistance = 463000.0;

// Valid when the fix is good enough for navigation and the distance is a number below the limit.
bool circularNavigationValid(bool accuracyValidForNav, double distanceMetres);

// The bearing truncated towards zero to whole degrees, as the instruments keep it; 0 for a
// bearing that is not a number.
int16_t truncatedBearing(float bearing);

// The bearing to the waypoint minus the ring's course, in [-180, 180): negative when the waypoint
// lies left of the course, beyond +-90 when it lies behind it.
float differentialAngle(float ringAngle, int16_t angleToReference);

// One step of the indicator moving 2 degrees at a time towards its target by the shorter way.
struct AnimationStep {
    float indicatorAngle = 0;
    bool again = false;  // another step is due after kAnimationStepSeconds
};
inline constexpr double kAnimationStepSeconds = 0.1;
inline constexpr float kAnimationStepDegrees = 2.0f;
AnimationStep animationStep(float indicatorAngle, float targetIndicatorAngle);

// The ring angle while a drag goes on: 0.5 degree per point of vertical movement, the sense given
// by the half of the view the drag began on, wrapped once into [0, 360].
float ringAngleForDrag(float startTouchAngle, QPointF startTouch, QPointF location, double boundsWidth);
// The ring turned by a number of degrees (the wheel), wrapped into [0, 360).
float ringAngleTurnedBy(float ringAngle, float degrees);
// The VOR's course selector one degree up; 360 and above start again at 0.
float increasedAngle(float ringAngle);

// The VOR's flag and needle for a course deviation d (see differentialAngle).
enum class VorFlag { None, To, From };
inline constexpr float kVorFullScale = 12.0f;
struct VorIndication {
    VorFlag flag = VorFlag::None;
    float deflection = -kVorFullScale;  // degrees, -12 (full left) to +12 (full right)
};
VorIndication vorIndication(float differentialAngle, bool navIsValid);
// The needle bar's left edge in the bounds of the view: 1 degree moves it N.width / 24 points,
// where N is the bounds inset by 50 all round and by 20 more left and right.
float vorNeedleLeft(const QRectF& bounds, float deflection);
QRectF vorNeedleArea(const QRectF& bounds);

// The ADF's target indicator angle, not wrapped (0 to below 720).
float adfTargetAngle(int16_t angleToReference, float trackAngle);
// The ADF needs the aircraft moving.
inline constexpr float kAdfMinimumSpeed = 3.0f;
// The compass card is valid above this speed.
inline constexpr float kCompassMinimumSpeed = 3.0f;

// "%03i°" of an angle truncated to a whole unsigned number; "---°" for an angle that is not a number.
QString trackText(float trackAngle);
// trackText with the mark of the north the angle is from: "048°M", "048°T"; "---°M" for no angle.
QString bearingText(float angle, bool magnetic);
// A true bearing less the magnetic variation (degrees east) when there is one, in [0, 360).
float bearingFromNorth(float trueBearing, std::optional<double> variation);
// "4500 ft" or "1370 m": metres times the height factor, to the unit; "--" without a value.
QString altitudeText(std::optional<double> metres, double heightFactor, const QString& heightUnit);
// The height on the panes: the GNSS altitude above sea level as altitudeText; without one, the
// pressure altitude as a flight level ("FL040": hundreds of feet in the standard atmosphere, in any
// unit system), as a GDL90 receiver's ownship report gives only that. "--" without either.
QString heightText(std::optional<double> altitude, std::optional<double> pressureAltitude, double heightFactor,
                   const QString& heightUnit);
// "+500 fpm" (to ten feet a minute) for feet, "+2.5 m/s" for metres; "0 fpm" level; "--" without a
// value.
QString verticalSpeedText(std::optional<double> metresPerSecond, double heightFactor, const QString& heightUnit);

// "%.0f %@" of a speed in metres per second times the factor; "--" with the unit when not a number.
QString speedText(double metresPerSecond, double speedFactor, const QString& unit);

}  // namespace vantrel::instruments
