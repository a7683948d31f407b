// A main window on the harness for engine tests: the start-up steps that matter to
// the renderer (maximised window, its own device context, NewRect) and a
// window procedure that plays a handler's part when a test posts messages.
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

// Messages the test procedure received, in order.
std::vector<UINT>& ReceivedMessages();
std::vector<WPARAM>& ReceivedCommands();

// Opens a window with the given client size on the given display, with the
// program's start values, and measures it. The pending paint is handled.
EngineWindow OpenEngineWindow(int iWidth, int iHeight,
                              platform::DisplayCaps caps = harness::TrueColorDisplay());

// Runs the render loop until the picture is finished and nothing is left to do.
void RenderToEnd(EngineWindow& window);

// The colour word of every client pixel computed one by one.
std::vector<uint32_t> PixelByPixelPicture();

#endif
