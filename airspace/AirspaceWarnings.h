#pragma once
// The warning rules. With a fix, an altitude, the track, the ground speed and the vertical speed:
//   - inside: the aircraft is inside an airspace's outline and its altitude within the limits;
//   - entering: on its current track, ground speed and vertical speed (a straight line, a constant
//     climb or descent) it will be inside one within kLookAheadSeconds; the warning gives the time
//     and the distance to the entry.
// Limits measured from the ground are taken above ground at 0 ft (the app knows no ground height),
// and the warning says so. An altitude that is not known (NaN) is taken as inside every vertical
// range, so that no warning is missed, and the warning says so.
//
// AirspaceWarner keeps the acknowledgements: an acknowledged airspace stays quiet while it goes on
// warning, and warns again once the aircraft has left it (no warning for it at one check) and comes
// back.
//
// Ownership: the warnings point into the index they were computed on; keep the index while they
// are used. Threads: checkAirspaceWarnings is pure (any thread); a warner belongs to one thread.

#include "AirspaceIndex.h"

#include <QSet>
#include <QString>

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace vantrel::airspace {

constexpr double kLookAheadSeconds = 120.0;

struct AircraftState {
    double lat = NAN;
    double lon = NAN;
    double altitudeFeet = NAN;        // MSL; NaN when not known
    double trackDegrees = NAN;        // true; NaN when not known (then no prediction along a track)
    double groundSpeedKnots = NAN;    // NaN when not known (taken as standing still)
    double verticalSpeedFpm = NAN;    // feet per minute, climbing positive; NaN taken as level
};

struct AirspaceWarning {
    enum class Kind { Inside, Entering };

    size_t index = 0;                  // in the index's airspaces()
    const Airspace* airspace = nullptr;
    Kind kind = Kind::Inside;
    std::optional<double> secondsToEntry;   // Entering only
    std::optional<double> metresToEntry;    // Entering only: along the track
    bool groundTakenAsSeaLevel = false;     // a limit above the ground (AGL) was taken above ground at 0 ft
    bool altitudeUnknown = false;
    bool acknowledged = false;              // set by AirspaceWarner

    // "Geneva CTR (D, GND - 4500 ft MSL): inside", "... : entering in 1 min 20 s, 2.4 NM" and, when
    // it applies, "; ground taken as 0 ft MSL" / "; altitude unknown".
    QString text() const;
    // The key of the airspace, stable across reloads of the same file (file name and line).
    QString key() const;
};

// The warnings for one fix: insides first, then entries soonest first.
std::vector<AirspaceWarning> checkAirspaceWarnings(const AirspaceIndex& index, const AircraftState& aircraft,
                                                   double lookAheadSeconds = kLookAheadSeconds);

class AirspaceWarner {
public:
    // The warnings for this fix, each marked acknowledged or not. Airspaces that no longer warn
    // lose their acknowledgement.
    std::vector<AirspaceWarning> update(const AirspaceIndex& index, const AircraftState& aircraft);
    // Quiet for this airspace until it stops warning. False when it is not warning now.
    bool acknowledge(const QString& key);
    // The warnings of the last update that are not acknowledged.
    std::vector<AirspaceWarning> unacknowledged() const;
    const std::vector<AirspaceWarning>& current() const { return current_; }

private:
    std::vector<AirspaceWarning> current_;
    QSet<QString> acknowledged_;
};

}  // namespace vantrel::airspace
