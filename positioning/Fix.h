#pragma once
// A position fix: what every position source delivers and what the location manager keeps.
// A plain value (copied freely between threads).

#include <QString>

#include <cmath>

namespace vantrel::positioning {

struct Fix {
    double latitude = 0.0;    // degrees, north positive
    double longitude = 0.0;   // degrees, east positive
    // Metres; negative or NaN means the position is not to be trusted.
    double horizontalAccuracy = -1.0;
    double timestamp = 0.0;   // seconds since 1970, UTC

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

}  // namespace vantrel::positioning
