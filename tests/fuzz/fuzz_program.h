// The fuzz targets' shared set-up: the failure report, scratch files made
// afresh for every input, the Edit dialog script, and the whole program run on
// the headless platform under a watch that checks its rules after every message
// and its live objects after every finished picture.
#ifndef ORVANTA_FUZZ_PROGRAM_H
#define ORVANTA_FUZZ_PROGRAM_H

#include "engine.h"
#include "harness.h"
#include "scratch_files.h"
#include "view_io.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class FuzzedDataProvider;

namespace fuzz {

// A broken rule ends the run with a report, as a crash would.
[[noreturn]] void Fail(const std::string& sWhat);

// This process's scratch folder, and its files made anew for the next input:
// good, bad, cut and extreme view files, a folder, missing and unwritable
// places, a full disk, a name too long; ChoicePaths lists them for file dialogs.
ScratchDir& Scratch();
void MakeScratchFiles();
const std::vector<std::string>& ChoicePaths();

// Drawing values compared bit for bit, so that NaNs and -0.0 compare as stored.
bool SameValues(const DrawingValues& a, const DrawingValues& b);
std::string Describe(const DrawingValues& values);

// A script for the Edit dialog: texts typed into some fields, then a way out.
struct EditScript {
    std::vector<harness::DialogStep> steps;
    bool bOk = false;        // the way out taken is OK (button or Enter)
    std::string asTyped[8];  // the text typed into each field, if abTyped
    bool abTyped[8] = {};
};
EditScript MakeEditScript(FuzzedDataProvider& data);

// Bounds of one run. The iteration limit is brought down to ulLevelCap after
// every message, and input stops after ullPointBudget PointColor calls.
struct RunBounds {
    int iWidth = 24, iHeight = 16;
    platform::DisplayCaps caps = harness::TrueColorDisplay();
    ULONG ulLevelCap = 256;
    uint64_t ullPointBudget = 300000;
};

// A message the main window handled, the state before it and the result.
struct Handled {
    HWND hwnd;
    UINT uMessage;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT lResult;
    int bDirtyBefore, bMouseDownBefore;
    std::string sPathBefore, sTitleBefore;
    POINT ptPreviousBefore;
};

// fnNext gives the next input: with bIdle false before every look at the queue
// (input may arrive in the middle of a pass), with bIdle true when the finished
// picture waits; false there ends the input. fnAfter sees every message that
// reached the main window from outside a handler, once the title and the view
// geometry have been checked. Runs WinMain to its end.
using NextInput = std::function<bool(HWND hwnd, bool bIdle)>;
using AfterMessage = std::function<void(const Handled&)>;
void RunProgram(const RunBounds& bounds, NextInput fnNext, AfterMessage fnAfter);

// Sets the values and posts one command once the first picture is finished;
// fnCheck runs when the command has been handled.
void RunCommand(const DrawingValues& before, std::function<void()> fnPrepare, WORD wCommand,
                std::function<void()> fnCheck);

std::string TitleOf(HWND hwnd);

}  // namespace fuzz

#endif
