// The raw deflate compressors behind DeflateBand and the checksums the PNG
// needs: ISA-L's where it is installed, zlib's where it is not. A build with
// both keeps zlib's too, so that the tests and the bench can compare them.
#ifndef ORVANTA_PNG_DEFLATE_H
#define ORVANTA_PNG_DEFLATE_H

#include "png_stream.h"

#include <memory>

enum { PNG_DEFLATE_ISAL, PNG_DEFLATE_ZLIB, PNG_DEFLATERS };
// How a piece of a band ends: more follows, the band's end (a sync flush onto
// a byte boundary) or the stream's end (the final block).
enum { PNG_PIECE_MORE, PNG_PIECE_FLUSH, PNG_PIECE_FINAL };

bool PngDeflaterBuilt(int iDeflater);
const char* PngDeflaterName(int iDeflater);
// DeflateBand through one compressor in particular; the default is ISA-L's
// where it is built.
PngBand DeflateBandWith(int iDeflater, const unsigned char* pRgb, size_t cbRow, int iRows,
                        const unsigned char* pAbove, bool bLast);

// One band's compression, piece by piece (each piece under 4 GiB).
class PngRawDeflater {
public:
    virtual ~PngRawDeflater() = default;
    // Appends the compressed bytes of the piece to deflated; false on failure.
    virtual bool Compress(const unsigned char* pPiece, size_t cbPiece, int iEnd,
                          std::vector<unsigned char>& deflated) = 0;
    // Ready for a new band, as if new; false on failure.
    virtual bool Reset() = 0;
};
// Null when that compressor is not built or cannot start (out of memory).
std::unique_ptr<PngRawDeflater> NewIsalDeflater();
std::unique_ptr<PngRawDeflater> NewZlibDeflater();

uint32_t PngAdler32(uint32_t ulAdler, const unsigned char* pData, size_t cbData);
uint32_t PngCrc32(uint32_t ulCrc, const unsigned char* pData, size_t cbData);

#endif
