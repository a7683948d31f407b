// What the counting threads buy: whole orvanta-render runs at 1, 2 and every
// hardware thread (seconds and speed-up, beside two 1-thread runs at once), the
// time from a key to the first block of the new picture and the longest gap
// between queue checks at 1 thread and at all, and the point colours per pixel
// of straddling sizes; and posters: the direct path against the render loop,
// and the time and peak memory of pictures far larger than a screen.
#include "bench_threads.h"

#include "engine.h"
#include "render_session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct ProcessView {
    const char* pszName;
    const char* pszOptions;
};

const ProcessView kProcessViews[] = {
    {"(a) default 1024x768", "--iterations 1024"},
    {"(b) seahorse 1024x768", "--center -0.743643887037151,0.131825904205330 --height 0.00003 --iterations 8192"},
    {"(c) inside 1024x768", "--center -0.1,0 --height 0.2 --iterations 65519"},
    {"full-HD seahorse", "--size 1920x1080 --center -0.743643887037151,0.131825904205330 --height 0.00003 "
                         "--iterations 8192"},
    {"full-HD deep", "--size 1920x1080 --center -0.7436438870371587,0.1318259042053119 --height 1e-12 "
                     "--iterations 65519"},
};

std::vector<std::string> RenderArguments(const std::string& sOptions, int iThreads, const std::string& sOutput) {
    std::vector<std::string> args = {ORVANTA_RENDER_PROGRAM};
    std::istringstream words(sOptions);
    for (std::string sWord; words >> sWord;) args.push_back(sWord);
    for (std::string sWord : {std::string("--threads"), std::to_string(iThreads), sOutput}) args.push_back(sWord);
    return args;
}

pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& sArg : args) argv.push_back(const_cast<char*>(sArg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// True once the process has ended (waiting for it when bWait); a failed run is said.
bool Ended(pid_t pid, bool bWait, const std::string& sWhat) {
    int iStatus = 0;
    pid_t got = pid < 0 ? pid : waitpid(pid, &iStatus, bWait ? 0 : WNOHANG);
    if (got == 0) return false;
    if (got < 0 || !WIFEXITED(iStatus) || WEXITSTATUS(iStatus) != 0) std::printf("  (%s failed)\n", sWhat.c_str());
    return true;
}

// Runs the renders side by side: the seconds until the last has ended.
double RunAtOnce(const std::vector<std::vector<std::string>>& commands) {
    Clock::time_point tStart = Clock::now();
    std::vector<pid_t> pids;
    for (const std::vector<std::string>& args : commands) pids.push_back(Spawn(args));
    for (size_t i = 0; i < pids.size(); ++i) Ended(pids[i], true, commands[i].back());
    return std::chrono::duration<double>(Clock::now() - tStart).count();
}

double RunRender(const std::string& sOptions, int iThreads, const std::string& sOutput = "/tmp/orvanta-bench-threads.png") {
    return RunAtOnce({RenderArguments(sOptions, iThreads, sOutput)});
}

// The process's own high-water mark of resident memory, in kB; 0 once it is gone.
long PeakKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string sLine; std::getline(status, sLine);)
        if (sLine.rfind("VmHWM:", 0) == 0) return std::atol(sLine.c_str() + 6);
    return 0;
}

// One render's seconds and peak memory, read from the kernel every few
// milliseconds while it runs: its rusage would count the bench's own memory
// too, which a spawned process starts out sharing.
struct ProcessRun {
    double dfSeconds = 0.0;
    double dfPeakMegabytes = 0.0;
};

