// The view geometry that NewRect and SetupSet make of a client area and a
// display, and the counts and colours of single points.
#include "program_run.h"

namespace {

// A resize keeps the centre and height; an empty client area keeps the last
// shape. Start-up on 1024 x 768: width 4 x 4/3, left edge minus half of it,
// top edge -2, and pixel (512, 384) the origin.
TEST(ViewGeometry, StartUpAndResizesKeepTheCentreAndHeight) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    EXPECT_EQ(std::vector<double>({dfSetWidth, dfSetMinX, dfSetMinY, PlaneX(512), PlaneY(384)}),
              std::vector<double>({16.0 / 3.0, -8.0 / 3.0, -2.0, 0.0, 0.0}));
    EXPECT_EQ(bRestarting, 1);
    harness::ResizeWindow(window.hwnd, 1000, 500);
    dfSetMidX = -0.75, dfSetMidY = 0.1, dfSetHeight = 0.5;
    harness::ResizeWindow(window.hwnd, 500, 500);  // square: width = height 0.5, edges at centre - 0.25
    EXPECT_EQ(std::vector<double>({dfSetHeight, dfSetWidth, dfSetMinX, dfSetMinY}), std::vector<double>({0.5, 0.5, -1.0, -0.15}));
    bRestarting = 0;
    harness::ResizeWindow(window.hwnd, 0, 0);
    EXPECT_EQ(std::vector<double>({double(iMaxX), double(yThreshold), dfSetAspect, dfSetWidth, double(bRestarting)}),
              std::vector<double>({0, 8, 1.0, 0.5, 1}));
}

