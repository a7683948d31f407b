// The engine tests' window.
#include "engine_window.h"

std::vector<UINT> g_receivedMessages;
std::vector<WPARAM> g_receivedCommands;

namespace {

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
    } else if (uMessage == WM_DESTROY) {
        bQuitting = 1;
        PostQuitMessage(0);
    } else {
        return DefWindowProcA(hwnd, uMessage, wParam, lParam);
    }
    return 0;
}

}  // namespace

EngineWindow OpenEngineWindow(int iWidth, int iHeight, platform::DisplayCaps caps) {
    harness::Reset();
    InitializeProgramValues();
    g_receivedCommands.clear();
    harness::SetMaximizedSize(iWidth, iHeight);
    harness::SetDisplay(caps);
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = EngineTestProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1);
    wc.lpszClassName = "EngineTest";
    RegisterClassA(&wc);
    EngineWindow window;
    window.hwnd = CreateWindowExA(0, "EngineTest", "Engine", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(window.hwnd, SW_SHOWMAXIMIZED);
    while (PeekMessageA(&window.msg, window.hwnd, 0, 0, PM_REMOVE)) DispatchMessageA(&window.msg);
    window.hdc = GetDC(window.hwnd);
    NewRect(window.hwnd, window.hdc);
    g_receivedMessages.clear();
    return window;
}

std::vector<uint32_t> PixelByPixelPicture() {
    std::vector<uint32_t> picture;
    for (int y = 0; y < iMaxY; ++y)
        for (int x = 0; x < iMaxX; ++x)
            picture.push_back(DriftColor(DriftCount(x * dfSetWidth / iMaxX + dfSetMinX, y * dfSetHeight / iMaxY + dfSetMinY)));
    return picture;
}
