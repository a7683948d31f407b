// The vector units and the counting threads against the plain path on every
// unit this machine runs: whole renders of ordinary, deep, extreme, margin and
// random views, changed between blocks or not, and the direct path's pictures
// of the same views at every unit and several thread counts and band heights.
#include "direct_render.h"
#include "driftblock.h"
#include "program_run.h"

#include <cmath>
#include <random>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(DriftUnits, TheBestUnitRunsAndIsTheStartingOne) {
    int iBest = BestDriftUnit();
    for (int iUnit : {iBest, int(DRIFT_PLAIN), int(DRIFT_PORTABLE)}) EXPECT_TRUE(DriftUnitRuns(iUnit)) << "case: " << DriftUnitName(iUnit);
    for (int iUnit = iBest + 1; iUnit <= DRIFT_UNITS; ++iUnit) EXPECT_FALSE(DriftUnitRuns(iUnit)) << iUnit;
    EXPECT_EQ(iDriftUnit, iBest);
}

struct RenderCase {
    int iWidth, iHeight;
    double dfMidX, dfMidY, dfHeight;
    ULONG ulLevels;  // 0: the display's choice
    int iMinLevel, iColorFactor, bInvert;
    platform::DisplayCaps caps;
    int iRGB = 0;
};

// A change a handler makes at the given peek while the picture is drawn.
struct MidRenderChange { int iPeek = 0; std::function<void()> change; };

// What a render leaves that the user or the counters can see, and the
// picture as the call after a change found it.
const char* const kTraceParts[] = {"pixels", "picture after the change", "fills", "point colours",
                                   "iterations", "pen", "peeks", "passes", "beeps"};
using RenderTrace = std::vector<std::vector<uint64_t>>;

// The direct path's pictures of the view just rendered, with the unit given,
// are the plain path's picture, at 1, 2, 3 and 8 threads in bands of the
// default height and of 1, 7 and 2 rows; palette colours, which a true-colour
// picture has not, are left out.
void ExpectDirectPictures(int iUnit, const std::vector<uint64_t>& picture, const std::string& sWhat) {
    if (dwMaxColor < 1024) return;
    DirectView view = DirectViewNow();
    view.mapping.iUnit = iUnit;
    for (auto [iThreads, iBandRows] : {std::pair{1, 0}, {2, 1}, {3, 7}, {8, 2}}) {
        std::vector<uint64_t> words;
        EXPECT_TRUE(RenderDirect(view, iThreads, iBandRows, [&](const DirectBand& band) {
            for (size_t i = 0; i < band.rgb.size(); i += 3) words.push_back(RGB(band.rgb[i], band.rgb[i + 1], band.rgb[i + 2]));
            return !band.png.deflated.empty();
        }));
        ASSERT_TRUE(words == picture) << DriftUnitName(iUnit) << ", " << sWhat << ", direct at " << iThreads << " threads";
    }
}

RenderTrace RenderWith(int iUnit, int iThreads, const RenderCase& c, const MidRenderChange& midway = {}) {
    iDriftUnit = iUnit;
    SetCountingThreads(iThreads);
    EngineWindow window = OpenEngineWindow(c.iWidth, c.iHeight, c.caps);
    dfSetMidX = c.dfMidX, dfSetMidY = c.dfMidY, dfSetHeight = c.dfHeight;
    if (c.ulLevels) ulMaxLevels = c.ulLevels;
    iMinLevel = c.iMinLevel, iColorFactor = c.iColorFactor, bInvertColors = c.bInvert, iRGB_Combo = c.iRGB;
    SetupSet();
    harness::RecordFills();
    std::vector<uint32_t> afterChange;
    if (midway.change) harness::AtPeek(midway.iPeek, midway.change);
    if (midway.change) harness::AtPeek(midway.iPeek + 1, [&] { afterChange = harness::Pixels(window.hwnd); });
    RenderToEnd(window);
    SetCountingThreads(1);
    iDriftUnit = BestDriftUnit();  // the program's own
    std::vector<uint32_t> pixels = harness::Pixels(window.hwnd);
    std::vector<uint64_t> fills;
    for (const auto& [rc, cr] : harness::Fills())
        fills.insert(fills.end(), {uint64_t(rc.left), uint64_t(rc.top), uint64_t(rc.right), uint64_t(rc.bottom), cr});
    return {{pixels.begin(), pixels.end()}, {afterChange.begin(), afterChange.end()}, fills, {ullPointColorCalls},
            {ullIterationCount}, {PenColor}, {uint64_t(harness::PeekCount())}, {uint64_t(iPassCount)},
            {uint64_t(harness::BeepCount())}};
}

// Every unit on the drawing thread alone, and the best one with workers; every
// vector unit's direct pictures are the plain path's finished picture.
void ExpectPlainRender(const RenderCase& c, const MidRenderChange& midway, const std::string& sWhat) {
    RenderTrace plain = RenderWith(DRIFT_PLAIN, 1, c, midway);
    auto expectPlain = [&](int iUnit, int iThreads) {
        RenderTrace trace = RenderWith(iUnit, iThreads, c, midway);
        for (size_t i = 0; i < plain.size(); ++i)
            EXPECT_EQ(trace[i], plain[i]) << DriftUnitName(iUnit) << " with " << iThreads << " threads, " << sWhat
                                          << ": " << kTraceParts[i];
        if (iThreads == 1 && !midway.change) ExpectDirectPictures(iUnit, plain[0], sWhat);
    };
    for (int iUnit = DRIFT_PORTABLE; iUnit < DRIFT_UNITS; ++iUnit)
        if (DriftUnitRuns(iUnit)) expectPlain(iUnit, 1);
    for (int iThreads : {2, 3, 8}) expectPlain(BestDriftUnit(), iThreads);
}

