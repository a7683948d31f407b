// Writing a framebuffer of colour words as an 8-bit RGB PNG, atomically.
#ifndef ORVANTA_PNG_WRITER_H
#define ORVANTA_PNG_WRITER_H

#include "png_view.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes a temporary file beside sPath and renames it over sPath, so that no
// partial PNG is ever left behind. Returns false with a message on failure.
// The texts follow the header as tEXt chunks; the stb_image_write build
// (Windows) cannot write them and leaves them out.
bool WritePng(const std::string& sPath, int iWidth, int iHeight,
              const std::vector<uint32_t>& pixels, std::string* psError,
              const std::vector<PngText>& texts = {});
// The same from iWidth * iHeight colour words, row by row.
bool WritePng(const std::string& sPath, int iWidth, int iHeight, const uint32_t* pPixels,
              std::string* psError, const std::vector<PngText>& texts = {});

#endif
