// The vector units against DriftCount on every unit this machine runs: random
// views, extreme coordinates, huge limits and the inside shortcuts' margin;
// and whole renders, changed between blocks or not, equal to the plain path.
#include "driftblock.h"
#include "engine_window.h"

#include <bit>
#include <complex>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {

using Points = std::vector<double>;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const double kMax = std::numeric_limits<double>::max();

// Every unit this build and processor run, the plain path excepted.
std::vector<int> UnitsHere() {
    std::vector<int> units;
    for (int iUnit = DRIFT_PORTABLE; iUnit < DRIFT_UNITS; ++iUnit)
        if (DriftUnitRuns(iUnit)) units.push_back(iUnit);
    return units;
}

std::vector<uint32_t> ScalarCounts(const Points& x, const Points& y, uint32_t ulLimit) {
    ULONG ulSaved = ulMaxLevels;
    ulMaxLevels = ulLimit;
    std::vector<uint32_t> counts;
    for (size_t i = 0; i < x.size(); ++i) counts.push_back(DriftCount(x[i], y[i]));
    ulMaxLevels = ulSaved;
    return counts;
}

// Every unit gives the expected count (DriftCount's by default) for every
// point; the first point that differs is named to the last bit.
void ExpectCounts(const Points& x, const Points& y, uint32_t ulLimit, const std::string& sWhat,
                  std::vector<uint32_t> expected = {}) {
    if (expected.empty()) expected = ScalarCounts(x, y, ulLimit);
    for (int iUnit : UnitsHere()) {
        std::vector<uint32_t> counts(x.size(), 0xDEADBEEF);
        DriftCounts(iUnit, x.data(), y.data(), counts.data(), static_cast<int>(x.size()), ulLimit);
        for (size_t i = 0; i < x.size(); ++i) {
            if (counts[i] == expected[i]) continue;
            char psPoint[96];
            std::snprintf(psPoint, sizeof psPoint, "(%a, %a)", x[i], y[i]);
            ADD_FAILURE() << DriftUnitName(iUnit) << ", " << sWhat << ", limit " << ulLimit << ", point " << i
                          << " " << psPoint << ": " << counts[i] << " instead of " << expected[i];
            break;
        }
    }
}

// The pixels of a w x h client area, in the order a block draws them, mapped
// as the renderer maps them.
void ViewPoints(double dfMidX, double dfMidY, double dfHeight, int iWidth, int iHeight, Points& x, Points& y) {
    double dfWidth = dfHeight * (static_cast<double>(iWidth) / iHeight);
    double dfMinX = dfMidX - dfWidth * 0.5, dfMinY = dfMidY - dfHeight * 0.5;
    for (int i = 0; i <= iWidth; ++i)
        for (int j = 0; j <= iHeight; ++j) {
            x.push_back(i * dfWidth / iWidth + dfMinX);
            y.push_back(j * dfHeight / iHeight + dfMinY);
        }
}

// A point on the main cardioid whose fixed point has multiplier lambda, or on
// the period-2 bulb whose 2-cycle has multiplier lambda.
std::complex<double> EdgePoint(std::complex<long double> lambda, bool bBulb = false) {
    std::complex<long double> c = bBulb ? lambda / 4.0L - 1.0L : lambda / 2.0L - lambda * lambda / 4.0L;
    return {static_cast<double>(c.real()), static_cast<double>(c.imag())};
}

// Whether DriftCount's orbit comes back, bit for bit, to a value it had
// without escaping, within ulSteps steps: then it never escapes.
bool OrbitRepeats(double dfX, double dfY, uint32_t ulSteps) {
    double x = dfX, y = dfY, dfSavedX = dfX, dfSavedY = dfY;
    for (uint32_t n = 1; n <= ulSteps; ++n) {
        if (x * x + y * y >= 4.0) return false;
        double dfNextX = x * x - y * y + dfX;
        y = x * y * 2 + dfY;
        x = dfNextX;
        if (std::bit_cast<uint64_t>(x) == std::bit_cast<uint64_t>(dfSavedX) &&
            std::bit_cast<uint64_t>(y) == std::bit_cast<uint64_t>(dfSavedY))
            return true;
        if ((n & (n - 1)) == 0) dfSavedX = x, dfSavedY = y;
    }
    return false;
}

