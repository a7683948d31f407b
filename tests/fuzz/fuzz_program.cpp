// The fuzz targets' program harness: scratch files, the watch on the main
// window with the rules every message keeps, and the bounded run of WinMain.
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
#include <cstring>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <limits>
#include <unistd.h>

namespace fs = std::filesystem;

namespace fuzz {

namespace {

HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

fs::path& ScratchDir() {
    static fs::path dir;
    if (dir.empty()) {
        dir = fs::temp_directory_path() / ("orvanta-fuzz-" + std::to_string(getpid()));
        std::atexit([] {
            std::error_code error;
            fs::remove_all(ScratchDir(), error);
        });
    }
    return dir;
}

std::string ViewBytes(const DrawingValues& v) {
    Bytes bytes = ViewFileBytes(v);
    return std::string(bytes.begin(), bytes.end());
}

void WriteFile(const std::string& sName, const std::string& sBytes) {
    std::ofstream(ScratchPath(sName), std::ios::binary | std::ios::trunc) << sBytes;
}

// ---- The watch on the main window.

struct RunState {
    RunBounds bounds;
    NextInput fnNext;
    AfterMessage fnAfter;
    WNDPROC pfnProgram = nullptr;
    int iDepth = 0;
    int iWatched = 0;  // messages checked
    bool bInputEnded = false;
};

RunState* g_pRun = nullptr;

bool SameDouble(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

void ExpectDouble(const char* pszName, double dfHeld, double dfWanted) {
    if (!SameDouble(dfHeld, dfWanted)) {
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
    std::string sName = psFilePath[0] ? Lower(psFilePath) : "untitled";
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
    Handled handled{hwnd, uMessage, wParam, lParam, 0, bIsDirty, psFilePath, TitleOf(hwnd),
                    bMouseDown, ptMousePrevious};
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
    if (ulMaxLevels > run.bounds.ulLevelCap) ulMaxLevels = run.bounds.ulLevelCap;
    if (run.bInputEnded || !WithinBudget()) {
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

std::string ScratchPath(const std::string& sName) { return (ScratchDir() / sName).string(); }

void MakeScratchFiles() {
    std::error_code error;
    fs::remove_all(ScratchDir(), error);
    fs::create_directories(ScratchDir());
    const double kInf = std::numeric_limits<double>::infinity();
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    WriteFile("good.kqz", ViewBytes({-0.5, 0.0, 64, 3.0, 0.2, 2, 100, 1}));
    WriteFile("extreme.kqz", ViewBytes({kNaN, kInf, 0xFFFFFFFF, -1e300, 1e308, INT_MIN, INT_MIN, INT_MAX}));
    WriteFile("tiny.kqz", ViewBytes({1e300, -1e300, 0, 1e-300, -0.0, INT_MAX, 0, -1}));
    std::string sGood = ViewBytes({0.25, -0.25, 32, 0.5, 0.3, 1, 120, 4});
    WriteFile("cut.kqz", sGood.substr(0, 40));
    WriteFile("long.kqz", sGood + std::string(35, '\xEE'));
    WriteFile("short.kqz", sGood.substr(0, 16));
    WriteFile("empty.kqz", "");
    std::string sBad = sGood;
    sBad[0] = 'v';
    WriteFile("bad.kqz", sBad);
    fs::create_directories(ScratchDir() / "folder");
    // A name with an extension, so that the dialogs add none: writes fail, reads give zeros.
    if (fs::exists("/dev/full")) fs::create_symlink("/dev/full", ScratchDir() / "full.kqz");
}

const std::vector<std::string>& ChoicePaths() {
    static const std::vector<std::string> paths = {
        ScratchPath("good.kqz"),      ScratchPath("extreme.kqz"),  ScratchPath("tiny.kqz"),
        ScratchPath("cut.kqz"),       ScratchPath("long.kqz"),     ScratchPath("short.kqz"),
        ScratchPath("empty.kqz"),     ScratchPath("bad.kqz"),      ScratchPath("folder"),
        ScratchPath("missing.kqz"),   ScratchPath("no-folder/view.kqz"),
        ScratchPath("new"),           ScratchPath("Mixed%s Name.KQW"),
        ScratchPath(std::string(300, 'x') + ".kqz"),
        ScratchPath("full.kqz"),      "",
    };
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
        std::string sText = data.ConsumeRandomLengthString(80);
        sText = sText.substr(0, std::strlen(sText.c_str()));
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

bool WithinBudget() { return !g_pRun || ullPointColorCalls < g_pRun->bounds.ullPointBudget; }

void RunProgram(const RunBounds& bounds, NextInput fnNext, AfterMessage fnAfter) {
    RunState run;
    run.bounds = bounds;
    run.fnNext = std::move(fnNext);
    run.fnAfter = std::move(fnAfter);
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

std::string TitleOf(HWND hwnd) {
    char szTitle[700];
    GetWindowTextA(hwnd, szTitle, sizeof szTitle);
    return szTitle;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

}  // namespace fuzz