// 1 << (planes x bits) cards; 256 or more reported colours (-1 counts as
// many) give limit 1024 and those colours, fewer give 16 and the card's. A
// limit once chosen is kept until it is 0 again.
TEST(ViewGeometry, DisplaysChooseColoursAndLimit) {
    const struct { const char* pszName; platform::DisplayCaps caps; DWORD dwCard; ULONG ulLevels; DWORD dwMax; } cases[] = {
        {"16 colours", harness::SixteenColorDisplay(), 16, 16, 16},
        {"palette of 20", harness::PaletteDisplay(), 256, 16, 256},
        {"exactly 256", {1, 8, 256, 256, 18}, 256, 1024, 256},
        {"16 bits", harness::HighColorDisplay(), 65536, 1024, 0xFFFFFFFF},
        {"24 bits", {1, 24, -1, 0, 24}, 16777216, 1024, 0xFFFFFFFF},
        {"32 bits: shift 32 taken as 0", harness::TrueColorDisplay(), 1, 1024, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        EngineWindow window = OpenEngineWindow(640, 480, c.caps);
        EXPECT_EQ(std::vector<DWORD>({dwCardColors, ulMaxLevels, dwMaxColor, dwNumColors, dwColorRes}),
                  std::vector<DWORD>({c.dwCard, c.ulLevels, c.dwMax, DWORD(c.caps.iNumColors), DWORD(c.caps.iColorRes)}))
            << "case: " << c.pszName;
        ulMaxLevels = 5000;
        NewRect(window.hwnd, window.hdc);
        EXPECT_EQ(ulMaxLevels, 5000u) << "case: " << c.pszName;
    }
}

void ColourMode(ULONG ulLevels, bool bPalette = false, DWORD dwColors = 20) {
    InitializeProgramValues();
    ulMaxLevels = ulLevels;
    dwMaxColor = bPalette ? 256 : 0xFFFFFFFF;
    dwNumColors = bPalette ? dwColors : 0xFFFFFFFF;
}

// Counts iterated by hand: 2, -2 and 2i lie on the circle (count 0); 1 -> 2 in
// one step; 0.5 -> 0.75, 1.0625, 1.6289, 3.153 escapes after 4; the origin and
// NaN never escape, so they reach any limit. Each word from its count through
// the ramp, worked by hand with slope S = 1 / 0.16666: a channel is trunc(ratio
// x S x 255) in its segment, the word 0x00BBGGRR; a palette index is count mod
// colours + 1; a count of 0 or of the limit is black.
TEST(PointColor, WorkedCountsAndColours) {
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    const struct { const char* pszWhat; double x, y; ULONG ulLevels, ulCount; bool bPalette; int iFactor, iCombo, bInvert; COLORREF crExpected; } cases[] = {
        {"origin never escapes: black, inverted too", 0, 0, 1024, 1024, false, 100, 0, 1, 0},
        {"origin, limit 1", 0, 0, 1, 1, false, 100, 0, 0, 0},
        {"NaN never escapes", kNaN, 0, 77, 77, false, 100, 0, 0, 0},
        {"on the circle, count 0: black, inverted too", 2, 0, 1024, 0, false, 100, 0, 1, 0},
        {"-2 on the circle", -2, 0, 1024, 0, false, 100, 0, 0, 0},
        {"2i on the circle", 0, 2, 1024, 0, false, 100, 0, 0, 0},
        {"far outside", 1e300, 1e300, 10, 0, false, 100, 0, 0, 0},
        {"limit 0: black", 0.5, 0, 0, 0, false, 100, 0, 0, 0},
        {"limit 3 reached", 0.5, 0, 3, 3, false, 100, 0, 0, 0},
        {"count 1 of 1024: blue trunc(1.49) = 1", 1, 0, 1024, 1, false, 100, 0, 0, 0x00010000},
        {"count 1, 20 colours: index 2", 1, 0, 1024, 1, true, 100, 0, 0, 0x01000002},
        {"count 4 of 1024: blue trunc(5.98) = 5", 0.5, 0, 1024, 4, false, 100, 0, 0, 0x00050000},
        {"count 4 of 16 (green 127, blue 255) inverted: red 255, green 128", 0.5, 0, 16, 4, false, 100, 0, 1, 0x000080FF},
        {"count 4 of 16, order 2: blue, red, green", 0.5, 0, 16, 4, false, 100, 2, 0, 0x007F00FF},
        {"count 4 of 16 at 50%: ratio 1/8, blue trunc(191.3)", 0.5, 0, 16, 4, false, 50, 0, 0, 0x00BF0000},
        {"count 4 of 16 at 300%: ratio 3/4, red 255, green trunc(127.5)", 0.5, 0, 16, 4, false, 300, 0, 0, 0x00007FFF},
        {"count 4, 20 colours: index 5 whatever the other values", 0.5, 0, 1024, 4, true, 300, 3, 1, 0x01000005},
        {"factor 0: ratio 0, black", 0.5, 0, 16, 4, false, 0, 0, 0, 0},
        {"factor 0 inverted: white", 0.5, 0, 16, 4, false, 0, 0, 1, 0x00FFFFFF},
        {"factor -1000: blue trunc(-14.9) = -14, low byte 242", 1, 0, 1024, 1, false, -1000, 0, 0, 0x00F20000},
        {"factor 1000: ratio clamped to 1, red trunc(-0.015) = 0", 0.5, 0, 16, 4, false, 1000, 0, 0, 0},
        {"order 6 as 0: count 4 of 16 is green 127, blue 255", 0.5, 0, 16, 4, false, 100, 6, 0, 0x00FF7F00},
        {"order -1 as 0", 0.5, 0, 16, 4, false, 100, -1, 0, 0x00FF7F00},
    };
    for (const auto& c : cases) {
        ColourMode(c.ulLevels, c.bPalette);
        iColorFactor = c.iFactor, iRGB_Combo = c.iCombo, bInvertColors = c.bInvert;
        EXPECT_EQ(DriftCount(c.x, c.y), c.ulCount) << "case: " << c.pszWhat;
        PointColor(c.x, c.y);
        EXPECT_EQ(PenColor, c.crExpected) << "case: " << c.pszWhat;
    }
}

// Counts 1 ... 15 of 16 through the six segments, worked by hand (count 1:
// blue trunc(95.6); count 8 is ratio 0.5, segment 3, blue trunc(-0.015) = 0).
// A palette of 20 cycles: 19 -> 20, 20 -> 1; with no colours reported it gives black, and no fault.
TEST(PointColor, TheRampAtLimit16AndThePaletteCycle) {
    const COLORREF ramp[15] = {0x005F0000, 0x00BF0000, 0x00FF1F00, 0x00FF7F00, 0x00FFDF00, 0x00BFFF00, 0x005FFF00, 0x0000FF00,
                               0x0000FF5F, 0x0000FFBF, 0x0000DFFF, 0x00007FFF, 0x00001FFF, 0x000000BF, 0x0000005F};
    ColourMode(16);
    for (ULONG ulCount = 1; ulCount <= 15; ++ulCount) EXPECT_EQ(DriftColor(ulCount), ramp[ulCount - 1]) << "case: count " << ulCount;
    ColourMode(1024, true);
    EXPECT_EQ(DriftColor(19), 0x01000014u);
    EXPECT_EQ(DriftColor(20), 0x01000001u);
    ColourMode(1024, true, 0);
    EXPECT_EQ(DriftColor(5), 0u);
}

}  // namespace
