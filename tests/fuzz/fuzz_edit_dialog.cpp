// Fuzz target: the Edit dialog over any drawing values (taken from the fuzz
// bytes, NaNs and huge magnitudes included), any texts typed into its eight
// fields, then OK or a way out, then a render. Each field ends as the dialog's
// rules say: untouched fields keep their exact value, typed ones are converted
// and the limits hold.
#include "fuzz_program.h"

#include "resource.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <map>

namespace {

const ULONG kLevelLimit = 65519;
const size_t kTextLimit = 63;

int Saturated(const std::string& sText) {
    long long llValue = std::strtoll(sText.c_str(), nullptr, 10);
    return llValue > INT_MAX ? INT_MAX : llValue < INT_MIN ? INT_MIN : static_cast<int>(llValue);
}

ULONG Levels(const std::string& sText) {
    long double ldValue = std::strtold(sText.c_str(), nullptr);
    if (!(std::fabs(ldValue) < 9223372036854775808.0L)) return kLevelLimit;
    ULONG ulLevels = static_cast<ULONG>(static_cast<unsigned long long>(static_cast<long long>(ldValue)));
    return std::min(ulLevels, kLevelLimit);
}

// The values OK should leave: a field whose text differs from the one shown at
// the start is converted, every other keeps its value.
DrawingValues Expected(DrawingValues v, const fuzz::EditScript& script, const std::map<int, std::string>& shown) {
    for (int i = 0; i < 8; ++i) {
        auto it = shown.find(IDD_CENTERX + i);
        if (it == shown.end() || it->second.size() > kTextLimit)
            fuzz::Fail("field " + std::to_string(IDD_CENTERX + i) + " is missing or shows more than 63 characters");
        std::string sRead = (script.abTyped[i] ? script.asTyped[i] : it->second).substr(0, kTextLimit);
        if (sRead == it->second) continue;
        const char* psz = sRead.c_str();
        switch (IDD_CENTERX + i) {
        case IDD_CENTERX: v.dfSetMidX = std::atof(psz); break;
        case IDD_CENTERY: v.dfSetMidY = -std::atof(psz); break;
        case IDD_ITERATIONS: v.ulMaxLevels = Levels(sRead); break;
        case IDD_ZOOM: v.dfSetHeight = std::atof(psz); break;
        case IDD_MOVE: v.dfMoveFactor = std::atof(psz); break;
        case IDD_STARTLEVEL: v.iMinLevel = Saturated(sRead); break;
        case IDD_COLORFACTOR: v.iColorFactor = Saturated(sRead); break;
        default: v.iRGB_Combo = std::min(5, std::max(0, Saturated(sRead))); break;
        }
    }
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    FuzzedDataProvider data(pData, cbData);
    fuzz::MakeScratchFiles();
    auto df = [&] { return std::bit_cast<double>(data.ConsumeIntegral<uint64_t>()); };
    DrawingValues before;
    before.dfSetMidX = df();
    before.dfSetMidY = df();
    before.ulMaxLevels = data.ConsumeIntegral<uint32_t>();
    before.dfSetHeight = df();
    before.dfMoveFactor = df();
    before.iMinLevel = data.ConsumeIntegral<int32_t>();
    before.iColorFactor = data.ConsumeIntegral<int32_t>();
    before.iRGB_Combo = data.ConsumeIntegral<int32_t>();
    fuzz::EditScript script = fuzz::MakeEditScript(data);
    fuzz::RunCommand(before, [&] { harness::ScriptDialog(script.steps); }, IDM_EDIT, [&] {
        if (harness::Dialogs().size() != 1) fuzz::Fail("the Edit dialog did not open once");
        DrawingValues expected = Expected(before, script, harness::Dialogs()[0].fieldsAtStart);
        DrawingValues now = CurrentDrawingValues();
        if (!fuzz::SameValues(now, script.bOk ? expected : before))
            fuzz::Fail("the dialog left " + fuzz::Describe(now) + ", expected " + fuzz::Describe(script.bOk ? expected : before));
        if (bIsDirty != (script.bOk ? 1 : 0)) fuzz::Fail("bIsDirty does not follow OK");
    });
    return 0;
}
