// The whole-program harness.
#include "program_run.h"

#include <gtest/gtest.h>

int RunProgram(std::vector<ProgramStep> steps, ProgramSetup setup) {
    harness::Reset();
    InitializeProgramValues();
    harness::SetMaximizedSize(setup.iWidth, setup.iHeight);
    harness::SetDisplay(harness::TrueColorDisplay());
    size_t uNext = 0;
    harness::OnIdle([&] {
        if (uNext >= steps.size()) return false;
        steps[uNext++](harness::MainWindow());
        return true;
    });
    char szCmdLine[] = "ignored.kqz";
    int iExit = WinMain(reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000)), nullptr, szCmdLine, SW_SHOWMINIMIZED);
    if (!setup.bEndsEarly) {
        EXPECT_EQ(uNext, steps.size()) << "the program ended before its last step";
    }
    return iExit;
}

std::string TitleOf(HWND hwnd) {
    char szTitle[600];
    GetWindowTextA(hwnd, szTitle, sizeof szTitle);
    return szTitle;
}

ProgramStep Key(UINT uVirtualKey) { return [=](HWND hwnd) { harness::PressKey(hwnd, uVirtualKey); }; }
ProgramStep Command(WPARAM wId) { return [=](HWND hwnd) { PostMessageA(hwnd, WM_COMMAND, wId, 0); }; }
