// Fuzz target: the whole program on the test harness under input taken from the
// fuzz bytes (keys, mouse, wheel, commands, resizes, file choices, box answers,
// Edit dialogs with any texts, closing), given between blocks of a pass or while
// the finished picture waits. Besides the sanitizers' checks: the title names
// the view, and every finished picture leaves as many live objects as the first.
#include "core.h"
#include "resource.h"
#include "scratch_files.h"
#include "veldran.h"
#include "view_values.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <limits>

namespace {

const int kMaxOperations = 48;
const ULONG kLevelCap = 256;           // the iteration limit, brought down after every message
const uint64_t kPointBudget = 300000;  // input stops after this many PointColor calls
const UINT kTableKeys[] = {VK_PRIOR, VK_NEXT, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_INSERT, VK_DELETE, '0', '5',
                           'C', 'D', 'I', 'L', 'M', 'N', 'R', VK_NUMPAD1, VK_ADD, VK_SUBTRACT, 'A', VK_F1,
                           VK_OEM_2, VK_ESCAPE, VK_RETURN};
using Size = std::pair<int, int>;
const Size kStartSizes[] = {{24, 16}, {1, 1}, {17, 9}, {1, 64}, {64, 1}, {40, 30}};
// Sides reach 16384 only on thin client areas: a square of 16384 is a 1 GiB framebuffer.
const Size kResizes[] = {{0, 0}, {1, 1}, {5000, 1}, {16384, 1}, {1, 16384}, {24, 16}, {40, 30}, {0, 20}};
const std::pair<UINT, WPARAM> kMouse[] = {{WM_MOUSEMOVE, MK_LBUTTON}, {WM_MOUSEMOVE, MK_RBUTTON}, {WM_LBUTTONDOWN, MK_LBUTTON},
                                          {WM_LBUTTONUP, 0}, {WM_RBUTTONDOWN, MK_RBUTTON}, {WM_MOUSEWHEEL, 0}};
const int kAnswers[] = {IDOK, IDCANCEL, IDYES, IDNO};
const platform::DisplayCaps kDisplays[] = {harness::TrueColorDisplay(), harness::HighColorDisplay(),
                                           harness::PaletteDisplay(), harness::SixteenColorDisplay()};

[[noreturn]] void Fail(const std::string& sWhat) {
    std::fprintf(stderr, "orvanta fuzz: %s\n", sWhat.c_str());
    std::abort();
}

// Good, extreme, cut, short and foreign view files, a folder, missing places and a
// full disk, made anew for every input; "" cancels the dialog.
std::vector<std::string> MakeScratchFiles() {
    static ScratchDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path(""))) std::filesystem::remove_all(entry.path());
    const double kInf = std::numeric_limits<double>::infinity(), kNaN = std::numeric_limits<double>::quiet_NaN();
    Bytes good = ViewFileBytes({0.25, -0.25, 32, 0.5, 0.3, 1, 120, 4}), foreign = good;
    foreign[0] = 'v';
    std::filesystem::create_directories(dir.Path("folder"));
    if (std::filesystem::exists("/dev/full")) std::filesystem::create_symlink("/dev/full", dir.Path("full.kqz"));
    return {dir.Write("good.kqz", good), dir.Write("cut.kqz", Bytes(good.begin(), good.begin() + 40)),
            dir.Write("extreme.kqz", ViewFileBytes({kNaN, kInf, 0xFFFFFFFF, -1e300, 1e308, INT_MIN, INT_MIN, INT_MAX})),
            dir.Write("short.kqz", Bytes(good.begin(), good.begin() + 16)), dir.Write("foreign.kqz", foreign),
            dir.Path("folder"), dir.Path("missing.kqz"), dir.Path("no-folder/view.kqz"), dir.Path("new"),
            dir.Path(std::string(300, 'x') + ".kqz"), dir.Path("full.kqz"), ""};
}

LPARAM Position(FuzzedDataProvider& data) { return MAKELPARAM(data.ConsumeIntegral<WORD>(), data.ConsumeIntegral<WORD>()); }

// Any bytes typed into some of the Edit dialog's fields, perhaps Help, then a way out
// or none (the dialog is closed when its script runs out).
void ScriptEditDialog(FuzzedDataProvider& data) {
    std::vector<harness::DialogStep> steps;
    for (int i = 0; i < 8; ++i)
        if (data.ConsumeBool()) steps.push_back(harness::TypeText(IDD_CENTERX + i, data.ConsumeRandomLengthString(80).c_str()));
    if (data.ConsumeBool()) steps.push_back(harness::PressButton(IDD_HELPBUTTON));
    const harness::DialogStep waysOut[] = {harness::PressButton(IDOK), harness::PressDialogKey(VK_RETURN),
                                           harness::PressButton(IDCANCEL), harness::PressDialogKey(VK_ESCAPE),
                                           harness::CloseDialog()};
    size_t uWay = data.ConsumeIntegralInRange<size_t>(0, std::size(waysOut));
    if (uWay < std::size(waysOut)) steps.push_back(waysOut[uWay]);
    harness::ScriptDialog(steps);
}

