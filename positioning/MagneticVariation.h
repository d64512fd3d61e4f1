#pragma once
// The magnetic variation (declination, degrees east positive) that the instruments turn their
// bearings by: the built-in magnetic model evaluated at the aircraft's fix, kept until the fix has
// moved a kilometre or a second of fix time has passed, so a fix through every instrument costs one
// evaluation at most. Past the model's end it goes on computing and says so once: a log line and
// a user notice (shown as an alert by the app).
//
// Ownership: shared() lives until the process ends. Threads: main thread only.

#include "Fix.h"

#include <optional>

namespace vantrel::positioning {

class MagneticModel;

class MagneticVariation {
public:
    static constexpr double kReuseSeconds = 1.0;
    static constexpr double kReuseMetres = 1000.0;

    static MagneticVariation& shared();

    // A cache of its own over the model (tests, benchmarks); nullptr: the built-in model.
    explicit MagneticVariation(const MagneticModel* model = nullptr);

    // At the fix, from the cache when it is near enough in time and place; nothing when the model
    // is missing or the fix has no usable position.
    std::optional<double> atFix(const Fix& fix);
    // At any place (metres above mean sea level) and time (seconds since 1970), not cached.
    std::optional<double> at(double latitude, double longitude, double altitude, double timestamp);

    int evaluations() const { return evaluations_; }  // model evaluations so far
    bool expiryReported() const { return expiryReported_; }

private:
    void noteExpiry(double decimalYear);

    const MagneticModel* model_;
    std::optional<Fix> evaluatedAt_;
    std::optional<double> variation_;
    int evaluations_ = 0;
    bool expiryReported_ = false;
};

}  // namespace vantrel::positioning
