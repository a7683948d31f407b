// PNG output, with palette-index words shown as the display would: rows
// filtered against the row above and compressed by ISA-L's fast deflate where
// it is installed, through stb_image_write where it is not (the Windows
// cross-build). Both write the same pixels; only the first writes tEXt chunks.
#include "png_writer.h"

#include "backend.h"

#include <cstdio>
#include <filesystem>

#if defined(ORVANTA_PNG_STB)
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#else
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#endif

using png_byte = unsigned char;

namespace {

// One row of colour words as red, green and blue bytes; only palette-index
// words need the display to say what they show.
void RgbRow(const uint32_t* pWords, int iWidth, png_byte* pRow) {
    for (int x = 0; x < iWidth; ++x, pRow += 3) {
        COLORREF crShown = pWords[x] >> 24 ? platform::DisplayColor(pWords[x]) : pWords[x];
        pRow[0] = GetRValue(crShown);
        pRow[1] = GetGValue(crShown);
        pRow[2] = GetBValue(crShown);
    }
}

#if defined(ORVANTA_PNG_STB)

struct StbSink {
    FILE* pFile;
    bool bFailed;
};

void WriteToSink(void* pContext, void* pData, int cbData) {
    StbSink* pSink = static_cast<StbSink*>(pContext);
    size_t cbWanted = static_cast<size_t>(cbData);
    if (std::fwrite(pData, 1, cbWanted, pSink->pFile) != cbWanted) pSink->bFailed = true;
}

bool Encode(FILE* pFile, int iWidth, int iHeight, const uint32_t* pWords, const std::vector<PngText>&) {
    std::vector<png_byte> rows(static_cast<size_t>(iWidth) * iHeight * 3);
    for (int y = 0; y < iHeight; ++y)
        RgbRow(pWords + static_cast<size_t>(y) * iWidth, iWidth,
               rows.data() + static_cast<size_t>(y) * iWidth * 3);
    StbSink sink = {pFile, false};
    int iWritten = stbi_write_png_to_func(WriteToSink, &sink, iWidth, iHeight, 3, rows.data(),
                                          iWidth * 3);
    return iWritten != 0 && !sink.bFailed;
}

#else

const png_byte kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const png_byte kColorTypeRgb = 2;
const png_byte kFilterUp = 2;
const size_t kChunkBytes = size_t{1} << 18;  // compressed bytes per IDAT chunk, at most

void PutBigEndian32(png_byte* p, uint32_t u) {
    p[0] = static_cast<png_byte>(u >> 24);
    p[1] = static_cast<png_byte>(u >> 16);
    p[2] = static_cast<png_byte>(u >> 8);
    p[3] = static_cast<png_byte>(u);
}

// Length, type, data, and the CRC of type and data.
bool WriteChunk(FILE* pFile, const char* pszType, const png_byte* pData, size_t cbData) {
    png_byte header[8], trailer[4];
    PutBigEndian32(header, static_cast<uint32_t>(cbData));
    for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<png_byte>(pszType[i]);
    uint32_t ulCrc = crc32_gzip_refl(0, header + 4, 4);
    if (cbData > 0) ulCrc = crc32_gzip_refl(ulCrc, pData, cbData);
    PutBigEndian32(trailer, ulCrc);
    return std::fwrite(header, 1, 8, pFile) == 8 &&
           (cbData == 0 || std::fwrite(pData, 1, cbData, pFile) == cbData) &&
           std::fwrite(trailer, 1, 4, pFile) == 4;
}

bool WriteHeader(FILE* pFile, int iWidth, int iHeight, const std::vector<PngText>& texts) {
    png_byte header[13] = {};
    PutBigEndian32(header, static_cast<uint32_t>(iWidth));
    PutBigEndian32(header + 4, static_cast<uint32_t>(iHeight));
    header[8] = 8;  // bits per channel
    header[9] = kColorTypeRgb;
    // Compression, filter method and interlace stay 0: deflate, adaptive, none.
    if (std::fwrite(kSignature, 1, 8, pFile) != 8 || !WriteChunk(pFile, "IHDR", header, 13)) return false;
    for (const PngText& text : texts) {
        std::string sData = text.sKeyword + '\0' + text.sText;
        if (!WriteChunk(pFile, "tEXt", reinterpret_cast<const png_byte*>(sData.data()), sData.size()))
            return false;
    }
    return true;
}

// The zlib stream of the filtered rows, written out as IDAT chunks whenever
// the output buffer fills.
class IdatStream {
public:
    explicit IdatStream(FILE* pFile)
        : pFile_(pFile), levelBuffer_(ISAL_DEF_LVL1_DEFAULT), out_(kChunkBytes) {
        isal_deflate_init(&stream_);
        stream_.level = 1;
        stream_.level_buf = levelBuffer_.data();
        stream_.level_buf_size = static_cast<uint32_t>(levelBuffer_.size());
        stream_.gzip_flag = IGZIP_ZLIB;
        stream_.flush = NO_FLUSH;
        Restart();
    }
    bool Add(png_byte* pData, size_t cbData, bool bLast) {
        stream_.next_in = pData;
        stream_.avail_in = static_cast<uint32_t>(cbData);
        stream_.end_of_stream = bLast ? 1 : 0;
        for (;;) {
            if (isal_deflate(&stream_) != COMP_OK) return false;
            bool bDone = bLast ? stream_.internal_state.state == ZSTATE_END : stream_.avail_in == 0;
            if (stream_.avail_out == 0 || (bDone && bLast)) {
                size_t cbOut = out_.size() - stream_.avail_out;
                if (!WriteChunk(pFile_, "IDAT", out_.data(), cbOut)) return false;
                Restart();
            }
            if (bDone) return true;
        }
    }

private:
    void Restart() {
        stream_.next_out = out_.data();
        stream_.avail_out = static_cast<uint32_t>(out_.size());
    }
    FILE* pFile_;
    isal_zstream stream_;
    std::vector<png_byte> levelBuffer_;
    std::vector<png_byte> out_;
};

// Every row is filtered "up": each byte less the byte above it, which turns
// the picture's many rows alike into runs of zeros.
bool Encode(FILE* pFile, int iWidth, int iHeight, const uint32_t* pWords, const std::vector<PngText>& texts) {
    if (!WriteHeader(pFile, iWidth, iHeight, texts)) return false;
    size_t cbRow = static_cast<size_t>(iWidth) * 3;
    std::vector<png_byte> above(cbRow, 0), row(cbRow), filtered(cbRow + 1);
    filtered[0] = kFilterUp;
    IdatStream idat(pFile);
    for (int y = 0; y < iHeight; ++y) {
        RgbRow(pWords + static_cast<size_t>(y) * iWidth, iWidth, row.data());
        for (size_t i = 0; i < cbRow; ++i) filtered[i + 1] = static_cast<png_byte>(row[i] - above[i]);
        if (!idat.Add(filtered.data(), filtered.size(), y + 1 == iHeight)) return false;
        row.swap(above);
    }
    return WriteChunk(pFile, "IEND", nullptr, 0);
}

#endif

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
    std::string sTemporary = sPath + ".part";
    FILE* pFile = std::fopen(sTemporary.c_str(), "wb");
    if (!pFile) {
        *psError = "cannot write '" + sPath + "'";
        return false;
    }
    bool bEncoded = Encode(pFile, iWidth, iHeight, pPixels, texts);
    bool bClosed = std::fclose(pFile) == 0;
    std::error_code error;
    if (bEncoded && bClosed) std::filesystem::rename(sTemporary, sPath, error);
    if (!bEncoded || !bClosed || error) {
        std::filesystem::remove(sTemporary, error);
        *psError = "cannot write '" + sPath + "'";
        return false;
    }
    return true;
}
