// A main window on the harness for engine tests: the start-up steps that matter to
// the renderer (maximised window, its own device context, NewRect) and a
// window procedure that zooms on Insert as the main window does, keeps the
// messages and commands it receives, and ends the loop on WM_DESTROY.
#ifndef ORVANTA_TESTS_ENGINE_WINDOW_H
#define ORVANTA_TESTS_ENGINE_WINDOW_H

#include "engine.h"
#include "harness.h"

#include <vector>

struct EngineWindow {
    HWND hwnd = nullptr;
    HDC hdc = nullptr;
    MSG msg{};
};

extern std::vector<UINT> g_receivedMessages;
extern std::vector<WPARAM> g_receivedCommands;

// Opens a window with the given client size on the given display, with the
// program's start values, and measures it. The pending paint is handled.
EngineWindow OpenEngineWindow(int iWidth, int iHeight, platform::DisplayCaps caps = harness::TrueColorDisplay());
// Runs the render loop until the picture is finished and nothing is left to do.
inline void RenderToEnd(EngineWindow& window) { RenderLoop(window.hwnd, window.hdc, &window.msg); }
// The colour word of every client pixel computed one by one.
std::vector<uint32_t> PixelByPixelPicture();

#endif
