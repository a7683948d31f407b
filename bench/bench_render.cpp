// Rendering speed of the engine on the headless platform, end to end through
// the real render loop: each reference view with the plain scalar path and
// with the vector unit in the same run (seconds, median of five; iterations per
// second; speed-up), the longest time between two queue checks, and the
// block kernel alone on points that all run to the limit, against the core's
// limit measured on this machine; then what the counting threads buy.
#include "bench_png.h"
#include "bench_threads.h"
#include "driftblock.h"
#include "engine.h"
#include "offscreen.h"
#include "render_session.h"
#include "view_io.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

struct View {
    const char* pszName;
    RenderOptions options;
};

RenderOptions MakeOptions(double dfX, double dfY, double dfHeight, uint32_t ulIterations) {
    RenderOptions options;
    options.values.dfSetMidX = dfX;
    options.values.dfSetMidY = -dfY;
    options.values.dfSetHeight = dfHeight;
    options.values.ulMaxLevels = ulIterations;
    return options;
}

double Seconds(Clock::time_point tFrom) {
    return std::chrono::duration<double>(Clock::now() - tFrom).count();
}

// Plain renders stop once they have taken this long in all: the plain path
// needs minutes for a view whose points all run to 65519.
const double kBudgetSeconds = 60.0;

struct Timings {
    std::vector<double> seconds;
    RenderResult result;
};

void TimeRender(const View& view, int iUnit, Timings& timings) {
    int iSaved = iDriftUnit;
    iDriftUnit = iUnit;
    timings.result = RenderHeadless(view.options);
    timings.seconds.push_back(timings.result.dfSeconds);
    iDriftUnit = iSaved;
}

void PrintTiming(const char* pszPath, const Timings& timings, double dfPlainSeconds) {
    double dfSeconds = Median(timings.seconds);
    double dfIterations = static_cast<double>(timings.result.ullIterations);
    std::printf("  %-8s %9.4f s  %8.3f Giter/s  x%-7.1f (median of %zu)\n", pszPath, dfSeconds,
                dfIterations / dfSeconds / 1e9, dfPlainSeconds / dfSeconds, timings.seconds.size());
}

// The view rendered by the plain path and by the vector unit, turn about so
// that both meet the same load on the machine: times, and whether pictures
// and counts agree.
void CompareView(const View& view, int iRuns) {
    Timings plain, vector;
    double dfPlainTotal = 0.0;
    for (int i = 0; i < iRuns; ++i) {
        if (dfPlainTotal < kBudgetSeconds) {
            TimeRender(view, DRIFT_PLAIN, plain);
            dfPlainTotal += plain.seconds.back();
        }
        TimeRender(view, BestDriftUnit(), vector);
    }
    bool bSame = plain.result.pixels == vector.result.pixels &&
                 plain.result.ullIterations == vector.result.ullIterations &&
                 plain.result.ullPointColors == vector.result.ullPointColors;
    std::printf("%s: %dx%d, %u iterations; %llu points, %llu iterations counted; %s\n",
                view.pszName, view.options.iWidth, view.options.iHeight,
                view.options.values.ulMaxLevels,
                static_cast<unsigned long long>(plain.result.ullPointColors),
                static_cast<unsigned long long>(plain.result.ullIterations),
                bSame ? "pictures and counts identical" : "PICTURES OR COUNTS DIFFER");
    std::printf("  %llu points counted ahead by plan, %llu counted again because the plan missed\n",
                static_cast<unsigned long long>(vector.result.ullPlannedPoints),
                static_cast<unsigned long long>(vector.result.ullRecountedPoints));
    double dfPlainSeconds = Median(plain.seconds);
    PrintTiming("plain", plain, dfPlainSeconds);
    PrintTiming(DriftUnitName(BestDriftUnit()), vector, dfPlainSeconds);
}