TEST(DriftUnits, TheBestUnitRunsAndIsTheStartingOne) {
    int iBest = BestDriftUnit();
    EXPECT_TRUE(DriftUnitRuns(iBest) && DriftUnitRuns(DRIFT_PLAIN) && DriftUnitRuns(DRIFT_PORTABLE));
    for (int iUnit = iBest + 1; iUnit <= DRIFT_UNITS; ++iUnit) EXPECT_FALSE(DriftUnitRuns(iUnit)) << iUnit;
    EXPECT_EQ(iDriftUnit, iBest);
    EXPECT_STREQ(DriftUnitName(DRIFT_AVX512), "avx512");
#if defined(__x86_64__)
    EXPECT_TRUE(DriftUnitRuns(DRIFT_SSE2));
    EXPECT_EQ(DriftUnitRuns(DRIFT_AVX512), __builtin_cpu_supports("avx512f") ? 1 : 0);
#endif
}

TEST(DriftUnits, RandomViewsSizesAndLimitsGiveDriftCountsCounts) {
    std::mt19937_64 rng(20240607);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const uint32_t limits[] = {0, 1, 2, 3, 7, 16, 17, 100, 1024, 4096, 65519};
    for (int iView = 0; iView < 150; ++iView) {
        uint32_t ulLimit = iView % 4 == 3 ? 1 + static_cast<uint32_t>(rng() % 3000) : limits[rng() % std::size(limits)];
        // Some views are centred on the cardioid's edge, where counts are longest.
        std::complex<double> c(-2.2 + 3.0 * unit(rng), -1.3 + 2.6 * unit(rng));
        if (iView % 3 == 0) c = EdgePoint(std::polar(1.0L, 6.2831853L * unit(rng)));
        double dfHeight = std::pow(10.0, -12.0 + 12.7 * unit(rng));
        // Up to 48 x 48, smaller when the limit is high, to bound the scalar work.
        int iSide = std::max(1, std::min(48, static_cast<int>(std::sqrt(2.5e6 / (ulLimit + 1)))));
        Points x, y;
        ViewPoints(c.real(), c.imag(), dfHeight, 1 + static_cast<int>(rng() % iSide), 1 + static_cast<int>(rng() % iSide), x, y);
        ExpectCounts(x, y, ulLimit, "view " + std::to_string(iView));
    }
}

// Views of NaN, infinite and huge coordinates, and every pair of extreme values.
TEST(DriftUnits, ExtremeCoordinatesGiveDriftCountsCounts) {
    const double views[][3] = {{kNaN, 0.0, 4.0},  {0.0, kNaN, 4.0},       {0.0, 0.0, kNaN},     {kInf, 0.0, 4.0},
                               {0.0, -kInf, 4.0}, {0.0, 0.0, kInf},       {1e300, -1e300, 1e300}, {0.0, 0.0, kMax},
                               {-1e154, 1e154, 1e154}, {0.0, 0.0, 0.0},   {-0.75, 0.0, -0.5},   {-kMax, kMax, 2.0},
                               {1e-300, 0.0, 1e-310}};
    for (const auto& v : views)
        for (uint32_t ulLimit : {0u, 1u, 2u, 65519u}) {
            Points x, y;
            ViewPoints(v[0], v[1], v[2], 9, 7, x, y);
            ExpectCounts(x, y, ulLimit, "view at " + std::to_string(v[0]) + ", " + std::to_string(v[1]) +
                                            " height " + std::to_string(v[2]));
        }
    const double values[] = {0.0,    -0.0,   1.0,    -1.0,  2.0,   -2.0,     0.25, -0.75, -1.25,
                             std::nextafter(2.0, 0.0), std::nextafter(-2.0, 0.0), 1e-310, 5e-324, 1e-160,
                             1e154,  1.4e154, -1.5e154, 1e300, kMax, -kMax, kInf, -kInf, kNaN, -kNaN};
    Points x, y;
    for (double dfX : values)
        for (double dfY : values) x.push_back(dfX), y.push_back(dfY);
    for (uint32_t ulLimit : {0u, 1u, 2u, 3u, 65519u}) ExpectCounts(x, y, ulLimit, "extreme pairs");
}

