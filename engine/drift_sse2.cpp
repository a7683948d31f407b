// The SSE2 unit: two points to a vector, four vectors in flight. Built only
// where the compiler targets x86 with SSE2.
#include "driftblock.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

const int kLanes = 2;
const int kChains = 4;
using Vec = __m128d;
using Mask = __m128d;  // all ones in a lane that is set
using Cnt = __m128i;

inline Vec Load(const double* p) { return _mm_loadu_pd(p); }
inline void Store(double* p, Vec v) { _mm_storeu_pd(p, v); }
inline Vec Splat(double dfValue) { return _mm_set1_pd(dfValue); }
inline Vec Add(Vec a, Vec b) { return _mm_add_pd(a, b); }
inline Vec Sub(Vec a, Vec b) { return _mm_sub_pd(a, b); }
inline Vec Mul(Vec a, Vec b) { return _mm_mul_pd(a, b); }
// !(s >= 4) is !(4 <= s): true for a NaN sum, as in DriftCount.
inline Mask StillIn(Mask k, Vec s, Vec four) { return _mm_and_pd(k, _mm_cmpnle_pd(four, s)); }
inline Cnt CountZero() { return _mm_setzero_si128(); }
inline Cnt CountOne() { return _mm_set1_epi64x(1); }
// A set lane is -1: subtracting it counts one.
inline Cnt CountIn(Cnt n, Mask k, Cnt) { return _mm_sub_epi64(n, _mm_castpd_si128(k)); }
inline Cnt LoadCount(const int64_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void StoreCount(int64_t* p, Cnt n) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), n); }
inline unsigned BitsOf(Mask k) { return static_cast<unsigned>(_mm_movemask_pd(k)); }
inline unsigned AtLeast(Vec a, Vec b) { return static_cast<unsigned>(_mm_movemask_pd(_mm_cmpge_pd(a, b))); }
inline unsigned AtMost(Vec a, Vec b) { return static_cast<unsigned>(_mm_movemask_pd(_mm_cmple_pd(a, b))); }

inline Cnt SplatCount(int64_t llValue) { return _mm_set1_epi64x(llValue); }

inline unsigned AtLimit(Cnt n, Cnt limit) {
    int64_t llN[kLanes], llLimit[kLanes];
    StoreCount(llN, n);
    StoreCount(llLimit, limit);
    return static_cast<unsigned>(llN[0] >= llLimit[0]) | static_cast<unsigned>(llN[1] >= llLimit[1]) << 1;
}

inline Mask MaskOf(unsigned uBits) {
    return _mm_castsi128_pd(_mm_set_epi64x(-static_cast<int64_t>((uBits >> 1) & 1),
                                           -static_cast<int64_t>(uBits & 1)));
}

// Two 64-bit lanes are equal when both their 32-bit halves are.
inline unsigned SameBits(Vec a, Vec b) {
    __m128i eq = _mm_cmpeq_epi32(_mm_castpd_si128(a), _mm_castpd_si128(b));
    eq = _mm_and_si128(eq, _mm_shuffle_epi32(eq, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<unsigned>(_mm_movemask_pd(_mm_castsi128_pd(eq)));
}

}  // namespace

#include "driftemulate.h"
#include "driftlanes.h"

void DriftCountsSse2(const double* pdfX, const double* pdfY, uint32_t* pulCounts, int iPoints,
                     uint32_t ulLimit) {
    CountPoints(pdfX, pdfY, pulCounts, iPoints, ulLimit);
}

#endif
