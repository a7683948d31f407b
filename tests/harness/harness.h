// The test harness: the offscreen backend with a person's answers scripted
// (boxes, dialogs, file choices, input at chosen peeks) and what the program
// showed logged (boxes, fills, dialogs, documents). Deterministic.
#ifndef ORVANTA_HARNESS_H
#define ORVANTA_HARNESS_H

#include "backend.h"
#include "offscreen.h"
#include "portable_win32.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace harness {

// The offscreen backend's displays, sizes, pixels and beeps; Reset is the harness's own.
using namespace offscreen;

struct ShownBox { HWND hwndOwner; std::string sText, sCaption; UINT uType; };
struct OpenedDocument { HWND hwndOwner; std::string sPath; };

// Forgets every window, object, message and script: a fresh process.
void Reset();

// Runs fn just before the n-th PeekMessageA since Reset (1-based) looks at the queue.
void AtPeek(int iPeek, std::function<void()> fn);
int PeekCount();
// Called whenever GetMessageA finds the queue empty; return false when nothing
// more will come, and GetMessageA answers as if WM_QUIT had arrived.
void OnIdle(std::function<bool()> fn);

// Input as the window system delivers it: into the input queue, after posted messages.
void PostInput(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam);
// A key press and release; ch is the character the key yields (0: the US layout's).
void PressKey(HWND hwnd, UINT uVirtualKey, char ch = 0);

// The user resizes the window: WM_SIZE now, and the client area is invalidated.
void ResizeWindow(HWND hwnd, int iWidth, int iHeight);

// Keeps every FillRect (rectangle and colour word) from now on.
void RecordFills();
const std::vector<std::pair<RECT, COLORREF>>& Fills();
int LiveGdiObjects();
int LiveDeviceContexts();
int LiveWindows();

// Message boxes: answers are taken in order; with none left a box is answered
// by its default button. Every box shown is logged.
void AnswerBoxes(std::initializer_list<int> answers);
const std::vector<ShownBox>& Boxes();
// Each box shown as "caption: text".
std::vector<std::string> BoxTexts();
void ClearBoxes();

// Dialogs: each dialog that opens runs the next script of steps, in order;
// without one, or once its steps are spent, the dialog is closed (Cancel).
struct DialogStep { enum Kind { Type, Press, Key, Close } kind; int iId; std::string sText; UINT uKey; };
DialogStep TypeText(int iId, std::string sText);  // replaces the field's text
DialogStep PressButton(int iId);
DialogStep PressDialogKey(UINT uKey);  // VK_RETURN or VK_ESCAPE
DialogStep CloseDialog();              // the close box
void ScriptDialog(std::vector<DialogStep> steps);

struct ShownDialog {
    std::string sTitle;
    HWND hwndOwner;
    int iFocusId;  // the control that had the focus when the dialog came up
    std::map<int, std::string> fieldsAtStart;  // control id -> text
    bool bKeptOpen = false;  // the close box did not end it: a person would be stuck
};
const std::vector<ShownDialog>& Dialogs();

// The next iCount LocalAlloc or GlobalAlloc calls fail, as when memory is short.
void FailNextAllocations(int iCount);
// The lNth allocation by new from now (1: the next) throws std::bad_alloc, as
// when memory runs out midway; 0 fails none. Counts the allocations since.
void FailNthAllocation(long lNth);
long AllocationsSinceArmed();
// The next iCount counting threads the engine starts fail to start, as when
// the system has no more threads to give.
void FailNextThreadStarts(int iCount);

// The first top-level window created since Reset.
HWND MainWindow();

// Documents the program asked to be shown (help).
const std::vector<OpenedDocument>& Documents();

// One answer of a file dialog: the path the user settles on ("" = Cancel) and
// the filter left selected (1-based; 0 keeps the one offered).
struct FileChoice {
    FileChoice(std::string sChosenPath, int iChosenFilter = 0);
    FileChoice(const char* pszChosenPath, int iChosenFilter = 0);
    std::string sPath;
    int iFilterIndex;
};
// File dialogs take these answers in order; with none left a dialog is cancelled.
void ChooseFiles(std::initializer_list<FileChoice> choices);
// Every file-dialog request that reached the backend, in order.
const std::vector<platform::FileDialogRequest>& FileRequests();

// The clipboard's text, as another program would find it.
std::string ClipboardText();
// Local and global memory blocks not yet freed.
int LiveMemoryBlocks();

// Puts pfnProc in the place of the window's procedure, as subclassing does:
// the procedure it replaced, or null when there is no such window.
WNDPROC ReplaceWindowProc(HWND hwnd, WNDPROC pfnProc);
// pfn, unless null, runs on the counting thread after each chunk of points a
// counting job counts, with the job's points counted so far and in all.
void AfterEachCountedChunk(void (*pfn)(int iCounted, int iPoints));

}  // namespace harness

#endif
