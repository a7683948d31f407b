// PNG compression of the full-HD seahorse: bands deflated in parallel by each
// compressor built, at 1 and 2 threads, then written in order to a counter:
// seconds, megabytes of pixels per second, the processor time the threads
// took together (which a loaded machine inflates less) and the file's size.
#include "bench_png.h"

#include "bench_threads.h"
#include "png_deflate.h"
#include "render_session.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

const int kWidth = 1920, kHeight = 1080;

std::vector<unsigned char> SeahorseRgb() {
    RenderOptions options;
    options.iWidth = kWidth, options.iHeight = kHeight;
    options.values.dfSetMidX = -0.743643887037151;
    options.values.dfSetMidY = -0.131825904205330;
    options.values.dfSetHeight = 0.00003;
    options.values.ulMaxLevels = 8192;
    std::vector<uint32_t> words = RenderHeadless(options).pixels;
    std::vector<unsigned char> rgb(words.size() * 3);
    for (int y = 0; y < kHeight; ++y)
        RgbFromWords(&words[static_cast<size_t>(y) * kWidth], kWidth, &rgb[static_cast<size_t>(y) * kWidth * 3]);
    return rgb;
}

struct Written {
    double dfSeconds, dfProcessorSeconds;
    size_t cbFile;
};

// Threads take bands in turn; this thread writes them once all are done.
Written DeflatePicture(const std::vector<unsigned char>& rgb, int iBandRows, int iDeflater, int iThreads) {
    Clock::time_point tStart = Clock::now();
    std::clock_t clockStart = std::clock();
    const size_t cbRow = kWidth * 3;
    int iBands = (kHeight + iBandRows - 1) / iBandRows;
    std::vector<PngBand> bands(iBands);
    std::atomic<int> iNext{0};
    auto Work = [&] {
        for (int b; (b = iNext++) < iBands;) {
            int y = b * iBandRows, iRows = std::min(iBandRows, kHeight - y);
            bands[b] = DeflateBandWith(iDeflater, &rgb[y * cbRow], cbRow, iRows,
                                       y > 0 ? &rgb[(y - 1) * cbRow] : nullptr, y + iRows == kHeight);
        }
    };
    std::vector<std::thread> helpers;
    for (int i = 1; i < iThreads; ++i) helpers.emplace_back(Work);
    Work();
    for (std::thread& helper : helpers) helper.join();
    size_t cbFile = 0;
    PngStreamWriter writer([&](const void*, size_t cbData) { return cbFile += cbData, true; }, kWidth, kHeight);
    bool bWritten = writer.Begin();
    for (const PngBand& band : bands) bWritten = writer.Add(band) && bWritten;
    if (!writer.Finish() || !bWritten) std::printf("  (the PNG was not written)\n");
    return {std::chrono::duration<double>(Clock::now() - tStart).count(),
            static_cast<double>(std::clock() - clockStart) / CLOCKS_PER_SEC, cbFile};
}

}  // namespace

void BenchPng(int iRuns) {
    std::vector<unsigned char> rgb = SeahorseRgb();
    const int kBandRows = 64;
    std::printf("PNG of the full-HD seahorse, %.1f MB of pixels in bands of %d rows (medians of %d):\n",
                rgb.size() / 1e6, kBandRows, iRuns);
    for (int iDeflater = 0; iDeflater < PNG_DEFLATERS; ++iDeflater) {
        if (!PngDeflaterBuilt(iDeflater)) continue;
        std::vector<double> seconds[2], processor[2];
        size_t cbFile = 0;
        for (int r = 0; r < iRuns; ++r)
            for (int iThreads = 1; iThreads <= 2; ++iThreads) {
                Written written = DeflatePicture(rgb, kBandRows, iDeflater, iThreads);
                seconds[iThreads - 1].push_back(written.dfSeconds);
                processor[iThreads - 1].push_back(written.dfProcessorSeconds);
                cbFile = written.cbFile;
            }
        std::printf("  %-6s %zu bytes\n", PngDeflaterName(iDeflater), cbFile);
        for (int i = 0; i < 2; ++i)
            std::printf("         %d thread%s %7.4f s %5.0f MB/s, x%.2f; processor %7.4f s\n", i + 1, i ? "s" : " ",
                        Median(seconds[i]), rgb.size() / Median(seconds[i]) / 1e6,
                        Median(seconds[0]) / Median(seconds[i]), Median(processor[i]));
        std::printf("         bands of 1, 8 and 1080 rows: %zu, %zu and %zu bytes\n",
                    DeflatePicture(rgb, 1, iDeflater, 1).cbFile, DeflatePicture(rgb, 8, iDeflater, 1).cbFile,
                    DeflatePicture(rgb, kHeight, iDeflater, 1).cbFile);
    }
}
