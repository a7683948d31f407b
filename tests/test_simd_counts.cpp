// The vector units against the plain path on every unit this machine runs:
// counts of extreme points, of points around the inside shortcuts' margin and
// at huge limits, and whole renders, changed between blocks or not.
#include "driftblock.h"
#include "engine_window.h"

#include <complex>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const double kMax = std::numeric_limits<double>::max();

std::vector<int> UnitsHere() {
    std::vector<int> units;
    for (int iUnit = DRIFT_PORTABLE; iUnit < DRIFT_UNITS; ++iUnit)
        if (DriftUnitRuns(iUnit)) units.push_back(iUnit);
    return units;
}

TEST(DriftUnits, TheBestUnitRunsAndIsTheStartingOne) {
    int iBest = BestDriftUnit();
    EXPECT_TRUE(DriftUnitRuns(iBest) && DriftUnitRuns(DRIFT_PLAIN) && DriftUnitRuns(DRIFT_PORTABLE));
    for (int iUnit = iBest + 1; iUnit <= DRIFT_UNITS; ++iUnit) EXPECT_FALSE(DriftUnitRuns(iUnit)) << iUnit;
    EXPECT_EQ(iDriftUnit, iBest);
    EXPECT_STREQ(DriftUnitName(DRIFT_AVX512), "avx512");
}

void ExpectCounts(const std::vector<double>& x, const std::vector<double>& y, uint32_t ulLimit,
                  const std::vector<uint32_t>& expected) {
    for (int iUnit : UnitsHere()) {
        std::vector<uint32_t> counts(x.size(), 0xDEADBEEF);
        DriftCounts(iUnit, x.data(), y.data(), counts.data(), static_cast<int>(x.size()), ulLimit);
        for (size_t i = 0; i < x.size(); ++i) {
            if (counts[i] == expected[i]) continue;
            char psPoint[96];
            std::snprintf(psPoint, sizeof psPoint, "(%a, %a)", x[i], y[i]);
            ADD_FAILURE() << DriftUnitName(iUnit) << ", limit " << ulLimit << ", point " << i << " " << psPoint << ": "
                          << counts[i] << " instead of " << expected[i];
            break;
        }
    }
}

