// orvanta-render's run: arguments, view files, rendering, PNG and statistics.
// Message boxes of the program's code go to stderr, as the offscreen platform shows them.
#include "render_tool.h"

#include "direct_render.h"
#include "offscreen.h"
#include "options.h"
#include "output_file.h"
#include "png_writer.h"
#include "render_session.h"
#include "view_io.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <unistd.h>

namespace {

// On stderr when the PNG takes stdout.
void PrintStats(FILE* pFile, const RenderResult& result) {
    std::fprintf(pFile, "passes: %d\npoint_colors: %llu\niterations: %llu\nseconds: %.6f\n",
                result.iPasses, static_cast<unsigned long long>(result.ullPointColors),
                static_cast<unsigned long long>(result.ullIterations), result.dfSeconds);
}

int Fail(int iExitCode, const std::string& sError) {
    std::fprintf(stderr, "orvanta-render: %s\n", sError.c_str());
    return iExitCode;
}

std::string NotEnoughMemory(const RenderOptions& options) {
    if (options.sOutput.empty()) return "not enough memory";  // the arguments were not through
    return "not enough memory for a " + std::to_string(options.iWidth) + "x" + std::to_string(options.iHeight) +
           " picture";
}

// The finished picture through the render loop, as the explorer paints it.
bool RenderProgressive(const RenderOptions& options, ProgressLine& line, RenderResult* pResult, std::string* psError) {
    bool bWritten = false;
    *pResult = RenderHeadless(options, &line, [&](const uint32_t* pPixels) {
        bWritten = WritePng(options.sOutput, options.iWidth, options.iHeight, pPixels, psError);
    });
    if (!pResult->bHeld) *psError = NotEnoughMemory(options);
    return pResult->bHeld && bWritten;
}

// The picture straight from its points, band by band into the output as
// they are done.
bool RenderDirectPng(const RenderOptions& options, ProgressLine& line, RenderResult* pResult, std::string* psError) {
    auto tStart = std::chrono::steady_clock::now();
    pResult->iThreads = options.iThreads;
    MeasureView(options);
    DirectView view = DirectViewNow();
    OutputFile out;
    if (!out.Open(options.sOutput, psError)) return false;
    PngStreamWriter writer([&out](const void* pData, size_t cbData) { return out.Write(pData, cbData); },
                           static_cast<uint32_t>(options.iWidth), static_cast<uint32_t>(options.iHeight));
    bool bWriting = writer.Begin();
    const std::string sOfRows = "/" + std::to_string(options.iHeight);
    auto progress = [&](int iRows) {
        line.Update(static_cast<double>(iRows) / options.iHeight, "rows " + std::to_string(iRows) + sOfRows);
    };
    bool bRendered = bWriting && RenderDirect(view, options.iThreads, 0, [&](const DirectBand& band) {
        pResult->ullIterations += band.ullIterations;
        return bWriting = writer.Add(band.png);
    }, progress, &pResult->iThreads);
    line.Finish(bRendered ? 1.0 : 0.0, "rows " + std::to_string(bRendered ? options.iHeight : 0) + sOfRows);
    if (bWriting && !bRendered) {
        out.Abandon();
        *psError = NotEnoughMemory(options);
        return false;
    }
    if (!(bRendered && writer.Finish())) return out.Discard(psError);
    if (!out.Commit(psError)) return false;
    pResult->iPasses = 0;
    pResult->ullPointColors = static_cast<uint64_t>(options.iWidth) * static_cast<uint64_t>(options.iHeight);
    pResult->dfSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    return true;
}

// Everything after the arguments: view files, the rendering, the PNG.
int Render(const RenderOptions& options) {
    std::string sError;
    // The view file is written first, so that a bad name fails before the render.
    if (!options.sSaveView.empty() && !SaveViewFile(options.sSaveView, options.values, &sError))
        return Fail(1, sError);
    ProgressLine line(!options.bQuiet && isatty(STDERR_FILENO) != 0);
    RenderResult result;
    bool bRendered = (UsesRenderLoop(options) ? RenderProgressive : RenderDirectPng)(options, line, &result, &sError);
    if (result.iThreads < options.iThreads)
        std::fprintf(stderr, "orvanta-render: only %d of %d counting threads could be started; counting with those\n",
                     result.iThreads, options.iThreads);
    if (!bRendered) return Fail(1, sError);
    if (options.bStats) PrintStats(IsStandardOutput(options.sOutput) ? stderr : stdout, result);
    return 0;
}

}  // namespace

// Memory that runs out anywhere ends the run with a message: an output
// begun is abandoned as its OutputFile goes.
int RunRenderTool(int argc, const char* const* argv) {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);  // a reader that goes away is a failed write
#endif
    RenderOptions options;
    std::string sError;
    try {
        offscreen::Reset();
        switch (ParseRenderOptions(argc, argv, &options, &sError)) {
        case ParseResult::Help:
            std::fputs(RenderHelpText().c_str(), stdout);
            return 0;
        case ParseResult::Version:
            std::fputs(RenderVersionText().c_str(), stdout);
            return 0;
        case ParseResult::Error:
            return Fail(2, sError);
        case ParseResult::ViewError:
            return Fail(1, sError);
        case ParseResult::Render:
            break;
        }
        return Render(options);
    } catch (const std::bad_alloc&) {
        return Fail(1, NotEnoughMemory(options));
    }
}
