// The program and the engine tests' window on the harness.
#include "program_run.h"

#include "options.h"
#include "render_tool.h"

std::vector<UINT> g_receivedMessages;
std::vector<WPARAM> g_receivedCommands;

namespace {

// A fresh process with the program's start values on a maximised window of this size.
void Fresh(int iWidth, int iHeight, const platform::DisplayCaps& caps) {
    harness::Reset();
    InitializeProgramValues();
    harness::SetMaximizedSize(iWidth, iHeight);
    harness::SetDisplay(caps);
}

LRESULT CALLBACK EngineTestProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    g_receivedMessages.push_back(uMessage);
    if (uMessage == WM_KEYDOWN && wParam == VK_INSERT) {
        dfSetHeight *= 0.9;
        SetupSet();
        bRestarting = 1;
    } else if (uMessage == WM_SIZE) {
        NewRect(hwnd, GetDC(hwnd));
    } else if (uMessage == WM_COMMAND) {
        g_receivedCommands.push_back(wParam);
    } else {
        return DefWindowProcA(hwnd, uMessage, wParam, lParam);
    }
    return 0;
}

}  // namespace

int RunProgram(std::vector<ProgramStep> steps, bool bEndsEarly) {
    Fresh(64, 48, harness::TrueColorDisplay());
    size_t uNext = 0;
    harness::OnIdle([&] {
        if (uNext >= steps.size()) return false;
        steps[uNext++](harness::MainWindow());
        return true;
    });
    char szCmdLine[] = "ignored.kqz";
    int iExit = WinMain(reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000)), nullptr, szCmdLine, SW_SHOWMINIMIZED);
    if (!bEndsEarly) { EXPECT_EQ(uNext, steps.size()) << "the program ended before its last step"; }
    return iExit;
}

std::string TitleOf(HWND hwnd) {
    char szTitle[1024];
    GetWindowTextA(hwnd, szTitle, sizeof szTitle);
    return szTitle;
}

ProgramStep Key(UINT uVirtualKey) { return [=](HWND hwnd) { harness::PressKey(hwnd, uVirtualKey); }; }
ProgramStep Command(WPARAM wId) { return [=](HWND hwnd) { PostMessageA(hwnd, WM_COMMAND, wId, 0); }; }

HWND OpenWindow(const char* pszClass, WNDPROC lpfnWndProc, const char* pszMenu) {
    WNDCLASSA wc = {CS_OWNDC, lpfnWndProc, 0, 0, nullptr, nullptr, nullptr, nullptr, pszMenu, pszClass};
    RegisterClassA(&wc);
    return CreateWindowExA(0, pszClass, "Test", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
}

EngineWindow OpenEngineWindow(int iWidth, int iHeight, platform::DisplayCaps caps) {
    Fresh(iWidth, iHeight, caps);
    g_receivedCommands.clear();
    EngineWindow window;
    window.hwnd = OpenWindow("EngineTest", EngineTestProc);
    ShowWindow(window.hwnd, SW_SHOWMAXIMIZED);
    while (PeekMessageA(&window.msg, window.hwnd, 0, 0, PM_REMOVE)) DispatchMessageA(&window.msg);
    window.hdc = GetDC(window.hwnd);
    NewRect(window.hwnd, window.hdc);
    g_receivedMessages.clear();
    return window;
}

double PlaneX(int x) { return x * dfSetWidth / iMaxX + dfSetMinX; }
double PlaneY(int y) { return y * dfSetHeight / iMaxY + dfSetMinY; }
COLORREF ColourAt(int x, int y) { return DriftColor(DriftCount(PlaneX(x), PlaneY(y))); }

std::vector<uint32_t> PixelByPixelPicture() {
    std::vector<uint32_t> picture;
    for (int y = 0; y < iMaxY; ++y)
        for (int x = 0; x < iMaxX; ++x) picture.push_back(ColourAt(x, y));
    return picture;
}

std::vector<const char*> Argv(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"orvanta-render"};
    for (const std::string& sArg : args) argv.push_back(sArg.c_str());
    return argv;
}

int Render(const std::vector<std::string>& args, RenderOptions* pOptions, std::string* psError) {
    std::vector<const char*> argv = Argv(args);
    std::string sError;
    if (!pOptions) return RunRenderTool(static_cast<int>(argv.size()), argv.data());
    return static_cast<int>(ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), pOptions, psError ? psError : &sError));
}