// Every pair of extreme values, and points on the cardioid and the period-2
// bulb scaled around the inside shortcuts' margin (multiplier 1 - 2^-10):
// those inside never escape. At huge limits orbits escape or repeat for ever.
TEST(DriftUnits, EveryUnitCountsAsThePlainPath) {
    const double values[] = {0.0, -0.0, 1.0, -2.0, 0.25, -0.75, std::nextafter(2.0, 0.0), 5e-324, 1e-160,
                             1.4e154, -1.5e154, kMax, -kInf, kNaN};
    std::vector<double> x, y;
    for (double dfX : values)
        for (double dfY : values) x.push_back(dfX), y.push_back(dfY);
    const size_t uMargin = x.size();
    for (double dfScale : {1.0 - 1e-12, 1.0 + 1e-12, 1024.0 / 1023 * (1.0 + 1e-6)})
        for (int i = 0; i < 24; ++i)
            for (bool bBulb : {false, true}) {
                auto lambda = std::polar((1.0L - 1.0L / 1024) * dfScale, 6.283185307179586L * (i + 0.5L) / 24);
                auto c = bBulb ? lambda / 4.0L - 1.0L : lambda / 2.0L - lambda * lambda / 4.0L;
                x.push_back(static_cast<double>(c.real())), y.push_back(static_cast<double>(c.imag()));
            }
    ULONG ulSaved = ulMaxLevels;
    for (uint32_t ulLimit : {0u, 1u, 2u, 100000u}) {
        ulMaxLevels = ulLimit;
        std::vector<uint32_t> expected;
        for (size_t i = 0; i < x.size(); ++i) expected.push_back(DriftCount(x[i], y[i]));
        for (size_t i = uMargin; i < uMargin + 48 && ulLimit; ++i) EXPECT_EQ(expected[i], ulLimit) << "escaped " << i;
        ExpectCounts(x, y, ulLimit, expected);
    }
    const struct { double x, y; bool bRepeats; } orbits[] = {
        {0.3, 0.0, false}, {0.2501, 0.0, false}, {-0.75, 0.01, false}, {-2.1, 0.0, false}, {0.0, 0.0, true},
        {-1.0, 0.0, true}, {-0.1226, 0.7449, true}, {-1.7548776662466927, 0.0, true}, {kNaN, 1.0, true}};
    ulMaxLevels = 60000;  // beyond every escape here
    for (uint32_t ulLimit : {65520u, 0xFFFFFFFFu}) {
        std::vector<double> xs, ys;
        std::vector<uint32_t> expected;
        for (const auto& o : orbits) xs.push_back(o.x), ys.push_back(o.y), expected.push_back(o.bRepeats ? ulLimit : DriftCount(o.x, o.y));
        ExpectCounts(xs, ys, ulLimit, expected);
    }
    ulMaxLevels = ulSaved;
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

// What a render leaves that the user or the counters can see, and the
// picture as the call after a change found it.
const char* const kTraceParts[] = {"pixels", "picture after the change", "fills", "point colours",
                                   "iterations", "pen", "peeks", "passes", "beeps"};
using RenderTrace = std::vector<std::vector<uint64_t>>;

RenderTrace RenderWith(int iUnit, const RenderCase& c, const MidRenderChange& midway = {}) {
    int iSaved = iDriftUnit;
    iDriftUnit = iUnit;
    EngineWindow window = OpenEngineWindow(c.iWidth, c.iHeight, c.caps);
    dfSetMidX = c.dfMidX, dfSetMidY = c.dfMidY, dfSetHeight = c.dfHeight;
    if (c.ulLevels) ulMaxLevels = c.ulLevels;
    iMinLevel = c.iMinLevel, iColorFactor = c.iColorFactor, bInvertColors = c.bInvert;
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

// Pixel blocks and filled quadrants are counted ahead, many together; a
// handler that runs between them and changes the view, the limit or the
// client size must still see each later block drawn as the plain path draws it.
TEST(DriftUnits, EveryUnitRendersThePlainPathsPictureWithTheSameWork) {
    const RenderCase cases[] = {
        {200, 150, 0.0, 0.0, 4.0, 0, 2, 100, 0, harness::TrueColorDisplay()},
        {160, 120, -0.743643887037151, -0.131825904205330, 0.00003, 2048, 2, 100, 0, harness::TrueColorDisplay()},
        {96, 72, -0.1, 0.0, 0.2, 65519, 2, 100, 0, harness::TrueColorDisplay()},
        {128, 96, -0.75, 0.1, 0.3, 0, 3, 300, 1, harness::HighColorDisplay()},
        {120, 90, -1.25, 0.0, 0.6, 0, 9, 100, 0, harness::SixteenColorDisplay()},
        {5, 300, kNaN, 1e300, 2.5, 500, 2, -40, 0, harness::TrueColorDisplay()},
        {1, 1, 0.25, 0.0, 1.0, 0, 2, 100, 0, harness::PaletteDisplay()},
    };
    for (const RenderCase& c : cases) ExpectPlainRender(c, {}, std::to_string(c.iWidth) + "x" + std::to_string(c.iHeight));
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

// Pictures depend on every product and sum being rounded on its own.
TEST(DriftUnits, TheProgramHoldsNoFusedMultiplyAdd) {
    FILE* pPipe = popen("objdump -d --no-show-raw-insn /proc/self/exe 2>/dev/null", "r");
    if (!pPipe) GTEST_SKIP() << "no disassembly here";
    char psLine[512];
    std::string sFused;
    bool bRead = false;
    for (; std::fgets(psLine, sizeof psLine, pPipe); bRead = true)
        for (const char* pszFused : {"vfmadd", "vfmsub", "vfnmadd", "vfnmsub"})
            if (sFused.empty() && std::strstr(psLine, pszFused)) sFused = psLine;
    pclose(pPipe);
    if (!bRead) GTEST_SKIP() << "objdump is not available";
    EXPECT_EQ(sFused, "");
}

}  // namespace