// The times between two PeekMessageA calls of a whole render, longest last:
// how long a keystroke may wait before the renderer looks at the queue.
std::vector<double> QueueGaps(const RenderOptions& options, int iUnit) {
    int iSaved = iDriftUnit;
    iDriftUnit = iUnit;
    Clock::time_point tLast;
    std::vector<double> gaps;
    RenderWatchingPeeks(
        options, [&] { ApplyDrawingValues(options.values), SetupSet(), tLast = Clock::now(); },
        [&] {
            Clock::time_point tNow = Clock::now();
            gaps.push_back(std::chrono::duration<double>(tNow - tLast).count());
            tLast = tNow;
        });
    iDriftUnit = iSaved;
    std::sort(gaps.begin(), gaps.end());
    return gaps;
}

void PrintQueueGaps(const View& view) {
    std::vector<double> gaps = QueueGaps(view.options, BestDriftUnit());
    if (gaps.empty()) return;
    std::printf("queue checks, %s, %s: %zu; longest gap %.3f ms, 99.9%% within %.3f ms, "
                "median %.4f ms\n", view.pszName, DriftUnitName(BestDriftUnit()), gaps.size(),
                1e3 * gaps.back(), 1e3 * gaps[gaps.size() * 999 / 1000], 1e3 * gaps[gaps.size() / 2]);
}

// Points inside the set, near the main cardioid's edge (multiplier 0.99999,
// outside the shortcut's margin) and far from repeating: all run to the limit.
void SlowInsidePoints(std::vector<double>& x, std::vector<double>& y, int iPoints) {
    for (int i = 0; i < iPoints; ++i) {
        std::complex<double> lambda = std::polar(0.99999, 0.3 + 5.6 * i / iPoints);
        std::complex<double> c = lambda / 2.0 - lambda * lambda / 4.0;
        x.push_back(c.real());
        y.push_back(c.imag());
    }
}

// Iterations per second of one unit over blocks of 63 such points.
double KernelRate(int iUnit, uint32_t ulLimit, int iBlocks, int iRuns) {
    const int kBlock = 63;
    std::vector<double> x, y;
    SlowInsidePoints(x, y, kBlock * iBlocks);
    std::vector<uint32_t> counts(x.size());
    std::vector<double> seconds;
    for (int r = 0; r < iRuns; ++r) {
        Clock::time_point tStart = Clock::now();
        for (int b = 0; b < iBlocks; ++b)
            DriftCounts(iUnit, &x[b * kBlock], &y[b * kBlock], &counts[b * kBlock], kBlock, ulLimit);
        seconds.push_back(Seconds(tStart));
    }
    for (uint32_t ulCount : counts)
        if (ulCount != ulLimit) std::printf("  (a point left before the limit)\n");
    return static_cast<double>(ulLimit) * x.size() / Median(seconds);
}

#if defined(__GNUC__) && defined(__x86_64__)
// Sixteen independent chains of 512-bit products and sums: the most
// multiplies and adds per second the core sustains.
__attribute__((target("avx512f"), noinline)) double PeakVectorOps(long lRounds) {
    __m512d a[8], s[8];
    for (int i = 0; i < 8; ++i) {
        a[i] = _mm512_set1_pd(1.0 + i * 0.001);
        s[i] = _mm512_set1_pd(2.0 + i * 0.001);
    }
    const __m512d m = _mm512_set1_pd(0.9999999), d = _mm512_set1_pd(1e-9);
    Clock::time_point tStart = Clock::now();
    for (long r = 0; r < lRounds; ++r) {
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i) {
            a[i] = _mm512_mul_pd(a[i], m);
            s[i] = _mm512_add_pd(s[i], d);
        }
    }
    double dfSeconds = Seconds(tStart);
    double dfSum[8] = {};
    for (int i = 0; i < 8; ++i) _mm512_storeu_pd(dfSum, _mm512_add_pd(_mm512_loadu_pd(dfSum), _mm512_add_pd(a[i], s[i])));
    if (dfSum[0] == 0.0) std::printf(" ");  // keeps the chains alive
    return 16.0 * lRounds / dfSeconds;
}

// A chain of dependent integer multiplies, three cycles each: the clock.
double ClockRate(long lRounds) {
    long l = 3;
    Clock::time_point tStart = Clock::now();
    for (long r = 0; r < lRounds; ++r)
        __asm__ volatile("imul %0, %0\n\timul %0, %0\n\timul %0, %0\n\timul %0, %0" : "+r"(l));
    return 12.0 * lRounds / Seconds(tStart);
}

