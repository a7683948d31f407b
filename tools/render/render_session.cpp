// One offscreen rendering with the real render loop: a maximised window of the
// requested size, the options as drawing values, passes until complete or cut.
#include "render_session.h"

#include "engine.h"
#include "offscreen.h"
#include "view_io.h"

#include <chrono>
#include <new>
#include <string>

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

// Progress: the point colours so far against a final pass over the whole area.
void ShowProgress(const RenderOptions& options, ProgressLine& line, bool bDone) {
    double dfFinalPass = (options.iWidth + 1.0) * (options.iHeight + 1.0);
    double dfFraction = bDone ? 1.0 : static_cast<double>(ullPointColorCalls) / dfFinalPass;
    std::string sWhere = "pass " + std::to_string(iPassCount);
    bDone ? line.Finish(dfFraction, sWhere) : line.Update(dfFraction, sWhere);
}

// Stops after the requested number of passes: the quit message is posted as
// the next pass takes its first message, so that pass draws nothing.
void WatchPasses(const RenderOptions& options, ProgressLine* pLine) {
    offscreen::OnEveryPeek([options, pLine] {
        if (options.iPasses > 0 && iPassCount > options.iPasses) PostQuitMessage(0);
        if (pLine) ShowProgress(options, *pLine, false);
    });
}

// As the program starts: measured with no limit chosen, so that the display
// picks its colouring whatever limit the options then set, then measured
// again with the options' values.
void MeasureWindow(HWND hwnd, HDC hdc, const RenderOptions& options) {
    MSG msg;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    NewRect(hwnd, hdc);
    ApplyOptions(options);
    NewRect(hwnd, hdc);
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

void MeasureView(const RenderOptions& options) {
    offscreen::Reset();
    InitializeProgramValues();
    offscreen::SetKeepPixels(false);
    HWND hwnd = OpenRenderWindow(options);
    HDC hdc = GetDC(hwnd);
    MeasureWindow(hwnd, hdc, options);
    CloseRenderWindow(hwnd, hdc);
    offscreen::Reset();
}

RenderResult RenderHeadless(const RenderOptions& options, ProgressLine* pLine, const PixelSink& sink) {
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
    MeasureWindow(hwnd, hdc, options);
    WatchPasses(options, pLine);
    MSG msg;
    RenderLoop(hwnd, hdc, &msg);
    if (pLine) ShowProgress(options, *pLine, true);
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
    result.ullPlannedPoints = ullPlannedPoints;
    result.ullRecountedPoints = ullRecountedPoints;
    result.iBeeps = offscreen::BeepCount();
    // The picture is out: a window memory is too short to tidy away is left
    // for the process's end, or the next Reset.
    try {
        CloseRenderWindow(hwnd, hdc);
    } catch (const std::bad_alloc&) {
    }
    return result;
}