void Operation(HWND hwnd, FuzzedDataProvider& data, const std::vector<std::string>& paths, int iKind) {
    switch (iKind) {
    case 0: harness::PressKey(hwnd, kTableKeys[data.ConsumeIntegralInRange<size_t>(0, std::size(kTableKeys) - 1)]); break;
    case 1: harness::PressKey(hwnd, data.ConsumeIntegral<BYTE>()); break;
    case 2: {
        const auto& [uMessage, wParam] = kMouse[data.ConsumeIntegralInRange<size_t>(0, std::size(kMouse) - 1)];
        WPARAM wDelta = uMessage == WM_MOUSEWHEEL ? MAKEWPARAM(0, data.ConsumeIntegral<WORD>()) : 0;
        harness::PostInput(hwnd, uMessage, wParam | wDelta, Position(data));
        break;
    }
    case 3: PostMessageA(hwnd, WM_COMMAND, data.ConsumeIntegralInRange(IDM_EXIT - 1, IDM_REDRAW + 1), 0); break;
    case 4: {
        const auto& [iWidth, iHeight] = kResizes[data.ConsumeIntegralInRange<size_t>(0, std::size(kResizes) - 1)];
        harness::ResizeWindow(hwnd, iWidth, iHeight);
        break;
    }
    case 5: harness::ChooseFiles({paths[data.ConsumeIntegralInRange<size_t>(0, paths.size() - 1)]}); break;
    case 6: harness::AnswerBoxes({kAnswers[data.ConsumeIntegralInRange(0, 3)], kAnswers[data.ConsumeIntegralInRange(0, 3)]}); break;
    case 7: ScriptEditDialog(data); PostMessageA(hwnd, WM_COMMAND, IDM_EDIT, 0); break;
    default: harness::PostInput(hwnd, data.ConsumeBool() ? WM_CLOSE : WM_QUERYENDSESSION, 0, 0); break;
    }
}

// The title is the program's name until the first retitle, then it names the view.
void CheckTitle(HWND hwnd) {
    char szTitle[700];
    GetWindowTextA(hwnd, szTitle, sizeof szTitle);
    std::string sName = psFilePath[0] ? psFilePath : "untitled";
    for (char& c : sName) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    if (szTitle == std::string(APP_TITLE) ? psFilePath[0] || bIsDirty : szTitle != std::string(APP_TITLE) + " - [" + sName + "]")
        Fail(std::string("the title \"") + szTitle + "\" does not name \"" + psFilePath + "\"");
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
    const auto [iWidth, iHeight] = kStartSizes[data.ConsumeIntegralInRange<size_t>(0, std::size(kStartSizes) - 1)];
    harness::Reset();
    InitializeProgramValues();
    harness::SetMaximizedSize(iWidth, iHeight);
    harness::SetDefaultSize(iWidth, iHeight);  // no 640 x 480 framebuffer to clear first
    harness::SetDisplay(kDisplays[data.ConsumeIntegralInRange<size_t>(0, std::size(kDisplays) - 1)]);
    int iOperations = 0, iPending = -1;  // iPending: an operation's code, taken but not yet carried out
    std::vector<int> firstLive;
    auto next = [&](bool bIdle) {
        HWND hwnd = harness::MainWindow();
        platform::Window* pWindow = hwnd ? platform::FindWindowRecord(hwnd) : nullptr;
        if (!pWindow) return false;
        if (pWindow->pfnProc != CappedProc) g_pfnProgram = std::exchange(pWindow->pfnProc, CappedProc);
        if (ulMaxLevels > kLevelCap) ulMaxLevels = kLevelCap;
        if (bIdle) {
            CheckTitle(hwnd);
            std::vector<int> live = {harness::LiveGdiObjects(), harness::LiveDeviceContexts(), harness::LiveWindows(),
                                     harness::LiveMemoryBlocks()};
            if (firstLive.empty()) firstLive = live;
            if (live != firstLive) Fail("a finished picture left more or fewer live objects than the first");
        }
        if (iPending < 0) {
            if (!data.remaining_bytes() || iOperations++ >= kMaxOperations || ullPointColorCalls >= kPointBudget) return false;
            iPending = data.ConsumeIntegral<uint8_t>();
        }
        if (!bIdle && !(iPending & 0x80)) return true;  // the top bit lets it in between two blocks of a pass
        Operation(hwnd, data, paths, (iPending & 0x7F) % 9);
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
