// View-file bytes and value bit patterns for tests.
#include "view_values.h"

#include <bit>

std::vector<uint64_t> ValueBits(const DrawingValues& v) {
    return {std::bit_cast<uint64_t>(v.dfSetMidX),   std::bit_cast<uint64_t>(v.dfSetMidY),
            v.ulMaxLevels,                          std::bit_cast<uint64_t>(v.dfSetHeight),
            std::bit_cast<uint64_t>(v.dfMoveFactor), static_cast<uint32_t>(v.iMinLevel),
            static_cast<uint32_t>(v.iColorFactor),   static_cast<uint32_t>(v.iRGB_Combo)};
}

// The magic, then each value little-endian in its file order and width.
Bytes ViewFileBytes(const DrawingValues& v) {
    const char kMagic[] = "VELDRAN KQZ FILE:";
    const int widths[] = {8, 8, 4, 8, 8, 4, 4, 4};
    Bytes bytes(kMagic, kMagic + 17);
    std::vector<uint64_t> bits = ValueBits(v);
    for (size_t i = 0; i < bits.size(); ++i)
        for (int iByte = 0; iByte < widths[i]; ++iByte) bytes.push_back(static_cast<uint8_t>(bits[i] >> (8 * iByte)));
    return bytes;
}
