// An offscreen rendering of one view with the program's render loop.
#ifndef ORVANTA_RENDER_SESSION_H
#define ORVANTA_RENDER_SESSION_H

#include "options.h"
#include "platform.h"

#include <cstdint>
#include <vector>

struct RenderResult {
    std::vector<uint32_t> pixels;  // colour words, row by row
    int iPasses = 0;
    uint64_t ullPointColors = 0;
    uint64_t ullIterations = 0;
    int iBeeps = 0;
    double dfSeconds = 0.0;
};

// Resets the offscreen platform and the program's values, renders, and cleans up.
RenderResult RenderHeadless(const RenderOptions& options, bool bProgress);

// The maximised true-colour window a rendering draws into, at the options'
// size; destroying it sets bQuitting. CloseRenderWindow releases it.
HWND OpenRenderWindow(const RenderOptions& options);
void CloseRenderWindow(HWND hwnd, HDC hdc);

#endif
