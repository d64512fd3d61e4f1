#pragma once
// Great-circle distances from one point to many, for the distance query over the whole database.
//
// The figures are those of Geodesy::calcDistanceInMeters (the same haversine, the same constants),
// computed four at a time with the C library's vector sine, cosine and arcsine where the machine
// has them (x86-64 with AVX2 and glibc): these agree with the scalar functions to within a few
// units in the last place (the distance to within 1e-8 of itself, near the antipode, where the
// arcsine magnifies them), and make the query over the world database three times faster.
// Elsewhere each distance is Geodesy::calcDistanceInMeters itself. exact() is always the scalar
// figure, for callers that must decide a comparison exactly as it would.
//
// Threads: any; an instance holds only the point.

#include <cstddef>

namespace vantrel::waypoints {

class DistancesFromPoint {
public:
    DistancesFromPoint(double longitude, double latitude);

    // out[i] = the distance in metres to (longitudes[i], latitudes[i]), for i < count.
    void compute(const double* longitudes, const double* latitudes, double* out, size_t count) const;
    double exact(double longitude, double latitude) const;

private:
    double longitude_;
    double latitude_;
};

}  // namespace vantrel::waypoints
