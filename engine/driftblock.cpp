// The choice of vector unit: the units this build carries, the ones the
// processor runs, and the call into the chosen kernel.
#include "driftblock.h"

#include "engine.h"

namespace {

bool BuiltWith(int iUnit) {
    if (iUnit == DRIFT_PLAIN || iUnit == DRIFT_PORTABLE) return true;
#if defined(ORVANTA_X86_UNITS)
    return iUnit > DRIFT_PORTABLE && iUnit < DRIFT_UNITS;
#else
    return false;
#endif
}

bool ProcessorRuns(int iUnit) {
#if defined(ORVANTA_X86_UNITS)
    __builtin_cpu_init();
    if (iUnit == DRIFT_SSE2) return __builtin_cpu_supports("sse2");
    if (iUnit == DRIFT_AVX2) return __builtin_cpu_supports("avx2");
    if (iUnit == DRIFT_AVX512) return __builtin_cpu_supports("avx512f");
#endif
    return iUnit == DRIFT_PLAIN || iUnit == DRIFT_PORTABLE;
}

}  // namespace

int iDriftUnit = BestDriftUnit();

int DriftUnitRuns(int iUnit) { return BuiltWith(iUnit) && ProcessorRuns(iUnit); }

int BestDriftUnit() {
    int iBest = DRIFT_PLAIN;
    for (int iUnit = DRIFT_PORTABLE; iUnit < DRIFT_UNITS; ++iUnit)
        if (DriftUnitRuns(iUnit)) iBest = iUnit;
    return iBest;
}

const char* DriftUnitName(int iUnit) {
    static const char* const names[DRIFT_UNITS] = {"plain", "portable", "sse2", "avx2", "avx512"};
    return iUnit >= 0 && iUnit < DRIFT_UNITS ? names[iUnit] : "none";
}

void DriftCounts(int iUnit, const double* pdfX, const double* pdfY, uint32_t* pulCounts,
                 int iPoints, uint32_t ulLimit) {
    switch (iUnit) {
#if defined(ORVANTA_X86_UNITS)
    case DRIFT_SSE2: DriftCountsSse2(pdfX, pdfY, pulCounts, iPoints, ulLimit); return;
    case DRIFT_AVX2: DriftCountsAvx2(pdfX, pdfY, pulCounts, iPoints, ulLimit); return;
    case DRIFT_AVX512: DriftCountsAvx512(pdfX, pdfY, pulCounts, iPoints, ulLimit); return;
#endif
    case DRIFT_PORTABLE: DriftCountsPortable(pdfX, pdfY, pulCounts, iPoints, ulLimit); return;
    default: break;
    }
    for (int i = 0; i < iPoints; ++i) pulCounts[i] = DriftCountTo(pdfX[i], pdfY[i], ulLimit);
}
