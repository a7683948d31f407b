// The fuzz targets' shared set-up: scratch files, the Edit dialog script, the
// watch on the main window with the rules every message keeps, and the run.
#include "fuzz_program.h"

#include "core.h"
#include "resource.h"
#include "veldran.h"
#include "view_values.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fuzzer/FuzzedDataProvider.h>
#include <limits>

namespace fs = std::filesystem;

namespace fuzz {

namespace {

HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

// ---- The watch on the main window.

struct RunState {
    RunBounds bounds;
    NextInput fnNext;
    AfterMessage fnAfter;
    WNDPROC pfnProgram = nullptr;
    int iDepth = 0, iWatched = 0;  // nesting of the handler, messages checked
    bool bInputEnded = false;
    std::vector<int> live;  // GDI objects, contexts, windows and memory blocks at the first finished picture
};

// Every finished picture leaves as many live objects as the first did.
void CheckLiveObjects(RunState& run) {
    std::vector<int> live = {harness::LiveGdiObjects(), harness::LiveDeviceContexts(), harness::LiveWindows(),
                             harness::LiveMemoryBlocks()};
    if (run.live.empty()) run.live = live;
    if (live != run.live) Fail("a finished picture left more or fewer live objects than the first");
}

RunState* g_pRun = nullptr;

void ExpectDouble(const char* pszName, double dfHeld, double dfWanted) {
    if (!(std::isnan(dfHeld) && std::isnan(dfWanted)) && std::bit_cast<uint64_t>(dfHeld) != std::bit_cast<uint64_t>(dfWanted)) {
        char szText[200];
        std::snprintf(szText, sizeof szText, "%s is %.17g, SetupSet gives %.17g", pszName, dfHeld, dfWanted);
        Fail(szText);
    }
}

// The title is "Orvanta" until the first retitle, then it names psFilePath.
void CheckTitle(HWND hwnd) {
    std::string sTitle = TitleOf(hwnd);
    if (sTitle == APP_TITLE) {
        if (psFilePath[0] || bIsDirty) Fail("the title is still \"Orvanta\" but the view has a name or changes");
        return;
    }
    std::string sName = psFilePath[0] ? psFilePath : "untitled";
    for (char& c : sName) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    if (sTitle != std::string(APP_TITLE) + " - [" + sName + "]")
        Fail("title \"" + sTitle + "\" does not name \"" + psFilePath + "\"");
}

// Where the geometry is defined: a client area to draw and no paint pending
// (the values of an open file or the Edit dialog reach it through the paint).
void CheckGeometry(HWND hwnd) {
    platform::Window* pWindow = platform::FindWindowRecord(hwnd);
    if (!pWindow || pWindow->bInvalid || pWindow->iClientWidth <= 0 || pWindow->iClientHeight <= 0)
        return;
    if (iMaxX != pWindow->iClientWidth || iMaxY != pWindow->iClientHeight)
        Fail("iMaxX, iMaxY are not the client size");
    ExpectDouble("dfSetAspect", dfSetAspect, static_cast<double>(iMaxX) / iMaxY);
    ExpectDouble("dfSetWidth", dfSetWidth, dfSetHeight * dfSetAspect);
    ExpectDouble("dfSetMinX", dfSetMinX, dfSetMidX - dfSetWidth * 0.5);
    ExpectDouble("dfSetMinY", dfSetMinY, dfSetMidY - dfSetHeight * 0.5);
}

LRESULT CALLBACK WatchedHandler(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    RunState& run = *g_pRun;
    Handled handled{hwnd, uMessage, wParam, lParam, 0, bIsDirty, bMouseDown, psFilePath, TitleOf(hwnd), ptMousePrevious};
    ++run.iDepth;
    handled.lResult = run.pfnProgram(hwnd, uMessage, wParam, lParam);
    --run.iDepth;
    if (run.iDepth == 0) {
        ++run.iWatched;
        if (IsWindow(hwnd)) {
            CheckTitle(hwnd);
            CheckGeometry(hwnd);
        }
        if (run.fnAfter) run.fnAfter(handled);
        // Before the renderer draws again with whatever limit the message left.
        if (ulMaxLevels > run.bounds.ulLevelCap) ulMaxLevels = run.bounds.ulLevelCap;
    }
    return handled.lResult;
}

// The watch goes on once the window exists; the start-up messages before are
// the program's own.
void Watch(HWND hwnd) {
    platform::Window* pWindow = platform::FindWindowRecord(hwnd);
    if (!pWindow || pWindow->pfnProc == WatchedHandler) return;
    g_pRun->pfnProgram = pWindow->pfnProc;
    pWindow->pfnProc = WatchedHandler;
}

bool NextInputNow(bool bIdle) {
    RunState& run = *g_pRun;
    HWND hwnd = harness::MainWindow();
    if (!hwnd || !IsWindow(hwnd)) return false;
    Watch(hwnd);
    if (bIdle) CheckLiveObjects(run);
    if (ulMaxLevels > run.bounds.ulLevelCap) ulMaxLevels = run.bounds.ulLevelCap;
    if (run.bInputEnded || ullPointColorCalls >= run.bounds.ullPointBudget) {
        run.bInputEnded = true;
        return false;
    }
    if (!run.fnNext(hwnd, bIdle)) run.bInputEnded = true;
    return !run.bInputEnded;
}

}  // namespace

void Fail(const std::string& sWhat) {
    std::fprintf(stderr, "orvanta fuzz: %s\n", sWhat.c_str());
    std::abort();
}

ScratchDir& Scratch() {
    static ScratchDir dir;  // removed at exit
    return dir;
}

void MakeScratchFiles() {
    for (const fs::directory_entry& entry : fs::directory_iterator(Scratch().Path(""))) fs::remove_all(entry.path());
    const double kInf = std::numeric_limits<double>::infinity(), kNaN = std::numeric_limits<double>::quiet_NaN();
    Bytes good = ViewFileBytes({0.25, -0.25, 32, 0.5, 0.3, 1, 120, 4});
    Scratch().Write("good.kqz", ViewFileBytes({-0.5, 0.0, 64, 3.0, 0.2, 2, 100, 1}));
    Scratch().Write("extreme.kqz", ViewFileBytes({kNaN, kInf, 0xFFFFFFFF, -1e300, 1e308, INT_MIN, INT_MIN, INT_MAX}));
    Scratch().Write("tiny.kqz", ViewFileBytes({1e300, -1e300, 0, 1e-300, -0.0, INT_MAX, 0, -1}));
    Scratch().Write("cut.kqz", Bytes(good.begin(), good.begin() + 40));
    Scratch().Write("short.kqz", Bytes(good.begin(), good.begin() + 16));
    Scratch().Write("empty.kqz", {});
    good[0] = 'v';
    Scratch().Write("bad.kqz", good);
    good[0] = 'V';
    good.resize(100, 0xEE);
    Scratch().Write("long.kqz", good);
    fs::create_directories(Scratch().Path("folder"));
    // A name with an extension, so that the dialogs add none: writes fail, reads give zeros.
    if (fs::exists("/dev/full")) fs::create_symlink("/dev/full", Scratch().Path("full.kqz"));
}

const std::vector<std::string>& ChoicePaths() {
    static std::vector<std::string> paths;
    if (paths.empty()) {
        for (const std::string& sName : std::vector<std::string>{
                 "good.kqz", "extreme.kqz", "tiny.kqz", "cut.kqz", "long.kqz", "short.kqz", "empty.kqz", "bad.kqz",
                 "folder", "missing.kqz", "no-folder/view.kqz", "new", "Mixed%s Name.KQW",
                 std::string(300, 'x') + ".kqz", "full.kqz"})
            paths.push_back(Scratch().Path(sName));
        paths.push_back("");  // cancelled
    }
    return paths;
}

bool SameValues(const DrawingValues& a, const DrawingValues& b) { return ValueBits(a) == ValueBits(b); }

std::string Describe(const DrawingValues& v) {
    char szText[300];
    std::snprintf(szText, sizeof szText, "{%.17g, %.17g, %lu, %.17g, %.17g, %d, %d, %d}", v.dfSetMidX,
                  v.dfSetMidY, static_cast<unsigned long>(v.ulMaxLevels), v.dfSetHeight, v.dfMoveFactor,
                  v.iMinLevel, v.iColorFactor, v.iRGB_Combo);
    return szText;
}

// Texts of any bytes (up to a NUL, as a field holds them), typed into some of
// the eight fields; the help button may be pressed on the way.
EditScript MakeEditScript(FuzzedDataProvider& data) {
    EditScript script;
    for (int i = 0; i < 8; ++i) {
        if (!data.ConsumeBool()) continue;
        std::string sText = data.ConsumeRandomLengthString(80).c_str();
        script.steps.push_back(harness::TypeText(IDD_CENTERX + i, sText));
        script.abTyped[i] = true;
        script.asTyped[i] = sText;
    }
    if (data.ConsumeBool()) script.steps.push_back(harness::PressButton(IDD_HELPBUTTON));
    switch (data.ConsumeIntegralInRange(0, 5)) {
    case 0: script.steps.push_back(harness::PressButton(IDOK)); script.bOk = true; break;
    case 1: script.steps.push_back(harness::PressDialogKey(VK_RETURN)); script.bOk = true; break;
    case 2: script.steps.push_back(harness::PressButton(IDCANCEL)); break;
    case 3: script.steps.push_back(harness::PressDialogKey(VK_ESCAPE)); break;
    case 4: script.steps.push_back(harness::CloseDialog()); break;
    default: break;  // the script runs out: the dialog is closed
    }
    return script;
}

void RunProgram(const RunBounds& bounds, NextInput fnNext, AfterMessage fnAfter) {
    RunState run{bounds, std::move(fnNext), std::move(fnAfter)};
    g_pRun = &run;
    harness::Reset();
    InitializeProgramValues();
    harness::SetMaximizedSize(bounds.iWidth, bounds.iHeight);
    harness::SetDefaultSize(bounds.iWidth, bounds.iHeight);  // no 640 x 480 framebuffer to clear first
    harness::SetDisplay(bounds.caps);
    harness::OnEveryPeek([] { NextInputNow(false); });
    harness::OnIdle([] { return NextInputNow(true); });
    char szCmdLine[] = "";
    WinMain(kInstance, nullptr, szCmdLine, SW_SHOWNORMAL);
    // The first paint at least passes the watch; none means nothing was checked.
    if (run.iWatched == 0) Fail("no message reached the watch");
    harness::Reset();
    g_pRun = nullptr;
}

void RunCommand(const DrawingValues& before, std::function<void()> fnPrepare, WORD wCommand,
                std::function<void()> fnCheck) {
    bool bPosted = false;
    RunProgram(
        {},
        [&](HWND hwnd, bool bIdle) {
            if (!bIdle) return true;
            if (bPosted) return false;
            bPosted = true;
            ApplyDrawingValues(before);
            SetupSet();
            fnPrepare();
            PostMessageA(hwnd, WM_COMMAND, wCommand, 0);
            return true;
        },
        [&](const Handled& h) {
            if (h.uMessage == WM_COMMAND && LOWORD(h.wParam) == wCommand) fnCheck();
        });
}

std::string TitleOf(HWND hwnd) {
    char szTitle[700];
    GetWindowTextA(hwnd, szTitle, sizeof szTitle);
    return szTitle;
}

}  // namespace fuzz
