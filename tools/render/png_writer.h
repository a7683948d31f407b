// Writing a framebuffer of colour words as an 8-bit RGB PNG to a named output.
#ifndef ORVANTA_PNG_WRITER_H
#define ORVANTA_PNG_WRITER_H

#include "png_stream.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes the PNG where sPath leads, as OutputFile lays down: no partial PNG
// is ever left in a file's place. Returns false with a message on failure.
// The texts follow the header as tEXt chunks.
bool WritePng(const std::string& sPath, int iWidth, int iHeight,
              const std::vector<uint32_t>& pixels, std::string* psError,
              const std::vector<PngText>& texts = {});
// The same from iWidth * iHeight colour words, row by row.
bool WritePng(const std::string& sPath, int iWidth, int iHeight, const uint32_t* pPixels,
              std::string* psError, const std::vector<PngText>& texts = {});

#endif
