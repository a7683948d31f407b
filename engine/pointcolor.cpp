// The colour of one point of the plane: the escape-time count of z <- z^2 + z0
// and the colour word it maps to (palette index, or the six-segment RGB ramp
// with scaling, inversion and channel order).
#include "engine.h"

namespace {

const double kEscapeBound = 4.0;
const DWORD kPaletteModeBound = 1024;
const COLORREF kPaletteIndexFlag = 0x01000000;
const double kPercent = 0.01;
const double kBreak1 = 0.16666;
const double kBreak2 = 0.33333;
const double kBreak3 = 0.5;
const double kBreak4 = 0.66666;
const double kBreak5 = 0.83333;
const double kSlope = 6.000240009600384;
const double kFull = 255.0;

// A channel is its value truncated towards zero, of which the low eight bits
// count; only a negative ratio can leave 0..255, and it wraps.
BYTE Channel(double dfValue) { return static_cast<BYTE>(static_cast<int64_t>(dfValue)); }

struct Rgb {
    BYTE red;
    BYTE green;
    BYTE blue;
};

Rgb Ramp(double r) {
    if (r <= kBreak1) return {0, 0, Channel((r * kSlope) * kFull)};
    if (r <= kBreak2) return {0, Channel(((r - kBreak1) * kSlope) * kFull), 255};
    if (r <= kBreak3) return {0, 255, Channel(kFull - ((r - kBreak2) * kSlope) * kFull)};
    if (r <= kBreak4) return {Channel(((r - kBreak3) * kSlope) * kFull), 255, 0};
    if (r <= kBreak5) return {255, Channel(kFull - ((r - kBreak4) * kSlope) * kFull), 0};
    return {Channel(kFull - ((r - kBreak5) * kSlope) * kFull), 0, 0};
}

COLORREF Word(BYTE first, BYTE second, BYTE third) {
    return static_cast<COLORREF>(first) + static_cast<COLORREF>(second) * 256 +
           static_cast<COLORREF>(third) * 65536;
}

COLORREF Ordered(const Rgb& c, int iOrder) {
    switch (iOrder) {
    case 1: return Word(c.red, c.blue, c.green);
    case 2: return Word(c.blue, c.red, c.green);
    case 3: return Word(c.blue, c.green, c.red);
    case 4: return Word(c.green, c.red, c.blue);
    case 5: return Word(c.green, c.blue, c.red);
    default: return Word(c.red, c.green, c.blue);
    }
}

}  // namespace

ColorValues ColorValuesNow() {
    return {ulMaxLevels, dwMaxColor, dwNumColors, iColorFactor, bInvertColors, iRGB_Combo};
}

ULONG DriftCount(double dfSetX, double dfSetY) { return DriftCountTo(dfSetX, dfSetY, ulMaxLevels); }

ULONG DriftCountTo(double dfSetX, double dfSetY, ULONG ulLimit) {
    double drift_x = dfSetX;
    double drift_y = dfSetY;
    ULONG ulDriftCounter = 0;
    while (ulDriftCounter < ulLimit) {
        if (drift_x * drift_x + drift_y * drift_y >= kEscapeBound) break;
        double tmp_drift_x = drift_x * drift_x - drift_y * drift_y + dfSetX;
        drift_y = drift_x * drift_y * 2 + dfSetY;
        drift_x = tmp_drift_x;
        ++ulDriftCounter;
    }
    return ulDriftCounter;
}

COLORREF DriftColor(ULONG ulDriftCounter) { return DriftColorOf(ColorValuesNow(), ulDriftCounter); }

COLORREF DriftColorOf(const ColorValues& v, ULONG ulDriftCounter) {
    if (ulDriftCounter == v.ulMaxLevels || ulDriftCounter == 0) return 0;
    if (v.dwMaxColor < kPaletteModeBound) {
        // A display that reports no colours at all gets black rather than a fault.
        if (v.dwNumColors == 0) return 0;
        return kPaletteIndexFlag + static_cast<WORD>((ulDriftCounter % v.dwNumColors) + 1);
    }
    double dDriftRatio = static_cast<double>(ulDriftCounter) / static_cast<double>(v.ulMaxLevels);
    if (v.iColorFactor != 100) {
        dDriftRatio = (v.iColorFactor * kPercent) * dDriftRatio;
        if (dDriftRatio > 1.0) dDriftRatio = 1.0;
    }
    Rgb c = Ramp(dDriftRatio);
    if (v.bInvertColors) c = {static_cast<BYTE>(255 - c.red), static_cast<BYTE>(255 - c.green),
                              static_cast<BYTE>(255 - c.blue)};
    return Ordered(c, v.iRGB_Combo);
}

void PointColor(double dfSetX, double dfSetY) {
    ULONG ulDriftCounter = DriftCount(dfSetX, dfSetY);
    ++ullPointColorCalls;
    ullIterationCount += ulDriftCounter;
    PenColor = DriftColor(ulDriftCounter);
}
