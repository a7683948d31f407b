// The streamed PNG: bands filtered "up" and deflated into pieces of one zlib
// stream, and the writer that frames them as chunks in order and ends the
// stream with the bands' Adler-32s combined.
#include "png_deflate.h"

#include <algorithm>

namespace {

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const unsigned char kBitDepth = 8;
const unsigned char kColorTypeRgb = 2;
const unsigned char kFilterUp = 2;
// Deflate with a 32 KiB window, "fastest", no dictionary: a multiple of 31.
const unsigned char kZlibHeader[2] = {0x78, 0x01};
const size_t kChunkBytes = size_t{1} << 18;  // stream bytes per IDAT chunk, at most
const uint32_t kMaxSide = 0x7FFFFFFF;
const size_t kMaxKeyword = 79;
const uint32_t kAdlerBase = 65521;
const size_t kPieceBytes = size_t{1} << 18;  // filtered bytes handed to the compressor at once

void PutBigEndian32(unsigned char* p, uint32_t u) {
    p[0] = static_cast<unsigned char>(u >> 24);
    p[1] = static_cast<unsigned char>(u >> 16);
    p[2] = static_cast<unsigned char>(u >> 8);
    p[3] = static_cast<unsigned char>(u);
}

bool IsLatin1Printable(unsigned char c) { return (c >= 32 && c <= 126) || c >= 161; }

// Each byte less the byte above it; the picture's first row stays as it is.
void FilterUp(const unsigned char* pRow, const unsigned char* pAbove, size_t cb, unsigned char* pOut) {
    if (!pAbove) {
        std::copy(pRow, pRow + cb, pOut);
        return;
    }
    for (size_t i = 0; i < cb; ++i) pOut[i] = static_cast<unsigned char>(pRow[i] - pAbove[i]);
}

std::unique_ptr<PngRawDeflater> NewDeflater(int iDeflater) {
    if (!PngDeflaterBuilt(iDeflater)) return nullptr;
    return iDeflater == PNG_DEFLATE_ISAL ? NewIsalDeflater() : NewZlibDeflater();
}

// The thread's compressor of that kind, reset: making one, with its tables,
// costs more than deflating a small band. Null when none can be made.
PngRawDeflater* ThreadDeflater(int iDeflater) {
    thread_local std::unique_ptr<PngRawDeflater> deflaters[PNG_DEFLATERS];
    std::unique_ptr<PngRawDeflater>& deflater = deflaters[iDeflater];
    if (deflater && !deflater->Reset()) deflater.reset();
    if (!deflater) deflater = NewDeflater(iDeflater);
    return deflater.get();
}

}  // namespace

#if !defined(ORVANTA_PNG_ISAL)
std::unique_ptr<PngRawDeflater> NewIsalDeflater() { return nullptr; }
#endif
#if !defined(ORVANTA_PNG_ZLIB)
std::unique_ptr<PngRawDeflater> NewZlibDeflater() { return nullptr; }
#endif

bool PngDeflaterBuilt(int iDeflater) {
#if defined(ORVANTA_PNG_ISAL)
    if (iDeflater == PNG_DEFLATE_ISAL) return true;
#endif
#if defined(ORVANTA_PNG_ZLIB)
    if (iDeflater == PNG_DEFLATE_ZLIB) return true;
#endif
    return false;
}

const char* PngDeflaterName(int iDeflater) { return iDeflater == PNG_DEFLATE_ISAL ? "ISA-L" : "zlib"; }

