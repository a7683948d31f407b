// orvanta-render's command line: options in order of appearance, numbers
// parsed as strtod/strtol would and consumed whole, errors named by argument.
// A view file given with --view sets all eight drawing values at its place
// (a PNG's view the inversion too).
#ifndef ORVANTA_RENDER_OPTIONS_H
#define ORVANTA_RENDER_OPTIONS_H

#include "engine.h"
#include "film.h"

#include <cstdint>
#include <string>


struct RenderOptions {
    int iWidth = 1024;
    int iHeight = 768;
    DrawingValues values;
    bool bInvert = false;
    int iPasses = 0;  // 0: until the picture is complete
    bool bProgressive = false;  // the finished picture through the render loop
    bool bStats = false;
    bool bQuiet = false;  // no progress line
    bool bNoMetadata = false;  // the PNG carries no Orvanta view
    int iThreads = 0;  // counting threads; 0: ORVANTA_THREADS, else every hardware thread
    int iFrames = 0;  // frames of a film; 0: no --frames (one, if --frame-range makes a film)
    double dfZoomPerFrame = 0.9;  // each frame's height over the one before it
    int iFirstFrame = 0, iEndFrame = 0;  // the frames rendered; iEndFrame 0: to the last
    FramePattern framePattern;  // the output's number pattern, in a film
    bool bSkipExisting = false;  // leave pictures already there as they are
    int iFirstRow = 0, iEndRow = 0;  // the band rendered; iEndRow 0: every row
    std::string sSaveView;  // view file to write the drawing values to, if any
    std::string sOutput;
};

// Error: bad arguments (exit 2). ViewError: a --view file that cannot be
// opened or is not a view file (exit 1).
enum class ParseResult { Render, Help, Version, Error, ViewError };

// Each side of the picture: any size PNG takes on the direct path, the
// framebuffer's limit through the render loop (--passes, --progressive).
const int kMostDirectSide = 2147483647;
const int kMostRenderLoopSide = 16384;
// The render loop draws the picture: a preview or --progressive.
inline bool UsesRenderLoop(const RenderOptions& options) { return options.iPasses > 0 || options.bProgressive; }
// A film: frames named by the output's number pattern, each a picture of its own.
inline bool IsFilm(const RenderOptions& options) { return options.iFrames > 0 || options.iEndFrame > 0; }

ParseResult ParseRenderOptions(int argc, const char* const* argv, RenderOptions* pOptions,
                               std::string* psError);
std::string RenderHelpText();
// "orvanta-render X.Y.Z" and a line end.
std::string RenderVersionText();

#endif
