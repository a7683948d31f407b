// The headless backend's controls for tests and the command-line renderer:
// screen size, display capabilities, scripted input and answers, and read-back
// of pixels, beeps, boxes and help requests. Deterministic: nothing waits.
#ifndef ORVANTA_HEADLESS_H
#define ORVANTA_HEADLESS_H

#include "backend.h"
#include "portable_win32.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace headless {

// Display capabilities of common kinds of screen.
platform::DisplayCaps TrueColorDisplay();  // 32 bits per pixel, NUMCOLORS -1
platform::DisplayCaps HighColorDisplay();  // 16 bits per pixel
platform::DisplayCaps PaletteDisplay();    // 8 bits per pixel, 20 system colours
platform::DisplayCaps SixteenColorDisplay();  // 4 bits per pixel, 16 colours

struct ShownBox {
    HWND hwndOwner;
    std::string sText;
    std::string sCaption;
    UINT uType;
};

struct HelpRequest {
    HWND hwndOwner;
    std::string sFile;
    UINT uCommand;
};

// Forgets every window, object, message and script: a fresh process.
void Reset();

void SetMaximizedSize(int iWidth, int iHeight);  // default 1024 x 768
void SetDefaultSize(int iWidth, int iHeight);    // CW_USEDEFAULT, default 640 x 480
void SetDisplay(const platform::DisplayCaps& caps);

// Runs fn just before the n-th PeekMessageA since Reset (1-based) looks at the queue.
void AtPeek(int iPeek, std::function<void()> fn);
int PeekCount();
// Runs fn just before every PeekMessageA looks at the queue.
void OnEveryPeek(std::function<void()> fn);
// Called whenever GetMessageA finds the queue empty; return false when nothing
// more will come, and GetMessageA answers as if WM_QUIT had arrived.
void OnIdle(std::function<bool()> fn);

// Input as the window system delivers it: into the input queue, after posted messages.
void PostInput(HWND hwnd, UINT uMessage, WPARAM wParam, LPARAM lParam);
// A key press and release; ch is the character the key yields (0: the US layout's).
void PressKey(HWND hwnd, UINT uVirtualKey, char ch = 0);

// The user resizes the window: WM_SIZE now, and the client area is invalidated.
void ResizeWindow(HWND hwnd, int iWidth, int iHeight);

int BeepCount();
// Keeps every FillRect (rectangle and colour word) from now on.
void RecordFills();
const std::vector<std::pair<RECT, COLORREF>>& Fills();
uint32_t Pixel(HWND hwnd, int x, int y);
std::vector<uint32_t> Pixels(HWND hwnd);
int LiveGdiObjects();
int LiveDeviceContexts();
int LiveWindows();

// Message boxes: answers are taken in order; with none left a box is answered
// by its default button. Every box shown is logged.
void AnswerBoxes(std::initializer_list<int> answers);
const std::vector<ShownBox>& Boxes();
void ClearBoxes();

// Dialogs: each dialog that opens runs the next script of steps, in order;
// without one, or once its steps are spent, the dialog is closed (Cancel).
struct DialogStep {
    enum Kind { Type, Press, Key, Close } kind;
    int iId;
    std::string sText;
    UINT uKey;
};
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
    std::map<int, std::string> fieldsAtEnd;
};
const std::vector<ShownDialog>& Dialogs();
void ResetDialogs();
void RunScriptedDialog(HWND hDlg);

// The next iCount LocalAlloc or GlobalAlloc calls fail, as when memory is short.
void FailNextAllocations(int iCount);

// The first top-level window created since Reset, and every caption any
// top-level window was given, in order.
HWND MainWindow();
const std::vector<std::string>& Titles();

// Help requests made with WinHelpA.
const std::vector<HelpRequest>& HelpRequests();

// ---- File dialogs, clipboard and the box echo (files_clipboard.cpp) ----

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

// The clipboard's text and block, as another program would find them.
std::string ClipboardText();
HGLOBAL ClipboardData();
// Puts text on the clipboard as another program would, in a block of its own;
// nothing happens while another window holds the clipboard open.
void SetClipboardText(const std::string& sText);
// Another window opens the clipboard and keeps it open until released.
void HoldClipboard(HWND hwndOther);
void ReleaseClipboard();
// Local and global memory blocks not yet freed.
int LiveMemoryBlocks();

// Also prints every message box to stderr as "CAPTION: text"; off after Reset.
void EchoBoxesToStderr(bool bEcho);

// The backend's side of the above (called from headless.cpp).
std::string NextFileChoice(const platform::FileDialogRequest& request);
int LastChosenFilter();
void EchoBox(const platform::MessageBoxRequest& request);
void ResetFilesAndClipboard();

// ---- end of file dialogs, clipboard and box echo ----

}  // namespace headless

#endif
