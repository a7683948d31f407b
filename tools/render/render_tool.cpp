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

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// On stderr when the PNG takes stdout. Only the render loop plans its counts.
void PrintStats(FILE* pFile, const RenderResult& result, bool bRenderLoop) {
    std::fprintf(pFile, "passes: %d\npoint_colors: %llu\niterations: %llu\n", result.iPasses,
                 static_cast<unsigned long long>(result.ullPointColors),
                 static_cast<unsigned long long>(result.ullIterations));
    if (bRenderLoop)
        std::fprintf(pFile, "planned_points: %llu\nrecounted_points: %llu\n",
                     static_cast<unsigned long long>(result.ullPlannedPoints),
                     static_cast<unsigned long long>(result.ullRecountedPoints));
    std::fprintf(pFile, "seconds: %.6f\n", result.dfSeconds);
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
bool RenderProgressive(const RenderOptions& options, const std::vector<PngText>& texts, ProgressLine& line,
                       RenderResult* pResult, std::string* psError) {
    bool bWritten = false;
    *pResult = RenderHeadless(options, &line, [&](const uint32_t* pPixels) {
        bWritten = WritePng(options.sOutput, options.iWidth, options.iHeight, pPixels, psError, texts);
    });
    if (!pResult->bHeld) *psError = NotEnoughMemory(options);
    return pResult->bHeld && bWritten;
}

// A picture's place in the run, for the progress line: the iDone-th of the
// run's iCount pictures, frame iFrame of a film (-1: a picture alone).
struct Share {
    int iFrame = -1;
    int iDone = 0;
    int iCount = 1;
    double dfFraction = 0.0;  // of the run, last shown
    std::string sWhere;
};

void ShowProgress(ProgressLine& line, Share& share, int iRows, int iOfRows) {
    share.dfFraction = (share.iDone + static_cast<double>(iRows) / iOfRows) / std::max(share.iCount, 1);
    share.sWhere = share.iFrame < 0 ? "rows " + std::to_string(iRows) + "/" + std::to_string(iOfRows)
                                    : "frame " + std::to_string(share.iFrame) + ", " +
                                          std::to_string(share.iDone + (iRows == iOfRows)) + "/" +
                                          std::to_string(share.iCount) + " done";
    line.Update(share.dfFraction, share.sWhere);
}

// The picture (or its band of rows) straight from its points, band by band
// into the output as they are done; its point colours and iterations added
// to the result.
bool RenderDirectPng(const RenderOptions& options, const std::vector<PngText>& texts, Share& share,
                     ProgressLine& line, RenderResult* pResult, std::string* psError) {
    MeasureView(options);
    DirectView view = DirectViewNow();
    view.iFirstRow = options.iFirstRow;
    view.iEndRow = options.iEndRow;
    int iRows = options.iEndRow > 0 ? options.iEndRow - options.iFirstRow : options.iHeight;
    OutputFile out;
    if (!out.Open(options.sOutput, psError)) return false;
    PngStreamWriter writer([&out](const void* pData, size_t cbData) { return out.Write(pData, cbData); },
                           static_cast<uint32_t>(options.iWidth), static_cast<uint32_t>(iRows), texts);
    bool bWriting = writer.Begin();
    uint64_t ullIterations = 0;
    int iThreads = options.iThreads;
    bool bRendered = bWriting && RenderDirect(view, options.iThreads, 0, [&](const DirectBand& band) {
        ullIterations += band.ullIterations;
        return bWriting = writer.Add(band.png);
    }, [&](int iRowsDone) { ShowProgress(line, share, iRowsDone, iRows); }, &iThreads);
    pResult->iThreads = std::min(pResult->iThreads, iThreads);
    if (bWriting && !bRendered) {
        out.Abandon();
        *psError = NotEnoughMemory(options);
        return false;
    }
    if (!(bRendered && writer.Finish())) return out.Discard(psError);
    if (!out.Commit(psError)) return false;
    ShowProgress(line, share, iRows, iRows);
    pResult->ullPointColors += static_cast<uint64_t>(options.iWidth) * static_cast<uint64_t>(iRows);
    pResult->ullIterations += ullIterations;
    return true;
}

// A regular file, or a link to one: a picture written whole before.
bool AlreadyThere(const std::string& sPath) {
    struct stat status;
    return !IsStandardOutput(sPath) && stat(sPath.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// The texts of a picture: its view, unless left out, and the software's name.
// A view with a NaN or an infinity (only a view file can give one) has no
// text, which is said once.
std::vector<PngText> TextsOf(const RenderOptions& options, bool* pbWarned) {
    std::vector<PngText> texts = PngTexts({options.values, options.bInvert}, !options.bNoMetadata);
    if (!options.bNoMetadata && texts.size() == 1 && !*pbWarned)
        std::fputs("orvanta-render: the view holds a value that is not a finite number; "
                   "the PNG carries no Orvanta view\n", stderr);
    *pbWarned = *pbWarned || texts.size() == 1;
    return texts;
}

// The pictures of the run in order: a picture alone, or a film's frames, each
// named by the pattern, its height the frame before it's times the zoom.
// With --skip-existing a picture already there is left as it is. Stops at the
// first picture that cannot be written; those before it are whole.
bool RenderPictures(const RenderOptions& options, ProgressLine& line, RenderResult* pResult, std::string* psError) {
    int iFirst = options.iFirstFrame, iEnd = IsFilm(options) ? options.iEndFrame : 1;
    auto Skipped = [&options](const std::string& sName) { return options.bSkipExisting && AlreadyThere(sName); };
    Share share;
    share.iCount = iEnd - iFirst;
    for (int iFrame = iFirst; iFrame < iEnd && options.bSkipExisting; ++iFrame)
        share.iCount -= Skipped(FrameName(options.sOutput, options.framePattern, iFrame));
    FrameHeights heights(options.values.dfSetHeight, options.dfZoomPerFrame);
    RenderOptions picture = options;
    bool bWarned = false, bDone = true;
    for (int iFrame = iFirst; iFrame < iEnd && bDone; ++iFrame) {
        picture.values.dfSetHeight = heights.At(iFrame);
        picture.sOutput = FrameName(options.sOutput, options.framePattern, iFrame);
        if (Skipped(picture.sOutput)) continue;
        share.iFrame = IsFilm(options) ? iFrame : -1;
        bDone = UsesRenderLoop(options)
                    ? RenderProgressive(picture, TextsOf(picture, &bWarned), line, pResult, psError)
                    : RenderDirectPng(picture, TextsOf(picture, &bWarned), share, line, pResult, psError);
        share.iDone += bDone;
    }
    line.Finish(share.dfFraction, share.sWhere);
    return bDone;
}

// Everything after the arguments: view files, the rendering, the PNG.
int Render(const RenderOptions& options) {
    std::string sError;
    // The view file is written first, so that a bad name fails before the render.
    if (!options.sSaveView.empty() && !SaveViewFile(options.sSaveView, options.values, &sError))
        return Fail(1, sError);
    ProgressLine line(!options.bQuiet && isatty(STDERR_FILENO) != 0);
    RenderResult result;
    result.iThreads = options.iThreads;
    auto tStart = std::chrono::steady_clock::now();
    bool bRendered = RenderPictures(options, line, &result, &sError);
    if (!UsesRenderLoop(options))
        result.dfSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    if (result.iThreads < options.iThreads)
        std::fprintf(stderr, "orvanta-render: only %d of %d counting threads could be started; counting with those\n",
                     result.iThreads, options.iThreads);
    if (!bRendered) return Fail(1, sError);
    if (options.bStats) PrintStats(IsStandardOutput(options.sOutput) ? stderr : stdout, result, UsesRenderLoop(options));
    return 0;
}

}  // namespace

// Memory that runs out anywhere ends the run with a message: an output
// begun is abandoned as its OutputFile goes.
int RunRenderTool(int argc, const char* const* argv) {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);  // a reader that goes away is a failed write
#endif
    RemoveTemporariesOnSignals();
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
