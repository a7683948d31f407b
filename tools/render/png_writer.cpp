// PNG output, with palette-index words shown as the display would: through
// libpng where it is installed, through stb_image_write where it is not (the
// Windows cross-build). Both write the same pixels.
#include "png_writer.h"

#include "core.h"

#include <cstdio>
#include <filesystem>

#if defined(ORVANTA_PNG_STB)
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
using png_byte = unsigned char;
#else
#include <csetjmp>
#include <png.h>
#endif

namespace {

std::vector<png_byte> RgbRows(int iWidth, int iHeight, const std::vector<uint32_t>& pixels) {
    std::vector<png_byte> rows(static_cast<size_t>(iWidth) * iHeight * 3);
    for (size_t i = 0; i < static_cast<size_t>(iWidth) * iHeight && i < pixels.size(); ++i) {
        COLORREF crShown = platform::DisplayColor(pixels[i]);
        rows[i * 3 + 0] = GetRValue(crShown);
        rows[i * 3 + 1] = GetGValue(crShown);
        rows[i * 3 + 2] = GetBValue(crShown);
    }
    return rows;
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

bool Encode(FILE* pFile, int iWidth, int iHeight, std::vector<png_byte>& rows) {
    StbSink sink = {pFile, false};
    int iWritten = stbi_write_png_to_func(WriteToSink, &sink, iWidth, iHeight, 3, rows.data(),
                                          iWidth * 3);
    return iWritten != 0 && !sink.bFailed;
}

#else

bool Encode(FILE* pFile, int iWidth, int iHeight, std::vector<png_byte>& rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rowPointers(static_cast<size_t>(iHeight));
    for (int y = 0; y < iHeight; ++y)
        rowPointers[static_cast<size_t>(y)] = rows.data() + static_cast<size_t>(y) * iWidth * 3;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, pFile);
    png_set_IHDR(png, info, static_cast<png_uint_32>(iWidth), static_cast<png_uint_32>(iHeight),
                 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

#endif

}  // namespace

bool WritePng(const std::string& sPath, int iWidth, int iHeight,
              const std::vector<uint32_t>& pixels, std::string* psError) {
    std::vector<png_byte> rows = RgbRows(iWidth, iHeight, pixels);
    std::string sTemporary = sPath + ".part";
    FILE* pFile = std::fopen(sTemporary.c_str(), "wb");
    if (!pFile) {
        *psError = "cannot write '" + sPath + "'";
        return false;
    }
    bool bEncoded = Encode(pFile, iWidth, iHeight, rows);
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
