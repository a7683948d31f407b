// View-file bytes and value bit patterns for tests.
#include "view_values.h"

#include <bit>

namespace {

void PutLittleEndian(Bytes& bytes, uint64_t ullValue, int iSize) {
    for (int i = 0; i < iSize; ++i) bytes.push_back(static_cast<uint8_t>(ullValue >> (8 * i)));
}

}  // namespace

Bytes ViewFileBytes(const DrawingValues& v) {
    const char kMagic[] = "VELDRAN KQZ FILE:";
    Bytes bytes(kMagic, kMagic + 17);
    PutLittleEndian(bytes, std::bit_cast<uint64_t>(v.dfSetMidX), 8);
    PutLittleEndian(bytes, std::bit_cast<uint64_t>(v.dfSetMidY), 8);
    PutLittleEndian(bytes, v.ulMaxLevels, 4);
    PutLittleEndian(bytes, std::bit_cast<uint64_t>(v.dfSetHeight), 8);
    PutLittleEndian(bytes, std::bit_cast<uint64_t>(v.dfMoveFactor), 8);
    PutLittleEndian(bytes, static_cast<uint32_t>(v.iMinLevel), 4);
    PutLittleEndian(bytes, static_cast<uint32_t>(v.iColorFactor), 4);
    PutLittleEndian(bytes, static_cast<uint32_t>(v.iRGB_Combo), 4);
    return bytes;
}

std::vector<uint64_t> ValueBits(const DrawingValues& v) {
    return {std::bit_cast<uint64_t>(v.dfSetMidX),   std::bit_cast<uint64_t>(v.dfSetMidY),
            v.ulMaxLevels,                          std::bit_cast<uint64_t>(v.dfSetHeight),
            std::bit_cast<uint64_t>(v.dfMoveFactor), static_cast<uint32_t>(v.iMinLevel),
            static_cast<uint32_t>(v.iColorFactor),   static_cast<uint32_t>(v.iRGB_Combo)};
}
