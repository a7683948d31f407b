// orvanta-render's run: arguments, view files, rendering, PNG and statistics.
// Message boxes of the program's code go to stderr, as the offscreen platform shows them.
#include "render_tool.h"

#include "offscreen.h"
#include "options.h"
#include "output_file.h"
#include "png_writer.h"
#include "render_session.h"
#include "view_io.h"

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

// Everything after the arguments: view files, the rendering, the PNG.
int Render(const RenderOptions& options) {
    std::string sError;
    // The view file is written first, so that a bad name fails before the render.
    if (!options.sSaveView.empty() && !SaveViewFile(options.sSaveView, options.values, &sError))
        return Fail(1, sError);
    bool bWritten = false;
    RenderResult result = RenderHeadless(options, isatty(STDERR_FILENO) != 0, [&](const uint32_t* pPixels) {
        bWritten = WritePng(options.sOutput, options.iWidth, options.iHeight, pPixels, &sError);
    });
    if (result.iThreads < options.iThreads)
        std::fprintf(stderr, "orvanta-render: only %d of %d counting threads could be started; counting with those\n",
                     result.iThreads, options.iThreads);
    if (!result.bHeld) return Fail(1, NotEnoughMemory(options));
    if (!bWritten) return Fail(1, sError);
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