PngBand DeflateBandWith(int iDeflater, const unsigned char* pRgb, size_t cbRow, int iRows,
                        const unsigned char* pAbove, bool bLast) {
    PngBand band;
    band.ulRows = static_cast<uint32_t>(std::max(iRows, 0));
    band.bLast = bLast;
    PngRawDeflater* deflater = iRows < 1 ? nullptr : ThreadDeflater(iDeflater);
    if (!deflater) return band;
    // Held zeroed and emptied: a compressor that reads a little past its
    // input then meets the same bytes on every run.
    std::vector<unsigned char> piece(kPieceBytes);
    piece.clear();
    // A full piece goes to the compressor only once more bytes follow it, so
    // that the last piece ends the band.
    auto Room = [&] {
        if (piece.size() < kPieceBytes) return true;
        band.ulAdler = PngAdler32(band.ulAdler, piece.data(), piece.size());
        bool bCompressed = deflater->Compress(piece.data(), piece.size(), PNG_PIECE_MORE, band.deflated);
        piece.clear();
        return bCompressed;
    };
    for (int y = 0; y < iRows; ++y) {
        const unsigned char* pRow = pRgb + static_cast<size_t>(y) * cbRow;
        const unsigned char* pPrior = y == 0 ? pAbove : pRow - cbRow;
        if (!Room()) return PngBand();
        piece.push_back(kFilterUp);
        for (size_t i = 0; i < cbRow;) {
            if (!Room()) return PngBand();
            size_t cb = std::min(cbRow - i, kPieceBytes - piece.size()), cbBefore = piece.size();
            piece.resize(cbBefore + cb);
            FilterUp(pRow + i, pPrior ? pPrior + i : nullptr, cb, piece.data() + cbBefore);
            i += cb;
        }
    }
    band.ulAdler = PngAdler32(band.ulAdler, piece.data(), piece.size());
    if (!deflater->Compress(piece.data(), piece.size(), bLast ? PNG_PIECE_FINAL : PNG_PIECE_FLUSH,
                            band.deflated))
        return PngBand();
    band.ullFilteredBytes = static_cast<uint64_t>(iRows) * (cbRow + 1);
    band.deflated.shrink_to_fit();
    return band;
}

PngBand DeflateBand(const unsigned char* pRgb, size_t cbRow, int iRows, const unsigned char* pAbove,
                    bool bLast) {
    int iDeflater = PngDeflaterBuilt(PNG_DEFLATE_ISAL) ? PNG_DEFLATE_ISAL : PNG_DEFLATE_ZLIB;
    return DeflateBandWith(iDeflater, pRgb, cbRow, iRows, pAbove, bLast);
}

void RgbFromWords(const uint32_t* pWords, int iWidth, unsigned char* pRgb) {
    for (int x = 0; x < iWidth; ++x, pRgb += 3) {
        pRgb[0] = static_cast<unsigned char>(pWords[x]);
        pRgb[1] = static_cast<unsigned char>(pWords[x] >> 8);
        pRgb[2] = static_cast<unsigned char>(pWords[x] >> 16);
    }
}

// Over the second string each running sum A is the first's final A - 1 more
// than alone, and B adds up those sums: B = B1 + B2 + n2 * (A1 - 1).
uint32_t CombineAdler32(uint32_t ulAdlerFirst, uint32_t ulAdlerSecond, uint64_t ullSecondBytes) {
    uint64_t ullA1 = ulAdlerFirst & 0xFFFF, ullB1 = ulAdlerFirst >> 16;
    uint64_t ullA2 = ulAdlerSecond & 0xFFFF, ullB2 = ulAdlerSecond >> 16;
    uint64_t ullLength = ullSecondBytes % kAdlerBase;
    uint64_t ullA = (ullA1 + ullA2 + kAdlerBase - 1) % kAdlerBase;
    uint64_t ullB = (ullB1 + ullB2 + ullLength * (ullA1 + kAdlerBase - 1)) % kAdlerBase;
    return static_cast<uint32_t>(ullB << 16 | ullA);
}

bool PngTextValid(const PngText& text) {
    const std::string& sKey = text.sKeyword;
    if (sKey.empty() || sKey.size() > kMaxKeyword || sKey.front() == ' ' || sKey.back() == ' ' ||
        sKey.find("  ") != std::string::npos)
        return false;
    for (unsigned char c : sKey)
        if (!IsLatin1Printable(c)) return false;
    return text.sText.find('\0') == std::string::npos && text.sText.size() < kMaxSide - kMaxKeyword;
}

PngStreamWriter::PngStreamWriter(PngWrite write, uint32_t ulWidth, uint32_t ulHeight,
                                 std::vector<PngText> texts)
    : write_(std::move(write)), ulWidth_(ulWidth), ulHeight_(ulHeight), texts_(std::move(texts)) {}

