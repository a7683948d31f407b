// The program-wide variables with their start values.
#include "engine.h"

#include <cstring>

namespace {
constexpr DrawingValues kStartValues;
}

double dfSetMidX = kStartValues.dfSetMidX;
double dfSetMidY = kStartValues.dfSetMidY;
ULONG ulMaxLevels = kStartValues.ulMaxLevels;
double dfSetHeight = kStartValues.dfSetHeight;
double dfMoveFactor = kStartValues.dfMoveFactor;
int iMinLevel = kStartValues.iMinLevel;
int iColorFactor = kStartValues.iColorFactor;
int iRGB_Combo = kStartValues.iRGB_Combo;

double dfSetAspect = 0.0;
double dfSetWidth = 4.0;
double dfSetMinX = 0.0;
double dfSetMinY = 0.0;

int iMaxX = 0;
int iMaxY = 0;
int xThreshold = 8;
int yThreshold = 8;
DWORD dwCardColors = 0;
DWORD dwNumColors = 0;
DWORD dwSizePalette = 0;
DWORD dwColorRes = 0;
DWORD dwMaxColor = 0;

int bRestarting = 1;
int bQuitting = 0;
int bCompleted = 0;
int bFilledBlocks = 0;
int iDrawLevel = 0;
COLORREF PenColor = 0;

int bIsDirty = 0;
int bInvertColors = 0;
int bMouseDown = 0;
POINT ptMousePrevious = {0, 0};
POINT ptMouseCurrent = {0, 0};
char psFilePath[260] = "";
char psFileName[512] = "";
HINSTANCE hinst = nullptr;
HACCEL hAccelerators = nullptr;

int iPassCount = 0;
uint64_t ullPointColorCalls = 0;
uint64_t ullIterationCount = 0;
uint64_t ullPlannedPoints = 0;
uint64_t ullRecountedPoints = 0;

void ApplyDrawingValues(const DrawingValues& values) {
    dfSetMidX = values.dfSetMidX;
    dfSetMidY = values.dfSetMidY;
    ulMaxLevels = values.ulMaxLevels;
    dfSetHeight = values.dfSetHeight;
    dfMoveFactor = values.dfMoveFactor;
    iMinLevel = values.iMinLevel;
    iColorFactor = values.iColorFactor;
    iRGB_Combo = values.iRGB_Combo;
}

DrawingValues CurrentDrawingValues() {
    return {dfSetMidX, dfSetMidY, ulMaxLevels, dfSetHeight, dfMoveFactor, iMinLevel, iColorFactor, iRGB_Combo};
}

void ForgetFileName() {
    psFilePath[0] = '\0';
    psFileName[0] = '\0';
}

void InitializeProgramValues() {
    ApplyDrawingValues(kStartValues);
    dfSetAspect = 0.0;
    dfSetWidth = 4.0;
    dfSetMinX = 0.0;
    dfSetMinY = 0.0;
    iMaxX = 0;
    iMaxY = 0;
    xThreshold = 8;
    yThreshold = 8;
    dwCardColors = dwNumColors = dwSizePalette = dwColorRes = dwMaxColor = 0;
    bRestarting = 1;
    bQuitting = 0;
    bCompleted = 0;
    bFilledBlocks = 0;
    iDrawLevel = 0;
    PenColor = 0;
    bIsDirty = 0;
    bInvertColors = 0;
    bMouseDown = 0;
    ptMousePrevious = {0, 0};
    ptMouseCurrent = {0, 0};
    std::memset(psFilePath, 0, sizeof psFilePath);
    std::memset(psFileName, 0, sizeof psFileName);
    hinst = nullptr;
    hAccelerators = nullptr;
    iPassCount = 0;
    ullPointColorCalls = 0;
    ullIterationCount = 0;
    ullPlannedPoints = 0;
    ullRecountedPoints = 0;
}
