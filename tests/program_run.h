// The program on the test harness: the whole of it — WinMain, its window and
// the render loop — with a script of steps taken each time the finished picture
// waits for input, or for engine tests a main window of their own; what every test file includes.
#ifndef ORVANTA_TESTS_PROGRAM_RUN_H
#define ORVANTA_TESTS_PROGRAM_RUN_H

#include "engine.h"
#include "harness.h"
#include "resource.h"
#include "view_values.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

using ProgramStep = std::function<void(HWND)>;

// Runs the program on a 64 x 48 client area until its steps are spent (the
// queue then runs dry and the program ends as on WM_QUIT) or, when
// bEndsEarly, it quits. Returns WinMain's exit code.
int RunProgram(std::vector<ProgramStep> steps, bool bEndsEarly = false);
std::string TitleOf(HWND hwnd);
// A step that presses a key and one that posts a menu command.
ProgramStep Key(UINT uVirtualKey);
ProgramStep Command(WPARAM wId);

// orvanta-render's argv for these arguments, which must outlive it.
std::vector<const char*> Argv(const std::vector<std::string>& args);
// Runs orvanta-render in this process and returns its exit code; with
// pOptions, only parses the arguments into them and returns the ParseResult,
// and the refusal in *psError.
struct RenderOptions;
int Render(const std::vector<std::string>& args, RenderOptions* pOptions = nullptr, std::string* psError = nullptr);

// A 640 x 480 top-level window of a class registered for it with its own device context.
HWND OpenWindow(const char* pszClass, WNDPROC lpfnWndProc = DefWindowProcA, const char* pszMenu = nullptr);

// The engine tests' main window: the start-up steps that matter to the renderer
// (maximised, its own device context, NewRect) and a window procedure that zooms
// on Insert as the main window does and keeps the messages and commands it
// receives; the loop ends when the queue runs dry.
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
// The point of the plane a pixel stands for, written out plainly, and the
// colour word of one client pixel and of every one, computed one by one.
double PlaneX(int x);
double PlaneY(int y);
COLORREF ColourAt(int x, int y);
std::vector<uint32_t> PixelByPixelPicture();

#endif
