// Fuzz target: the whole program on the test harness under input from the fuzz
// bytes (keys, mouse, commands, resizes, file choices, box answers, Edit dialogs
// with any texts, closing), between blocks of a pass or while the picture waits.
// Beyond the sanitizers: every finished picture leaves as many live objects as the first.
#include "engine.h"
#include "harness.h"
#include "resource.h"
#include "view_values.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

const ULONG kLevelCap = 256;  // the iteration limit, brought down after every message
const uint64_t kPointBudget = 300000;
const UINT kKeys[] = {VK_PRIOR, VK_NEXT, VK_LEFT, VK_UP, VK_INSERT, VK_DELETE, '5', 'C', 'I', 'N', 'R', VK_F1, VK_OEM_2};
const UINT kMouse[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEWHEEL, WM_CLOSE, WM_QUERYENDSESSION};
// Sides reach 16384 only on thin client areas: a square of 16384 is a 1 GiB framebuffer.
const std::pair<int, int> kSizes[] = {{24, 16}, {1, 1}, {0, 0}, {16384, 1}, {1, 16384}, {40, 30}};

// A good, a cut and a foreign view file, a folder, a missing folder and a full disk,
// made anew for every input; "" cancels the dialog.
std::vector<std::string> MakeScratchFiles() {
    static ScratchDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path(""))) std::filesystem::remove_all(entry.path());
    const Bytes good = ViewFileBytes({0.25, -0.25, 32, 0.5, 0.3, 1, 120, 4});
    std::filesystem::create_directories(dir.Path("folder"));
    std::filesystem::create_symlink("/dev/full", dir.Path("full.kqz"));
    return {dir.Write("good.kqz", good), dir.Write("cut.kqz", Bytes(good.begin(), good.begin() + 40)),
            dir.Write("foreign.kqz", Bytes(good.begin() + 1, good.end())), dir.Path("folder"), dir.Path("no-folder/view.kqz"), dir.Path("new"),
            dir.Path("full.kqz"), ""};
}

template <typename T, size_t N> T Pick(FuzzedDataProvider& data, const T (&items)[N]) { return items[data.ConsumeIntegralInRange<size_t>(0, N - 1)]; }

void Operation(HWND hwnd, FuzzedDataProvider& data, const std::vector<std::string>& paths, int iKind) {
    LPARAM lPosition = MAKELPARAM(data.ConsumeIntegral<WORD>(), data.ConsumeIntegral<WORD>());
    std::vector<harness::DialogStep> steps;
    switch (iKind) {
    case 0: case 1: harness::PressKey(hwnd, data.ConsumeBool() ? Pick(data, kKeys) : data.ConsumeIntegral<BYTE>()); break;
    case 2: harness::PostInput(hwnd, Pick(data, kMouse), data.ConsumeIntegral<WPARAM>() & 0xFFFF0003, lPosition); break;
    case 3: PostMessageA(hwnd, WM_COMMAND, data.ConsumeIntegralInRange(IDM_EXIT - 1, IDM_REDRAW + 1), 0); break;
    case 4: { const auto [iWidth, iHeight] = Pick(data, kSizes); harness::ResizeWindow(hwnd, iWidth, iHeight); break; }
    case 5: harness::ChooseFiles({paths[data.ConsumeIntegralInRange<size_t>(0, paths.size() - 1)]}); break;
    case 6: harness::AnswerBoxes({Pick(data, {IDOK, IDCANCEL, IDYES, IDNO}), Pick(data, {IDOK, IDCANCEL, IDYES, IDNO})}); break;
    default:  // any bytes in some fields, then OK, Cancel or the script runs out (Cancel)
        while (data.ConsumeBool()) steps.push_back(harness::TypeText(IDD_CENTERX + data.ConsumeIntegralInRange(0, 7), data.ConsumeRandomLengthString(80).c_str()));
        if (int iButton = Pick(data, {IDOK, IDCANCEL, IDD_HELPBUTTON, 0})) steps.push_back(harness::PressButton(iButton));
        harness::ScriptDialog(steps);
        PostMessageA(hwnd, WM_COMMAND, IDM_EDIT, 0);
    }
}

WNDPROC g_pfnProgram = nullptr;

LRESULT CALLBACK CappedProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    LRESULT lResult = g_pfnProgram(hwnd, uMessage, wParam, lParam);
    if (ulMaxLevels > kLevelCap) ulMaxLevels = kLevelCap;  // before the renderer draws again
    return lResult;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData) {
    FuzzedDataProvider data(pData, cbData);
    const std::vector<std::string> paths = MakeScratchFiles();
    harness::Reset();
    InitializeProgramValues();
    harness::SetMaximizedSize(24, 16);
    harness::SetDefaultSize(24, 16);  // no 640 x 480 framebuffer to clear first
    int iOperations = 0, iPending = -1;  // iPending: an operation's code, taken but not yet carried out
    std::vector<int> firstLive;
    auto next = [&](bool bIdle) {
        HWND hwnd = harness::MainWindow();
        WNDPROC pfnBefore = harness::ReplaceWindowProc(hwnd, CappedProc);
        if (!pfnBefore) return false;
        if (pfnBefore != CappedProc) g_pfnProgram = pfnBefore;
        if (ulMaxLevels > kLevelCap) ulMaxLevels = kLevelCap;
        std::vector<int> live = {harness::LiveGdiObjects(), harness::LiveDeviceContexts(), harness::LiveMemoryBlocks()};
        if (bIdle && firstLive.empty()) firstLive = live;
        if (bIdle && live != firstLive) __builtin_trap();  // a finished picture left other live objects than the first
        if (iPending < 0) {
            if (!data.remaining_bytes() || ++iOperations > 48 || ullPointColorCalls >= kPointBudget) return false;
            iPending = data.ConsumeIntegral<uint8_t>();
        }
        if (!bIdle && !(iPending & 0x80)) return true;  // the top bit lets it in between two blocks of a pass
        Operation(hwnd, data, paths, (iPending & 0x7F) % 8);
        iPending = -1;
        return true;
    };
    harness::OnEveryPeek([&] { next(false); });
    harness::OnIdle([&] { return next(true); });
    char szCmdLine[] = "";
    WinMain(reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000)), nullptr, szCmdLine, SW_SHOWNORMAL);
    harness::Reset();
    return 0;
}