bool PngStreamWriter::Fail() {
    bFailed_ = true;
    return false;
}

bool PngStreamWriter::Begin() {
    if (bBegun_ || bFailed_) return Fail();
    bBegun_ = true;
    if (ulWidth_ == 0 || ulHeight_ == 0 || ulWidth_ > kMaxSide || ulHeight_ > kMaxSide) return Fail();
    for (const PngText& text : texts_)
        if (!PngTextValid(text)) return Fail();
    unsigned char header[13] = {};
    PutBigEndian32(header, ulWidth_);
    PutBigEndian32(header + 4, ulHeight_);
    header[8] = kBitDepth;
    header[9] = kColorTypeRgb;
    // Compression, filter method and interlace stay 0: deflate, adaptive, none.
    if (!write_(kSignature, sizeof kSignature) || !WriteChunk("IHDR", header, sizeof header)) return Fail();
    for (const PngText& text : texts_) {
        std::string sData = text.sKeyword + '\0' + text.sText;
        if (!WriteChunk("tEXt", reinterpret_cast<const unsigned char*>(sData.data()), sData.size()))
            return Fail();
    }
    idat_.reserve(kChunkBytes);
    return Put(kZlibHeader, sizeof kZlibHeader);
}

// A band must continue the rows at this width, and the last one, and only
// it, makes up the height.
bool PngStreamWriter::Add(const PngBand& band) {
    uint64_t ullRowBytes = static_cast<uint64_t>(ulWidth_) * 3 + 1;
    if (!bBegun_ || bFailed_ || bLastAdded_ || band.deflated.empty() || band.ulRows == 0 ||
        band.ulRows > ulHeight_ - ulRows_ || band.ullFilteredBytes != ullRowBytes * band.ulRows ||
        band.bLast != (band.ulRows == ulHeight_ - ulRows_))
        return Fail();
    ulRows_ += band.ulRows;
    bLastAdded_ = band.bLast;
    ulAdler_ = CombineAdler32(ulAdler_, band.ulAdler, band.ullFilteredBytes);
    return Put(band.deflated.data(), band.deflated.size());
}

bool PngStreamWriter::Finish() {
    if (!bLastAdded_ || bFinished_ || bFailed_) return Fail();
    bFinished_ = true;
    unsigned char trailer[4];
    PutBigEndian32(trailer, ulAdler_);
    if (!Put(trailer, sizeof trailer)) return false;
    if (!idat_.empty() && !WriteChunk("IDAT", idat_.data(), idat_.size())) return Fail();
    return WriteChunk("IEND", nullptr, 0) || Fail();
}

// Stream bytes into IDAT chunks of kChunkBytes; whole chunks of a long band
// go out without a copy.
bool PngStreamWriter::Put(const unsigned char* pData, size_t cbData) {
    while (cbData > 0) {
        size_t cbTake = idat_.empty() && cbData >= kChunkBytes ? kChunkBytes
                                                               : std::min(cbData, kChunkBytes - idat_.size());
        if (cbTake == kChunkBytes) {
            if (!WriteChunk("IDAT", pData, kChunkBytes)) return Fail();
        } else {
            idat_.insert(idat_.end(), pData, pData + cbTake);
            if (idat_.size() == kChunkBytes) {
                if (!WriteChunk("IDAT", idat_.data(), idat_.size())) return Fail();
                idat_.clear();
            }
        }
        pData += cbTake;
        cbData -= cbTake;
    }
    return true;
}

// Length, type, data, and the CRC of type and data.
bool PngStreamWriter::WriteChunk(const char* pszType, const unsigned char* pData, size_t cbData) {
    unsigned char header[8], trailer[4];
    PutBigEndian32(header, static_cast<uint32_t>(cbData));
    std::copy(pszType, pszType + 4, header + 4);
    uint32_t ulCrc = PngCrc32(0, header + 4, 4);
    if (cbData > 0) ulCrc = PngCrc32(ulCrc, pData, cbData);
    PutBigEndian32(trailer, ulCrc);
    return write_(header, sizeof header) && (cbData == 0 || write_(pData, cbData)) &&
           write_(trailer, sizeof trailer);
}
