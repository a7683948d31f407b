// Fuzz target: any bytes as a PNG whose view is sought or, when they do not
// begin as a PNG does, as a view text. A refusal is one line and changes
// nothing; an accepted view writes a text that reads back to the same bits.
#include "png_view.h"
#include "view_values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    const PngView kBefore = {{0.125, -0.25, 48, 2.5, 0.3, 3, 90, 2}, true};
    PngView view = kBefore, again = kBefore;
    std::string sError, sText;
    const bool bRead = cbData > 0 && pData[0] == 0x89
                           ? ReadPngView(pData, cbData, &view, &sError)
                           : ParseViewText(std::string(reinterpret_cast<const char*>(pData), cbData), &view, &sError);
    if (!bRead && (sError.empty() || sError.find('\n') != std::string::npos ||
                   ValueBits(view.values) != ValueBits(kBefore.values) || view.bInvert != kBefore.bInvert))
        __builtin_trap();  // a refusal that says nothing, or more than a line, or changed the view
    if (bRead && (!FormatViewText(view, &sText) || !ParseViewText(sText, &again, &sError) ||
                  ValueBits(again.values) != ValueBits(view.values) || again.bInvert != view.bInvert))
        __builtin_trap();  // an accepted view that does not write and read back exactly
    return 0;
}
