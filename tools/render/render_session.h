// An offscreen rendering of one view with the program's render loop.
#ifndef ORVANTA_RENDER_SESSION_H
#define ORVANTA_RENDER_SESSION_H

#include "options.h"
#include "platform.h"
#include "progress.h"

#include <cstdint>
#include <functional>
#include <vector>

struct RenderResult {
    std::vector<uint32_t> pixels;  // colour words, row by row
    int iPasses = 0;
    uint64_t ullPointColors = 0;
    uint64_t ullIterations = 0;
    uint64_t ullPlannedPoints = 0;
    uint64_t ullRecountedPoints = 0;
    int iBeeps = 0;
    int iThreads = 0;  // that counted: fewer than asked when not all could start
    bool bHeld = true;  // false: memory could not hold the picture, and nothing was drawn
    double dfSeconds = 0.0;
};

// Given the client area's colour words, row by row, before its window closes.
using PixelSink = std::function<void(const uint32_t* pPixels)>;

// Resets the offscreen platform and the program's values, renders, and cleans
// up. The pixels go to the sink if there is one, else into the result: a
// copy of a large picture costs more than counting some of it.
// Progress goes to the line if there is one.
RenderResult RenderHeadless(const RenderOptions& options, ProgressLine* pLine = nullptr, const PixelSink& sink = {});

// Leaves in the program-wide variables the values the program has for the
// options' view, measured as RenderHeadless measures its window but in one
// that keeps no pixels, so that a window of any size costs no memory.
void MeasureView(const RenderOptions& options);

// The maximised true-colour window a rendering draws into, at the options'
// size; destroying it sets bQuitting. CloseRenderWindow releases it.
HWND OpenRenderWindow(const RenderOptions& options);
void CloseRenderWindow(HWND hwnd, HDC hdc);

#endif
