// Rendering speed of the engine on the headless platform, end to end through
// the real render loop: seconds (median of five), PointColor calls and
// iterations per second for the reference views.
#include "render_session.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <vector>

namespace {

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

void Measure(const View& view, int iRuns) {
    std::vector<double> seconds;
    RenderResult result;
    for (int i = 0; i < iRuns; ++i) {
        result = RenderHeadless(view.options, false);
        seconds.push_back(result.dfSeconds);
    }
    std::sort(seconds.begin(), seconds.end());
    double dfMedian = seconds[seconds.size() / 2];
    std::printf("%-10s %4dx%-4d %6u it  %8.4f s  %10llu PointColor  %12llu iterations  %7.3f Giter/s\n",
                view.pszName, view.options.iWidth, view.options.iHeight,
                result.ullIterations ? view.options.values.ulMaxLevels : 0u, dfMedian,
                static_cast<unsigned long long>(result.ullPointColors),
                static_cast<unsigned long long>(result.ullIterations),
                static_cast<double>(result.ullIterations) / dfMedian / 1e9);
}

}  // namespace

int main(int argc, char** argv) {
    int iRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const View views[] = {
        {"default", MakeOptions(0.0, 0.0, 4.0, 1024)},
        {"seahorse", MakeOptions(-0.743643887037151, 0.131825904205330, 0.00003, 8192)},
    };
    for (const View& view : views) Measure(view, iRuns);
    return 0;
}
