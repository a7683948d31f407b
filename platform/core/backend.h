// The interface between the portable Win32 core and a window-system backend
// (headless for tests and the renderer, Qt for the desktop). The core owns all
// Win32 semantics; a backend only shows, measures and delivers input.
#ifndef ORVANTA_PLATFORM_BACKEND_H
#define ORVANTA_PLATFORM_BACKEND_H

#include "portable_win32.h"

#include <string>
#include <vector>

namespace platform {

struct DisplayCaps {
    int iPlanes = 1;
    int iBitsPixel = 32;
    int iNumColors = -1;
    int iSizePalette = 0;
    int iColorRes = 24;
};

// One button of a message box as the backend offers it: the text and the answer.
struct BoxButton {
    std::string sText;
    int iAnswer;
};

// What a modal message box shows; the core has worked out the buttons.
struct MessageBoxRequest {
    HWND hwndOwner;
    std::string sText;
    std::string sCaption;
    UINT uType;
    std::vector<BoxButton> buttons;
    int iDefault;  // index into buttons
};

// A file dialog's request and the backend's answer (empty path: cancelled).
struct FileDialogRequest {
    HWND hwndOwner;
    bool bSave;
    std::vector<std::pair<std::string, std::string>> filters;  // (label, pattern)
    int iFilterIndex;                                          // 1-based, 0 = first
    std::string sInitialPath;
    std::string sDefExt;  // without the leading full stop
    DWORD dwFlags;
};

class Backend {
public:
    virtual ~Backend() = default;

    virtual SIZE DefaultClientSize() = 0;
    virtual SIZE MaximizedClientSize() = 0;
    virtual DisplayCaps Caps() = 0;

    virtual void WindowCreated(HWND) {}
    virtual void WindowDestroyed(HWND) {}
    virtual void WindowShown(HWND, int /*nCmdShow*/) {}
    virtual void TitleChanged(HWND) {}
    // Part of a top-level window's framebuffer changed.
    virtual void PixelsChanged(HWND, const RECT&) {}

    // Called by every PeekMessageA before the queue is looked at: deliver
    // pending window-system events without waiting.
    virtual void Poll() = 0;
    // Called when GetMessageA finds the queue empty: block until something is
    // posted. Returns false when nothing can ever arrive (the core then
    // answers as if WM_QUIT had come).
    virtual bool Wait() = 0;

    virtual void Beep(UINT uType) = 0;

    virtual int MessageBox(const MessageBoxRequest& request) = 0;
    // Runs a modal dialog whose window and controls the core has created.
    // Returns when EndDialog has been called or the dialog has been closed.
    virtual void RunDialog(HWND hDlg) = 0;
    virtual std::string ChooseFile(const FileDialogRequest& request) = 0;
    // After ChooseFile gave a path: the 1-based filter the user left selected,
    // 0 when the backend cannot tell (the offered one stands).
    virtual int ChosenFilterIndex() { return 0; }
    virtual void ShowHelp(HWND hwndOwner, const std::string& sHelpFile, UINT uCommand) = 0;
    // The text of the clipboard changed hands; the core keeps the data.
    virtual void ClipboardChanged(const std::string&) {}
    // The program has returned from WinMain: release the window system
    // while the process can still do so cleanly.
    virtual void Shutdown() {}
};

// Defined by the backend that the program is linked with.
Backend& GetBackend();

}  // namespace platform

#endif
