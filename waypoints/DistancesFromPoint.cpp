#include "DistancesFromPoint.h"

#include "positioning/Geodesy.h"

#if defined(__x86_64__) && defined(__GLIBC__)
#define VANTREL_VECTOR_MATH 1
#include <immintrin.h>
// glibc's vector math library (libmvec), four doubles per call; needs AVX2 (declared so, as clang
// refuses a 256-bit argument in a function compiled without it).
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_sin(__m256d);
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_cos(__m256d);
extern "C" __attribute__((target("avx2"))) __m256d _ZGVdN4v_asin(__m256d);
#endif

namespace vantrel::waypoints {

using positioning::Geodesy;

namespace {

#ifdef VANTREL_VECTOR_MATH
bool haveVectorMath() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

// The steps of Geodesy::calcDistanceInMeters, in the same order, four distances at a time.
__attribute__((target("avx2"))) size_t computeFourAtATime(double lon1Degrees, double lat1Degrees,
                                                         const double* longitudes, const double* latitudes,
                                                         double* out, size_t count) {
    const __m256d k = _mm256_set1_pd(Geodesy::kDegreesToRadians);
    const __m256d half = _mm256_set1_pd(0.5);
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d radius = _mm256_set1_pd(Geodesy::kEarthRadiusMetres);
    const __m256d lat1 = _mm256_set1_pd(lat1Degrees);
    const __m256d lon1 = _mm256_set1_pd(lon1Degrees);
    const __m256d cosLat1 = _ZGVdN4v_cos(_mm256_mul_pd(lat1, k));
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m256d lat2 = _mm256_loadu_pd(latitudes + i);
        __m256d lon2 = _mm256_loadu_pd(longitudes + i);
        __m256d s1 = _ZGVdN4v_sin(_mm256_mul_pd(_mm256_mul_pd(_mm256_sub_pd(lat1, lat2), k), half));
        __m256d s2 = _ZGVdN4v_sin(_mm256_mul_pd(_mm256_mul_pd(_mm256_sub_pd(lon1, lon2), k), half));
        __m256d cosLat2 = _ZGVdN4v_cos(_mm256_mul_pd(lat2, k));
        __m256d h = _mm256_add_pd(_mm256_mul_pd(s1, s1),
                                  _mm256_mul_pd(_mm256_mul_pd(s2, s2), _mm256_mul_pd(cosLat1, cosLat2)));
        // minpd answers its second operand for a NaN h, so NaN coordinates stay NaN as in the scalar form.
        __m256d theta = _ZGVdN4v_asin(_mm256_sqrt_pd(_mm256_min_pd(one, h)));
        _mm256_storeu_pd(out + i, _mm256_mul_pd(_mm256_add_pd(theta, theta), radius));
    }
    return i;
}
#endif

}  // namespace

DistancesFromPoint::DistancesFromPoint(double longitude, double latitude)
    : longitude_(longitude), latitude_(latitude) {}

double DistancesFromPoint::exact(double longitude, double latitude) const {
    return Geodesy::calcDistanceInMeters(longitude_, latitude_, longitude, latitude);
}

void DistancesFromPoint::compute(const double* longitudes, const double* latitudes, double* out, size_t count) const {
    size_t done = 0;
#ifdef VANTREL_VECTOR_MATH
    if (haveVectorMath()) done = computeFourAtATime(longitude_, latitude_, longitudes, latitudes, out, count);
#endif
    for (size_t i = done; i < count; ++i) out[i] = exact(longitudes[i], latitudes[i]);
}

}  // namespace vantrel::waypoints
