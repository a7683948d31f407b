// Fuzz target: any bytes as a view file, opened by the program's Open command
// (LoadValues) on a small window, then rendered with the limit brought down
// to 256. A file shorter than the magic or with another magic changes no
// value; a file with the magic loads exactly its whole fields.
#include "fuzz_program.h"

#include "resource.h"

#include <bit>
#include <cstring>
#include <fstream>

namespace {

const size_t kMagicSize = 17;
const char kMagic[] = "VELDRAN KQZ FILE:";
const fuzz::DrawingValues kBefore = {0.125, -0.25, 48, 2.5, 0.3, 3, 90, 2};

uint64_t Field(const uint8_t* pData, size_t iOffset, size_t cbField) {
    uint64_t ullValue = 0;
    for (size_t i = 0; i < cbField; ++i) ullValue |= static_cast<uint64_t>(pData[iOffset + i]) << (8 * i);
    return ullValue;
}

// What the file should leave: the whole fields it holds over kBefore.
fuzz::DrawingValues Expected(const uint8_t* pData, size_t cbData, bool* pbLoads) {
    fuzz::DrawingValues v = kBefore;
    *pbLoads = cbData >= kMagicSize && std::memcmp(pData, kMagic, kMagicSize) == 0;
    if (!*pbLoads) return v;
    auto has = [&](size_t iEnd) { return cbData >= iEnd; };
    if (has(25)) v.dfSetMidX = std::bit_cast<double>(Field(pData, 17, 8));
    if (has(33)) v.dfSetMidY = std::bit_cast<double>(Field(pData, 25, 8));
    if (has(37)) v.ulMaxLevels = static_cast<ULONG>(Field(pData, 33, 4));
    if (has(45)) v.dfSetHeight = std::bit_cast<double>(Field(pData, 37, 8));
    if (has(53)) v.dfMoveFactor = std::bit_cast<double>(Field(pData, 45, 8));
    if (has(57)) v.iMinLevel = static_cast<int32_t>(Field(pData, 53, 4));
    if (has(61)) v.iColorFactor = static_cast<int32_t>(Field(pData, 57, 4));
    if (has(65)) v.iRGB_Combo = static_cast<int32_t>(Field(pData, 61, 4));
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    fuzz::MakeScratchFiles();
    std::string sPath = fuzz::ScratchPath("input.kqz");
    std::ofstream(sPath, std::ios::binary).write(reinterpret_cast<const char*>(pData),
                                                  static_cast<std::streamsize>(cbData));
    bool bLoads = false;
    fuzz::DrawingValues expected = Expected(pData, cbData, &bLoads);
    bool bOpened = false;
    fuzz::RunBounds bounds;
    bounds.ulLevelCap = 256;
    fuzz::RunProgram(
        bounds,
        [&](HWND hwnd, bool bIdle) {
            if (!bIdle) return true;
            if (bOpened) return false;
            bOpened = true;
            ApplyDrawingValues(kBefore);
            SetupSet();
            harness::ChooseFiles({sPath});
            PostMessageA(hwnd, WM_COMMAND, IDM_OPEN, 0);
            return true;
        },
        [&](const fuzz::Handled& h) {
            if (h.uMessage != WM_COMMAND || LOWORD(h.wParam) != IDM_OPEN) return;
            fuzz::DrawingValues now = CurrentDrawingValues();
            if (!fuzz::SameValues(now, expected))
                fuzz::Fail("Open left " + fuzz::Describe(now) + ", expected " + fuzz::Describe(expected));
            if ((psFilePath[0] != '\0') != bLoads) fuzz::Fail("Open kept the name of a file it rejected");
            size_t uBoxes = harness::Boxes().size();
            if (bLoads ? uBoxes != 0 : uBoxes != 1) fuzz::Fail("Open warned " + std::to_string(uBoxes) + " times");
        });
    return 0;
}
