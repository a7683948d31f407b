// PNG output of a whole framebuffer, with palette-index words shown as the
// display would: the rows go through the streamed writer in bands.
#include "png_writer.h"

#include "backend.h"
#include "output_file.h"
#include "png_stream.h"

#include <algorithm>
#include <cstring>

namespace {

const size_t kBandBytes = size_t{1} << 20;  // RGB bytes deflated at once, about

// One row of colour words as red, green and blue bytes; only palette-index
// words need the display to say what they show.
void RgbRow(const uint32_t* pWords, int iWidth, unsigned char* pRow) {
    RgbFromWords(pWords, iWidth, pRow);
    for (int x = 0; x < iWidth; ++x) {
        if (!(pWords[x] >> 24)) continue;
        COLORREF crShown = platform::DisplayColor(pWords[x]);
        unsigned char* pPixel = pRow + static_cast<size_t>(x) * 3;
        pPixel[0] = GetRValue(crShown);
        pPixel[1] = GetGValue(crShown);
        pPixel[2] = GetBValue(crShown);
    }
}

// Bands of whole rows, each deflated against the last row of the band before.
bool Encode(OutputFile& out, int iWidth, int iHeight, const uint32_t* pWords, const std::vector<PngText>& texts) {
    PngStreamWriter writer([&out](const void* pData, size_t cbData) { return out.Write(pData, cbData); },
                           static_cast<uint32_t>(iWidth), static_cast<uint32_t>(iHeight), texts);
    if (!writer.Begin()) return false;
    size_t cbRow = static_cast<size_t>(iWidth) * 3;
    int iBandRows = static_cast<int>(std::clamp<size_t>(kBandBytes / cbRow, 1, iHeight));
    std::vector<unsigned char> rgb(cbRow * (iBandRows + 1));  // the row above, then the band
    for (int y = 0; y < iHeight; y += iBandRows) {
        int iRows = std::min(iBandRows, iHeight - y);
        for (int r = 0; r < iRows; ++r)
            RgbRow(pWords + static_cast<size_t>(y + r) * iWidth, iWidth, rgb.data() + (r + 1) * cbRow);
        PngBand band = DeflateBand(rgb.data() + cbRow, cbRow, iRows, y > 0 ? rgb.data() : nullptr,
                                   y + iRows == iHeight);
        if (!writer.Add(band)) return false;
        std::memcpy(rgb.data(), rgb.data() + iRows * cbRow, cbRow);
    }
    return writer.Finish();
}

}  // namespace

bool WritePng(const std::string& sPath, int iWidth, int iHeight,
              const std::vector<uint32_t>& pixels, std::string* psError,
              const std::vector<PngText>& texts) {
    if (pixels.size() < static_cast<size_t>(iWidth) * iHeight) {
        *psError = "cannot write '" + sPath + "': fewer pixels than its width and height";
        return false;
    }
    return WritePng(sPath, iWidth, iHeight, pixels.data(), psError, texts);
}

bool WritePng(const std::string& sPath, int iWidth, int iHeight, const uint32_t* pPixels,
              std::string* psError, const std::vector<PngText>& texts) {
    OutputFile out;
    if (!out.Open(sPath, psError)) return false;
    return Encode(out, iWidth, iHeight, pPixels, texts) ? out.Commit(psError) : out.Discard(psError);
}