// The core's limit in iterations per second: each iteration needs eight
// multiplies and adds (x*x, y*y, x*y, the doubling, x2+y2, x2-y2, +x0, +y0),
// so with eight lanes a vector operation per second is an iteration per second.
// Measured turn about with the kernel, so that both meet the same load.
void PrintCoreLimit(int iUnit, uint32_t ulLimit) {
    if (!__builtin_cpu_supports("avx512f")) {
        std::printf("core limit: no AVX-512 here, not measured\n");
        return;
    }
    std::vector<double> peaks, clocks, shares;
    for (int i = 0; i < 7; ++i) {
        double dfPeak = PeakVectorOps(20000000);
        shares.push_back(KernelRate(iUnit, ulLimit, 8, 1) / dfPeak);
        peaks.push_back(dfPeak);
        clocks.push_back(ClockRate(30000000));
    }
    std::printf("core limit: %.2f GHz clock, %.2f 512-bit multiplies and adds per cycle: "
                "%.2f Giter/s; the %s kernel at %.0f%% of it (medians of 7 turns)\n",
                Median(clocks) / 1e9, Median(peaks) / Median(clocks), Median(peaks) / 1e9,
                DriftUnitName(iUnit), 100.0 * Median(shares));
}
#else
void PrintCoreLimit(int, uint32_t) { std::printf("core limit: not measured on this processor\n"); }
#endif

void CompareKernels() {
    const uint32_t kLimit = 100000;
    std::printf("kernel alone, blocks of 63 points that all run to %u:\n", kLimit);
    for (int iUnit = DRIFT_PLAIN; iUnit < DRIFT_UNITS; ++iUnit) {
        if (!DriftUnitRuns(iUnit)) continue;
        double dfRate = KernelRate(iUnit, kLimit, iUnit == DRIFT_PLAIN ? 2 : 8, 5);
        std::printf("  %-8s %8.3f Giter/s\n", DriftUnitName(iUnit), dfRate / 1e9);
    }
    PrintCoreLimit(BestDriftUnit(), kLimit);
}

}  // namespace

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void RenderWatchingPeeks(const RenderOptions& options, const std::function<void()>& setUp,
                         const std::function<void()>& onPeek) {
    offscreen::Reset();
    InitializeProgramValues();
    HWND hwnd = OpenRenderWindow(options);
    HDC hdc = GetDC(hwnd);
    MSG msg;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    NewRect(hwnd, hdc);
    setUp();
    offscreen::OnEveryPeek(onPeek);
    RenderLoop(hwnd, hdc, &msg);
    CloseRenderWindow(hwnd, hdc);
    offscreen::Reset();
}

// orvanta-bench [RUNS [VIEWS]]: VIEWS picks among a, b and c (default all),
// t for the threads' figures, p for the PNG compression's and d for the
// direct path's (against the render loop, and posters).
int main(int argc, char** argv) {
    int iRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::string sViews = argc > 2 ? argv[2] : "abctpd";
    const View views[] = {
        {"(a) default", MakeOptions(0.0, 0.0, 4.0, 1024)},
        {"(b) seahorse", MakeOptions(-0.743643887037151, 0.131825904205330, 0.00003, 8192)},
        {"(c) inside", MakeOptions(-0.1, 0.0, 0.2, 65519)},
    };
    std::printf("vector unit: %s; seconds are medians of %d renders\n",
                DriftUnitName(BestDriftUnit()), iRuns);
    for (const View& view : views)
        if (sViews.find(view.pszName[1]) != std::string::npos) CompareView(view, iRuns);
    for (const View& view : views)
        if (sViews.find(view.pszName[1]) != std::string::npos) PrintQueueGaps(view);
    if (sViews.find_first_of("abc") != std::string::npos) CompareKernels();
    if (sViews.find('t') != std::string::npos) BenchThreads(iRuns);
    if (sViews.find('p') != std::string::npos) BenchPng(iRuns);
    if (sViews.find('d') != std::string::npos) BenchPosters(iRuns);
    return 0;
}
