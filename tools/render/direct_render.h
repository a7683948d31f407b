// Finished pictures straight from their points: every pixel's own point colour,
// counted, coloured and deflated in bands of rows on all threads, and handed
// to the program's thread band by band in order, so memory follows the width.
#ifndef ORVANTA_RENDER_DIRECT_RENDER_H
#define ORVANTA_RENDER_DIRECT_RENDER_H

#include "counting.h"
#include "engine.h"
#include "png_stream.h"

#include <cstdint>
#include <functional>
#include <vector>

// Copies of everything a pixel's colour depends on: the mapping with its
// vector unit and limit (iMaxX by iMaxY pixels), and the colour values.
// The rows rendered: iFirstRow .. iEndRow - 1 of the mapping's, all of them
// when iEndRow is 0; the first of them is the PNG's first row.
struct DirectView {
    PlaneMapping mapping;
    ColorValues colors;
    int iFirstRow = 0;
    int iEndRow = 0;
};

// The program's values now, as a direct view.
DirectView DirectViewNow();

// One band of rows (iFirstRow counted in the whole picture): its RGB bytes
// (iRows rows of width * 3), the same rows deflated as a piece of the PNG's
// stream, and the iterations it took.
struct DirectBand {
    int iFirstRow = 0;
    int iRows = 0;
    std::vector<unsigned char> rgb;
    PngBand png;
    uint64_t ullIterations = 0;
};

// Takes each band, in order, on the calling thread; false stops the render.
using DirectBandSink = std::function<bool(const DirectBand& band)>;
// Called on the calling thread a few times a second with the rows handed over.
using DirectProgress = std::function<void(int iRowsDone)>;

// Rows per band for a picture this wide: a few hundred thousand bytes.
int DirectBandRows(int iWidth);

// Renders the view with iThreads threads, the calling one among them, in
// bands of iBandRows rows (0: DirectBandRows); *piThreads is set to the
// threads that could be started. False when the sink stopped it or a band
// found no memory; memory that runs out on the calling thread throws, once
// the other threads have stopped.
bool RenderDirect(const DirectView& view, int iThreads, int iBandRows, const DirectBandSink& sink,
                  const DirectProgress& progress = {}, int* piThreads = nullptr);

#endif
