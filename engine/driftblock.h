// Escape-time counts of many points at once: the vector units that compute
// them, the one the renderer uses for pixel blocks, and the per-unit kernels.
#ifndef ORVANTA_DRIFTBLOCK_H
#define ORVANTA_DRIFTBLOCK_H

#include <cstdint>

// The units, in rising order of preference. DRIFT_PLAIN is PointColor for
// every pixel; the others count a block's points together, with the exact
// shortcuts, and give the same counts.
enum {
    DRIFT_PLAIN,
    DRIFT_PORTABLE,  // four independent scalar chains, any processor
    DRIFT_SSE2,
    DRIFT_AVX2,
    DRIFT_AVX512,
    DRIFT_UNITS
};

// The unit DrawPixels uses; it starts as the best one the processor runs.
extern int iDriftUnit;

int BestDriftUnit();
int DriftUnitRuns(int iUnit);
const char* DriftUnitName(int iUnit);

// The count DriftCount would give for each point, with the limit ulLimit, on
// the given unit (which must run here; DRIFT_PLAIN counts one by one).
void DriftCounts(int iUnit, const double* pdfX, const double* pdfY, uint32_t* pulCounts,
                 int iPoints, uint32_t ulLimit);

// The kernels behind DriftCounts, one for each unit this build carries.
void DriftCountsPortable(const double* pdfX, const double* pdfY, uint32_t* pulCounts,
                         int iPoints, uint32_t ulLimit);
void DriftCountsSse2(const double* pdfX, const double* pdfY, uint32_t* pulCounts, int iPoints,
                     uint32_t ulLimit);
void DriftCountsAvx2(const double* pdfX, const double* pdfY, uint32_t* pulCounts, int iPoints,
                     uint32_t ulLimit);
void DriftCountsAvx512(const double* pdfX, const double* pdfY, uint32_t* pulCounts,
                       int iPoints, uint32_t ulLimit);

#endif
