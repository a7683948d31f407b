// orvanta-render's run: arguments, view files, rendering, PNG and statistics.
// Message boxes of the program's code go to stderr, as the offscreen platform shows them.
#include "render_tool.h"

#include "direct_render.h"
#include "offscreen.h"
#include "options.h"
#include "output_file.h"
#include "png_view.h"
#include "png_writer.h"
#include "render_session.h"
#include "view_io.h"

#include <chrono>
#include <csignal>
#include <cstdio>
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

// The finished picture through the render loop, as the explorer paints it.
bool RenderProgressive(const RenderOptions& options, const std::vector<PngText>& texts, ProgressLine& line,
                       RenderResult* pResult, std::string* psError) {
    bool bWritten = false;
    *pResult = RenderHeadless(options, &line, [&](const uint32_t* pPixels) {
        bWritten = WritePng(options.sOutput, options.iWidth, options.iHeight, pPixels, psError, texts);
    });
    return bWritten;
}

// The picture straight from its points, band by band into the output as
// they are done.
bool RenderDirectPng(const RenderOptions& options, const std::vector<PngText>& texts, ProgressLine& line,
                     RenderResult* pResult, std::string* psError) {
    auto tStart = std::chrono::steady_clock::now();
    MeasureView(options);
    DirectView view = DirectViewNow();
    OutputFile out;
    if (!out.Open(options.sOutput, psError)) return false;
    PngStreamWriter writer([&out](const void* pData, size_t cbData) { return out.Write(pData, cbData); },
                           static_cast<uint32_t>(options.iWidth), static_cast<uint32_t>(options.iHeight), texts);
    bool bWriting = writer.Begin();
    const std::string sOfRows = "/" + std::to_string(options.iHeight);
    auto progress = [&](int iRows) {
        line.Update(static_cast<double>(iRows) / options.iHeight, "rows " + std::to_string(iRows) + sOfRows);
    };
    bool bRendered = bWriting && RenderDirect(view, options.iThreads, 0, [&](const DirectBand& band) {
        pResult->ullIterations += band.ullIterations;
        return bWriting = writer.Add(band.png);
    }, progress);
    line.Finish(bRendered ? 1.0 : 0.0, "rows " + std::to_string(bRendered ? options.iHeight : 0) + sOfRows);
    if (bWriting && !bRendered) {
        out.Abandon();
        *psError = "not enough memory for a picture of " + std::to_string(options.iWidth) + "x" +
                   std::to_string(options.iHeight);
        return false;
    }
    if (!(bRendered && writer.Finish())) return out.Discard(psError);
    if (!out.Commit(psError)) return false;
    pResult->iPasses = 0;
    pResult->ullPointColors = static_cast<uint64_t>(options.iWidth) * static_cast<uint64_t>(options.iHeight);
    pResult->dfSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    return true;
}

}  // namespace

int RunRenderTool(int argc, const char* const* argv) {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);  // a reader that goes away is a failed write
#endif
    offscreen::Reset();
    RenderOptions options;
    std::string sError;
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
    // The view file is written first, so that a bad name fails before the render.
    if (!options.sSaveView.empty() && !SaveViewFile(options.sSaveView, options.values, &sError))
        return Fail(1, sError);
    // A view with a NaN or an infinity (only a view file can give one) has no text.
    std::vector<PngText> texts = PngTexts({options.values, options.bInvert}, !options.bNoMetadata);
    if (!options.bNoMetadata && texts.size() == 1)
        std::fputs("orvanta-render: the view holds a value that is not a finite number; "
                   "the PNG carries no Orvanta view\n", stderr);
    ProgressLine line(!options.bQuiet && isatty(STDERR_FILENO) != 0);
    RenderResult result;
    if (!(UsesRenderLoop(options) ? RenderProgressive : RenderDirectPng)(options, texts, line, &result, &sError))
        return Fail(1, sError);
    if (options.bStats) PrintStats(IsStandardOutput(options.sOutput) ? stderr : stdout, result);
    return 0;
}
