// The portable unit: the block kernel on plain doubles, one point to a "vector"
// and four independent chains in flight; it runs on any processor.
#include "driftblock.h"

#include <cstring>

namespace {

const int kLanes = 1;
const int kChains = 4;
using Vec = double;
using Mask = bool;
using Cnt = int64_t;

inline Vec Load(const double* p) { return *p; }
inline void Store(double* p, Vec v) { *p = v; }
inline Vec Splat(double dfValue) { return dfValue; }
inline Vec Add(Vec a, Vec b) { return a + b; }
inline Vec Sub(Vec a, Vec b) { return a - b; }
inline Vec Mul(Vec a, Vec b) { return a * b; }
inline Mask StillIn(Mask k, Vec s, Vec four) { return k & !(s >= four); }
inline Cnt CountZero() { return 0; }
inline Cnt CountOne() { return 1; }
inline Cnt CountIn(Cnt n, Mask k, Cnt one) { return n + (one & -static_cast<Cnt>(k)); }
inline Cnt LoadCount(const int64_t* p) { return *p; }
inline void StoreCount(int64_t* p, Cnt n) { *p = n; }
inline Mask MaskOf(unsigned uBits) { return uBits & 1; }
inline unsigned BitsOf(Mask k) { return k; }
inline unsigned AtLeast(Vec a, Vec b) { return a >= b; }
inline unsigned AtMost(Vec a, Vec b) { return a <= b; }

inline Cnt SplatCount(int64_t llValue) { return llValue; }
inline unsigned AtLimit(Cnt n, Cnt limit) { return n >= limit; }

inline unsigned SameBits(Vec a, Vec b) {
    uint64_t ullA, ullB;
    std::memcpy(&ullA, &a, sizeof a);
    std::memcpy(&ullB, &b, sizeof b);
    return ullA == ullB;
}

}  // namespace

#include "driftemulate.h"
#include "driftlanes.h"

void DriftCountsPortable(const double* pdfX, const double* pdfY, uint32_t* pulCounts,
                         int iPoints, uint32_t ulLimit) {
    CountPoints(pdfX, pdfY, pulCounts, iPoints, ulLimit);
}
