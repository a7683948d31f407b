// The whole program on the headless platform for the fuzz targets: scratch
// files made afresh for every input, a watch on the main window that checks
// the program's rules after every message it handles, and bounds on a run.
#ifndef ORVANTA_FUZZ_PROGRAM_H
#define ORVANTA_FUZZ_PROGRAM_H

#include "engine.h"
#include "harness.h"
#include "view_io.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class FuzzedDataProvider;

namespace fuzz {

// A broken rule ends the run with a report, as a crash would.
[[noreturn]] void Fail(const std::string& sWhat);

// This process's scratch folder, and its files made anew for the next input.
std::string ScratchPath(const std::string& sName);
void MakeScratchFiles();
// What a file dialog may be answered with: good, bad, cut and extreme view
// files, a folder, missing and unwritable places, a full disk, a name too long.
const std::vector<std::string>& ChoicePaths();

// The eight drawing values, as a view file holds them; CurrentDrawingValues
// and ApplyDrawingValues read and set the program's.
using DrawingValues = ::DrawingValues;
// Bit for bit, so that NaNs and -0.0 compare as stored.
bool SameValues(const DrawingValues& a, const DrawingValues& b);
std::string Describe(const DrawingValues& values);

// A script for the Edit dialog: texts typed into some fields, then a way out.
struct EditScript {
    std::vector<harness::DialogStep> steps;
    bool bOk = false;            // the first way out taken is OK (button or Enter)
    std::string asTyped[8];      // the text each field holds when OK reads it; "" if untouched
    bool abTyped[8] = {};
};
EditScript MakeEditScript(FuzzedDataProvider& data);

// Bounds of one run. The iteration limit is brought down to ulLevelCap after
// every message, so that no picture asks for more than the run can afford.
struct RunBounds {
    int iWidth = 24;
    int iHeight = 16;
    platform::DisplayCaps caps = harness::TrueColorDisplay();
    ULONG ulLevelCap = 256;
    uint64_t ullPointBudget = 300000;  // PointColor calls after which no more input comes
};

// A message the main window handled, the state before it and the result.
struct Handled {
    HWND hwnd;
    UINT uMessage;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT lResult;
    int bDirtyBefore;
    std::string sPathBefore;
    std::string sTitleBefore;
    int bMouseDownBefore;
    POINT ptPreviousBefore;
};

// Gives the next input. Called before every look at the queue with bIdle
// false (input may arrive in the middle of a pass) and, with bIdle true, when
// the finished picture waits; false there means nothing more will come.
using NextInput = std::function<bool(HWND hwnd, bool bIdle)>;
// Called after every message that reached the main window from outside a
// handler, once the rules every message keeps have been checked.
using AfterMessage = std::function<void(const Handled&)>;

// Runs WinMain to its end.
void RunProgram(const RunBounds& bounds, NextInput fnNext, AfterMessage fnAfter);

// Whether the run may still give input (the point budget is not spent).
bool WithinBudget();

std::string TitleOf(HWND hwnd);
std::string Lower(std::string s);

}  // namespace fuzz

#endif