// Workers the system will not start are done without: those that started,
// or the drawing thread alone, count the same picture.
TEST(DriftUnits, ThreadsThatCannotStartLeaveThePictureAsItIs) {
    const RenderCase c = {160, 120, -0.743643887037151, -0.131825904205330, 0.00003, 2048, 2, 100, 0, harness::TrueColorDisplay()};
    const RenderTrace alone = RenderWith(BestDriftUnit(), 1, c);
    for (auto [iThreads, iRefused] : {std::pair{2, 1}, {3, 1}, {3, 2}, {8, 1}, {8, 7}}) {
        harness::FailNextThreadStarts(iRefused);
        EXPECT_EQ(SetCountingThreads(iThreads), iThreads - iRefused);
        harness::FailNextThreadStarts(iRefused);
        EXPECT_TRUE(RenderWith(BestDriftUnit(), iThreads, c) == alone) << iThreads << " threads, " << iRefused << " refused";
    }
}

// Random views, sizes (thin ones, and ones whose blocks straddle the
// thresholds), limits, start levels, colour factors, inversion and channel orders.
std::vector<RenderCase> RandomCases(int iCount) {
    std::mt19937 random(20261207);
    auto uniform = [&](double dfLow, double dfHigh) { return std::uniform_real_distribution<double>(dfLow, dfHigh)(random); };
    auto whole = [&](int iLow, int iHigh) { return std::uniform_int_distribution<int>(iLow, iHigh)(random); };
    const std::pair<int, int> sizes[] = {{1, 90}, {90, 1}, {2, 57}, {77, 3}, {128, 96}, {160, 60}, {71, 53}, {99, 140}};
    std::vector<RenderCase> cases;
    for (int i = 0; i < iCount; ++i) {
        auto [iWidth, iHeight] = sizes[i % std::size(sizes)];
        cases.push_back({iWidth, iHeight, uniform(-2.0, 0.5), uniform(-1.0, 1.0), std::pow(10.0, uniform(-9.0, 0.5)),
                         static_cast<ULONG>(whole(1, 4096)), whole(-1, 9), whole(50, 300), whole(0, 1),
                         harness::TrueColorDisplay(), whole(-1, 6)});
    }
    return cases;
}

// Pixel blocks and filled quadrants are counted ahead, in jobs, by workers or
// the drawing thread; a handler that runs between them and changes the view,
// the limit or the client size must still see each later block drawn as the
// plain path draws it, and no count of the view before drawn after it.
TEST(DriftUnits, EveryUnitAndThreadCountRendersThePlainPathsPictureWithTheSameWork) {
    const RenderCase cases[] = {
        {200, 150, 0.0, 0.0, 4.0, 0, 2, 100, 0, harness::TrueColorDisplay()},
        {160, 120, -0.743643887037151, -0.131825904205330, 0.00003, 2048, 2, 100, 0, harness::TrueColorDisplay()},
        {96, 72, -0.1, 0.0, 0.2, 65519, 2, 100, 0, harness::TrueColorDisplay()},
        {128, 96, -0.75, 0.1, 0.3, 0, 3, 300, 1, harness::HighColorDisplay()},
        {120, 90, -1.25, 0.0, 0.6, 0, 9, 100, 0, harness::SixteenColorDisplay()},
        {5, 300, kNaN, 1e300, 2.5, 500, 2, -40, 0, harness::TrueColorDisplay()},
        {48, 36, 1e300, -1e300, 1e300, 64, 2, 100, 0, harness::TrueColorDisplay()},
        {33, 17, 0.0, 0.0, kNaN, 64, 2, 100, 0, harness::TrueColorDisplay()},
        {40, 30, -0.5, 0.25, 0.0, 64, 2, 100, 0, harness::TrueColorDisplay()},
        {64, 48, 0.25, 0.0, 1e-7, 30000, 2, 100, 0, harness::TrueColorDisplay()},  // the cusp, inside and out
        {64, 48, -0.75, 1e-6, 1e-5, 30000, 2, 100, 0, harness::TrueColorDisplay()},  // where the bulb meets the cardioid
        {1, 1, 0.25, 0.0, 1.0, 0, 2, 100, 0, harness::PaletteDisplay()},
    };
    for (const RenderCase& c : cases) ExpectPlainRender(c, {}, std::to_string(c.iWidth) + "x" + std::to_string(c.iHeight));
    for (const RenderCase& c : RandomCases(16))
        ExpectPlainRender(c, {}, "random " + std::to_string(c.iWidth) + "x" + std::to_string(c.iHeight));
    const RenderCase c = {80, 60, -0.75, 0.1, 0.3, 256, 2, 100, 0, harness::TrueColorDisplay()};  // its blocks straddle
    RenderWith(DRIFT_PLAIN, 1, c);
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

}  // namespace