// Escaping orbits, and orbits that repeat exactly: inside the cardioid or
// bulb, attracted to a cycle (the rabbit and the airplane), or NaN.
TEST(DriftUnits, HugeLimitsCountOrbitsThatEscapeOrRepeat) {
    const double points[][2] = {{0.3, 0.0},  {-2.1, 0.0}, {0.26, 0.0},      {-0.75, 0.01}, {0.2501, 0.0},
                                {0.0, 0.0},  {-0.1, 0.1}, {-1.0, 0.0},      {-0.1226, 0.7449},
                                {-1.7548776662466927, 0.0}, {kNaN, 0.0}, {0.0, kNaN}, {kInf, kNaN}, {1e300, kNaN}};
    for (uint32_t ulLimit : {65520u, 1u << 31, 0xFFFFFFFFu}) {
        Points x, y;
        std::vector<uint32_t> expected;
        for (const auto& p : points) {
            x.push_back(p[0]);
            y.push_back(p[1]);
            expected.push_back(OrbitRepeats(p[0], p[1], 1u << 20) ? ulLimit : ScalarCounts({p[0]}, {p[1]}, ulLimit)[0]);
        }
        ExpectCounts(x, y, ulLimit, "huge limit", expected);
    }
}

// Points just inside the shortcuts' margin (multiplier 1 - 2^-10, less 1e-12)
// never escape; those around it and the edges count as DriftCount counts.
// More of them lie near the cusp and the roots of the largest bulbs.
TEST(DriftUnits, PointsAroundTheShortcutsMarginGiveDriftCountsCounts) {
    std::vector<long double> angles = {0.0L, 1e-9L, -1e-9L, 1e-4L, -1e-4L};
    for (int q = 2; q <= 7; ++q) angles.push_back(6.283185307179586L / q);
    for (int i = 0; i < 24; ++i) angles.push_back(6.283185307179586L * (i + 0.5L) / 24);
    for (double dfScale : {1.0 - 1e-12, 1.0 + 1e-12, 1.0 + 1e-6, 1024.0 / 1023 * (1.0 - 1e-9), 1024.0 / 1023 * (1.0 + 1e-6)}) {
        Points x, y;
        for (long double theta : angles)
            for (bool bBulb : {false, true}) {
                std::complex<double> c = EdgePoint(std::polar((1.0L - 1.0L / 1024) * dfScale, theta), bBulb);
                x.push_back(c.real());
                y.push_back(c.imag());
            }
        const bool bInside = dfScale < 1.0;
        const uint32_t ulLimit = bInside ? 150000 : 20000;
        std::vector<uint32_t> counts = ScalarCounts(x, y, ulLimit);
        EXPECT_TRUE(!bInside || counts == std::vector<uint32_t>(x.size(), ulLimit)) << "a point inside escaped";
        ExpectCounts(x, y, ulLimit, "margin scaled by " + std::to_string(dfScale), counts);
    }
}

struct RenderCase {
    int iWidth, iHeight;
    double dfMidX, dfMidY, dfHeight;
    ULONG ulLevels;  // 0: the display's choice
    int iMinLevel, iColorFactor, bInvert;
    platform::DisplayCaps caps;
};

// A change a handler makes at the given peek while the picture is drawn.
struct MidRenderChange {
    int iPeek = 0;
    std::function<void()> change;
};

// Everything a render leaves that the user or the counters can see, and the
// picture as the call after a change found it.
const char* const kTraceParts[] = {"pixels", "picture after the change", "fills", "point colours",
                                   "iterations", "pen", "peeks", "passes", "beeps"};
using RenderTrace = std::vector<std::vector<uint64_t>>;

RenderTrace RenderWith(int iUnit, const RenderCase& c, const MidRenderChange& midway = {}) {
    int iSaved = iDriftUnit;
    iDriftUnit = iUnit;
    EngineWindow window = OpenEngineWindow(c.iWidth, c.iHeight, c.caps);
    dfSetMidX = c.dfMidX;
    dfSetMidY = c.dfMidY;
    dfSetHeight = c.dfHeight;
    if (c.ulLevels) ulMaxLevels = c.ulLevels;
    iMinLevel = c.iMinLevel;
    iColorFactor = c.iColorFactor;
    bInvertColors = c.bInvert;
    SetupSet();
    harness::RecordFills();
    std::vector<uint32_t> afterChange;
    if (midway.change) {
        harness::AtPeek(midway.iPeek, midway.change);
        harness::AtPeek(midway.iPeek + 1, [&] { afterChange = harness::Pixels(window.hwnd); });
    }
    RenderToEnd(window);
    iDriftUnit = iSaved;
    std::vector<uint32_t> pixels = harness::Pixels(window.hwnd);
    std::vector<uint64_t> fills;
    for (const auto& [rc, cr] : harness::Fills())
        fills.insert(fills.end(), {uint64_t(rc.left), uint64_t(rc.top), uint64_t(rc.right), uint64_t(rc.bottom), cr});
    return {{pixels.begin(), pixels.end()}, {afterChange.begin(), afterChange.end()}, fills, {ullPointColorCalls},
            {ullIterationCount}, {PenColor}, {uint64_t(harness::PeekCount())}, {uint64_t(iPassCount)},
            {uint64_t(harness::BeepCount())}};
}

