// orvanta-render's command line: options in order of appearance, numbers
// parsed as strtod/strtol would and consumed whole, errors named by argument.
// A view file given with --view sets all eight drawing values at its place
// (a PNG's view the inversion too).
#ifndef ORVANTA_RENDER_OPTIONS_H
#define ORVANTA_RENDER_OPTIONS_H

#include "engine.h"

#include <cstdint>
#include <string>


struct RenderOptions {
    int iWidth = 1024;
    int iHeight = 768;
    DrawingValues values;
    bool bInvert = false;
    int iPasses = 0;  // 0: until the picture is complete
    bool bStats = false;
    bool bNoMetadata = false;  // the PNG carries no Orvanta view
    int iThreads = 0;  // counting threads; 0: ORVANTA_THREADS, else every hardware thread
    std::string sSaveView;  // view file to write the drawing values to, if any
    std::string sOutput;
};

// Error: bad arguments (exit 2). ViewError: a --view file that cannot be
// opened or is not a view file (exit 1).
enum class ParseResult { Render, Help, Error, ViewError };

ParseResult ParseRenderOptions(int argc, const char* const* argv, RenderOptions* pOptions,
                               std::string* psError);
std::string RenderHelpText();

#endif
