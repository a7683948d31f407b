// The AVX-512 unit: eight points to a vector, four vectors in flight, lane
// masks in mask registers. Built with AVX-512F but without FMA, so every
// product is rounded as DriftCount rounds it.
#include "driftblock.h"

#if defined(__AVX512F__)
#include <immintrin.h>

namespace {

const int kLanes = 8;
const int kChains = 4;
using Vec = __m512d;
using Mask = __mmask8;
using Cnt = __m512i;

inline Vec Load(const double* p) { return _mm512_loadu_pd(p); }
inline void Store(double* p, Vec v) { _mm512_storeu_pd(p, v); }
inline Vec Splat(double dfValue) { return _mm512_set1_pd(dfValue); }
inline Vec Add(Vec a, Vec b) { return _mm512_add_pd(a, b); }
inline Vec Sub(Vec a, Vec b) { return _mm512_sub_pd(a, b); }
inline Vec Mul(Vec a, Vec b) { return _mm512_mul_pd(a, b); }
// !(s >= 4), true for a NaN sum as in DriftCount, within the lanes of k.
inline Mask StillIn(Mask k, Vec s, Vec four) { return _mm512_mask_cmp_pd_mask(k, s, four, _CMP_NGE_UQ); }
inline Cnt CountZero() { return _mm512_setzero_si512(); }
inline Cnt CountOne() { return _mm512_set1_epi64(1); }
inline Cnt CountIn(Cnt n, Mask k, Cnt one) { return _mm512_mask_add_epi64(n, k, n, one); }
inline Cnt LoadCount(const int64_t* p) { return _mm512_loadu_si512(p); }
inline void StoreCount(int64_t* p, Cnt n) { _mm512_storeu_si512(p, n); }
inline Mask MaskOf(unsigned uBits) { return static_cast<Mask>(uBits); }
inline unsigned BitsOf(Mask k) { return k; }
inline unsigned AtLeast(Vec a, Vec b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
inline unsigned AtMost(Vec a, Vec b) { return _mm512_cmp_pd_mask(a, b, _CMP_LE_OQ); }

inline Cnt SplatCount(int64_t llValue) { return _mm512_set1_epi64(llValue); }
inline unsigned AtLimit(Cnt n, Cnt limit) { return _mm512_cmpge_epi64_mask(n, limit); }
// The masked forms, with every lane set, spare GCC 12's headers an undefined source.
inline Cnt CountMin(Cnt a, Cnt b) { return _mm512_mask_min_epi64(a, 0xFF, a, b); }
inline Cnt CountSelect(Mask k, Cnt a, Cnt b) { return _mm512_mask_blend_epi64(k, b, a); }

// Lanes of m take the next values from p, in lane order.
inline Vec ExpandLoad(Vec v, unsigned m, const double* p) {
    return _mm512_mask_expandloadu_pd(v, static_cast<Mask>(m), p);
}
inline Cnt ExpandLoadCount(Cnt v, unsigned m, const int64_t* p) {
    return _mm512_mask_expandloadu_epi64(v, static_cast<Mask>(m), p);
}
inline void StoreMasked(double* p, unsigned m, Vec v) { _mm512_mask_storeu_pd(p, static_cast<Mask>(m), v); }

// p[index] = value for the lanes of m.
inline void ScatterCounts(uint32_t* p, unsigned m, Cnt index, Cnt value) {
    __m256i low = _mm512_mask_cvtepi64_epi32(_mm256_setzero_si256(), 0xFF, value);
    _mm512_mask_i64scatter_epi32(p, static_cast<Mask>(m), index, low, 4);
}

inline unsigned SameBits(Vec a, Vec b) {
    return _mm512_cmpeq_epi64_mask(_mm512_castpd_si512(a), _mm512_castpd_si512(b));
}

}  // namespace

#include "driftlanes.h"

void DriftCountsAvx512(const double* pdfX, const double* pdfY, uint32_t* pulCounts,
                       int iPoints, uint32_t ulLimit) {
    CountPoints(pdfX, pdfY, pulCounts, iPoints, ulLimit);
}

#endif