ProcessRun WatchRender(const std::string& sOptions, int iThreads, const std::string& sOutput) {
    Clock::time_point tStart = Clock::now();
    std::vector<std::string> args = RenderArguments(sOptions, iThreads, sOutput);
    pid_t pid = Spawn(args);
    long lPeak = 0;
    while (!Ended(pid, false, args.back())) {
        lPeak = std::max(lPeak, PeakKilobytes(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return {std::chrono::duration<double>(Clock::now() - tStart).count(), lPeak / 1024.0};
}

double ProcessSeconds(const ProcessView& view, int iThreads) { return RunRender(view.pszOptions, iThreads); }

// Two single-threaded runs side by side: what two cores of this machine give
// two independent copies of the same work, the most two threads can hope for.
double PairSeconds(const ProcessView& view) {
    return RunAtOnce({RenderArguments(view.pszOptions, 1, "/tmp/orvanta-bench-pair1.png"),
                      RenderArguments(view.pszOptions, 1, "/tmp/orvanta-bench-pair2.png")});
}

std::vector<int> ThreadCounts() {
    int iAll = HardwareThreads();
    std::vector<int> counts = {1, 2};
    if (iAll > 2) counts.push_back(iAll);
    return counts;
}

// Thread counts and the pair take turns, so that all meet the same load on
// the machine.
void PrintSpeedUps(int iRuns) {
    std::vector<int> counts = ThreadCounts();
    std::printf("whole orvanta-render runs on the direct path, seconds (median of %d) and speed-up over 1\n"
                "thread; the pair's figure is twice one run's time over two at once, the machine's own\n"
                "ceiling for 2 threads:\n",
                iRuns);
    for (const ProcessView& view : kProcessViews) {
        std::vector<std::vector<double>> seconds(counts.size());
        std::vector<double> pairs;
        for (int r = 0; r < iRuns; ++r) {
            for (size_t i = 0; i < counts.size(); ++i) seconds[i].push_back(ProcessSeconds(view, counts[i]));
            pairs.push_back(PairSeconds(view));
        }
        std::printf("  %-22s", view.pszName);
        double dfOne = Median(seconds[0]);
        for (size_t i = 0; i < counts.size(); ++i)
            std::printf("  %d: %.3f s x%.2f", counts[i], Median(seconds[i]), dfOne / Median(seconds[i]));
        std::printf("  pair: %.3f s x%.2f\n", Median(pairs), 2 * dfOne / Median(pairs));
    }
    std::vector<double> floors;
    for (int r = 0; r < iRuns; ++r) floors.push_back(RunRender("--size 1x1", 1));
    std::printf("  a 1x1 render, the start and exit that no thread count shortens: %.3f s\n", Median(floors));
}

// A key pressed at a chosen moment of a pass reaches the queue then; the
// renderer sees it at its next check. The new picture's first block is
// drawn before the third check after the one that took the key: the
// restart's first Cover call, its first split, then the call after the fills.
struct Responsiveness {
    std::vector<double> latencies;  // ms, key to first block
    double dfLongestGap = 0.0;      // ms, between two queue checks
};

void MeasurePress(double dfPressAfter, Responsiveness& out) {
    RenderOptions options;
    Clock::time_point tStart, tLast, tPress;
    int iChecksAfterPress = -1;
    auto setUp = [&] {
        // The full-HD deep view's place, where every point costs thousands of iterations.
        dfSetMidX = -0.7436438870371587, dfSetMidY = -0.1318259042053119, dfSetHeight = 1e-12;
        ulMaxLevels = kLevelLimit;
        SetupSet();
        tStart = tLast = Clock::now();
    };
    RenderWatchingPeeks(options, setUp, [&] {
        Clock::time_point tNow = Clock::now();
        out.dfLongestGap = std::max(out.dfLongestGap, std::chrono::duration<double, std::milli>(tNow - tLast).count());
        tLast = tNow;
        if (iChecksAfterPress < 0 && tNow - tStart >= std::chrono::duration<double>(dfPressAfter)) {
            tPress = tStart + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(dfPressAfter));
            // As the program's Insert key does: a smaller view, restarted.
            dfSetHeight *= 0.9;
            SetupSet();
            bRestarting = 1;
            iChecksAfterPress = 0;
        } else if (iChecksAfterPress >= 0 && ++iChecksAfterPress == 3) {
            out.latencies.push_back(std::chrono::duration<double, std::milli>(tNow - tPress).count());
            PostQuitMessage(0);
        }
    });
}

void PrintResponsiveness(int iPresses) {
    int iAll = HardwareThreads();
    std::printf("key to first block at %lu iterations, deep view at 1024x768, %d presses spread over its first 0.2 s:\n",
                static_cast<unsigned long>(kLevelLimit), iPresses);
    for (int iThreads : {1, iAll}) {
        SetCountingThreads(iThreads);
        Responsiveness r;
        for (int i = 0; i < iPresses; ++i) MeasurePress(0.005 + 0.2 * i / iPresses, r);
        SetCountingThreads(1);
        std::sort(r.latencies.begin(), r.latencies.end());
        std::printf("  %d thread%s: median %.2f ms, longest %.2f ms; longest gap between queue checks %.2f ms\n",
                    iThreads, iThreads == 1 ? "" : "s", r.latencies[r.latencies.size() / 2], r.latencies.back(),
                    r.dfLongestGap);
    }
}

void PrintPointColours() {
    std::printf("point colours per pixel (default view):");
    const std::pair<int, int> sizes[] = {{1024, 768}, {1280, 960}, {1366, 705}, {2560, 1440}, {3840, 2160}};
    for (auto [iWidth, iHeight] : sizes) {
        RenderOptions options;
        options.iWidth = iWidth, options.iHeight = iHeight;
        RenderResult result = RenderHeadless(options);
        std::printf("  %dx%d %.3f", iWidth, iHeight, static_cast<double>(result.ullPointColors) / (iWidth * iHeight));
    }
    std::printf("\n");
}

}  // namespace

// The direct path against the render loop's finished picture, one thread each,
// turn about.
void PrintDirectAgainstProgressive(int iRuns) {
    const ProcessView& seahorse = kProcessViews[3];
    std::vector<double> direct, progressive;
    for (int r = 0; r < iRuns; ++r) {
        direct.push_back(ProcessSeconds(seahorse, 1));
        progressive.push_back(RunRender(std::string(seahorse.pszOptions) + " --progressive", 1));
    }
    std::printf("direct path against --progressive, %s, 1 thread (median of %d): %.3f s against %.3f s, x%.2f\n",
                seahorse.pszName, iRuns, Median(direct), Median(progressive), Median(progressive) / Median(direct));
}

// Posters of the whole set, written to a file and deleted: the seconds, peak
// memory and pixels per second of a 40000x30000 picture at every thread, and
// the peak memory of a picture four times as tall as another.
void PrintPosters() {
    const std::string sWholeSet = "--center -0.75,0 --height 2.5 --iterations 256";
    const std::string sPoster = "/tmp/orvanta-bench-poster.png";
    int iAll = HardwareThreads();
    ProcessRun run = WatchRender("--size 40000x30000 " + sWholeSet, iAll, sPoster);
    std::remove(sPoster.c_str());
    std::printf("poster 40000x30000 (%s), %d threads: %.1f s, peak RSS %.0f MB, %.1f Mpixels/s\n",
                sWholeSet.c_str(), iAll, run.dfSeconds, run.dfPeakMegabytes, 40000.0 * 30000.0 / run.dfSeconds / 1e6);
    ProcessRun shorter = WatchRender("--size 6000x8000 " + sWholeSet, iAll, sPoster);
    ProcessRun taller = WatchRender("--size 6000x32000 " + sWholeSet, iAll, sPoster);
    std::remove(sPoster.c_str());
    std::printf("peak RSS, 6000x8000 against 6000x32000: %.1f MB, %.1f MB (%+.1f%%)\n", shorter.dfPeakMegabytes,
                taller.dfPeakMegabytes, 100.0 * (taller.dfPeakMegabytes / shorter.dfPeakMegabytes - 1.0));
}

void BenchPosters(int iRuns) {
    PrintDirectAgainstProgressive(iRuns);
    PrintPosters();
}

void BenchThreads(int iRuns) {
    PrintPointColours();
    PrintResponsiveness(20);
    PrintSpeedUps(iRuns);
}
