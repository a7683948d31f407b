// The engine tests' window: its procedure zooms on Insert (as the main window
// does), counts commands and ends the loop on WM_DESTROY.
#include "engine_window.h"

namespace {

LRESULT CALLBACK EngineTestProc(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    ReceivedMessages().push_back(uMessage);
    switch (uMessage) {
    case WM_KEYDOWN:
        if (wParam != VK_INSERT) break;
        dfSetHeight *= 0.9;
        SetupSet();
        bRestarting = 1;
        return 0;
    case WM_SIZE:
        NewRect(hwnd, GetDC(hwnd));
        return 0;
    case WM_COMMAND:
        ReceivedCommands().push_back(wParam);
        return 1;
    case WM_DESTROY:
        bQuitting = 1;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, uMessage, wParam, lParam);
}

}  // namespace

std::vector<UINT>& ReceivedMessages() {
    static std::vector<UINT> messages;
    return messages;
}

std::vector<WPARAM>& ReceivedCommands() {
    static std::vector<WPARAM> commands;
    return commands;
}

EngineWindow OpenEngineWindow(int iWidth, int iHeight, platform::DisplayCaps caps) {
    harness::Reset();
    InitializeProgramValues();
    ReceivedMessages().clear();
    ReceivedCommands().clear();
    harness::SetMaximizedSize(iWidth, iHeight);
    harness::SetDisplay(caps);
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = EngineTestProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1);
    wc.lpszClassName = "EngineTest";
    RegisterClassA(&wc);
    EngineWindow window;
    window.hwnd = CreateWindowExA(0, "EngineTest", "Engine", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  nullptr, nullptr);
    ShowWindow(window.hwnd, SW_SHOWMAXIMIZED);
    while (PeekMessageA(&window.msg, window.hwnd, 0, 0, PM_REMOVE)) DispatchMessageA(&window.msg);
    window.hdc = GetDC(window.hwnd);
    NewRect(window.hwnd, window.hdc);
    ReceivedMessages().clear();
    return window;
}

void RenderToEnd(EngineWindow& window) { RenderLoop(window.hwnd, window.hdc, &window.msg); }

std::vector<uint32_t> PixelByPixelPicture() {
    std::vector<uint32_t> picture;
    for (int y = 0; y < iMaxY; ++y)
        for (int x = 0; x < iMaxX; ++x)
            picture.push_back(DriftColor(DriftCount(x * dfSetWidth / iMaxX + dfSetMinX,
                                                    y * dfSetHeight / iMaxY + dfSetMinY)));
    return picture;
}
