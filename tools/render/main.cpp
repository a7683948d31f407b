// orvanta-render: runs the real render loop on the headless platform and writes
// the finished client area as an 8-bit RGB PNG.
#include "options.h"
#include "png_writer.h"
#include "render_session.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    RenderOptions options;
    std::string sError;
    switch (ParseRenderOptions(argc, argv, &options, &sError)) {
    case ParseResult::Help:
        std::fputs(RenderHelpText().c_str(), stdout);
        return 0;
    case ParseResult::Error:
        std::fprintf(stderr, "orvanta-render: %s\n", sError.c_str());
        return 2;
    case ParseResult::Render:
        break;
    }
    RenderResult result = RenderHeadless(options, isatty(STDERR_FILENO) != 0);
    if (!WritePng(options.sOutput, options.iWidth, options.iHeight, result.pixels, &sError)) {
        std::fprintf(stderr, "orvanta-render: %s\n", sError.c_str());
        return 1;
    }
    if (options.bStats)
        std::printf("passes: %d\npoint_colors: %llu\niterations: %llu\nseconds: %.6f\n",
                    result.iPasses, static_cast<unsigned long long>(result.ullPointColors),
                    static_cast<unsigned long long>(result.ullIterations), result.dfSeconds);
    return 0;
}
