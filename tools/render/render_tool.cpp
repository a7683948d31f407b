// orvanta-render's run: arguments, view files, rendering, PNG and statistics.
// Message boxes of the program's code go to stderr, as the offscreen platform shows them.
#include "render_tool.h"

#include "offscreen.h"
#include "options.h"
#include "png_writer.h"
#include "render_session.h"
#include "view_io.h"

#include <cstdio>
#include <unistd.h>

namespace {

void PrintStats(const RenderResult& result) {
    std::printf("passes: %d\npoint_colors: %llu\niterations: %llu\nseconds: %.6f\n",
                result.iPasses, static_cast<unsigned long long>(result.ullPointColors),
                static_cast<unsigned long long>(result.ullIterations), result.dfSeconds);
}

int Fail(int iExitCode, const std::string& sError) {
    std::fprintf(stderr, "orvanta-render: %s\n", sError.c_str());
    return iExitCode;
}

}  // namespace

int RunRenderTool(int argc, const char* const* argv) {
    offscreen::Reset();
    RenderOptions options;
    std::string sError;
    switch (ParseRenderOptions(argc, argv, &options, &sError)) {
    case ParseResult::Help:
        std::fputs(RenderHelpText().c_str(), stdout);
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
    bool bWritten = false;
    RenderResult result = RenderHeadless(options, isatty(STDERR_FILENO) != 0, [&](const uint32_t* pPixels) {
        bWritten = WritePng(options.sOutput, options.iWidth, options.iHeight, pPixels, &sError, texts);
    });
    if (!bWritten) return Fail(1, sError);
    if (options.bStats) PrintStats(result);
    return 0;
}
