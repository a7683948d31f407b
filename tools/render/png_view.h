// The view a PNG of orvanta-render carries in its "Orvanta view" tEXt chunk:
// the eight drawing values and the inversion as key=value lines, and the
// reading of that chunk back out of a PNG file or byte array.
#ifndef ORVANTA_RENDER_PNG_VIEW_H
#define ORVANTA_RENDER_PNG_VIEW_H

#include "engine.h"
#include "png_stream.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// What a view text holds: the drawing values and whether colours are inverted.
struct PngView {
    DrawingValues values;
    bool bInvert = false;
};

extern const char kPngViewKeyword[];  // "Orvanta view"
const size_t kMostViewText = 1024;    // bytes of a view text, at most

// One "key=value\n" line per value, in view-file order:
//   center-x, center-y (upwards positive, as --center takes it), iterations,
//   height, pan-step, start-level, color-factor, rgb, invert (0 or 1).
// Doubles as %.17g, which reads back to the same bits. False, and no text,
// when a double is NaN or infinite: such a view cannot be written.
bool FormatViewText(const PngView& view, std::string* psText);
// Strict: every key exactly once, in any order, and no other; each line
// ended by a newline (the last one may lack it); finite decimal numbers, whole
// numbers within their 32-bit ranges, invert 0 or 1; at most kMostViewText
// bytes. On failure *pView is unchanged and *psError says what is wrong.
bool ParseViewText(const std::string& sText, PngView* pView, std::string* psError);

// The tEXt chunks of a picture: the view (unless bWithView is false or the
// view cannot be written) and "Software" = "orvanta-render X.Y.Z".
std::vector<PngText> PngTexts(const PngView& view, bool bWithView);

// The file begins with the eight bytes of the PNG signature.
bool IsPngFile(const std::string& sPath);

// Reads exactly cbData bytes into pData; false when fewer are there.
using PngRead = std::function<bool(unsigned char* pData, size_t cbData)>;
// Walks a PNG's chunks up to the first IDAT or IEND, checking each one's
// length and CRC, and parses the one "Orvanta view" chunk among them. False
// with a one-line reason for a damaged PNG, none or two such chunks, or a
// malformed view.
bool ReadPngView(const PngRead& read, PngView* pView, std::string* psError);
bool ReadPngView(const unsigned char* pData, size_t cbData, PngView* pView, std::string* psError);
// The same from a file; the reason names the file.
bool LoadPngView(const std::string& sPath, PngView* pView, std::string* psError);

#endif
