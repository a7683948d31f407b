// Runs the whole program — WinMain, its window and the render loop — on the
// test harness, with a script of steps taken each time the finished
// picture waits for input.
#ifndef ORVANTA_TESTS_PROGRAM_RUN_H
#define ORVANTA_TESTS_PROGRAM_RUN_H

#include "engine.h"
#include "harness.h"

#include <functional>
#include <string>
#include <vector>

using ProgramStep = std::function<void(HWND)>;

struct ProgramSetup {
    int iWidth = 64, iHeight = 48;
    bool bEndsEarly = false;  // the program is expected to quit before its last step
};

// Runs the program until its steps are spent (the queue then runs dry and the
// program ends as on WM_QUIT) or it quits. Returns WinMain's exit code.
int RunProgram(std::vector<ProgramStep> steps, ProgramSetup setup = {});
std::string TitleOf(HWND hwnd);
// A step that presses a key and one that posts a menu command.
ProgramStep Key(UINT uVirtualKey);
ProgramStep Command(WPARAM wId);

#endif
