// The view rectangle in the complex plane (SetupSet) and the measurement of
// the client area and display that it follows from (NewRect).
#include "engine.h"

#include <algorithm>
#include <climits>

void SetupSet() {
    dfSetMinY = dfSetMidY - dfSetHeight * 0.5;
    dfSetWidth = dfSetHeight * dfSetAspect;
    dfSetMinX = dfSetMidX - dfSetWidth * 0.5;
}

// The first re-measurement with no colour limit chosen picks one for the display.
static void ChooseDefaultLevels() {
    if (ulMaxLevels != 0) return;
    if (dwNumColors >= 256) {
        dwMaxColor = dwNumColors;
        ulMaxLevels = 1024;
    } else {
        dwMaxColor = dwCardColors;
        ulMaxLevels = 16;
    }
}

void NewRect(HWND hwnd, HDC hdc) {
    int iPlanes = GetDeviceCaps(hdc, PLANES);
    int iBitsPixel = GetDeviceCaps(hdc, BITSPIXEL);
    RECT rect = {0, 0, 0, 0};
    GetClientRect(hwnd, &rect);
    iMaxX = rect.right;
    iMaxY = rect.bottom;
    TEXTMETRICA tm;
    GetTextMetricsA(hdc, &tm);

    // A minimised window has no area: keep the shape of the last real one.
    bool bEmpty = iMaxX <= 0 || iMaxY <= 0;
    // A client far taller than wide would put the threshold past any int: it
    // then stays at the largest, which splits no block either.
    if (!bEmpty) yThreshold = static_cast<int>(std::min(static_cast<double>(xThreshold) * iMaxY / iMaxX, double{INT_MAX}));
    dwCardColors = 1u << (static_cast<unsigned>(iPlanes * iBitsPixel) % 32);
    dwNumColors = static_cast<DWORD>(GetDeviceCaps(hdc, NUMCOLORS));
    dwSizePalette = static_cast<DWORD>(GetDeviceCaps(hdc, SIZEPALETTE));
    dwColorRes = static_cast<DWORD>(GetDeviceCaps(hdc, COLORRES));
    ChooseDefaultLevels();
    if (!bEmpty) {
        dfSetAspect = static_cast<double>(iMaxX) / iMaxY;
        SetupSet();
    }
    bRestarting = 1;
}
