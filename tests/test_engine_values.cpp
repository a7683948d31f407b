// The view geometry that NewRect and SetupSet make of a client area and a
// display, and the counts and colours of single points.
#include "program_run.h"

namespace {

// A resize keeps the centre and height; an empty client area keeps the last shape.
TEST(ViewGeometry, StartUpAndResizesKeepTheCentreAndHeight) {
    EngineWindow window = OpenEngineWindow(1024, 768);
    EXPECT_EQ(std::vector<double>({dfSetWidth, dfSetMinX, dfSetMinY, 512 * dfSetWidth / iMaxX + dfSetMinX}),
              std::vector<double>({16.0 / 3.0, -8.0 / 3.0, -2.0, 0.0}));
    EXPECT_EQ(bRestarting, 1);
    harness::ResizeWindow(window.hwnd, 1000, 500);
    dfSetMidX = -0.75, dfSetMidY = 0.1, dfSetHeight = 0.5;
    harness::ResizeWindow(window.hwnd, 500, 500);
    EXPECT_EQ(std::vector<double>({dfSetHeight, dfSetWidth, dfSetMinX, dfSetMinY}), std::vector<double>({0.5, 0.5, -1.0, -0.15}));
    bRestarting = 0;
    harness::ResizeWindow(window.hwnd, 0, 0);
    EXPECT_EQ(std::vector<double>({double(iMaxX), double(yThreshold), dfSetAspect, dfSetWidth, double(bRestarting)}),
              std::vector<double>({0, 8, 1.0, 0.5, 1}));
}

// A limit once chosen is kept until it is 0 again.
TEST(ViewGeometry, DisplaysChooseColoursAndLimit) {
    const struct { platform::DisplayCaps caps; DWORD dwCard; ULONG ulLevels; DWORD dwMax; } cases[] = {
        {harness::SixteenColorDisplay(), 16, 16, 16},   {harness::PaletteDisplay(), 256, 16, 256},
        {harness::HighColorDisplay(), 65536, 1024, 0xFFFFFFFF}, {{1, 24, -1, 0, 24}, 16777216, 1024, 0xFFFFFFFF},
        {harness::TrueColorDisplay(), 1, 1024, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caps.iBitsPixel);
        EngineWindow window = OpenEngineWindow(640, 480, c.caps);
        EXPECT_EQ(std::vector<DWORD>({dwCardColors, ulMaxLevels, dwMaxColor, dwNumColors, dwColorRes}),
                  std::vector<DWORD>({c.dwCard, c.ulLevels, c.dwMax, DWORD(c.caps.iNumColors), DWORD(c.caps.iColorRes)}));
        ulMaxLevels = 5000;
        NewRect(window.hwnd, window.hdc);
        EXPECT_EQ(ulMaxLevels, 5000u);
    }
}

void ColourMode(ULONG ulLevels, bool bPalette = false, DWORD dwColors = 20) {
    InitializeProgramValues();
    ulMaxLevels = ulLevels;
    dwMaxColor = bPalette ? 256 : 0xFFFFFFFF;
    dwNumColors = bPalette ? dwColors : 0xFFFFFFFF;
}

TEST(PointColor, CountsOfTheWorkedPoints) {
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    const struct { double x, y; ULONG ulLevels, ulCount; } cases[] = {
        {0, 0, 0, 0},     {0, 0, 1, 1},    {0, 0, 1024, 1024}, {2, 0, 1024, 0},     {-2, 0, 1024, 0}, {0, 2, 1024, 0},
        {1, 0, 1024, 1},  {0.5, 0, 1024, 4}, {0.5, 0, 3, 3},   {kNaN, 0, 77, 77},   {1e300, 1e300, 10, 0},
    };
    for (const auto& c : cases) {
        ColourMode(c.ulLevels);
        EXPECT_EQ(DriftCount(c.x, c.y), c.ulCount) << c.x << "," << c.y << " limit " << c.ulLevels;
    }
}

TEST(PointColor, WorkedColours) {
    const struct { const char* pszWhat; double x; ULONG ulLevels; bool bPalette; int iFactor, iCombo, bInvert; COLORREF crExpected; } cases[] = {
        {"origin never escapes", 0.0, 1024, false, 100, 0, 1, 0},
        {"on the circle", 2.0, 1024, false, 100, 0, 1, 0},
        {"limit 0", 0.5, 0, false, 100, 0, 0, 0},
        {"1 at 1024", 1.0, 1024, false, 100, 0, 0, 0x00010000},
        {"1 palette", 1.0, 1024, true, 100, 0, 0, 0x01000002},
        {"0.5 at 1024", 0.5, 1024, false, 100, 0, 0, 0x00050000},
        {"0.5 inverted", 0.5, 16, false, 100, 0, 1, 0x000080FF},
        {"0.5 combo 2", 0.5, 16, false, 100, 2, 0, 0x007F00FF},
        {"0.5 factor 50", 0.5, 16, false, 50, 0, 0, 0x00BF0000},
        {"0.5 factor 300", 0.5, 16, false, 300, 0, 0, 0x00007FFF},
        {"0.5 palette", 0.5, 1024, true, 300, 3, 1, 0x01000005},
        {"factor 0", 0.5, 16, false, 0, 0, 0, 0},
        {"factor 0 inverted", 0.5, 16, false, 0, 0, 1, 0x00FFFFFF},
        {"negative factor wraps", 1.0, 1024, false, -1000, 0, 0, 0x00F20000},
        {"clamped to black", 0.5, 16, false, 1000, 0, 0, 0},
        {"combo 6 as 0", 0.5, 16, false, 100, 6, 0, 0x00FF7F00},
        {"combo -1 as 0", 0.5, 16, false, 100, -1, 0, 0x00FF7F00},
    };
    for (const auto& c : cases) {
        ColourMode(c.ulLevels, c.bPalette);
        iColorFactor = c.iFactor, iRGB_Combo = c.iCombo, bInvertColors = c.bInvert;
        PointColor(c.x, 0.0);
        EXPECT_EQ(PenColor, c.crExpected) << c.pszWhat;
    }
}

// With no colours reported a palette gives black, and no fault.
TEST(PointColor, TheRampAtLimit16AndThePaletteCycle) {
    const COLORREF ramp[15] = {0x005F0000, 0x00BF0000, 0x00FF1F00, 0x00FF7F00, 0x00FFDF00, 0x00BFFF00, 0x005FFF00, 0x0000FF00,
                               0x0000FF5F, 0x0000FFBF, 0x0000DFFF, 0x00007FFF, 0x00001FFF, 0x000000BF, 0x0000005F};
    ColourMode(16);
    for (ULONG ulCount = 1; ulCount <= 15; ++ulCount) EXPECT_EQ(DriftColor(ulCount), ramp[ulCount - 1]) << ulCount;
    ColourMode(1024, true);
    EXPECT_EQ(DriftColor(19), 0x01000014u);
    EXPECT_EQ(DriftColor(20), 0x01000001u);
    ColourMode(1024, true, 0);
    EXPECT_EQ(DriftColor(5), 0u);
}

}  // namespace
