// The AVX2 unit: four points to a vector, four vectors in flight. Built with
// AVX2 but without FMA, so every product is rounded as DriftCount rounds it.
#include "driftblock.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace {

const int kLanes = 4;
const int kChains = 4;
using Vec = __m256d;
using Mask = __m256d;  // all ones in a lane that is set
using Cnt = __m256i;

inline Vec Load(const double* p) { return _mm256_loadu_pd(p); }
inline void Store(double* p, Vec v) { _mm256_storeu_pd(p, v); }
inline Vec Splat(double dfValue) { return _mm256_set1_pd(dfValue); }
inline Vec Add(Vec a, Vec b) { return _mm256_add_pd(a, b); }
inline Vec Sub(Vec a, Vec b) { return _mm256_sub_pd(a, b); }
inline Vec Mul(Vec a, Vec b) { return _mm256_mul_pd(a, b); }
inline Mask StillIn(Mask k, Vec s, Vec four) {
    return _mm256_and_pd(k, _mm256_cmp_pd(s, four, _CMP_NGE_UQ));
}
inline Cnt CountZero() { return _mm256_setzero_si256(); }
inline Cnt CountOne() { return _mm256_set1_epi64x(1); }
// A set lane is -1: subtracting it counts one.
inline Cnt CountIn(Cnt n, Mask k, Cnt) { return _mm256_sub_epi64(n, _mm256_castpd_si256(k)); }
inline Cnt LoadCount(const int64_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void StoreCount(int64_t* p, Cnt n) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), n); }
inline unsigned BitsOf(Mask k) { return static_cast<unsigned>(_mm256_movemask_pd(k)); }
inline unsigned AtLeast(Vec a, Vec b) {
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_GE_OQ)));
}
inline unsigned AtMost(Vec a, Vec b) {
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_LE_OQ)));
}

inline Cnt SplatCount(int64_t llValue) { return _mm256_set1_epi64x(llValue); }

// n >= limit as n > limit - 1 (no count comes near the ends of the range).
inline unsigned AtLimit(Cnt n, Cnt limit) {
    __m256i above = _mm256_cmpgt_epi64(n, _mm256_sub_epi64(limit, _mm256_set1_epi64x(1)));
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(above)));
}

inline Mask MaskOf(unsigned uBits) {
    const __m256i lanes = _mm256_set_epi64x(8, 4, 2, 1);
    __m256i bits = _mm256_and_si256(_mm256_set1_epi64x(uBits), lanes);
    return _mm256_castsi256_pd(_mm256_cmpeq_epi64(bits, lanes));
}

inline unsigned SameBits(Vec a, Vec b) {
    __m256i eq = _mm256_cmpeq_epi64(_mm256_castpd_si256(a), _mm256_castpd_si256(b));
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(eq)));
}

}  // namespace

#include "driftemulate.h"
#include "driftlanes.h"

void DriftCountsAvx2(const double* pdfX, const double* pdfY, uint32_t* pulCounts, int iPoints,
                     uint32_t ulLimit) {
    CountPoints(pdfX, pdfY, pulCounts, iPoints, ulLimit);
}

#endif
