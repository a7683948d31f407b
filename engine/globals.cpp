// The program-wide variables with their start values.
#include "engine.h"

#include <cstring>

double dfSetMidX = 0.0;
double dfSetMidY = 0.0;
ULONG ulMaxLevels = 0;
double dfSetHeight = 4.0;
double dfMoveFactor = 0.2;
int iMinLevel = 2;
int iColorFactor = 100;
int iRGB_Combo = 0;

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

void InitializeProgramValues() {
    dfSetMidX = 0.0;
    dfSetMidY = 0.0;
    ulMaxLevels = 0;
    dfSetHeight = 4.0;
    dfMoveFactor = 0.2;
    iMinLevel = 2;
    iColorFactor = 100;
    iRGB_Combo = 0;
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
}
