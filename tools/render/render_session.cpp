// One offscreen rendering with the real render loop: a maximised window of the
// requested size, the options as drawing values, passes until complete or cut.
#include "render_session.h"

#include "engine.h"
#include "offscreen.h"
#include "view_io.h"

#include <chrono>
#include <cstdio>
#include <new>

namespace {

LRESULT CALLBACK RenderWindowProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    if (uMessage == WM_DESTROY) {
        bQuitting = 1;
        return 0;
    }
    return DefWindowProcA(hwnd, uMessage, wParam, lParam);
}

void ApplyOptions(const RenderOptions& options) {
    ApplyDrawingValues(options.values);
    bInvertColors = options.bInvert ? 1 : 0;
}

// Progress on a terminal: the pass and how much of a final pass it amounts to.
void ShowProgress(const RenderOptions& options, bool bDone) {
    static auto tLast = std::chrono::steady_clock::now();
    auto tNow = std::chrono::steady_clock::now();
    if (!bDone && tNow - tLast < std::chrono::milliseconds(100)) return;
    tLast = tNow;
    double dfFinalPass = (options.iWidth + 1.0) * (options.iHeight + 1.0);
    std::fprintf(stderr, "\rpass %d, %5.1f%% of a final pass%s", iPassCount,
                 100.0 * static_cast<double>(ullPointColorCalls) / dfFinalPass, bDone ? "\n" : "");
}

// Stops after the requested number of passes: the quit message is posted as
// the next pass takes its first message, so that pass draws nothing.
void WatchPasses(const RenderOptions& options, bool bProgress) {
    offscreen::OnEveryPeek([options, bProgress] {
        if (options.iPasses > 0 && iPassCount > options.iPasses) PostQuitMessage(0);
        if (bProgress) ShowProgress(options, false);
    });
}

}  // namespace

HWND OpenRenderWindow(const RenderOptions& options) {
    offscreen::SetMaximizedSize(options.iWidth, options.iHeight);
    offscreen::SetDisplay(offscreen::TrueColorDisplay());
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = RenderWindowProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1);
    wc.lpszClassName = "OrvantaRender";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "OrvantaRender", "orvanta-render", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                nullptr, nullptr, nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOWMAXIMIZED);
    return hwnd;
}

void CloseRenderWindow(HWND hwnd, HDC hdc) {
    ReleaseDC(hwnd, hdc);
    DestroyWindow(hwnd);
    UnregisterClassA("OrvantaRender", nullptr);
}

RenderResult RenderHeadless(const RenderOptions& options, bool bProgress, const PixelSink& sink) {
    auto tStart = std::chrono::steady_clock::now();
    offscreen::Reset();
    InitializeProgramValues();
    int iThreads = SetCountingThreads(options.iThreads);
    HWND hwnd = OpenRenderWindow(options);
    HDC hdc = GetDC(hwnd);
    RenderResult result;
    result.iThreads = iThreads;
    if (!offscreen::PixelsInPlace(hwnd)) {  // a window too large for memory draws nothing
        result.bHeld = false;
        SetCountingThreads(1);
        CloseRenderWindow(hwnd, hdc);
        return result;
    }
    MSG msg;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    // Measured first with no limit chosen, as the program starts, so that the
    // display picks its colouring whatever limit the options then set.
    NewRect(hwnd, hdc);
    ApplyOptions(options);
    NewRect(hwnd, hdc);
    WatchPasses(options, bProgress);
    RenderLoop(hwnd, hdc, &msg);
    if (bProgress) ShowProgress(options, true);
    result.dfSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    SetCountingThreads(1);
    if (sink) sink(offscreen::PixelsInPlace(hwnd));
    else result.pixels = offscreen::Pixels(hwnd);
    // A pass cut off by --passes took only the quit message and drew nothing.
    bool bCut = options.iPasses > 0 && iPassCount > options.iPasses;
    result.iPasses = bCut ? options.iPasses : iPassCount;
    result.ullPointColors = ullPointColorCalls;
    result.ullIterations = ullIterationCount;
    result.iBeeps = offscreen::BeepCount();
    // The picture is out: a window memory is too short to tidy away is left
    // for the process's end, or the next Reset.
    try {
        CloseRenderWindow(hwnd, hdc);
    } catch (const std::bad_alloc&) {
    }
    return result;
}
