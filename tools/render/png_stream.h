// A PNG written band by band: 8-bit RGB, every row filtered "up", one zlib
// stream made of bands deflated independently (on any thread) and written in
// order, with their Adler-32s combined into the stream's.
#ifndef ORVANTA_PNG_STREAM_H
#define ORVANTA_PNG_STREAM_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A tEXt chunk: keyword of 1..79 printable Latin-1 characters without leading,
// trailing or double spaces; text of Latin-1 without NUL.
struct PngText {
    std::string sKeyword;
    std::string sText;
};
bool PngTextValid(const PngText& text);

// One band of rows deflated as a piece of the picture's zlib stream: raw
// deflate ending on a byte boundary (a sync flush), or with the final block
// when bLast; with the Adler-32 and length of its filtered bytes, so that the
// bands' checksums combine into the stream's. Empty `deflated`: compression
// failed (out of memory), and the writer refuses the band.
struct PngBand {
    std::vector<unsigned char> deflated;
    uint32_t ulAdler = 1;
    uint64_t ullFilteredBytes = 0;
    uint32_t ulRows = 0;
    bool bLast = false;
};

// Pure: safe on any thread for distinct bands. pRgb: iRows >= 1 rows of cbRow
// (width * 3) bytes; pAbove: the RGB row just above the band's first row, or
// null for the picture's first row. Bands give the same bytes on any thread.
PngBand DeflateBand(const unsigned char* pRgb, size_t cbRow, int iRows,
                    const unsigned char* pAbove, bool bLast);

// Colour words of a true-colour picture (0x00BBGGRR) to RGB bytes; pure.
void RgbFromWords(const uint32_t* pWords, int iWidth, unsigned char* pRgb);

// The Adler-32 of two byte strings one after the other, from the first's
// checksum, the second's checksum and the second's length.
uint32_t CombineAdler32(uint32_t ulAdlerFirst, uint32_t ulAdlerSecond, uint64_t ullSecondBytes);

// Writes every byte of the PNG in order; false when it could not.
using PngWrite = std::function<bool(const void* pData, size_t cbData)>;

// Begin writes the signature, IHDR and the tEXt chunks; Add the bands in
// order, as IDAT chunks of at most 256 KiB; Finish the Adler-32 trailer and
// IEND once the band with bLast has made up the height. Each returns false
// when a write failed or the call does not fit the picture (a band of the
// wrong width, too many rows, Finish before the last band, invalid sizes or
// texts); the writer then writes nothing more. Only one thread uses a writer.
class PngStreamWriter {
public:
    PngStreamWriter(PngWrite write, uint32_t ulWidth, uint32_t ulHeight,
                    std::vector<PngText> texts = {});
    bool Begin();
    bool Add(const PngBand& band);
    bool Finish();

private:
    bool Put(const unsigned char* pData, size_t cbData);
    bool WriteChunk(const char* pszType, const unsigned char* pData, size_t cbData);
    bool Fail();

    PngWrite write_;
    uint32_t ulWidth_, ulHeight_;
    std::vector<PngText> texts_;
    std::vector<unsigned char> idat_;  // stream bytes not yet in an IDAT chunk
    uint32_t ulAdler_ = 1;
    uint32_t ulRows_ = 0;
    bool bBegun_ = false, bLastAdded_ = false, bFinished_ = false, bFailed_ = false;
};

#endif
