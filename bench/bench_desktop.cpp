// What a window system costs the renderer, and how soon a key press shows:
// the default view rendered through the program's render loop on whichever
// backend this is linked with (offscreen or Qt), and the time from a key press
// during a pass at 65519 iterations to the first block of the new picture.
//   orvanta-bench-desktop [RUNS [KEY_PRESSES]]
#include "backend.h"
#include "engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#ifdef ORVANTA_BENCH_QT
#include "qt_backend.h"
#include <QApplication>
#include <QKeyEvent>
#endif

namespace {

using Clock = std::chrono::steady_clock;
const UINT WM_PROBE = WM_USER + 1;

Clock::time_point g_tKey;
Clock::time_point g_tFirstBlock;
int g_iProbes = 0;

// Zooms on Insert as the program does; then follows the restart with probe
// messages: the third is taken by the Cover call after the new picture's first
// filled blocks.
LRESULT CALLBACK BenchProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    switch (uMessage) {
    case WM_KEYDOWN:
        if (wParam != VK_INSERT) return 0;
        dfSetHeight *= 0.9;
        SetupSet();
        bRestarting = 1;
        g_iProbes = 0;
        PostMessageA(hwnd, WM_PROBE, 0, 0);
        return 0;
    case WM_PROBE:
        if (++g_iProbes < 3) {
            PostMessageA(hwnd, WM_PROBE, 0, 0);
        } else {
            g_tFirstBlock = Clock::now();
            PostQuitMessage(0);
        }
        return 0;
    case WM_SIZE:
        NewRect(hwnd, GetDC(hwnd));
        return 0;
    case WM_DESTROY:
        bQuitting = 1;
        return 0;
    default:
        return DefWindowProcA(hwnd, uMessage, wParam, lParam);
    }
}

HWND OpenWindow() {
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = BenchProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1);
    wc.lpszClassName = "Bench";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "Bench", "Bench", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768, nullptr,
                                nullptr, nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    MSG msg;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return hwnd;
}

// The whole default view, until the finished picture waits for input.
double RenderSeconds(HWND hwnd, HDC hdc) {
    InitializeProgramValues();
    NewRect(hwnd, hdc);
    Clock::time_point tStart = Clock::now();
    RenderPicture(hwnd, hdc);
    return std::chrono::duration<double>(Clock::now() - tStart).count();
}

#ifdef ORVANTA_BENCH_QT
// Key presses at moments spread over the first tenth of a second of the
// picture (which takes longer than that), posted from another thread as the
// window system would; each is timed until its first block.
std::vector<double> KeyLatencies(HWND hwnd, HDC hdc, int iPresses) {
    QWidget* pClient = static_cast<platform::qt::Frame*>(platform::qt::WidgetOf(hwnd))->Client();
    std::vector<double> latencies;
    for (int i = 0; i < iPresses; ++i) {
        InitializeProgramValues();
        ulMaxLevels = 65519;
        NewRect(hwnd, hdc);
        auto* pEvent = new QKeyEvent(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
        std::thread presser([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5 + 9 * i));
            g_tKey = Clock::now();
            QCoreApplication::postEvent(pClient, pEvent);
        });
        MSG msg;
        RenderLoop(hwnd, hdc, &msg);  // the third probe ends it
        presser.join();
        latencies.push_back(std::chrono::duration<double, std::milli>(g_tFirstBlock - g_tKey).count());
    }
    return latencies;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    int iRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    HWND hwnd = OpenWindow();
    HDC hdc = GetDC(hwnd);
    std::vector<double> seconds;
    for (int i = 0; i < iRuns; ++i) seconds.push_back(RenderSeconds(hwnd, hdc));
    std::sort(seconds.begin(), seconds.end());
    RECT rc;
    GetClientRect(hwnd, &rc);
    std::printf("default view %ldx%ld: %.4f s (median of %d)\n", static_cast<long>(rc.right),
                static_cast<long>(rc.bottom), seconds[seconds.size() / 2], iRuns);
#ifdef ORVANTA_BENCH_QT
    int iPresses = argc > 2 ? std::atoi(argv[2]) : 10;
    std::vector<double> latencies = KeyLatencies(hwnd, hdc, iPresses);
    if (latencies.empty()) latencies.push_back(0.0);
    std::sort(latencies.begin(), latencies.end());
    std::printf("key to first block at 65519 iterations: median %.2f ms, longest %.2f ms (%zu presses)\n",
                latencies[latencies.size() / 2], latencies.back(), latencies.size());
#endif
    platform::GetBackend().Shutdown();
    return 0;
}
