// Fuzz target: the Edit dialog over any drawing values (taken from the fuzz
// bytes, NaNs and huge magnitudes included), any texts typed into its eight
// fields, then OK or a way out, then a render with the limit brought down to
// 256. Each field ends as the dialog's rules say: untouched fields keep their
// exact value, typed ones are converted and the limits hold.
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
const int kTextLimit = 63;

fuzz::DrawingValues ValuesFrom(FuzzedDataProvider& data) {
    auto df = [&] { return std::bit_cast<double>(data.ConsumeIntegral<uint64_t>()); };
    fuzz::DrawingValues v;
    v.dfSetMidX = df();
    v.dfSetMidY = df();
    v.ulMaxLevels = data.ConsumeIntegral<uint32_t>();
    v.dfSetHeight = df();
    v.dfMoveFactor = df();
    v.iMinLevel = data.ConsumeIntegral<int32_t>();
    v.iColorFactor = data.ConsumeIntegral<int32_t>();
    v.iRGB_Combo = data.ConsumeIntegral<int32_t>();
    return v;
}

int Saturated(const std::string& sText) {
    long long llValue = std::strtoll(sText.c_str(), nullptr, 10);
    return llValue > INT_MAX ? INT_MAX : llValue < INT_MIN ? INT_MIN : static_cast<int>(llValue);
}

ULONG Levels(const std::string& sText) {
    long double ldValue = std::strtold(sText.c_str(), nullptr);
    if (!(std::fabs(ldValue) < 9223372036854775808.0L)) return kLevelLimit;
    ULONG ulLevels = static_cast<ULONG>(static_cast<unsigned long long>(static_cast<long long>(ldValue)));
    return ulLevels >= kLevelLimit ? kLevelLimit : ulLevels;
}

// The values OK should leave, given what the fields showed at the start.
fuzz::DrawingValues Expected(const fuzz::DrawingValues& before, const fuzz::EditScript& script,
                             const std::map<int, std::string>& shown, bool abChanged[8]) {
    fuzz::DrawingValues v = before;
    std::string asRead[8];
    for (int i = 0; i < 8; ++i) {
        auto it = shown.find(IDD_CENTERX + i);
        std::string sShown = it == shown.end() ? "" : it->second;
        asRead[i] = (script.abTyped[i] ? script.asTyped[i] : sShown).substr(0, kTextLimit);
        abChanged[i] = asRead[i] != sShown.substr(0, kTextLimit);
    }
    if (abChanged[0]) v.dfSetMidX = std::atof(asRead[0].c_str());
    if (abChanged[1]) v.dfSetMidY = -std::atof(asRead[1].c_str());
    if (abChanged[2]) v.ulMaxLevels = Levels(asRead[2]);
    if (abChanged[3]) v.dfSetHeight = std::atof(asRead[3].c_str());
    if (abChanged[4]) v.dfMoveFactor = std::atof(asRead[4].c_str());
    if (abChanged[5]) v.iMinLevel = Saturated(asRead[5]);
    if (abChanged[6]) v.iColorFactor = Saturated(asRead[6]);
    if (abChanged[7]) v.iRGB_Combo = std::min(5, std::max(0, Saturated(asRead[7])));
    return v;
}

void CheckShownTexts(const std::map<int, std::string>& shown) {
    for (int iId = IDD_CENTERX; iId <= IDD_RGB; ++iId) {
        auto it = shown.find(iId);
        if (it == shown.end()) fuzz::Fail("field " + std::to_string(iId) + " is missing");
        if (it->second.size() > kTextLimit) fuzz::Fail("field " + std::to_string(iId) + " shows more than 63 characters");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    FuzzedDataProvider data(pData, cbData);
    fuzz::MakeScratchFiles();
    fuzz::DrawingValues before = ValuesFrom(data);
    fuzz::EditScript script = fuzz::MakeEditScript(data);
    bool bShown = false;
    fuzz::RunProgram(
        {},
        [&](HWND hwnd, bool bIdle) {
            if (!bIdle) return true;
            if (bShown) return false;
            bShown = true;
            ApplyDrawingValues(before);
            SetupSet();
            harness::ScriptDialog(script.steps);
            PostMessageA(hwnd, WM_COMMAND, IDM_EDIT, 0);
            return true;
        },
        [&](const fuzz::Handled& h) {
            if (h.uMessage != WM_COMMAND || LOWORD(h.wParam) != IDM_EDIT) return;
            if (harness::Dialogs().size() != 1) fuzz::Fail("the Edit dialog did not open once");
            const auto& shown = harness::Dialogs()[0].fieldsAtStart;
            CheckShownTexts(shown);
            fuzz::DrawingValues now = CurrentDrawingValues();
            bool abChanged[8] = {};
            fuzz::DrawingValues expected = script.bOk ? Expected(before, script, shown, abChanged) : before;
            if (!fuzz::SameValues(now, expected))
                fuzz::Fail("the dialog left " + fuzz::Describe(now) + ", expected " + fuzz::Describe(expected));
            if (abChanged[IDD_ITERATIONS - IDD_CENTERX] && ulMaxLevels > kLevelLimit)
                fuzz::Fail("a typed iteration limit above 65519");
            if (abChanged[IDD_RGB - IDD_CENTERX] && (iRGB_Combo < 0 || iRGB_Combo > 5))
                fuzz::Fail("a typed channel order outside 0..5");
            if (bIsDirty != (script.bOk ? 1 : 0)) fuzz::Fail("bIsDirty does not follow OK");
        });
    return 0;
}
