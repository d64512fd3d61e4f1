#pragma once
// A position fix: what every position source delivers and what the location manager keeps.
// A plain value (copied freely between threads).

#include <QString>

#include <cmath>
#include <optional>

namespace vantrel::positioning {

struct Fix {
    double latitude = 0.0;    // degrees, north positive
    double longitude = 0.0;   // degrees, east positive
    // Metres; negative or NaN means the position is not to be trusted.
    double horizontalAccuracy = -1.0;
    double timestamp = 0.0;   // seconds since 1970, UTC
    // Height, when the source gives it: GNSS altitude above mean sea level (metres), pressure
    // altitude in the standard atmosphere (metres) and vertical speed (metres per second, up
    // positive). Sources pass them through plausibleAltitude / plausibleVerticalSpeed.
    std::optional<double> altitude;
    std::optional<double> pressureAltitude;
    std::optional<double> verticalSpeed;

    bool hasValidCoordinate() const {
        return std::isfinite(latitude) && std::isfinite(longitude) && std::abs(latitude) <= 90.0 &&
               std::abs(longitude) <= 180.0;
    }

    // "<+46.50000000,+6.25000000> +/- 5.00m @ 2024-05-01 12:00:01.000 UTC", for the log.
    QString description() const;
};

// The accuracy given to a fix whose source reports no error estimate at all (an RMC-only NMEA
// stream, gpsd without DOP): a plain single-frequency fix, usable for navigation and for speed and
// course, but never mistaken for a precise one.
inline constexpr double kUnknownAccuracyMetres = 50.0;

// Altitudes an aircraft can have; a source's value outside them is a fault, not a height.
inline constexpr double kLowestAltitudeMetres = -1000.0;
inline constexpr double kHighestAltitudeMetres = 30000.0;
// Faster than any aircraft we serve climbs or sinks (about 20 000 ft a minute).
inline constexpr double kFastestVerticalSpeed = 100.0;

// The value when it is a finite altitude within the limits above, else nothing.
inline std::optional<double> plausibleAltitude(double metres) {
    if (!std::isfinite(metres) || metres < kLowestAltitudeMetres || metres > kHighestAltitudeMetres) return std::nullopt;
    return metres;
}
inline std::optional<double> plausibleVerticalSpeed(double metresPerSecond) {
    if (!std::isfinite(metresPerSecond) || std::abs(metresPerSecond) > kFastestVerticalSpeed) return std::nullopt;
    return metresPerSecond;
}

}  // namespace vantrel::positioning