void ExpectPlainRender(const RenderCase& c, const MidRenderChange& midway, const std::string& sWhat) {
    RenderTrace plain = RenderWith(DRIFT_PLAIN, c, midway);
    for (int iUnit : UnitsHere()) {
        RenderTrace trace = RenderWith(iUnit, c, midway);
        for (size_t i = 0; i < plain.size(); ++i)
            EXPECT_EQ(trace[i], plain[i]) << DriftUnitName(iUnit) << " " << sWhat << ": " << kTraceParts[i];
    }
}

TEST(DriftUnits, EveryUnitRendersThePlainPathsPictureWithTheSameWork) {
    const RenderCase cases[] = {
        {200, 150, 0.0, 0.0, 4.0, 0, 2, 100, 0, harness::TrueColorDisplay()},
        {160, 120, -0.743643887037151, -0.131825904205330, 0.00003, 2048, 2, 100, 0, harness::TrueColorDisplay()},
        {96, 72, -0.1, 0.0, 0.2, 65519, 2, 100, 0, harness::TrueColorDisplay()},
        {128, 96, -0.75, 0.1, 0.3, 0, 3, 300, 1, harness::HighColorDisplay()},
        {120, 90, -1.25, 0.0, 0.6, 0, 9, 100, 0, harness::SixteenColorDisplay()},
        {5, 300, -0.5, 0.0, 2.5, 500, 2, -40, 0, harness::TrueColorDisplay()},
        {1, 1, 0.25, 0.0, 1.0, 0, 2, 100, 0, harness::PaletteDisplay()},
    };
    for (const RenderCase& c : cases) ExpectPlainRender(c, {}, std::to_string(c.iWidth) + "x" + std::to_string(c.iHeight));
}

// Pixel blocks and filled quadrants are counted ahead, many together; a
// handler that runs between them and changes the view, the limit or the
// client size must still see each later block drawn as the plain path draws
// it, in the coarse passes and in the final one.
TEST(DriftUnits, ChangesBetweenBlocksCountedTogetherDrawAsThePlainPath) {
    const RenderCase c = {96, 72, -0.75, 0.1, 0.3, 256, 2, 100, 0, harness::TrueColorDisplay()};
    RenderWith(DRIFT_PLAIN, c);
    const int iPeeks = harness::PeekCount();
    std::vector<int> peeks;
    for (int iFromEnd = 1; iFromEnd < 40; iFromEnd += iFromEnd < 12 ? 1 : 9) peeks.push_back(iPeeks - iFromEnd);
    for (int iPart = 2; iPart <= 64; iPart *= 2) peeks.push_back(iPeeks / iPart + iPart % 3);
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"pan", [] { dfSetMidX += 0.013; SetupSet(); bRestarting = 1; }},
        {"limit", [] { ulMaxLevels = 300; bRestarting = 1; }},
        {"resize", [] { iMaxX = 150; iMaxY = 110; SetupSet(); bRestarting = 1; }},
        {"unrestarted", [] { dfSetMinY += 1e-3; }},
    };
    for (const auto& [pszChange, change] : changes)
        for (int iPeek : peeks) ExpectPlainRender(c, {iPeek, change}, pszChange + (" at peek " + std::to_string(iPeek)));
}

// Pictures depend on every product and sum being rounded on its own: the
// program must hold no fused multiply-add anywhere.
TEST(DriftUnits, TheProgramHoldsNoFusedMultiplyAdd) {
#if !defined(__linux__)
    GTEST_SKIP() << "the disassembly is read from /proc/self/exe";
#else
    FILE* pPipe = popen("objdump -d --no-show-raw-insn /proc/self/exe 2>/dev/null", "r");
    ASSERT_NE(pPipe, nullptr);
    char psLine[512];
    long lLines = 0;
    std::string sFused;
    while (std::fgets(psLine, sizeof psLine, pPipe)) {
        ++lLines;
        for (const char* pszFused : {"vfmadd", "vfmsub", "vfnmadd", "vfnmsub"})
            if (sFused.empty() && std::strstr(psLine, pszFused)) sFused = psLine;
    }
    pclose(pPipe);
    if (lLines == 0) GTEST_SKIP() << "objdump is not available";
    EXPECT_EQ(sFused, "");
#endif
}

}  // namespace
